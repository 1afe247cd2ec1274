// Drives Tavrune.exe under Wine with real input and checks what only a real
// Win32 shows: the window's layout and keyboard, the list box as the program
// fills it, the warning box, closing mid-run, handles, and the command lines
// that reach the service controller (the sc stand-in's records) against the
// golden lists.
//
//   driver.exe TAVRUNE_EXE GOLDEN_DIR SC_RECORD_DIR [scenario ...]
//
// Prints one line per check and ends with "N passed, N failed".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "golden/golden_commands.h"
#include "platform/win32/win32_platform.h"
#include "remote.h"
#include "ui/layout.h"
#include "win32/control_ids.h"

using namespace tavrune;

namespace {

std::wstring exePath, testDir, goldenDir, recordDir;
int systemDpi = 96;
int passed = 0, failed = 0;

bool Check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
    return (ok ? passed : failed)++, ok;
}

// --- golden lists and the sc stand-in's records -------------------------

// A golden list's commands as the sc stand-in records them: what sc
// receives (what follows "cmd /d /c  "), a tab, and what the interpreter
// received (the whole line); sorted as the records are.
using Golden = GoldenCommands<std::wstring>;
Golden ReadGolden(const wchar_t* name, int rowsBelow = 1 << 30) {
    std::ifstream in((goldenDir + L"\\" + name).c_str());
    Golden g = ReadGoldenCommands<std::wstring>(in, rowsBelow);
    for (std::wstring& command : g.commands) command = command.substr(11) + L"\t" + command;
    std::sort(g.commands.begin(), g.commands.end());
    return g;
}

// One file per sc call: what sc and its interpreter received (ASCII), a tab
// between them, then when sc began and ended on one clock for all processes.
using Record = std::tuple<std::wstring, long long, long long>;  // line, began, ended
std::vector<Record> Records(bool remove = false) {
    std::vector<Record> records;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((recordDir + L"\\sc_*.tmp").c_str(), &found);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &found)) {
        const std::wstring path = recordDir + L"\\" + found.cFileName;
        if (remove && DeleteFileW(path.c_str())) continue;
        std::ifstream in(path.c_str(), std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        const std::size_t times = std::min(text.find('\t', text.find('\t') + 1), text.size());
        records.emplace_back(std::wstring(text.begin(), text.begin() + static_cast<long>(times)), 0, 0);
        std::sscanf(text.c_str() + times, "%lld %lld", &std::get<1>(records.back()),
                    &std::get<2>(records.back()));
    }
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    std::sort(records.begin(), records.end());
    return records;
}

// The commands run on their own: waits until no new record came for a while.
std::vector<Record> SettledRecords(std::size_t expected) {
    std::size_t last = 0;
    for (DWORD start = GetTickCount(), quietSince = start;; Sleep(200)) {
        const std::size_t n = Records().size();
        if (n != last) last = n, quietSince = GetTickCount();
        const DWORD quiet = GetTickCount() - quietSince;
        if ((n >= expected && quiet > 1500) || quiet > 8000 || GetTickCount() - start > 120000)
            return Records();
    }
}

// The records are the golden lines, and each service was started only once
// its new start type was in place: every start began after its configure ended.
void CheckRecords(const std::vector<std::wstring>& want, const std::string& what) {
    const auto records = SettledRecords(want.size());
    std::vector<std::wstring> got, odd;  // odd: in one and not the other
    for (const auto& [line, began, ended] : records) got.push_back(line);
    if (!Check(got == want,
               what + " (" + std::to_string(got.size()) + " of " + std::to_string(want.size()) + ")")) {
        std::set_symmetric_difference(got.begin(), got.end(), want.begin(), want.end(),
                                      std::back_inserter(odd));
        for (const auto& line : odd)
            std::printf("     [%s]\n", std::string(line.begin(), line.end()).c_str());
    }
    std::string early;
    for (const auto& [line, began, ended] : records) {
        if (line.rfind(L"sc start ", 0) != 0) continue;
        const std::wstring key = line.substr(9, line.find(L'\t') - 9);
        const auto c = std::find_if(records.begin(), records.end(), [&](const Record& r) {
            return std::get<0>(r).rfind(L"sc config " + key + L" start= ", 0) == 0;
        });
        if (c == records.end() || began <= std::get<2>(*c))
            early += " [" + std::string(key.begin(), key.end()) + "]";
    }
    Check(early.empty(), what + ": each start began after its configure ended" + early);
}

// --- the program ---------------------------------------------------------

struct App : remote::App {
    bool Start(const std::wstring& exe = exePath, const wchar_t* folder = nullptr) {
        Records(true);
        // The window manager may move a new window a moment after it shows,
        // and a click aimed at the old place is lost: waits until it stands still in front.
        RECT was = {}, now = {};
        const auto still = [&] {
            return was = now, Sleep(100), GetWindowRect(hwnd, &now),
                   GetForegroundWindow() == hwnd && EqualRect(&was, &now);
        };
        return remote::App::Start(exe, L"TavruneForm1", folder) && remote::Within(5000, still);
    }
    void ClickRow(int row) const {
        HWND list = Control(IDC_LIST1);
        SetForegroundWindow(hwnd);
        Send(list, LB_SETTOPINDEX, static_cast<WPARAM>(row));
        RECT item, frame;
        Send(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&item), 2);
        GetWindowRect(list, &frame);
        remote::ClickAt(list, (item.left + item.right) / 2 - frame.left,
                        (item.top + item.bottom) / 2 - frame.top);
        Sleep(GetDoubleClickTime() + 50);  // two clicks in a row would make a double click
        Sync();
    }
    // The hook (hook.dll) in the window's thread: what Windows does and Wine does not.
    bool Hook() const {
        static HMODULE dll = LoadLibraryW((testDir + L"\\hook.dll").c_str());
        const auto proc =
            reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll, "CallWndProc")));
        return proc && SetWindowsHookExW(WH_CALLWNDPROC, proc, dll, GetWindowThreadProcessId(hwnd, nullptr));
    }
    int Focused() const {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info);
        return GetDlgCtrlID(info.hwndFocus);
    }
    void Key(BYTE vk, bool shift = false) const {
        if (shift) keybd_event(VK_SHIFT, 0, 0, 0);
        keybd_event(vk, 0, 0, 0);
        keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
        if (shift) keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
        Sleep(100);
        Sync();
    }
    bool WaitForCompletion() const {
        return remote::Within(120000, [this] { return Completed(); });
    }
    std::vector<int> MarkedRows() const {
        std::vector<int> rows;
        for (int i = 0; i < Count(); ++i) rows.insert(rows.end(), Marked(i), i);
        return rows;
    }
};

std::wstring WindowText(HWND h) {
    wchar_t buffer[512] = {};
    GetWindowTextW(h, buffer, 512);
    return buffer;
}

// What a person sees: the screen's pixels in `r`, row by row.
std::vector<COLORREF> Screen(const RECT& r) {
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) pixels.push_back(GetPixel(screen, x, y));
    }
    ReleaseDC(nullptr, screen);
    return pixels;
}

// --- scenarios -------------------------------------------------------------

// Every control where the table puts it at `dpi` (MulDiv of the twips, not
// the program's own conversion), inside the client area that the table
// sizes, in its font at that DPI, and in front where controls overlap.
void CheckLayout(const App& app, int dpi, const std::string& at) {
    RECT client;
    GetClientRect(app.hwnd, &client);
    Check(client.right == MulDiv(6165, dpi, 1440) && client.bottom == MulDiv(3210, dpi, 1440),
          "layout: client area" + at);
    NONCLIENTMETRICSW metrics = {};  // the default font, given for the system DPI
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    app.Send(app.hwnd, RegisterWindowMessageW(L"TavruneTestDpi"));  // the hook reads the fonts
    std::string misplaced, fonts;
    for (const ControlSpec& c : kControls) {
        RECT r = {};
        GetWindowRect(app.Control(ControlId(c)), &r);
        MapWindowPoints(nullptr, app.hwnd, reinterpret_cast<POINT*>(&r), 2);
        const int left = c.left + (c.container == ControlName::Frame1   ? 120
                                   : c.container == ControlName::Frame2 ? 4440
                                                                        : 0);
        const int top = c.top + (c.container == ControlName::Frame2 ? 840 : 0);
        const RECT want = {MulDiv(left, dpi, 1440), MulDiv(top, dpi, 1440),
                           MulDiv(left, dpi, 1440) + MulDiv(c.width, dpi, 1440),
                           MulDiv(top, dpi, 1440) + MulDiv(c.height, dpi, 1440)};
        if (!EqualRect(&r, &want)) misplaced += " " + std::to_string(ControlId(c));
        // Face, height, weight and character set: "宋体" in bold, GB2312, or the system's message font.
        const LOGFONTW& m = metrics.lfMessageFont;
        wchar_t font[LF_FACESIZE + 40], got[LF_FACESIZE + 40] = {};
        if (c.font.face)
            swprintf(font, LF_FACESIZE + 40, L"宋体 %d 700 134", -MulDiv(c.font.tenthsOfPoint, dpi, 720));
        else
            swprintf(font, LF_FACESIZE + 40, L"%ls %d %ld %d", m.lfFaceName,
                     MulDiv(m.lfHeight, dpi, systemDpi), m.lfWeight, m.lfCharSet);
        GlobalGetAtomNameW(static_cast<ATOM>(reinterpret_cast<INT_PTR>(
                               GetPropW(app.Control(ControlId(c)), L"TavruneTestFont"))),
                           got, LF_FACESIZE + 40);
        if (lstrcmpW(got, font) != 0) fonts += " " + std::to_string(ControlId(c));
    }
    Check(misplaced.empty(), "layout: every control where the table puts it" + at + misplaced);
    Check(fonts.empty(), "layout: every control in its font" + at + fonts);
    const std::pair<int, int> kFrontBehind[] = {{IDC_COMMAND1, IDC_FRAME1},    {IDC_OPTION1, IDC_FRAME1},
                                                {IDC_OPTION1 + 5, IDC_FRAME1}, {IDC_LABEL1, IDC_FRAME1},
                                                {IDC_LIST1, IDC_FRAME2},       {IDC_LIST1, IDC_CHECK1},
                                                {IDC_LIST1, IDC_CHECK1 + 1}};
    std::string behind;
    for (const auto& [front, back] : kFrontBehind) {
        RECT a, b, both;
        GetWindowRect(app.Control(front), &a);
        GetWindowRect(app.Control(back), &b);
        IntersectRect(&both, &a, &b);
        POINT p = {(both.left + both.right) / 2, (both.top + both.bottom) / 2};
        ScreenToClient(app.hwnd, &p);
        if (ChildWindowFromPointEx(app.hwnd, p, CWP_SKIPINVISIBLE) != app.Control(front))
            behind += " " + std::to_string(front);
    }
    Check(behind.empty(), "layout: in front where controls overlap" + at + behind);
}

// The window at the system's DPI and, at 96 dpi, after it is moved to a
// monitor of 144 dpi (Wine sends no WM_DPICHANGED: the hook does).
void Layout() {
    App app;
    if (!Check(app.Start() && app.Hook(), "layout: the window opens")) return;
    const std::pair<int, const wchar_t*> kCaptions[] = {{0, L"Tavrune - 就是简单！       Osperin版"},
                                                        {IDC_COMMAND1, L"Tavrune"},
                                                        {IDC_OPTION1, L"普通优化"},
                                                        {IDC_OPTION1 + 1, L"高级优化"},
                                                        {IDC_OPTION1 + 2, L"局域网优化"},
                                                        {IDC_OPTION1 + 5, L"手动优化"},
                                                        {IDC_LABEL1, L"？"},
                                                        {IDC_CHECK1, L"恢复上次优化"},
                                                        {IDC_CHECK1 + 1, L"备份上次优化"}};
    std::string captions;
    for (const auto& [id, text] : kCaptions)
        captions += WindowText(id ? app.Control(id) : app.hwnd) == text ? "" : " " + std::to_string(id);
    Check(captions.empty(), "layout: the title and every caption" + captions);
    CheckLayout(app, systemDpi, " at " + std::to_string(systemDpi) + " dpi");
    // The "？" as drawn: blue beside the window's colour, or the theme's link
    // colour while high contrast is on (switched by the hook while it shows).
    const auto drawn = [&](WPARAM contrast, COLORREF want, COLORREF not_) {
        app.Send(app.hwnd, RegisterWindowMessageW(L"TavruneTestContrast"), contrast);
        Sleep(300);
        app.Sync();
        RECT r;
        GetWindowRect(app.Control(IDC_LABEL1), &r);
        const auto p = Screen(r);
        const COLORREF face = GetSysColor(COLOR_BTNFACE);  // in the corners, beside the glyph
        return std::count(p.begin(), p.end(), want) >= 5 && std::count(p.begin(), p.end(), not_) == 0 &&
               p.front() == face && p.back() == face;
    };
    const COLORREF blue = RGB(0, 0, 255), link = GetSysColor(COLOR_HOTLIGHT);
    Check(drawn(0, blue, link) && drawn(1, link, blue) && drawn(0, blue, link),
          "drawn: the \"？\" blue on the window's colour, in the link colour while high contrast is on");
    if (systemDpi == 96) {
        app.Send(app.hwnd, RegisterWindowMessageW(L"TavruneTestDpi"), 144, systemDpi);
        CheckLayout(app, 144, " after a move to 144 dpi");
        // Where the top of the list lay at 96 dpi, Frame1 lies now, bare.
        RECT strip = {MulDiv(240, 144, 1440), MulDiv(800, 144, 1440), MulDiv(4000, 144, 1440),
                      MulDiv(800, 144, 1440) + 1};
        MapWindowPoints(app.hwnd, nullptr, reinterpret_cast<POINT*>(&strip), 2);
        const auto left = (Sleep(300), app.Sync(), Screen(strip));
        Check(std::count(left.begin(), left.end(), GetSysColor(COLOR_BTNFACE)) ==
                  static_cast<long>(left.size()),
              "drawn: nothing of the old layout is left after the move");
    }
    Check(app.Close(), "layout: closes and exits");
}

// The keys, with the option buttons clicking themselves on the focus as XP's
// do (the hook): Tab and Shift+Tab follow the tab order and select nothing,
// the arrows move among the options and select, and a click on an unfocused
// option arrives once.
void Keys() {
    App app;
    if (!Check(app.Start() && app.Hook(), "keys: the window opens")) return;
    // From the first control in tab order: Tab round to it again, then Shift+Tab.
    const int walk[] = {IDC_OPTION1 + 0, IDC_OPTION1 + 1, IDC_OPTION1 + 2, IDC_LIST1,       IDC_OPTION1 + 5,
                        IDC_CHECK1 + 0,  IDC_CHECK1 + 1,  IDC_COMMAND1,    IDC_OPTION1 + 0, IDC_COMMAND1};
    std::string wrong;
    for (int i = 0; i < 10; ++i) {
        if (i > 0) app.Key(VK_TAB, i == 9);
        if (app.Focused() != walk[i]) wrong += " " + std::to_string(i);
    }
    Check(wrong.empty(), "keys: Tab walks the tab order and wraps round, Shift+Tab goes back" + wrong);
    int clicks = 0;
    for (int i : {0, 1, 2, 5})
        clicks += GetPropW(app.Control(IDC_OPTION1 + i), L"TavruneTestClicks") != nullptr;
    Check(clicks == 4 && !app.Checked(0) && !app.Checked(1) && !app.Checked(2) && !app.Checked(5) &&
              app.Count() == 0 && !app.Box(),
          "keys: focus alone selects no option, though each clicked itself");
    app.Key(VK_TAB);
    const std::pair<BYTE, int> kArrows[] = {{VK_RIGHT, 1}, {VK_RIGHT, 2}, {VK_DOWN, 5},
                                            {VK_RIGHT, 0}, {VK_LEFT, 5},  {VK_UP, 2}};
    wrong.clear();
    for (const auto& [key, option] : kArrows) {
        const bool box =
            option == 5 ? app.AnswerBox(IDCANCEL, [&] { app.Key(key); }) : (app.Key(key), !app.Box());
        if (!box || app.Focused() != IDC_OPTION1 + option || !app.Checked(option))
            wrong += " " + std::to_string(option);
    }
    Check(wrong.empty(), "keys: the arrows move among the options, wrapping round, and select" + wrong);
    // The press gives the option the focus, and so a click of its own.
    remote::ClickAt(app.Control(IDC_OPTION1 + 5), -1, -1, MOUSEEVENTF_LEFTDOWN);
    Sleep(300);
    app.Sync();
    Check(!app.Box() && app.AnswerBox(IDOK, [] { mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0); }) &&
              app.Count() == 85 && (Sleep(500), !app.Box()),
          "keys: a click on an unfocused option selects it once, on its release");
    Check(app.Close(), "keys: closes and exits");
}

// The list on the screen during a run: the row applied before the latest
// (whose paint may be still to come) is drawn highlighted, as a marked row
// is; a list left frozen shows the empty list of the start.
bool ListDrawnSoFar(const App& app) {
    HWND list = app.Control(IDC_LIST1);
    for (int attempt = 0; attempt < 50; ++attempt, Sleep(50)) {
        const int count = app.Count();
        RECT item;
        app.Send(list, LB_GETITEMRECT, static_cast<WPARAM>(count - 2), reinterpret_cast<LPARAM>(&item));
        MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&item), 2);
        item.top = (item.top + item.bottom) / 2, item.bottom = item.top + 1;  // the line through its middle
        const auto line = Screen(item);
        if (count < 4 || app.Count() != count) continue;  // moved on meanwhile
        return std::count(line.begin(), line.end(), GetSysColor(COLOR_HIGHLIGHT)) * 3 >
               static_cast<long>(line.size());
    }
    return false;
}

// A standard run, chosen with Space and started with Enter, from a folder that
// holds a cmd.exe and an sc.exe of ours: neither may run, and the real sc
// still receives every command. With TAVRUNE_DRIVER_HOLD set, the window
// stays until that file is gone, for a screenshot.
void Standard() {
    const std::wstring folder = L"C:\\planted", trap = testDir + L"\\trap.exe";
    CreateDirectoryW(folder.c_str(), nullptr);
    bool planted = CopyFileW(exePath.c_str(), (folder + L"\\Tavrune.exe").c_str(), FALSE);
    for (const wchar_t* name : {L"\\cmd.exe", L"\\sc.exe"}) {
        planted &= CopyFileW(trap.c_str(), (folder + name).c_str(), FALSE) &&
                   (DeleteFileW((folder + name + L".ran").c_str()), true);
    }
    App app;
    if (!Check(planted && app.Start(folder + L"\\Tavrune.exe", folder.c_str()) && app.Hook(),
               "standard: the window opens"))
        return;
    app.Key(VK_SPACE);  // the first option has the focus at the start
    const DWORD handles = remote::HandleCount(app.process.dwProcessId);
    app.Key(VK_TAB, true);  // back to the run button
    app.Key(VK_RETURN);
    bool locked = true;
    for (int id : {IDC_COMMAND1, IDC_LABEL1, IDC_OPTION1, IDC_OPTION1 + 1, IDC_OPTION1 + 2, IDC_OPTION1 + 5})
        locked &= !IsWindowEnabled(app.Control(id));
    Check(locked && IsWindowEnabled(app.Control(IDC_LIST1)) && app.Focused() == IDC_LIST1 && app.Count() < 85,
          "standard: run button, options and label locked during the run, the list live and focused");
    const bool tabbed = (app.Key(VK_TAB), app.Focused() == IDC_CHECK1);
    app.Key(VK_TAB, true);
    Check(tabbed && app.Focused() == IDC_LIST1, "standard: Tab and Shift+Tab work during the run");
    Check(app.Send(app.hwnd, WM_QUERYENDSESSION) == 0, "standard: a log-off during the run is refused");
    Check(ListDrawnSoFar(app), "standard: the list on the screen shows the rows as they are applied, marked");
    Check(app.WaitForCompletion() && app.Focused() == IDC_COMMAND1,
          "standard: the run completes, the focus back on its button");
    Check(app.Send(app.hwnd, WM_QUERYENDSESSION) != 0, "standard: a log-off after the run is let through");
    // 145 commands and 18 waits for a configure: a handle kept by any of them shows.
    const DWORD after = remote::HandleCount(app.process.dwProcessId);
    Check(handles > 0 && after <= handles + 4, "standard: handles " + std::to_string(handles) +
                                                   " before the run, " + std::to_string(after) + " after");
    Check(app.Count() == 86 && app.Text(0) == L"正在优化 Alerter" && app.Text(84) == L"正在优化 主动防御",
          "standard: 85 progress captions and the completion row");
    Check(app.MarkedRows().size() == 86 && app.Send(app.Control(IDC_LIST1), LB_GETCARETINDEX) == 85,
          "standard: every row marked, the completion row current");
    CheckRecords(ReadGolden(L"profile101.txt").commands, "standard: sc received the golden commands");
    Check(GetFileAttributesW((folder + L"\\cmd.exe.ran").c_str()) == INVALID_FILE_ATTRIBUTES &&
              GetFileAttributesW((folder + L"\\sc.exe.ran").c_str()) == INVALID_FILE_ATTRIBUTES,
          "standard: neither the planted cmd.exe nor sc.exe ran");
    wchar_t hold[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TAVRUNE_DRIVER_HOLD", hold, MAX_PATH)) {
        std::printf("shown\n");
        std::fflush(stdout);
        remote::Within(60000, [&] { return GetFileAttributesW(hold) == INVALID_FILE_ATTRIBUTES; });
    }
    Check(app.Close(), "standard: closes and exits");
}

// The manual mode through the real window: the warning box answered Cancel
// (nothing listed) and the label clicked, then OK, and the golden rows marked
// with real clicks.
void Manual() {
    App app;
    if (!Check(app.Start(), "manual: the window opens")) return;
    const auto manual = [&] { PostMessageW(app.Control(IDC_OPTION1 + 5), BM_CLICK, 0, 0); };
    const bool answered = app.AnswerBox(IDCANCEL, manual, [&](HWND box) {
        Check(WindowText(box) == L"Tavrune友情提示" &&
                  WindowText(GetDlgItem(box, 0xFFFF)) ==
                      L"非电脑专业人员不建议使用手动功能，不要打没把握的仗：）",
              "manual: the warning's title and text");
        Check(GetDlgItem(box, IDOK) && GetDlgItem(box, IDCANCEL) && !IsWindowEnabled(app.hwnd),
              "manual: OK and Cancel, modal");
    });
    Check(answered && app.Count() == 0 && app.Checked(5),
          "manual: Cancel lists nothing, the option stays selected");
    app.Click(IDC_LABEL1);
    Check(app.Count() == 4 && app.Text(1) == L"Author:relvanik",
          "manual: one click on the label adds the About rows");
    Check(app.AnswerBox(IDOK, manual) && app.Count() == 85 && app.Text(84) == L"主动防御",
          "manual: OK lists 85 names");
    const Golden golden = ReadGolden(L"manual.txt");
    for (int row : golden.rows) app.ClickRow(row);
    Check(app.MarkedRows() == golden.rows, "manual: clicks mark the rows");
    app.Click(IDC_COMMAND1);
    Check(app.WaitForCompletion(), "manual: the run completes");
    CheckRecords(golden.commands, "manual: sc received the marked rows' commands");
    Check(app.Close(), "manual: closes and exits");
}

// Closing mid-run: a clean exit, and no command after the close. The
// second and third closes come just after an "auto" row (11, 17), whose
// start still waits for its configure then.
void Close() {
    for (int time = 1; time <= 3; ++time) {
        const std::string what = "close " + std::to_string(time) + ": ";
        App app;
        if (!Check(app.Start(), what + "the window opens")) continue;
        PostMessageW(app.Control(IDC_OPTION1), BM_CLICK, 0, 0);
        PostMessageW(app.Control(IDC_COMMAND1), BM_CLICK, 0, 0);
        remote::Within(5000, [&] { return app.Count() >= (time == 1 ? 5 : 6 * time); });
        const int rows = app.Count();
        DWORD code = 99;
        Check(rows < 85 && app.Close() && GetExitCodeProcess(app.process.hProcess, &code) && code == 0,
              what + "exits cleanly mid-run, after " + std::to_string(rows) + " rows");
        // The close mostly lands while a command starts: the rest of that row
        // still starts (no service stopped and left unconfigured), no later
        // row does. A row may be applied between reading the list and the close.
        const std::size_t got = SettledRecords(ReadGolden(L"profile101.txt", rows).commands.size()).size();
        int whole = rows;
        for (int k = rows; k <= rows + 2; ++k)
            whole = got == ReadGolden(L"profile101.txt", k).commands.size() ? k : whole;
        CheckRecords(ReadGolden(L"profile101.txt", whole).commands,
                     what + "the commands of rows 0 to " + std::to_string(whole - 1));
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4)
        return std::printf(
                   "usage: driver.exe TAVRUNE_EXE GOLDEN_DIR SC_RECORD_DIR "
                   "[layout|keys|standard|manual|close ...]\n"),
               2;
    exePath = argv[1], goldenDir = argv[2], recordDir = argv[3];
    testDir = exePath.substr(0, exePath.rfind(L"\\src\\")) + L"\\tests\\e2e";
    // Real pixels at any DPI: the program under test is DPI aware too.
    if (auto aware = SystemFunction<BOOL(WINAPI*)()>(L"user32.dll", "SetProcessDPIAware")) aware();
    HDC dc = GetDC(nullptr);
    systemDpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    const std::pair<const wchar_t*, void (*)()> kScenarios[] = {{L"layout", Layout},
                                                                {L"keys", Keys},
                                                                {L"standard", Standard},
                                                                {L"manual", Manual},
                                                                {L"close", Close}};
    for (const auto& [name, run] : kScenarios) {
        if (argc == 4 || std::find_if(argv + 4, argv + argc,
                                      [&](wchar_t* a) { return lstrcmpW(a, name) == 0; }) != argv + argc)
            run();
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

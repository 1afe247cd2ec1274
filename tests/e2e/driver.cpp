// Drives Tavrune.exe under Wine with real input and checks what only a real
// Win32 shows: the window's layout and keyboard, the list box as the program
// fills it, the warning box, closing mid-run, and the command lines that
// reach the service controller (the sc stand-in's records) against the
// golden lists.
//
//   driver.exe TAVRUNE_EXE GOLDEN_DIR SC_RECORD_DIR [scenario ...]
//
// Prints one line per check and ends with "N passed, N failed".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "remote.h"
#include "ui/layout.h"
#include "win32/control_ids.h"

using namespace tavrune;

namespace {

std::wstring exePath, goldenDir, recordDir;
int passed = 0, failed = 0;

std::string Utf8(const std::wstring& s) {
    std::string out(s.size() * 3 + 1, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, &out[0], static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? static_cast<std::size_t>(n - 1) : 0);
    return out;
}

bool Check(bool ok, const std::string& what) {
    (ok ? passed : failed)++;
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
    return ok;
}
void CheckText(const std::wstring& got, const std::wstring& want, const std::string& what) {
    Check(got == want, what + (got == want ? "" : " (got \"" + Utf8(got) + "\", want \"" + Utf8(want) + "\")"));
}

// --- golden lists and the sc stand-in's records -------------------------

// "row|cmd /c  sc ...|" lines; sc receives what follows "cmd /c  ".
std::vector<std::wstring> Golden(const wchar_t* name, int rowsBelow = 1 << 30) {
    std::vector<std::wstring> lines;
    std::ifstream in((goldenDir + L"\\" + name).c_str());
    for (std::string line; std::getline(in, line);) {
        const auto bar = line.find('|');
        if (std::stoi(line.substr(0, bar)) >= rowsBelow) break;
        lines.emplace_back(line.begin() + static_cast<long>(bar) + 9, line.end() - 1);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<int> GoldenRows(const wchar_t* name) {
    std::vector<int> rows;
    std::ifstream in((goldenDir + L"\\" + name).c_str());
    for (std::string line; std::getline(in, line);) {
        const int row = std::stoi(line);
        if (rows.empty() || rows.back() != row) rows.push_back(row);
    }
    return rows;
}

// One file per sc call, holding the command line it was given.
std::vector<std::wstring> Records() {
    std::vector<std::wstring> lines;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((recordDir + L"\\*.txt").c_str(), &found);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &found)) {
        std::ifstream in((recordDir + L"\\" + found.cFileName).c_str(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        lines.emplace_back(text.begin(), text.end());  // ASCII
    }
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    std::sort(lines.begin(), lines.end());
    return lines;
}

void ClearRecords() {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((recordDir + L"\\*.txt").c_str(), &found);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &found)) {
        DeleteFileW((recordDir + L"\\" + found.cFileName).c_str());
    }
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

// The commands run on their own: waits until no new record came for a while.
std::vector<std::wstring> SettledRecords(std::size_t expected) {
    std::size_t last = 0;
    for (DWORD start = GetTickCount(), quietSince = start;; Sleep(200)) {
        const std::size_t n = Records().size();
        if (n != last) last = n, quietSince = GetTickCount();
        const DWORD quiet = GetTickCount() - quietSince;
        if ((n >= expected && quiet > 1500) || quiet > 8000 || GetTickCount() - start > 120000) break;
    }
    return Records();
}

void CheckRecords(const std::vector<std::wstring>& want, const std::string& what) {
    const auto got = SettledRecords(want.size());
    if (Check(got == want, what + " (" + std::to_string(got.size()) + " of " + std::to_string(want.size()) + " commands)")) return;
    std::map<std::wstring, int> diff;
    for (const auto& l : got) diff[l]++;
    for (const auto& l : want) diff[l]--;
    for (const auto& [line, n] : diff) {
        if (n != 0) std::printf("     %+d  [%s]\n", n, Utf8(line).c_str());
    }
}

// --- the program ---------------------------------------------------------

struct App : remote::App {
    bool Start(const std::wstring& exe = exePath, const wchar_t* folder = nullptr) {
        if (!remote::App::Start(exe, L"TavruneForm1", folder)) return false;
        SetForegroundWindow(hwnd);
        Sync();
        return true;
    }
    void ClickRow(int row) const {
        HWND list = Control(IDC_LIST1);
        Send(list, LB_SETTOPINDEX, static_cast<WPARAM>(row));
        RECT item;
        Send(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        RECT frame;
        GetWindowRect(list, &frame);
        POINT origin = {0, 0};
        ClientToScreen(list, &origin);
        remote::ClickAt(list, origin.x - frame.left + (item.left + item.right) / 2, origin.y - frame.top + (item.top + item.bottom) / 2);
        Sleep(50);
        Sync();
        Sleep(GetDoubleClickTime() + 50);  // two clicks in a row would make a double click
    }
    bool WaitForCompletion() const {
        for (DWORD start = GetTickCount(); !Completed(); Sleep(100)) {
            if (GetTickCount() - start > 120000) return false;
        }
        return true;
    }
    std::vector<int> MarkedRows() const {
        std::vector<int> rows;
        for (int i = 0; i < Count(); ++i) {
            if (Marked(i)) rows.push_back(i);
        }
        return rows;
    }
};

std::wstring WindowText(HWND h) {
    wchar_t buffer[512] = {};
    GetWindowTextW(h, buffer, 512);
    return buffer;
}

HWND FocusOf(const App& app) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(app.hwnd, nullptr), &info);
    return info.hwndFocus;
}

void Key(WORD vk, bool shift = false) {
    INPUT in[4] = {};
    UINT n = 0;
    auto add = [&](WORD k, DWORD flags) {
        in[n].type = INPUT_KEYBOARD;
        in[n].ki.wVk = k;
        in[n++].ki.dwFlags = flags;
    };
    if (shift) add(VK_SHIFT, 0);
    add(vk, 0);
    add(vk, KEYEVENTF_KEYUP);
    if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
    SendInput(n, in, sizeof(INPUT));
    Sleep(100);
}

// --- scenarios -------------------------------------------------------------

// Rectangles straight from the twips of the table (MulDiv, not the program's
// own conversion), stacking where controls overlap, and the keyboard.
void Layout() {
    App app;
    if (!Check(app.Start(), "layout: the window opens")) return;
    CheckText(WindowText(app.hwnd), L"Tavrune - 就是简单！       Osperin版", "layout: title");
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    const std::string at = " at " + std::to_string(dpi) + " dpi";
    RECT client;
    GetClientRect(app.hwnd, &client);
    Check(client.right == MulDiv(6165, dpi, 1440) && client.bottom == MulDiv(3210, dpi, 1440), "layout: client area" + at);
    int misplaced = 0, cutOff = 0, captions = 0;
    for (const ControlSpec& c : kControls) {
        HWND control = app.Control(ControlId(c));
        RECT r = {};
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, app.hwnd, reinterpret_cast<POINT*>(&r), 2);
        int left = c.left, top = c.top;
        if (c.container == ControlName::Frame1) left += 120;
        if (c.container == ControlName::Frame2) left += 4440, top += 840;
        const RECT want = {MulDiv(left, dpi, 1440), MulDiv(top, dpi, 1440), MulDiv(left, dpi, 1440) + MulDiv(c.width, dpi, 1440),
                           MulDiv(top, dpi, 1440) + MulDiv(c.height, dpi, 1440)};
        if (!control || std::abs(r.left - want.left) > 1 || std::abs(r.top - want.top) > 1 ||
            std::abs(r.right - want.right) > 1 || std::abs(r.bottom - want.bottom) > 1) {
            ++misplaced;
            std::printf("     control %d at %ld,%ld-%ld,%ld, want %ld,%ld-%ld,%ld\n", ControlId(c), r.left, r.top, r.right,
                        r.bottom, want.left, want.top, want.right, want.bottom);
        }
        // Frame2 was laid out to run past the bottom of the window.
        if (c.name != ControlName::Frame2 && (r.left < 0 || r.top < 0 || r.right > client.right || r.bottom > client.bottom)) ++cutOff;
        const std::wstring caption(c.caption, c.caption + std::char_traits<char16_t>::length(c.caption));
        captions += WindowText(control) == caption;
    }
    Check(misplaced == 0, "layout: every control where the table puts it" + at);
    Check(cutOff == 0, "layout: no control cut off by the window's edge" + at);
    Check(captions == kControlCount, "layout: captions");
    // Where two controls overlap, the one in front is the one hit.
    const struct {
        int front, behind;
    } kOverlaps[] = {{IDC_COMMAND1, IDC_FRAME1}, {IDC_OPTION1, IDC_FRAME1}, {IDC_OPTION1 + 5, IDC_FRAME1},
                     {IDC_LABEL1, IDC_FRAME1}, {IDC_LIST1, IDC_FRAME2}, {IDC_LIST1, IDC_CHECK1}, {IDC_LIST1, IDC_CHECK1 + 1}};
    int wrongOrder = 0;
    for (const auto& o : kOverlaps) {
        RECT a, b, both;
        GetWindowRect(app.Control(o.front), &a);
        GetWindowRect(app.Control(o.behind), &b);
        IntersectRect(&both, &a, &b);
        POINT inClient = {(both.left + both.right) / 2, (both.top + both.bottom) / 2};
        ScreenToClient(app.hwnd, &inClient);
        if (ChildWindowFromPointEx(app.hwnd, inClient, CWP_SKIPINVISIBLE) != app.Control(o.front)) {
            ++wrongOrder;
            std::printf("     control %d is not in front of %d\n", o.front, o.behind);
        }
    }
    Check(wrongOrder == 0, "layout: stacking at every overlap");
    if (dpi != 96) return;

    // Tab and Shift+Tab follow the designed tab order; focus alone selects
    // nothing, Space on an option does.
    const int forward[] = {IDC_OPTION1 + 0, IDC_OPTION1 + 1, IDC_OPTION1 + 2, IDC_LIST1, IDC_OPTION1 + 5,
                           IDC_CHECK1 + 0,  IDC_CHECK1 + 1,  IDC_COMMAND1,    IDC_OPTION1 + 0};
    std::string walked;
    for (int i = 0; i < 9; ++i) {
        if (i > 0) Key(VK_TAB);
        app.Sync();
        walked += GetDlgCtrlID(FocusOf(app)) == forward[i] ? "" : " step " + std::to_string(i);
    }
    Check(walked.empty(), "keys: Tab walks the tab order and wraps round" + walked);
    Key(VK_TAB, true);
    app.Sync();
    Check(GetDlgCtrlID(FocusOf(app)) == IDC_COMMAND1, "keys: Shift+Tab goes back");
    Check(!app.Checked(0) && !app.Checked(1) && !app.Checked(2) && !app.Checked(5) && app.Count() == 0,
          "keys: focus alone selects no option");
    Key(VK_TAB);
    Key(VK_SPACE);
    app.Sync();
    Check(app.Checked(0), "keys: Space selects the focused option");
    Check(app.Close(), "layout: closes and exits");
}

// A standard run from a folder that holds a cmd.exe and an sc.exe of ours:
// neither may run, and the real sc still receives every command.
void Standard() {
    const std::wstring folder = L"C:\\planted";
    CreateDirectoryW(folder.c_str(), nullptr);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring trap = std::wstring(self).substr(0, std::wstring(self).find_last_of(L'\\')) + L"\\trap.exe";
    for (const wchar_t* name : {L"\\cmd.exe", L"\\sc.exe"}) {
        CopyFileW(trap.c_str(), (folder + name).c_str(), FALSE);
        DeleteFileW((folder + name + L".ran").c_str());
    }
    CopyFileW(exePath.c_str(), (folder + L"\\Tavrune.exe").c_str(), FALSE);
    ClearRecords();
    App app;
    if (!Check(app.Start(folder + L"\\Tavrune.exe", folder.c_str()), "standard: the window opens")) return;
    app.Click(IDC_OPTION1);
    Check(app.Checked(0) && !app.Checked(5), "standard: a click selects the option");
    app.Click(IDC_COMMAND1);
    bool locked = !IsWindowEnabled(app.Control(IDC_COMMAND1)) && !IsWindowEnabled(app.Control(IDC_LABEL1));
    for (int i : {0, 1, 2, 5}) locked = locked && !IsWindowEnabled(app.Control(IDC_OPTION1 + i));
    Check(locked && IsWindowEnabled(app.Control(IDC_LIST1)) && app.Count() < 85,
          "standard: run button, options and label locked during the run, the list live");
    Check(app.WaitForCompletion(), "standard: the run completes");
    Check(app.Count() == 86 && app.Text(0) == L"正在优化 Alerter" && app.Text(84) == L"正在优化 主动防御",
          "standard: 85 progress captions and the completion row");
    Check(app.MarkedRows().size() == 86 && app.Caret() == 85, "standard: every row marked, the completion row current");
    CheckRecords(Golden(L"profile101.txt"), "standard: sc received the golden commands");
    for (const wchar_t* name : {L"\\cmd.exe", L"\\sc.exe"}) {
        const bool ran = GetFileAttributesW((folder + name + L".ran").c_str()) != INVALID_FILE_ATTRIBUTES;
        Check(!ran, "standard: the planted " + Utf8(name + 1) + " never ran");
    }
    Check(app.Close(), "standard: closes and exits");
}

void Manual() {
    ClearRecords();
    App app;
    if (!Check(app.Start(), "manual: the window opens")) return;
    Check(app.ChooseManual(IDOK), "manual: OK closes the warning");
    Check(app.Count() == 85 && app.Text(0) == L"Alerter" && app.Text(84) == L"主动防御", "manual: 85 names listed");
    const std::vector<int> rows = GoldenRows(L"manual.txt");
    for (int row : rows) app.ClickRow(row);
    Check(app.MarkedRows() == rows, "manual: clicks mark the rows");
    app.Click(IDC_COMMAND1);
    Check(app.WaitForCompletion(), "manual: the run completes");
    CheckText(app.Text(11), L"正在优化 DHCP Client", "manual: a marked row recaptioned");
    CheckText(app.Text(1), L"Application Layer Gateway Service", "manual: an unmarked row kept");
    std::vector<int> marked = rows;
    marked.push_back(85);
    Check(app.MarkedRows() == marked && app.Caret() == 85, "manual: marks kept, the completion row current");
    CheckRecords(Golden(L"manual.txt"), "manual: sc received the marked rows' commands");
    Check(app.Close(), "manual: closes and exits");
}

// Cancel, then "？": the marked About row names no service and keeps its text.
void Cancel() {
    ClearRecords();
    App app;
    if (!Check(app.Start(), "cancel: the window opens")) return;
    PostMessageW(app.Control(IDC_OPTION1 + 5), BM_CLICK, 0, 0);
    HWND box = app.Box();
    if (!Check(box != nullptr, "cancel: the warning opens")) return;
    CheckText(WindowText(box), L"Tavrune友情提示", "cancel: warning title");
    CheckText(WindowText(GetDlgItem(box, 0xFFFF)), L"非电脑专业人员不建议使用手动功能，不要打没把握的仗：）", "cancel: warning text");
    Check(GetDlgItem(box, IDOK) && GetDlgItem(box, IDCANCEL) && !IsWindowEnabled(app.hwnd), "cancel: OK and Cancel, modal");
    remote::ClickAt(GetDlgItem(box, IDCANCEL));
    for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(50);
    app.Sync();
    Check(!IsWindow(box) && app.Count() == 0 && app.Checked(5), "cancel: nothing listed, the option stays selected");
    app.Click(IDC_LABEL1);
    Check(app.Count() == 4 && app.Text(1) == L"Author:relvanik", "cancel: one click on the label adds the About rows");
    app.ClickRow(1);
    app.Click(IDC_COMMAND1);
    Check(app.WaitForCompletion(), "cancel: the run completes");
    CheckText(app.Text(1), L"Author:relvanik", "cancel: the marked About row keeps its text");
    Check(app.Count() == 5 && app.MarkedRows() == std::vector<int>{1, 4}, "cancel: marks kept, the completion row appended");
    CheckRecords({}, "cancel: nothing applied");
    Check(app.Close(), "cancel: closes and exits");
}

// Closing mid-run: a clean exit, and no command after the close.
void Close() {
    for (int time = 1; time <= 3; ++time) {
        const std::string what = "close " + std::to_string(time) + ": ";
        ClearRecords();
        App app;
        if (!Check(app.Start(), what + "the window opens")) continue;
        app.Click(IDC_OPTION1);
        PostMessageW(app.Control(IDC_COMMAND1), BM_CLICK, 0, 0);
        for (int i = 0; i < 500 && app.Count() < 5 * time; ++i) Sleep(10);
        const int rows = app.Count();
        DWORD code = 99;
        Check(app.Close() && GetExitCodeProcess(app.process.hProcess, &code) && code == 0, what + "exits cleanly after " + std::to_string(rows) + " rows");
        // The close is handled at the run's next yield; a row may be applied
        // between reading the list and the close arriving.
        const std::size_t allowed = Golden(L"profile101.txt", rows + 2).size();
        const std::size_t got = SettledRecords(0).size();
        Check(rows > 0 && rows < 85 && got <= allowed,
              what + std::to_string(got) + " commands, at most " + std::to_string(allowed) + " expected");
    }
}

// Five runs in one window: the handles it holds stay flat.
void Handles() {
    App app;
    if (!Check(app.Start(), "handles: the window opens")) return;
    DWORD first = 0, last = 0;
    for (int run = 1; run <= 5; ++run) {
        app.Click(IDC_OPTION1 + (run % 3));
        app.Click(IDC_COMMAND1);
        if (!Check(app.WaitForCompletion(), "handles: run " + std::to_string(run) + " completes")) return;
        last = remote::HandleCount(app.process.dwProcessId);
        if (run == 1) first = last;
    }
    Check(first > 0 && last <= first + 4,
          "handles: " + std::to_string(first) + " after the first run, " + std::to_string(last) + " after the fifth");
    Check(app.Close(), "handles: closes and exits");
}

// A finished standard run left on screen for a screenshot, until the file
// named by TAVRUNE_DRIVER_HOLD is gone.
void Show() {
    ClearRecords();
    App app;
    if (!Check(app.Start(), "show: the window opens")) return;
    app.Click(IDC_OPTION1);
    app.Click(IDC_COMMAND1);
    Check(app.WaitForCompletion(), "show: the run completes");
    for (int i = 0; i < app.Count(); ++i) std::printf("list %2d  %s\n", i, Utf8(app.Text(i)).c_str());
    for (const auto& r : SettledRecords(145)) std::printf("sc got  [%s]\n", Utf8(r).c_str());
    std::printf("shown\n");
    std::fflush(stdout);
    wchar_t hold[MAX_PATH] = {};
    GetEnvironmentVariableW(L"TAVRUNE_DRIVER_HOLD", hold, MAX_PATH);
    for (int i = 0; i < 600 && GetFileAttributesW(hold) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
    Check(app.Close(), "show: closes and exits");
}

const struct {
    const wchar_t* name;
    void (*run)();
    bool byDefault;
} kScenarios[] = {{L"layout", Layout, true}, {L"standard", Standard, true}, {L"manual", Manual, true},
                  {L"cancel", Cancel, true}, {L"close", Close, true},       {L"handles", Handles, true},
                  {L"show", Show, false}};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::printf("usage: driver.exe TAVRUNE_EXE GOLDEN_DIR SC_RECORD_DIR [layout|standard|manual|cancel|close|handles|show ...]\n");
        return 2;
    }
    exePath = argv[1];
    goldenDir = argv[2];
    recordDir = argv[3];
    // Real pixels at any DPI: the program under test is DPI aware too.
    using SetAware = BOOL(WINAPI*)();
    if (auto f = reinterpret_cast<SetAware>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDPIAware")))) {
        f();
    }
    for (const auto& s : kScenarios) {
        bool wanted = argc == 4 && s.byDefault;
        for (int i = 4; i < argc; ++i) wanted = wanted || lstrcmpW(argv[i], s.name) == 0;
        if (wanted) s.run();
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

// Drives Tavrune.exe under Wine with real input and checks what only a real
// Win32 shows: the window and each control as the user meets them, the
// list box as the program fills it, the message boxes, the processes it
// starts (the sc stand-in's records against the golden lists) and its exit.
//
//   driver.exe TAVRUNE_EXE GOLDEN_DIR RECORD_DIR SCENARIO...
//
// Each check states one fact by name and prints where it stands, what it
// saw and, failing, what it wanted and the records folder of its window;
// the driver ends with "N passed, N failed". What each check wants is in
// tests/golden: e2e-checks.txt, a line "name: value" per check, grouped by
// scenario in the order the checks run, and controls.txt, a row per
// control and a column per fact. A scenario it does not know is an error
// (exit 2). No check follows a fixed wait: each waits for its condition, or
// for what the program says it did (the hook), and a run is met at a known
// row by holding the start of that row's command.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "golden/golden_commands.h"
#include "platform/win32/win32_platform.h"
#include "records.h"
#include "remote.h"
#include "shared.h"

using namespace e2e;
using remote::Utf8;
using remote::Within;
using Lines = std::vector<std::string>;

namespace {

std::wstring exePath, exeFolder, goldenDir, recordDir;
// The scenario, its group of checks in e2e-checks.txt (the scenario's name
// unless it has more than one), its attempt (run.sh tries a scenario again
// when Wine failed to start a process) and the records folder of the window
// under test.
std::string scenario, group;
std::wstring attempt = L"1";
std::wstring records;
int systemDpi = 96;
int passed = 0;
int failed = 0;
const UINT kTest = RegisterWindowMessageW(kTestMessage);
// The programs under test and every process they start.
const HANDLE kJob = CreateJobObjectW(nullptr, nullptr);
// Set, a start the hook holds goes on.
const HANDLE kRelease = CreateEventW(nullptr, TRUE, FALSE, kReleaseEvent);
// An answer in time is timed here: under 64-bit Wine 8 SendMessageTimeout
// was seen to wait on past its time-out.
constexpr DWORD kAnswerMs = 2000;
// How long a control may take to show what a check wants (a repaint, the
// cursor after a move).
constexpr DWORD kSettleMs = 5000;
// A marked row's middle line has the highlight across most of the list's
// width.
constexpr long kMarkedPixels = 100;
// The "？" on the screen has at least this many pixels of its colour.
constexpr long kGlyphPixels = 5;
// The exit code a quit asks for, and so the program's.
constexpr WPARAM kQuitCode = 3;
// The row that ends a run.
constexpr char kCompletionRow[] = "优化完成！";

void Report(const std::string& name, const std::string& seen, const std::string& want, int line) {
    const bool ok = seen == want;
    const std::string wanted = ok ? "" : "\n     wanted: " + want + "\n     records: " + Utf8(records);
    std::printf("%s driver.cpp:%d %s: %s: %s%s\n", ok ? "ok  " : "FAIL", line, group.c_str(), name.c_str(),
                seen.c_str(), wanted.c_str());
    std::fflush(stdout);
    ++(ok ? passed : failed);
}

// A file's lines; a golden one that is missing or empty fails (the checks
// against it would compare nothing). Lines of "#" are comments.
Lines FileLines(const std::wstring& path, bool golden = true) {
    Lines lines;
    std::ifstream in(path.c_str());
    for (std::string line; std::getline(in, line);)
        if (!golden || line.rfind('#', 0) != 0) lines.push_back(line);
    if (golden && lines.empty())
        Report("golden file " + std::string(path.begin(), path.end()), "missing or empty", "there", __LINE__);
    return lines;
}
Lines Golden(const wchar_t* name) { return FileLines(goldenDir + L"\\" + name); }

// What e2e-checks.txt wants of the check `name` in the group of checks
// under way, which begins with "== group".
std::string Wanted(const std::string& name) {
    static const Lines golden = Golden(L"e2e-checks.txt");
    bool inGroup = false;
    for (const std::string& line : golden) {
        if (line.rfind("== ", 0) == 0) inGroup = line.substr(3) == group;
        if (inGroup && line.rfind(name + ": ", 0) == 0) return line.substr(name.size() + 2);
    }
    return "(no line in e2e-checks.txt)";
}

// printf for the checks' values.
template <typename... Values>
std::string Fmt(const char* format, Values... values) {
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}
std::string YesNo(bool yes) { return yes ? "yes" : "no"; }

// "none", or how many lines there were and those in one and not the other;
// `ordered`, the same lines in another order differ too (the records of
// commands that run side by side have no order).
std::string Differences(Lines got, Lines want, bool ordered) {
    const bool same = got == want;
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    Lines odd;
    std::set_symmetric_difference(got.begin(), got.end(), want.begin(), want.end(), std::back_inserter(odd));
    if (odd.empty() && (same || !ordered)) return "none";
    std::string shown =
        Fmt("%zu lines, %zu wanted%s", got.size(), want.size(), odd.empty() ? ", in another order" : "");
    for (const std::string& line : odd) shown += "\n     [" + line + "]";
    return shown;
}

// The screen's pixels in `r`, read at once.
std::vector<COLORREF> Screen(RECT r) {
    HDC screen = GetDC(nullptr);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    auto pixels = Drawn(width, height, [&](HDC dc) {
        return BitBlt(dc, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    });
    ReleaseDC(nullptr, screen);
    return pixels;
}
long Pixels(RECT r, COLORREF colour) {
    const std::vector<COLORREF> pixels = Screen(r);
    return static_cast<long>(std::count(pixels.begin(), pixels.end(), colour));
}

// A colour by the name the user knows it by.
std::string ColourName(COLORREF c) {
    if (c == GetSysColor(COLOR_BTNFACE)) return "dialog colour";
    if (c == GetSysColor(COLOR_WINDOW)) return "window colour";
    return Fmt("RGB(%d, %d, %d)", GetRValue(c), GetGValue(c), GetBValue(c));
}

// A golden list's commands as sc receives them (what follows "cmd /d /c  ").
GoldenCommands<std::string> Commands(const wchar_t* name, int rowsBelow = kAllRows) {
    const std::wstring path = goldenDir + L"\\" + name;
    FileLines(path);
    std::ifstream in(path.c_str());
    auto g = ReadGoldenCommands<std::string>(in, rowsBelow);
    for (std::string& command : g.commands) command.erase(0, 11);
    return g;
}

// The rows of a run in standard-list.txt: those up to the completion row.
Lines RunRows() {
    Lines rows = Golden(L"standard-list.txt");
    rows.erase(std::find(rows.begin(), rows.end(), kCompletionRow) + (rows.empty() ? 0 : 1), rows.end());
    return rows;
}

// A message box as the user meets it: its icon, its buttons by caption in
// their order, and its title and text as a line of messages.txt.
struct BoxSeen {
    std::string icon, buttons, message;
};

struct Tavrune : remote::App {
    // Started in its own folder, where a cmd.exe and an sc.exe are planted,
    // with `env` in its environment; its commands recorded in a folder of
    // their own, named by scenario, attempt and window; hook.dll plays in its
    // window thread, from before the window is made, what Windows does and
    // Wine does not, and watches.
    bool Open(const std::map<const wchar_t*, const wchar_t*>& env) {
        static int count = 0;
        const std::wstring dpi = systemDpi == 96 ? L"" : L"-" + std::to_wstring(systemDpi) + L"dpi";
        records = recordDir + L"\\" + std::wstring(scenario.begin(), scenario.end()) + dpi + L"-attempt" +
                  attempt + L"-window" + std::to_wstring(++count);
        CreateDirectoryW(records.c_str(), nullptr);
        std::printf("     records of window %d: %ls\n", count, records.c_str());
        hwnd = nullptr;
        ResetEvent(kRelease);
        SetEnvironmentVariableW(kRecordsVar, records.c_str());
        for (const auto& [name, value] : env) SetEnvironmentVariableW(name, value);
        static HMODULE dll = LoadLibraryW((exeFolder + L"\\..\\..\\tests\\e2e\\hook.dll").c_str());
        const auto proc =
            reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll, "CallWndProc")));
        bool hooked = false;
        const auto install = [&](const PROCESS_INFORMATION& p) {
            AssignProcessToJobObject(kJob, p.hProcess);
            hooked = hooked || SetWindowsHookExW(WH_CALLWNDPROC, proc, dll, p.dwThreadId);
        };
        const bool shown = Start(exePath, L"TavruneForm1", exeFolder.c_str(), install) && StandStill(hwnd);
        for (const auto& [name, value] : env) SetEnvironmentVariableW(name, nullptr);
        Check("hook loaded into the window's thread", YesNo(hooked));
        return Check("window shown", YesNo(shown)) && hooked;
    }
    // A check of `name` in e2e-checks.txt, whose value rests on no message
    // left unanswered; `line` is where it stands in this file.
    bool Check(const char* name, std::string seen, int line = __builtin_LINE()) const {
        if (!unanswered.empty()) seen += "; unanswered:" + unanswered;
        unanswered.clear();
        const std::string want = Wanted(name);
        Report(name, seen, want, line);
        return seen == want;
    }
    // The same once `measure` gives what the check wants, or `ms` have passed.
    bool Await(const char* name, const std::function<std::string()>& measure, DWORD ms = kSettleMs,
               int line = __builtin_LINE()) const {
        std::string seen;
        Within(ms, [&] { return (seen = measure()) == Wanted(name); });
        return Check(name, seen, line);
    }
    // The focus, once it is where the check wants it. The window is brought
    // to the front first (a no-op while it is in front): under Wine it loses
    // the activation by itself now and then, after a box or during a run. A
    // focus-out while X's focus is on no Wine window makes the desktop the
    // foreground window (winex11.drv's focus_out), and nothing activates the
    // window again until it is clicked; its thread has no focus meanwhile.
    bool AwaitFocus(const char* name, int line = __builtin_LINE()) const {
        Front();
        return Await(
            name, [&] { return Focus(); }, kSettleMs, line);
    }
    // Each control of controls.txt with a value in its column `fact`:
    // `measure` gives what the control shows, waited for until it is what the
    // table wants or kSettleMs have passed.
    void CheckControls(const char* fact, const std::function<std::string(int id)>& measure,
                       int line = __builtin_LINE()) const {
        const Lines table = Golden(L"controls.txt");
        // A row's cells, without the spaces that line them up.
        const auto cells = [](const std::string& row) {
            Lines found;
            std::istringstream in(row);
            for (std::string cell; std::getline(in, cell, '|');)
                found.push_back(std::regex_replace(cell, std::regex("^ +| +$"), ""));
            return found;
        };
        const Lines head = table.empty() ? Lines() : cells(table[0]);
        const std::size_t column = std::find(head.begin(), head.end(), fact) - head.begin();
        if (column >= head.size()) return Report(fact, "no such column in controls.txt", "one", line);
        for (std::size_t i = 1; i < table.size(); ++i) {
            const Lines row = cells(table[i]);
            if (row.size() != head.size() || row[column] == "-") continue;
            int id = -1;
            for (int c = 0; c <= IDC_CHECK1 + 1 && id < 0; ++c)
                if (ControlName(c) == row[0]) id = c;
            std::string seen = "not a control of the window";
            if (id >= 0) Within(kSettleMs, [&] { return (seen = measure(id)) == row[column]; });
            Report(row[0] + ", " + fact, seen, row[column], line);
        }
    }

    HWND Window(int id) const { return id ? Control(id) : hwnd; }
    GUITHREADINFO Thread() const {
        GUITHREADINFO info = {sizeof info};
        GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info);
        return info;
    }
    int Focused() const { return GetDlgCtrlID(Thread().hwndFocus); }
    std::string Focus() const { return Thread().hwndFocus ? ControlName(Focused()) : "none"; }
    std::string CheckedOption() const {
        for (int i : {0, 1, 2, 5})
            if (Checked(i)) return ControlName(IDC_OPTION1 + i);
        return "none";
    }
    // Pressed and released (or `half`: only pressed, 1, or released, 2),
    // with Shift about it when asked, in one batch to the window in front;
    // the caller waits for what it does.
    void Key(BYTE vk, bool shift = false, int half = 0) const {
        Front();
        // Each press or release with the scan code a keyboard sends (the
        // arrows are keys of the extended set).
        std::vector<INPUT> batch;
        const auto add = [&](BYTE key, bool up) {
            INPUT in = {INPUT_KEYBOARD};
            in.ki = {key, static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)),
                     DWORD(up ? KEYEVENTF_KEYUP : 0) |
                         (key >= VK_LEFT && key <= VK_DOWN ? KEYEVENTF_EXTENDEDKEY : 0)};
            batch.push_back(in);
        };
        if (shift) add(VK_SHIFT, false);
        if (half != 2) add(vk, false);
        if (half != 1) add(vk, true);
        if (shift) add(VK_SHIFT, true);
        SendInput(static_cast<UINT>(batch.size()), batch.data(), sizeof(INPUT));
    }
    INT_PTR Said(int id, const wchar_t* name) const { return e2e::Said(Window(id), name); }
    std::string Cues() const {
        const INT_PTR hidden = Said(0, kCuesHiddenProp);
        return hidden == kUnsaid ? "unsaid" : hidden ? "hidden" : "shown";
    }
    // The box `trigger` brings, answered with a real click on `answer`.
    BoxSeen Answer(int answer, const std::function<void()>& trigger) const {
        BoxSeen seen;
        const std::string said = AnswerBox(answer, trigger, [&](HWND box) {
            Send(box, kTest, kBoxIcon);
            seen.icon = ImageName(e2e::Said(box, kIconProp));
            for (HWND b = nullptr; (b = FindWindowExW(box, b, L"Button", nullptr)) != nullptr;) {
                wchar_t caption[64] = {};
                GetWindowTextW(b, caption, 64);
                seen.buttons += (seen.buttons.empty() ? "" : ", ") + Utf8(caption);
            }
            return std::string();
        });
        const Lines messages = Golden(L"messages.txt");
        const auto found = std::find(messages.begin(), messages.end(), said.substr(1));
        seen.message = said.empty() || said[0] != '|' ? said
                       : found == messages.end()
                           ? said.substr(1)
                           : Fmt("line %d of messages.txt", int(found - messages.begin() + 1));
        return seen;
    }
    void CheckBox(const BoxSeen& box, const char* icon, const char* buttons, const char* message,
                  int line = __builtin_LINE()) const {
        Check(icon, box.icon, line);
        Check(buttons, box.buttons, line);
        Check(message, box.message, line);
    }
    // The sc stand-in's records, a line per call, once every command the
    // program started has ended (each writes its record last) and, while
    // the window lives, there is one for each start the hook counted. A
    // line of its own says a shortfall, or how many still ran after 120 s
    // (a failed query reads as 4294967295).
    Lines Records() const {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
        const INT_PTR started = Said(0, kStartsProp);
        const auto running = [&] {
            info.ActiveProcesses = ~0u;
            QueryInformationJobObject(kJob, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr);
            return info.ActiveProcesses > (Running() ? 1u : 0u);
        };
        Within(120000, [&] { return !running() && INT_PTR(ReadRecords(records).size()) >= started; });
        Lines lines = ReadRecords(records);
        if (INT_PTR(lines.size()) < started) lines.push_back(Fmt("(%d commands started)", int(started)));
        if (running()) lines.push_back(Fmt("(%lu still running after 120 s)", info.ActiveProcesses));
        return lines;
    }
    // The list's rows as they read now, UTF-8.
    Lines Rows() const {
        Lines rows;
        for (int i = 0; i < Count(); ++i) rows.push_back(Utf8(Text(i)));
        return rows;
    }
    std::string Unmarked() const {
        std::string rows;
        for (int i = 0; i < Count(); ++i)
            if (List(LB_GETSEL, i) <= 0) rows += Fmt(rows.empty() ? "%d" : ", %d", i);
        return rows.empty() ? "none" : rows;
    }
    // Row `row` of the list on the screen, the line through its middle.
    RECT MiddleOfRow(int row) const {
        RECT r = Row(row);
        MapWindowPoints(Control(IDC_LIST1), nullptr, reinterpret_cast<POINT*>(&r), 2);
        r.top = (r.top + r.bottom) / 2;
        r.bottom = r.top + 1;
        return r;
    }
    // Whether the row shows whole in the list.
    bool InView(int row) const {
        RECT view;
        GetClientRect(Control(IDC_LIST1), &view);
        const RECT r = Row(row);
        return r.top >= 0 && r.bottom <= view.bottom;
    }
    // WM_CLOSE posted to the window, or WM_QUIT with kQuitCode to its thread;
    // true once the program has taken it from its queue (the hook says).
    bool Posted(UINT message) const {
        if (message == WM_CLOSE) PostMessageW(hwnd, WM_CLOSE, 0, 0);
        if (message == WM_QUIT) PostThreadMessageW(process.dwThreadId, WM_QUIT, kQuitCode, 0);
        return Within(20000, [&] { return Said(0, kTakenProp) == INT_PTR(message); });
    }
    std::string Reply(UINT message) const { return Send(hwnd, message) ? "TRUE" : "FALSE"; }

    // The parts of a control (or of the window's client area, id 0) that no
    // control in front of it covers, in screen coordinates.
    std::vector<RECT> Uncovered(int id) const {
        RECT r;
        GetClientRect(hwnd, &r);
        MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
        HRGN shown = CreateRectRgnIndirect(&r);
        const auto cut = [&](HWND c, int mode) {
            GetWindowRect(c, &r);
            HRGN part = CreateRectRgnIndirect(&r);
            CombineRgn(shown, shown, part, mode);
            DeleteObject(part);
        };
        if (id) cut(Control(id), RGN_AND);
        for (HWND c = GetWindow(hwnd, GW_CHILD); c && c != Window(id); c = GetWindow(c, GW_HWNDNEXT))
            cut(c, RGN_DIFF);
        std::vector<char> data(GetRegionData(shown, 0, nullptr));
        auto* header = reinterpret_cast<RGNDATA*>(data.data());
        const bool read = !data.empty() && GetRegionData(shown, static_cast<DWORD>(data.size()), header);
        DeleteObject(shown);
        const auto* first = read ? reinterpret_cast<const RECT*>(header->Buffer) : nullptr;
        return read ? std::vector<RECT>(first, first + header->rdh.nCount) : std::vector<RECT>();
    }
    // The colour most of the control's uncovered pixels have on the screen.
    std::string Background(int id) const {
        std::map<COLORREF, long> colours;
        for (const RECT& r : Uncovered(id))
            for (COLORREF c : Screen(r)) ++colours[c];
        const auto most = std::max_element(colours.begin(), colours.end(),
                                           [](const auto& a, const auto& b) { return a.second < b.second; });
        return most == colours.end() ? "covered" : ColourName(most->first);
    }
    // The cursor the system shows once the pointer has moved, with real
    // input, to the middle of the largest uncovered part of the control;
    // named by the hook, in whose process the system's cursors are shared.
    std::string Cursor(int id) const {
        const std::vector<RECT> parts = Uncovered(id);
        const auto area = [](const RECT& r) { return (r.right - r.left) * (r.bottom - r.top); };
        const auto largest = std::max_element(
            parts.begin(), parts.end(), [&](const RECT& a, const RECT& b) { return area(a) < area(b); });
        if (largest == parts.end()) return "covered";
        remote::ClickAt(POINT{(largest->left + largest->right) / 2, (largest->top + largest->bottom) / 2}, 0);
        CURSORINFO info = {sizeof info};
        GetCursorInfo(&info);
        Send(hwnd, kTest, kCursorName, reinterpret_cast<LPARAM>(info.hCursor));
        return ImageName(Said(0, kCursorProp));
    }

    // The list once the run is held at the start of a row's first command:
    // the rows before it shown, the last of them current, whole in view and
    // scrolled as little as that takes (unscrolled while the rows fit, else
    // it is the last whole row), and drawn marked.
    void AtHeldRow() {
        const bool held = Within(kHoldMs, [&] { return Said(0, kHeldProp) == 1; });
        Check("start of the held command reached", YesNo(held));
        const int current = static_cast<int>(List(LB_GETCARETINDEX));
        RECT view;
        GetClientRect(Control(IDC_LIST1), &view);
        const RECT r = Row(current);
        const int h = r.bottom - r.top;
        const bool fits = (current + 1) * h <= view.bottom;
        Check("rows shown while held", std::to_string(Count()));
        Check("current row while held", std::to_string(current));
        Check("current row whole in view, scrolled as little as that takes",
              YesNo(InView(current) && (fits ? List(LB_GETTOPINDEX) == 0 : r.bottom + h > view.bottom)));
        const RECT line = MiddleOfRow(current);
        Check(
            "current row drawn marked",
            YesNo(Within(10000, [&] { return Pixels(line, GetSysColor(COLOR_HIGHLIGHT)) > kMarkedPixels; })));
    }

    // The window after a move from `from` dpi to `dpi` (the same: none), as
    // the hook says it is, against tests/golden/window<dpi>.txt line by line:
    // where each control lies, in which font and with which caption, front
    // to back.
    std::string Layout(int dpi, int from) {
        Send(hwnd, kTest, kMoveToDpi, MAKELPARAM(dpi, from));
        const Lines want = FileLines(goldenDir + L"\\window" + std::to_wstring(dpi) + L".txt");
        return Differences(FileLines(records + L"\\layout.txt", false), want, true);
    }

    // The window at the system's DPI and, at 96 dpi, after moves to a
    // monitor of 144 dpi and back (Wine sends no WM_DPICHANGED: the hook
    // does), opened with the keyboard; its icons.
    void Layout() {
        if (!Open({{kLastInputVar, L"keyboard"}})) return;
        Check("focus rectangle of a window opened with the keyboard", Cues());
        Check("controls off the golden layout of the system's DPI", Layout(systemDpi, systemDpi));
        Send(hwnd, kTest, kWindowIcons);
        Check("big icon, shown in Alt+Tab", ImageName(Said(0, kBigIconProp)));
        Check("small icon, shown in the title bar and the taskbar", ImageName(Said(0, kSmallIconProp)));
        RECT label;
        GetWindowRect(Control(IDC_LABEL1), &label);
        Check("？ drawn in blue",
              YesNo(Within(10000, [&] { return Pixels(label, RGB(0, 0, 255)) >= kGlyphPixels; })));
        Send(hwnd, kTest, kSettingOn, SPI_SETHIGHCONTRAST);
        Check(
            "？ drawn in the link colour under high contrast",
            YesNo(Within(10000, [&] { return Pixels(label, GetSysColor(COLOR_HOTLIGHT)) >= kGlyphPixels; })));
        if (systemDpi != 96) return;
        Check("controls off window144.txt after a move to 144 dpi", Layout(144, 96));
        // Back, as Windows 10 1703 and later move a per-monitor v2 window:
        // where Windows put it, at the size the window answered when asked.
        Send(hwnd, kTest, kMoveAskingSize, MAKELPARAM(96, 144));
        Check("size asked on the move back, answered", YesNo(Said(0, kAnsweredProp) == 1));
        Check("window where Windows put it on the move back", YesNo(Said(0, kPlacedProp) == 1));
        Check("distinct fonts of the controls before the move back", std::to_string(Said(0, kFontsProp)));
        Check("of them, fonts still there after it", std::to_string(Said(0, kFontsLeftProp)));
        Check("exit code after WM_CLOSE", std::to_string(Stop()));
    }

    // A standard run in a window opened with the mouse: each control as the
    // user finds it; the run chosen with Space, the run button focused by a
    // press released off it, the run started with a held Enter, which shows
    // no focus rectangle (in a dialog only Tab and Alt do); Tab and
    // Shift+Tab during it; met at row 60; its rows and commands; the "？"
    // clicked and the list scrolled by its scroll bar. Then the arrows move
    // among the options and select, with option buttons that click
    // themselves on the focus as XP's do (the hook), and runs that cannot be
    // made: no command interpreter, a limited user, no code page 936.
    void Standard() {
        if (!Open({{kHoldVar, L"sc stop SSDPSRV"}})) return;
        const auto enabled = [&](int id) { return YesNo(IsWindowEnabled(Window(id))); };
        CheckControls("enabled when idle", enabled);
        CheckControls("background", [&](int id) { return Background(id); });
        CheckControls("cursor", [&](int id) { return Cursor(id); });
        Key(VK_SPACE);
        remote::ClickAt(Control(IDC_COMMAND1), MOUSEEVENTF_LEFTDOWN);
        Within(kSettleMs, [&] { return Focused() == IDC_COMMAND1; });
        remote::ClickAt(Control(IDC_LIST1), MOUSEEVENTF_LEFTUP);
        Within(kSettleMs, [&] { return Thread().hwndCapture == nullptr; });
        Check("option checked before the run", CheckedOption());
        Check("focus before the run", Focus());
        Check("focus rectangle before the run", Cues());
        // Held down: a repeat once the run is over starts no other. During
        // the run only the list is enabled, and focused.
        Key(VK_RETURN, false, 1);
        AwaitFocus("focus during the run");
        CheckControls("enabled during a run", enabled);
        Check("focus rectangle during the run", Cues());
        Key(VK_TAB);
        AwaitFocus("focus after Tab during the run");
        Key(VK_TAB, true);
        AwaitFocus("focus after Shift+Tab during the run");
        Check("answer to WM_QUERYENDSESSION during the run", Reply(WM_QUERYENDSESSION));
        AtHeldRow();
        SetEvent(kRelease);
        const Lines run = RunRows();
        Within(120000, [&] { return Count() == int(run.size()); });
        AwaitFocus("focus after the run");
        Check("rows after the run off standard-list.txt", Differences(Rows(), run, true));
        Check("rows left unmarked after the run", Unmarked());
        Check("current row after the run is the completion row",
              YesNo(List(LB_GETCARETINDEX) == Count() - 1));
        CheckControls("enabled when idle", enabled);
        // The held key repeats: a key-down with its previous state down
        // (Microsoft's WM_KEYDOWN page), posted: under load, Wine was seen to
        // deliver a second injected key-down without that state now and then.
        // The Tab after it shows it was handled.
        PostMessageW(Control(IDC_COMMAND1), WM_KEYDOWN, VK_RETURN, 1 | 1 << 30);
        Key(VK_RETURN, false, 2);
        Key(VK_TAB);
        AwaitFocus("focus after the held Enter's repeat and Tab");
        Check("answer to WM_QUERYENDSESSION after the run", Reply(WM_QUERYENDSESSION));
        Check("commands off profile101.txt",
              Differences(Records(), Commands(L"profile101.txt").commands, false));
        // The "？" clicked with the mouse adds the About rows; the list's own
        // scroll bar brings the last of them into view, a click of its down
        // arrow at a time, each beside the one before as far as a double
        // click allows.
        const Lines all = Golden(L"standard-list.txt");
        Click(IDC_LABEL1);
        Within(kSettleMs, [&] { return Count() == int(all.size()); });
        Check("rows after a click on ？ off standard-list.txt", Differences(Rows(), all, true));
        RECT list;
        GetClientRect(Control(IDC_LIST1), &list);
        MapWindowPoints(Control(IDC_LIST1), nullptr, reinterpret_cast<POINT*>(&list), 2);
        const int arrow = GetSystemMetrics(SM_CYVSCROLL);
        const int apart = GetSystemMetrics(SM_CXDOUBLECLK) + 2;
        for (int i = 0; i < int(all.size()) && !InView(Count() - 1); ++i) {
            const int top = static_cast<int>(List(LB_GETTOPINDEX));
            Front();
            remote::ClickAt(
                POINT{list.right + arrow / 2 + (i % 2 ? apart / 2 : -apart / 2), list.bottom - arrow / 2});
            Within(kSettleMs, [&] { return List(LB_GETTOPINDEX) != top; });
        }
        Check("last row in view after clicks on the scroll bar's down arrow", YesNo(InView(Count() - 1)));
        Arrows();
        CheckBoxes();
        Refusals();
    }

    // From 普通优化 the arrows wrap to 手动优化 (whose warning is cancelled),
    // and on among the options, each selecting the one it reaches.
    void Arrows() {
        const BoxSeen warning = Answer(IDCANCEL, [&] { Key(VK_LEFT); });
        CheckBox(warning, "warning box's icon after Left", "warning box's buttons after Left",
                 "warning box's message after Left");
        AwaitFocus("focus after Left from Option1(0)");
        Check("option checked after Left", CheckedOption());
        const std::tuple<BYTE, const char*, const char*> steps[] = {
            {VK_DOWN, "focus after Down from Option1(5)", "option checked after Down"},
            {VK_RIGHT, "focus after Right from Option1(0)", "option checked after Right"},
            {VK_UP, "focus after Up from Option1(1)", "option checked after Up"},
            {VK_RIGHT, "focus after Right from Option1(0), again", "option checked after Right, again"}};
        for (const auto& [key, focus, checked] : steps) {
            Key(key);
            AwaitFocus(focus);
            Await(checked, [&] { return CheckedOption(); });
        }
        Check("rows after the arrows", std::to_string(Count()));
        // Each option focused unchecked clicked itself (the hook), and the
        // window took that click for no choice of its own.
        Check("Option1(5) clicked itself on the focus", YesNo(Said(IDC_OPTION1 + 5, kClickedProp) == 1));
        Check("Option1(0) clicked itself on the focus", YesNo(Said(IDC_OPTION1, kClickedProp) == 1));
        Check("Option1(1) clicked itself on the focus", YesNo(Said(IDC_OPTION1 + 1, kClickedProp) == 1));
        Check("Option1(2) clicked itself on the focus", YesNo(Said(IDC_OPTION1 + 2, kClickedProp) == 1));
    }

    // Each check box toggles on a click and on Space. List1 covers both, as
    // the window is designed, so no pointer reaches them: the click is the
    // press and release their own window gets from one, and gives them the
    // focus for the Space, a real key.
    void CheckBoxes() {
        const std::tuple<int, const char*, const char*> boxes[] = {
            {IDC_CHECK1, "Check1(0) checked after a click", "Check1(0) checked after Space"},
            {IDC_CHECK1 + 1, "Check1(1) checked after a click", "Check1(1) checked after Space"}};
        for (const auto& [id, clicked, spaced] : boxes) {
            const auto checked = [&, id = id] {
                return YesNo(Send(Control(id), BM_GETCHECK) == BST_CHECKED);
            };
            PostMessageW(Control(id), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
            PostMessageW(Control(id), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
            Await(clicked, checked);
            Key(VK_SPACE);
            Await(spaced, checked);
        }
    }

    // 高级优化 is chosen: a run would clear the list and start commands.
    // For a limited user it is refused: no process started by the time the
    // box is answered, and then no run under way (a run disables the
    // controls before it first lets the window answer). The boxes of the
    // other runs that cannot be made (no code page 936, no cmd.exe) are the
    // same function's; the host tests check which each case shows.
    void Refusals() {
        Send(hwnd, kTest, kLimitedUser);
        const INT_PTR before = Said(0, kStartsProp);
        const BoxSeen refused = Answer(IDOK, [&] { Click(IDC_COMMAND1); });
        CheckBox(refused, "refusal box's icon", "refusal box's buttons", "refusal box's message");
        AwaitFocus("focus after the refusal");
        Check("rows after the refusal", std::to_string(Count()));
        Check("processes started by the refused run", std::to_string(Said(0, kStartsProp) - before));
        CheckControls("enabled when idle", [&](int id) { return YesNo(IsWindowEnabled(Window(id))); });
    }

    // The focus rectangle of windows opened with the mouse: after an arrow,
    // then Tab; after Alt (whose system menu Escape leaves), and F10; with
    // keyboard cues always shown, with the keyboard preferred from the
    // start; the second turned on with WM_SETTINGCHANGE carrying 0, and in
    // the middle of a run, whose end leaves the focus where Tab put it
    // meanwhile. Keyboard cues turned on while a window is open are left
    // out: the system the hook plays heeds no change then (hook.cpp), so
    // nothing of the program's would show.
    void CueKeys() {
        // A window each time, with a setting on from the start or none.
        const auto open = [&](const wchar_t* setting) {
            Stop();
            return Open({{kKeyboardVar, setting}, {kHoldVar, L"sc stop BITS"}});
        };
        if (!open(nullptr)) return;
        Check("focus rectangle of a window opened with the mouse", Cues());
        Key(VK_DOWN);
        AwaitFocus("focus after Down");
        Check("focus rectangle after Down", Cues());
        Key(VK_TAB);
        Await("focus rectangle after Tab", [&] { return Cues(); });
        // Then a window for each: read while Alt is down (the cues show from
        // the press), after F10, with a setting on from the start, after the
        // preference is turned on. Alt is released and the system menu left
        // after each.
        const std::tuple<const wchar_t*, std::function<void()>, const char*> windows[] = {
            {nullptr, [&] { Key(VK_MENU, false, 1); }, "focus rectangle while Alt is down"},
            {nullptr, [&] { Key(VK_F10); }, "focus rectangle after F10"},
            {L"cues", [] {}, "focus rectangle with keyboard cues always on from the start"},
            {L"preference", [] {}, "focus rectangle with the keyboard preferred from the start"},
            {nullptr, [&] { Send(hwnd, kTest, kSettingOnUncoded, SPI_SETKEYBOARDPREF); },
             "focus rectangle after the keyboard preference is turned on, the message carrying 0"}};
        for (const auto& [setting, act, name] : windows) {
            if (!open(setting)) return;
            act();
            Await(name, [&] { return Cues(); });
            Key(VK_MENU, false, 2);
            Key(VK_ESCAPE);
        }
        // Held at a row, and so in the middle of the run.
        if (!open(nullptr)) return;
        PostMessageW(Control(IDC_OPTION1), BM_CLICK, 0, 0);
        PostMessageW(Control(IDC_COMMAND1), BM_CLICK, 0, 0);
        Check("start of the held command reached",
              YesNo(Within(kHoldMs, [&] { return Said(0, kHeldProp) == 1; })));
        Send(hwnd, kTest, kSettingOn, SPI_SETKEYBOARDPREF);
        Check("focus rectangle after the keyboard preference is turned on mid-run", Cues());
        // The start is held with the window answering: Tab moves the focus
        // on from the list, where the run put it.
        Key(VK_TAB);
        AwaitFocus("focus after Tab while held");
        SetEvent(kRelease);
        Within(120000, [&] { return Count() == int(RunRows().size()); });
        AwaitFocus("focus after the run, left where Tab put it during the run");
        Check("exit code after WM_CLOSE", std::to_string(Stop()));
        // The closed run's last command ends before Wine is shut down.
        Records();
    }

    // The manual mode: the option, OK and the golden rows clicked. The last
    // row's configure hangs: its start waits for it 10 s at most, and a quit
    // meanwhile ends the program once the start is made, with the quit's
    // exit code, the window answering until then.
    void Manual() {
        if (!Open({{kHangVar, L"ZhuDongFangYu"}})) return;
        const BoxSeen warning = Answer(IDOK, [&] { Click(IDC_OPTION1 + 5); });
        CheckBox(warning, "warning box's icon", "warning box's buttons", "warning box's message");
        const auto golden = Commands(L"manual.txt");
        // Two clicks in a row on the same spot would make a double click:
        // each is as far beside the one before as a double click allows.
        // Each row is marked before the list scrolls on.
        const int apart = GetSystemMetrics(SM_CXDOUBLECLK) + 8;
        for (std::size_t i = 0; i < golden.rows.size(); ++i) {
            const int row = golden.rows[i];
            List(LB_SETTOPINDEX, row);
            remote::ClickAt(POINT{MiddleOfRow(row).left + 8 + int(i % 2) * apart, MiddleOfRow(row).top});
            Within(kSettleMs, [&] { return List(LB_GETSEL, row) > 0; });
        }
        Click(IDC_COMMAND1);
        // The hung row shows its caption while its start waits.
        const int hung = golden.rows.empty() ? 0 : golden.rows.back();
        const std::string caption = Golden(L"manual-list.txt").at(hung);
        Check("hung row reached", YesNo(Within(60000, [&] { return Utf8(Text(hung)) == caption; })));
        // Answered while the start is waited for, once the quit is taken (the
        // hook says when).
        Check("WM_QUIT taken while the start waits", YesNo(Posted(WM_QUIT)));
        const DWORD sent = GetTickCount();
        const bool answered = Sync(kAnswerMs) && GetTickCount() - sent < kAnswerMs;
        Check("window answers while the start waits", YesNo(answered && Running()));
        Check("exit code after WM_QUIT", std::to_string(Stop(0)));
        // The hung configure's start went out all the same, before it ended,
        // about 10 s after it began (the stand-in marks it otherwise): its
        // record is a check of its own. Every other command and no other, in
        // an environment without NoDefaultCurrentDirectoryInExePath, each
        // start after its configure ended, none from a planted program (the
        // stand-in marks them).
        Lines got = Records();
        Lines want = golden.commands;
        const auto hungStart = [](const std::string& line) {
            return line.rfind("sc start ZhuDongFangYu", 0) == 0;
        };
        const auto start = std::find_if(got.begin(), got.end(), hungStart);
        Check("record of the hung row's start", start == got.end() ? "none" : *start);
        got.erase(std::remove_if(got.begin(), got.end(), hungStart), got.end());
        want.erase(std::remove_if(want.begin(), want.end(), hungStart), want.end());
        Check("commands off manual.txt, the hung row's start aside", Differences(got, want, false));
    }

    // `message` (WM_CLOSE, or WM_QUIT with kQuitCode) while the run is held
    // at the start of the row `rows` - 1 (`hold`): a clean exit, or the
    // quit's, and the commands of those rows and no other (a stop lands
    // while a command starts: the rest of that row still starts, no service
    // stopped and left unconfigured). Its checks are a group of their own.
    void StopAt(int rows, UINT message, const wchar_t* hold) {
        group = message == WM_QUIT ? "close, WM_QUIT" : "close, WM_CLOSE";
        if (!Open({{kHoldVar, hold}})) return;
        PostMessageW(Control(IDC_OPTION1), BM_CLICK, 0, 0);
        PostMessageW(Control(IDC_COMMAND1), BM_CLICK, 0, 0);
        AtHeldRow();
        Check("taken from the queue while held", YesNo(Posted(message)));
        SetEvent(kRelease);
        Check("exit code", std::to_string(Stop(0)));
        Check("commands off the rows before the held one in profile101.txt",
              Differences(Records(), Commands(L"profile101.txt", rows).commands, false));
    }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // The second stop comes at an "auto" row (11), whose start waits for its
    // configure.
    const std::map<std::wstring, void (*)()> scenarios = {{L"layout", [] { Tavrune().Layout(); }},
                                                          {L"standard", [] { Tavrune().Standard(); }},
                                                          {L"manual", [] { Tavrune().Manual(); }},
                                                          {L"cues", [] { Tavrune().CueKeys(); }},
                                                          {L"close", [] {
                                                               Tavrune().StopAt(6, WM_CLOSE, L"sc stop BITS");
                                                               Tavrune().StopAt(12, WM_QUIT,
                                                                                L"sc config Dhcp ");
                                                           }}};
    // A misspelt scenario, or none, would pass having checked nothing.
    for (int i = 4; i < std::max(argc, 5); ++i) {
        if (i < argc && scenarios.count(argv[i])) continue;
        std::printf("no scenario \"%ls\": layout standard manual cues close\n", i < argc ? argv[i] : L"");
        return 2;
    }
    exePath = argv[1];
    exeFolder = exePath.substr(0, exePath.rfind(L'\\'));
    goldenDir = argv[2];
    recordDir = argv[3];
    if (const wchar_t* n = _wgetenv(L"TAVRUNE_E2E_ATTEMPT")) attempt = n;
    // Tavrune.exe must not pass it on to the commands (sc records it then).
    SetEnvironmentVariableW(L"NoDefaultCurrentDirectoryInExePath", L"1");
    // Real pixels at any DPI: the program under test is DPI aware too.
    if (auto aware = tavrune::SystemFunction<BOOL(WINAPI*)()>(L"user32.dll", "SetProcessDPIAware")) aware();
    HDC dc = GetDC(nullptr);
    systemDpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    for (int i = 4; i < argc; ++i) {
        group = scenario = Utf8(argv[i]);
        std::printf("== %s\n", scenario.c_str());
        scenarios.at(argv[i])();
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

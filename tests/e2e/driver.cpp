// Drives Tavrune.exe under Wine with real input and checks what only a real
// Win32 shows: the window's layout, drawing and keys, the list box as the
// program fills it, the message boxes, the processes it starts (the sc
// stand-in's records against the golden lists) and its exit.
//
//   driver.exe TAVRUNE_EXE GOLDEN_DIR RECORD_DIR SCENARIO...
//
// Prints one line per check with what it saw (and, failing, what it wanted:
// tests/golden/e2e-checks.txt has most of it) and ends with "N passed, N
// failed"; a scenario it does not know is an error (exit 2). No check
// follows a fixed wait: each waits for its condition, or for what the
// program says it did (the hook), and a run is met at a known row by
// holding the start of that row's command.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "golden/golden_commands.h"
#include "platform/win32/win32_platform.h"
#include "records.h"
#include "remote.h"
#include "shared.h"

using namespace e2e;
using remote::Within;
using Lines = std::vector<std::string>;

namespace {

std::wstring exePath, exeFolder, goldenDir, recordDir, records;
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
// A marked row's middle line has the highlight across most of the list's
// width.
constexpr long kMarkedPixels = 100;
// The "？" on the screen has at least this many pixels of its colour.
constexpr long kGlyphPixels = 5;
// The exit code a quit asks for, and so the program's.
constexpr WPARAM kQuitCode = 3;
// What the hook has not said.
constexpr INT_PTR kUnsaid = -1;

bool Expect(const std::string& what, const std::string& seen);

// A file's lines; a golden one that is missing or empty fails (the checks
// against it would compare nothing).
Lines FileLines(const std::wstring& path, bool golden = true) {
    Lines lines;
    std::ifstream in(path.c_str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    if (golden && lines.empty())
        Expect("golden file " + std::string(path.begin(), path.end()), "missing or empty");
    return lines;
}

// What was seen against what tests/golden/e2e-checks.txt wants, in its line
// "what: want".
bool Expect(const std::string& what, const std::string& seen) {
    // Without the file, every check fails for want of its line.
    static const Lines golden = FileLines(goldenDir + L"\\e2e-checks.txt", false);
    std::string want = "(none in e2e-checks.txt)";
    for (const std::string& line : golden)
        if (line.rfind(what + ": ", 0) == 0) want = line.substr(what.size() + 2);
    const bool ok = seen == want;
    std::printf("%s %s: %s%s\n", ok ? "ok  " : "FAIL", what.c_str(), seen.c_str(),
                ok ? "" : ("  (want " + want + ")").c_str());
    std::fflush(stdout);
    ++(ok ? passed : failed);
    return ok;
}

// printf for the checks' messages.
template <typename... Values>
std::string Fmt(const char* format, Values... values) {
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

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

// The screen's pixels in `r` of the colour, read at once.
long Pixels(RECT r, COLORREF colour) {
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB}};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ was = SelectObject(dc, dib);
    BitBlt(dc, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    // A 32-bit DIB holds blue in its low byte, a COLORREF red.
    const DWORD want = RGB(GetBValue(colour), GetGValue(colour), GetRValue(colour));
    const auto* pixel = static_cast<const DWORD*>(bits);
    long n = bits ? 0 : -1;
    for (int i = 0; bits && i < width * height; ++i) n += (pixel[i] & 0xFFFFFF) == want;
    SelectObject(dc, was);
    DeleteObject(dib);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return n;
}

// A golden list's commands as sc receives them (what follows "cmd /d /c  ").
GoldenCommands<std::string> Golden(const wchar_t* name, int rowsBelow = kAllRows) {
    const std::wstring path = goldenDir + L"\\" + name;
    FileLines(path);
    std::ifstream in(path.c_str());
    auto g = ReadGoldenCommands<std::string>(in, rowsBelow);
    for (std::string& command : g.commands) command.erase(0, 11);
    return g;
}

// A key's press or release with the scan code a keyboard sends (the
// arrows are keys of the extended set).
INPUT KeyInput(BYTE vk, bool up) {
    INPUT in = {INPUT_KEYBOARD};
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (vk >= VK_LEFT && vk <= VK_DOWN ? KEYEVENTF_EXTENDEDKEY : 0);
    return in;
}

struct Tavrune : remote::App {
    // Started in its own folder, where a cmd.exe and an sc.exe are planted,
    // with `env` in its environment; its commands recorded in a folder of
    // their own; hook.dll plays in its window thread, from before the window
    // is made, what Windows does and Wine does not, and watches.
    bool Open(const std::map<const wchar_t*, const wchar_t*>& env) {
        // The next free number: each scenario may be a driver of its own.
        static int count = 0;
        do records = recordDir + L"\\" + std::to_wstring(++count);
        while (!CreateDirectoryW(records.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
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
        return Check("opens: shown, hooked", Fmt("%d %d", shown, hooked));
    }
    // A check whose values rest on no message left unanswered.
    bool Check(const std::string& what, std::string seen) const {
        if (!unanswered.empty()) seen += "; unanswered:" + unanswered;
        unanswered.clear();
        return Expect(what, seen);
    }
    GUITHREADINFO Thread() const {
        GUITHREADINFO info = {sizeof info};
        GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info);
        return info;
    }
    int Focused() const { return GetDlgCtrlID(Thread().hwndFocus); }
    // The window is brought to the front first (a no-op while it is in
    // front): under Wine it loses the activation by itself now and then,
    // after a box or during a run. A focus-out while X's focus is on no Wine
    // window makes the desktop the foreground window (winex11.drv's
    // focus_out), and nothing activates the window again until it is
    // clicked; its thread has no focus meanwhile.
    bool FocusOn(int id) const {
        Front();
        return Within(5000, [&] { return Focused() == id; });
    }
    // Pressed and released (or `half`: only pressed, 1, or released, 2),
    // with Shift about it when asked, in one batch to the window in front;
    // the caller waits for what it does.
    void Key(BYTE vk, bool shift = false, int half = 0) const {
        Front();
        std::vector<INPUT> batch = {KeyInput(vk, half == 2), KeyInput(vk, true)};
        batch.resize(half ? 1 : 2);
        if (shift) batch.insert(batch.begin(), KeyInput(VK_SHIFT, false));
        if (shift) batch.push_back(KeyInput(VK_SHIFT, true));
        SendInput(static_cast<UINT>(batch.size()), batch.data(), sizeof(INPUT));
    }
    // What the hook says in a property of `window`, kUnsaid if nothing.
    static INT_PTR Said(HWND window, const wchar_t* name) {
        return reinterpret_cast<INT_PTR>(GetPropW(window, name)) - 1;
    }
    INT_PTR Said(int id, const wchar_t* name) const { return Said(id ? Control(id) : hwnd, name); }
    std::string Cues() const {
        const INT_PTR hidden = Said(0, kCuesHiddenProp);
        return hidden == kUnsaid ? "unsaid" : hidden ? "hidden" : "shown";
    }
    // The box `trigger` brings, answered, beginning with its icon as the
    // hook finds it in the program.
    std::string AnswerWithIcon(int answer, const std::function<void()>& trigger) const {
        return AnswerBox(answer, trigger, [&](HWND box) {
            Send(box, kTest, kBoxIcon);
            const INT_PTR icon = Said(box, kIconProp);
            return icon == 32515 ? "exclamation" : icon == 32513 ? "error" : "another";
        });
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
    // Row `row` of the list on the screen, the line through its middle.
    RECT MiddleOfRow(int row) const {
        RECT r = Row(row);
        MapWindowPoints(Control(IDC_LIST1), nullptr, reinterpret_cast<POINT*>(&r), 2);
        r.top = (r.top + r.bottom) / 2;
        r.bottom = r.top + 1;
        return r;
    }
    // WM_CLOSE posted to the window, or WM_QUIT with kQuitCode to its thread;
    // true once the program has taken it from its queue (the hook says).
    bool Posted(UINT message) const {
        if (message == WM_CLOSE) PostMessageW(hwnd, WM_CLOSE, 0, 0);
        if (message == WM_QUIT) PostThreadMessageW(process.dwThreadId, WM_QUIT, kQuitCode, 0);
        return Within(20000, [&] { return Said(0, kTakenProp) == INT_PTR(message); });
    }
    // Whether the run button, the first option, the "？" and the list are
    // enabled, and which control has the focus.
    std::string States() const {
        std::string on;
        for (int id : {IDC_COMMAND1, IDC_OPTION1, IDC_LABEL1, IDC_LIST1})
            on += IsWindowEnabled(Control(id)) ? "1" : "0";
        return Fmt("enabled %s, focus %d", on.c_str(), Focused());
    }

    // The list once the run is held at the start of a row's first command:
    // the rows before it shown, the last of them current, whole in
    // view and scrolled as little as that takes (unscrolled while the rows
    // fit, else it is the last whole row), and drawn marked.
    std::string AtHeldRow() {
        if (!Within(kHoldMs, [&] { return Said(0, kHeldProp) == 1; })) return "never held";
        const int current = static_cast<int>(List(LB_GETCARETINDEX));
        RECT view;
        GetClientRect(Control(IDC_LIST1), &view);
        const RECT r = Row(current);
        const int h = r.bottom - r.top;
        const bool fits = (current + 1) * h <= view.bottom;
        const bool placed = r.top >= 0 && r.bottom <= view.bottom &&
                            (fits ? List(LB_GETTOPINDEX) == 0 : r.bottom + h > view.bottom);
        const RECT line = MiddleOfRow(current);
        const bool drawn =
            Within(10000, [&] { return Pixels(line, GetSysColor(COLOR_HIGHLIGHT)) > kMarkedPixels; });
        return Fmt("rows %d, current %d, %s, %s", Count(), current, placed ? "in view" : "misplaced",
                   drawn ? "drawn" : "not drawn");
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
    // does), opened with the keyboard.
    void Layout() {
        if (!Open({{kLastInputVar, L"keyboard"}})) return;
        Check("keyboard start: cues", Cues());
        Check(Fmt("layout at %d dpi: off the table", systemDpi), Layout(systemDpi, systemDpi));
        // The "？" blue, then in the theme's link colour once high contrast is
        // turned on.
        RECT label;
        GetWindowRect(Control(IDC_LABEL1), &label);
        std::string drawn;
        for (const COLORREF colour : {RGB(0, 0, 255), GetSysColor(COLOR_HOTLIGHT)}) {
            if (colour != RGB(0, 0, 255)) Send(hwnd, kTest, kSettingOn, SPI_SETHIGHCONTRAST);
            drawn += Within(10000, [&] { return Pixels(label, colour) >= kGlyphPixels; }) ? " drawn" : " not";
        }
        Check("？ blue, then the link colour under high contrast", drawn);
        if (systemDpi != 96) return;
        Check("layout moved to 144 dpi: off the table", Layout(144, 96));
        // Back, as Windows 10 1703 and later move a per-monitor v2 window:
        // where Windows put it, at the size the window answered when asked.
        Send(hwnd, kTest, kMoveAskingSize, MAKELPARAM(96, 144));
        const std::string seen =
            Fmt("%d %d; %d of %d", int(Said(0, kAnsweredProp)), int(Said(0, kPlacedProp)),
                int(Said(0, kFontsLeftProp)), int(Said(0, kFontsProp)));
        Check("moved back: answered, placed; fonts left; exit", seen + Fmt("; %lu", Stop()));
    }

    // A standard run in a window opened with the mouse: chosen with Space,
    // the run button focused by a press released off it, the run started
    // with a held Enter, which shows no focus rectangle (in a dialog only
    // Tab and Alt do); Tab and Shift+Tab during it; met at row 60; its
    // commands. Then the arrows move among the options and select, with
    // option buttons that click themselves on the focus as XP's do (the
    // hook), and a limited user's run is refused.
    void Standard() {
        if (!Open({{kHoldVar, L"sc stop SSDPSRV"}})) return;
        Key(VK_SPACE);
        remote::ClickAt(Control(IDC_COMMAND1), MOUSEEVENTF_LEFTDOWN);
        FocusOn(IDC_COMMAND1);
        remote::ClickAt(Control(IDC_LIST1), MOUSEEVENTF_LEFTUP);
        Within(5000, [&] { return Thread().hwndCapture == nullptr; });
        std::string seen = States() + Fmt(", checked %d, cues ", Checked(0)) + Cues();
        // Held down: a repeat once the run is over starts no other. During
        // the run only the list is enabled, and focused.
        Key(VK_RETURN, false, 1);
        Within(5000, [&] { return States() == "enabled 0001, focus 1004"; });
        seen += "; " + States() + ", cues " + Cues();
        Key(VK_TAB);
        FocusOn(IDC_CHECK1);
        seen += Fmt(", Tab %d", Focused());
        Key(VK_TAB, true);
        FocusOn(IDC_LIST1);
        seen += Fmt(", Shift+Tab %d, log-off %d", Focused(), int(Send(hwnd, WM_QUERYENDSESSION)));
        Check("ready; during the run", seen);
        seen = AtHeldRow();
        SetEvent(kRelease);
        // Until the 85 rows and the completion row show.
        Within(120000, [&] { return Count() == 86; });
        FocusOn(IDC_COMMAND1);
        seen += "; " + States();
        // The held key repeats: a key-down with its previous state down
        // (Microsoft's WM_KEYDOWN page), posted: under load, Wine was seen to
        // deliver a second injected key-down without that state now and then.
        // The Tab after it shows it was handled.
        PostMessageW(Control(IDC_COMMAND1), WM_KEYDOWN, VK_RETURN, 1 | 1 << 30);
        Key(VK_RETURN, false, 2);
        Key(VK_TAB);
        FocusOn(IDC_OPTION1);
        seen +=
            "; held Enter and Tab: " + States() + Fmt(", log-off %d", int(Send(hwnd, WM_QUERYENDSESSION)));
        seen += Fmt("; rows %d, marked %d, current %d", Count(), int(List(LB_GETSELCOUNT)),
                    int(List(LB_GETCARETINDEX)));
        Check("run: list; after; held Enter; rows", seen);
        Check("commands off the profile's",
              Differences(Records(), Golden(L"profile101.txt").commands, false));
        std::string arrows;
        for (const auto& [key, option] :
             {std::pair(VK_LEFT, 5), {VK_DOWN, 0}, {VK_RIGHT, 1}, {VK_UP, 0}, {VK_RIGHT, 1}}) {
            const auto press = [&, key = key] { Key(static_cast<BYTE>(key)); };
            const std::string box = option == 5 ? AnswerWithIcon(IDCANCEL, press) + " " : "";
            if (option != 5) press();
            const bool ok =
                Within(5000, [&] { return Focused() == IDC_OPTION1 + option && Checked(option) && !Box(); });
            arrows += Fmt(" %s%d%s", box.c_str(), Focused() - IDC_OPTION1, ok && Count() == 0 ? "" : "?");
        }
        // Each option focused unchecked clicked itself (the hook), and the
        // window took that click for no choice of its own.
        for (int i : {5, 0, 1, 2})
            arrows += Fmt("%s%d", i == 5 ? "; clicked " : "", Said(IDC_OPTION1 + i, kClickedProp) == 1);
        Check("arrows: option, warning", arrows);
        // 高级优化 is chosen: a run would clear the list and start commands.
        // Refused: no process started by the time the box is answered, and
        // then no run under way (a run disables the controls before it
        // first lets the window answer).
        Send(hwnd, kTest, kLimitedUser);
        const INT_PTR before = Said(0, kStartsProp);
        const std::string said = AnswerWithIcon(IDOK, [&] { Click(IDC_COMMAND1); });
        FocusOn(IDC_COMMAND1);
        Check("a limited user's run", Fmt("%s, rows %d, %s, started %d", said.c_str(), Count(),
                                          States().c_str(), int(Said(0, kStartsProp) - before)));
    }

    // The focus rectangle of windows opened with the mouse: after an arrow,
    // then Tab; after Alt (whose system menu Escape leaves); with keyboard
    // cues always shown, with the keyboard preferred; once the first is
    // turned on, and the second in the middle of a run.
    void CueKeys() {
        // A window each time, with a setting on from the start or none.
        const auto open = [&](const wchar_t* setting) {
            hwnd = nullptr;
            return Open({{kKeyboardVar, setting}, {kHoldVar, L"sc stop BITS"}});
        };
        if (!open(nullptr)) return;
        std::string seen = Cues();
        Key(VK_DOWN);
        seen += FocusOn(IDC_OPTION1 + 1) ? " " : "? ";
        seen += Cues();
        Key(VK_TAB);
        Within(5000, [&] { return Focused() != IDC_OPTION1 + 1; });
        seen += " " + Cues();
        Stop();
        // Read while Alt is down: the cues show from the press.
        if (!open(nullptr)) return;
        Key(VK_MENU, false, 1);
        Within(5000, [&] { return Cues() == "shown"; });
        seen += "; " + Cues();
        Key(VK_MENU, false, 2);
        Key(VK_ESCAPE);
        Stop();
        for (const wchar_t* setting : {L"cues", L"preference"}) {
            if (!open(setting)) return;
            seen += "; " + Cues();
            Stop();
        }
        if (!open(nullptr)) return;
        Send(hwnd, kTest, kSettingOn, SPI_SETKEYBOARDCUES);
        seen += "; " + Cues();
        Stop();
        // Held at a row, and so in the middle of the run.
        if (!open(nullptr)) return;
        PostMessageW(Control(IDC_OPTION1), BM_CLICK, 0, 0);
        PostMessageW(Control(IDC_COMMAND1), BM_CLICK, 0, 0);
        const bool held = Within(kHoldMs, [&] { return Said(0, kHeldProp) == 1; });
        Send(hwnd, kTest, kSettingOn, SPI_SETKEYBOARDPREF);
        seen += "; " + Cues() + (held ? "" : " (never held)");
        SetEvent(kRelease);
        Check("cues: mouse start, arrow, Tab; Alt; always; preferred; turned on; preferred mid-run; exit",
              seen + Fmt("; %lu", Stop()));
        // The closed run's last command ends before Wine is shut down.
        Records();
    }

    // The manual mode: the option, OK and the golden rows clicked. The last row's configure hangs: its start
    // waits for it 10 s at most, and a quit meanwhile ends the program once the start is made, with the
    // quit's exit code, the window answering until then.
    void Manual() {
        if (!Open({{kHangVar, L"ZhuDongFangYu"}})) return;
        Check("manual option: warning", AnswerWithIcon(IDOK, [&] { Click(IDC_OPTION1 + 5); }));
        const auto golden = Golden(L"manual.txt");
        // Two clicks in a row on the same spot would make a double click:
        // each is as far beside the one before as a double click allows.
        // Each row is marked before the list scrolls on.
        const int apart = GetSystemMetrics(SM_CXDOUBLECLK) + 8;
        for (std::size_t i = 0; i < golden.rows.size(); ++i) {
            const int row = golden.rows[i];
            List(LB_SETTOPINDEX, row);
            remote::ClickAt(POINT{MiddleOfRow(row).left + 8 + int(i % 2) * apart, MiddleOfRow(row).top});
            Within(5000, [&] { return List(LB_GETSEL, row) > 0; });
        }
        Click(IDC_COMMAND1);
        const bool waiting = Within(60000, [&] { return Text(84) == L"正在优化 主动防御"; });
        // Answered while the start is waited for, once the quit is taken (the
        // hook says when).
        const bool taken = Posted(WM_QUIT);
        const DWORD sent = GetTickCount();
        const DWORD ms = Sync(kAnswerMs) ? GetTickCount() - sent : kAnswerMs;
        const bool answered = ms < kAnswerMs && waiting && taken && Running();
        const std::string seen =
            answered ? "in time"
                     : Fmt("not: %lu ms, waiting %d, taken %d, running %d", ms, waiting, taken, Running());
        Check("quit while a start waits: answered; exit", seen + Fmt("; %lu", Stop(0)));
        // The hung configure's start went out all the same, before it ended,
        // about 10 s after it began (the stand-in marks it otherwise).
        Lines want = golden.commands;
        for (std::string& line : want)
            if (line.rfind("sc start ZhuDongFangYu", 0) == 0) line += "\tbefore its configure ended";
        // Every command and no other, in an environment without
        // NoDefaultCurrentDirectoryInExePath, each start after its configure
        // ended, none from a planted program (the stand-in marks them).
        Check("commands off the marked rows'", Differences(Records(), want, false));
    }

    // `message` (WM_CLOSE, or WM_QUIT with kQuitCode) while the run is held
    // at the start of the row `rows` - 1 (`hold`): a clean exit, or the
    // quit's, and the commands of those rows
    // and no other (a stop lands while a command starts: the rest of that
    // row still starts, no service stopped and left unconfigured).
    void StopAt(int rows, UINT message, const wchar_t* hold) {
        const std::string what = Fmt("after %d rows, a %s: ", rows, message == WM_QUIT ? "quit" : "close");
        if (!Open({{kHoldVar, hold}})) return;
        PostMessageW(Control(IDC_OPTION1), BM_CLICK, 0, 0);
        PostMessageW(Control(IDC_COMMAND1), BM_CLICK, 0, 0);
        std::string seen = AtHeldRow();
        seen += Fmt("; taken %d", Posted(message));
        SetEvent(kRelease);
        Check(what + "list; mid-run; exit", seen + Fmt("; %lu", Stop(0)));
        Check(what + "commands off whole rows'",
              Differences(Records(), Golden(L"profile101.txt", rows).commands, false));
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
    // Tavrune.exe must not pass it on to the commands (sc records it then).
    SetEnvironmentVariableW(L"NoDefaultCurrentDirectoryInExePath", L"1");
    // Real pixels at any DPI: the program under test is DPI aware too.
    if (auto aware = tavrune::SystemFunction<BOOL(WINAPI*)()>(L"user32.dll", "SetProcessDPIAware")) aware();
    HDC dc = GetDC(nullptr);
    systemDpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    for (int i = 4; i < argc; ++i) {
        std::printf("== %ls\n", argv[i]);
        scenarios.at(argv[i])();
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

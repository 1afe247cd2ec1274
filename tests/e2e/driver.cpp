// Drives Tavrune.exe under Wine the way a person would: real mouse input on
// its controls, answers to its warning box, and reads of what its list shows.
// Checks the command lines the sc stand-in received and the start types the
// service manager holds afterwards.
//
//   driver.exe TAVRUNE_EXE SC_LOG [scenario ...]
//
// Prints one line per check and ends with "N passed, N failed".
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "profile_rows.h"
#include "remote_window.h"
#include "ui/layout.h"
#include "win32/control_ids.h"

using namespace tavrune;

namespace {

int passed = 0, failed = 0;

std::string Utf8(const std::wstring& s) {
    if (s.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
    return out;
}
std::wstring W(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

void Check(bool ok, const std::string& what) {
    (ok ? passed : failed)++;
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
}
template <typename T>
void CheckEq(const T& got, const T& want, const std::string& what) {
    Check(got == want, what + (got == want ? "" : " (got " + std::to_string(got) + ", want " + std::to_string(want) + ")"));
}
void CheckText(const std::wstring& got, const std::wstring& want, const std::string& what) {
    Check(got == want, what + (got == want ? "" : " (got \"" + Utf8(got) + "\", want \"" + Utf8(want) + "\")"));
}

std::wstring exePath, scLogWin;

// --- the profiles, read from Tavrune.exe's own resources ------------------

using Row = tavrune_test::ProfileRow;
std::vector<Row> Rows(int id) { return tavrune_test::ProfileRows(exePath, id); }

// What sc.exe receives from cmd for one of our command lines: cmd drops
// "cmd /c" and the spaces after it and passes the rest as it stands.
std::wstring AsReceived(const std::u16string& command) {
    const std::u16string prefix = u"cmd /c  ";
    return W(command.substr(prefix.size()));
}

std::vector<std::wstring> ExpectedLog(const std::vector<Row>& rows, const std::vector<int>& applied) {
    std::vector<std::wstring> out;
    for (int i : applied) {
        for (const auto& command : rows[static_cast<std::size_t>(i)].commands) out.push_back(AsReceived(command));
    }
    std::sort(out.begin(), out.end());
    return out;
}

// --- the sc log ------------------------------------------------------------

std::vector<std::wstring> ReadLog() {
    std::vector<std::wstring> lines;
    HANDLE f = CreateFileW(scLogWin.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return lines;
    std::string data;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0) data.append(buffer, got);
    CloseHandle(f);
    std::size_t from = 0;
    for (std::size_t at; (at = data.find('\n', from)) != std::string::npos; from = at + 1) {
        const std::string line = data.substr(from, at - from);
        const int n = MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
        std::wstring w(static_cast<std::size_t>(n), L'\0');
        if (n) MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &w[0], n);
        lines.push_back(w);
    }
    return lines;
}

void ClearLog() { DeleteFileW(scLogWin.c_str()); }

// The commands run on their own; wait until the log stops growing.
std::vector<std::wstring> SettledLog(std::size_t expected) {
    std::size_t last = static_cast<std::size_t>(-1);
    DWORD stableSince = GetTickCount();
    const DWORD start = GetTickCount();
    for (;;) {
        const std::size_t n = ReadLog().size();
        if (n != last) {
            last = n;
            stableSince = GetTickCount();
        }
        const DWORD quiet = GetTickCount() - stableSince;
        if ((n >= expected && quiet > 1500) || quiet > 8000 || GetTickCount() - start > 120000) break;
        Sleep(200);
    }
    // Let processes still running finish their (failed or slow) service calls.
    auto log = ReadLog();
    std::sort(log.begin(), log.end());
    return log;
}

void CheckLog(const std::vector<std::wstring>& want, const std::string& what) {
    const auto got = SettledLog(want.size());
    if (got == want) {
        Check(true, what + " (" + std::to_string(got.size()) + " commands)");
        return;
    }
    Check(false, what + " (got " + std::to_string(got.size()) + ", want " + std::to_string(want.size()) + ")");
    std::map<std::wstring, int> diff;
    for (const auto& l : got) diff[l]++;
    for (const auto& l : want) diff[l]--;
    for (const auto& [line, n] : diff) {
        if (n != 0) std::printf("     %+d  [%s]\n", n, Utf8(line).c_str());
    }
}

// --- the program -----------------------------------------------------------

struct App {
    PROCESS_INFORMATION process = {};
    HWND hwnd = nullptr;

    HWND Control(int id) const { return GetDlgItem(hwnd, id); }
    LRESULT Send(HWND h, UINT m, WPARAM w = 0, LPARAM l = 0) const { return tavrune_test::SendWithTimeout(h, m, w, l); }
    void Sync() const { Send(hwnd, WM_NULL); }
    int Count() const { return static_cast<int>(Send(Control(IDC_LIST1), LB_GETCOUNT)); }
    std::wstring Text(int i) const { return tavrune_test::ListText(Control(IDC_LIST1), i); }
    bool Marked(int i) const { return Send(Control(IDC_LIST1), LB_GETSEL, static_cast<WPARAM>(i)) > 0; }
    int Caret() const { return static_cast<int>(Send(Control(IDC_LIST1), LB_GETCARETINDEX)); }
    bool Running() const { return WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT; }
};

BOOL CALLBACK FindMain(HWND hwnd, LPARAM param) {
    auto* app = reinterpret_cast<App*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[64];
    if (pid == app->process.dwProcessId && GetClassNameW(hwnd, cls, 64) && lstrcmpW(cls, L"TavruneForm1") == 0 &&
        IsWindowVisible(hwnd)) {
        app->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

bool Start(App& app, const std::wstring& exe = exePath, const wchar_t* folder = nullptr) {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    std::wstring cmd = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &si, &app.process)) return false;
    WaitForInputIdle(app.process.hProcess, 20000);
    for (int i = 0; i < 200 && !app.hwnd; ++i) {
        EnumWindows(FindMain, reinterpret_cast<LPARAM>(&app));
        if (!app.hwnd) Sleep(50);
    }
    if (!app.hwnd) return false;
    SetForegroundWindow(app.hwnd);
    app.Sync();
    return true;
}

// Closes the program like the title bar's close button, and waits for it.
bool Stop(App& app, DWORD waitMs = 20000) {
    if (app.Running()) PostMessageW(app.hwnd, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(app.process.hProcess, waitMs) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(app.process.hProcess, 1);
    CloseHandle(app.process.hThread);
    CloseHandle(app.process.hProcess);
    return ended;
}

void ClickAt(POINT p) {
    SetCursorPos(p.x, p.y);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
}

// A real click in the middle of a control (or at an offset into it).
void Click(const App& app, HWND control, int dx = -1, int dy = -1) {
    RECT r;
    GetWindowRect(control, &r);
    POINT p = {dx < 0 ? (r.left + r.right) / 2 : r.left + dx, dy < 0 ? (r.top + r.bottom) / 2 : r.top + dy};
    ClickAt(p);
    Sleep(50);
    app.Sync();
}

void ClickRow(const App& app, int row) {
    HWND list = app.Control(IDC_LIST1);
    app.Send(list, LB_SETTOPINDEX, static_cast<WPARAM>(row));
    RECT item;
    app.Send(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    POINT p = {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ClientToScreen(list, &p);
    ClickAt(p);
    Sleep(50);
    app.Sync();
    // Two clicks in a row would make a double click.
    Sleep(GetDoubleClickTime() + 50);
}

// The warning box the manual option opens, once it is up.
HWND WaitForBox(const App& app) {
    for (int i = 0; i < 200; ++i) {
        HWND box = nullptr;
        while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
            if (GetWindow(box, GW_OWNER) == app.hwnd && IsWindowVisible(box)) return box;
        }
        Sleep(50);
    }
    return nullptr;
}

std::wstring WindowText(HWND h) {
    wchar_t buffer[512] = {};
    GetWindowTextW(h, buffer, 512);
    return buffer;
}

bool WaitForCompletion(const App& app, DWORD ms = 120000) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        const int n = app.Count();
        if (n > 0 && app.Text(n - 1) == L"优化完成！" && IsWindowEnabled(app.Control(IDC_COMMAND1))) return true;
        Sleep(100);
    }
    return false;
}

// Selects the manual option and answers the warning box with a real click.
bool ChooseManual(const App& app, int answer) {
    PostMessageW(app.Control(IDC_OPTION1 + 5), BM_CLICK, 0, 0);
    HWND box = WaitForBox(app);
    Check(box != nullptr, "manual: the warning box opens");
    if (!box) return false;
    CheckText(WindowText(box), L"Tavrune友情提示", "manual: warning title");
    CheckText(WindowText(GetDlgItem(box, 0xFFFF)), L"非电脑专业人员不建议使用手动功能，不要打没把握的仗：）",
              "manual: warning text");
    Check(GetDlgItem(box, IDOK) && GetDlgItem(box, IDCANCEL), "manual: OK and Cancel buttons");
    Check(!IsWindowEnabled(app.hwnd), "manual: the box is modal");
    Click(app, GetDlgItem(box, answer));
    for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(50);
    app.Sync();
    return !IsWindow(box);
}

// --- services --------------------------------------------------------------

// Start type per service key, for the services this prefix has.
std::map<std::wstring, DWORD> StartTypes(const std::vector<Row>& rows) {
    std::map<std::wstring, DWORD> types;
    SC_HANDLE scm = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!scm) return types;
    for (const Row& r : rows) {
        std::wstring key = W(r.key);
        while (!key.empty() && key.back() == L' ') key.pop_back();
        SC_HANDLE s = OpenServiceW(scm, key.c_str(), SERVICE_QUERY_CONFIG);
        if (!s) continue;
        DWORD need = 0;
        QueryServiceConfigW(s, nullptr, 0, &need);
        std::vector<BYTE> buffer(need ? need : 1);
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
        if (QueryServiceConfigW(s, config, need, &need)) types[key] = config->dwStartType;
        CloseServiceHandle(s);
    }
    CloseServiceHandle(scm);
    return types;
}

DWORD TypeCode(const std::u16string& type) {
    if (type == u"auto") return SERVICE_AUTO_START;
    if (type == u"demand") return SERVICE_DEMAND_START;
    if (type == u"disabled") return SERVICE_DISABLED;
    return static_cast<DWORD>(-1);  // not a valid type: sc changes nothing
}

void CheckStartTypes(const std::vector<Row>& rows, const std::map<std::wstring, DWORD>& before, const std::string& what) {
    std::map<std::wstring, DWORD> want = before;
    for (const Row& r : rows) {
        std::wstring key = W(r.key);
        while (!key.empty() && key.back() == L' ') key.pop_back();
        if (want.count(key) && TypeCode(r.type) != static_cast<DWORD>(-1)) want[key] = TypeCode(r.type);
    }
    const auto got = StartTypes(rows);
    int changed = 0, wrong = 0;
    for (const auto& [key, type] : want) {
        if (before.at(key) != type) ++changed;
        if (got.count(key) == 0 || got.at(key) != type) {
            ++wrong;
            std::printf("     %s: start type %lu, want %lu\n", Utf8(key).c_str(),
                        got.count(key) ? static_cast<unsigned long>(got.at(key)) : 99ul, static_cast<unsigned long>(type));
        }
    }
    Check(wrong == 0, what + ": start types of the " + std::to_string(want.size()) + " services this system has (" +
                          std::to_string(changed) + " changed by the run)");
}

// --- scenarios -------------------------------------------------------------

std::wstring VersionString(const std::vector<BYTE>& block, const wchar_t* name) {
    void* value = nullptr;
    UINT size = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\080404B0\\") + name;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &size) || !value) return L"(none)";
    return static_cast<const wchar_t*>(value);
}

// The version record Explorer shows for the file.
void Version() {
    DWORD ignored = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(exePath.c_str(), &ignored));
    Check(!block.empty() && GetFileVersionInfoW(exePath.c_str(), 0, static_cast<DWORD>(block.size()), block.data()),
          "version: the program has a version record");
    if (block.empty()) return;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size);
    Check(fixed && fixed->dwFileVersionMS == 0x00010000 && fixed->dwFileVersionLS == 0 &&
              fixed->dwProductVersionMS == 0x00010000 && fixed->dwProductVersionLS == 0,
          "version: fixed file and product version 1.0.0.0");
    DWORD* translation = nullptr;
    VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &size);
    Check(translation && size >= 4 && *translation == MAKELONG(0x0804, 1200), "version: Chinese (PRC), Unicode");
    CheckText(VersionString(block, L"FileVersion"), L"1.00", "version: FileVersion");
    CheckText(VersionString(block, L"ProductVersion"), L"1.00", "version: ProductVersion");
    CheckText(VersionString(block, L"ProductName"), L"Tavrune", "version: ProductName");
    CheckText(VersionString(block, L"InternalName"), L"Tavrune", "version: InternalName");
    CheckText(VersionString(block, L"OriginalFilename"), L"Tavrune.exe", "version: OriginalFilename");
}

void Layout() {
    Version();
    App app;
    Check(Start(app), "layout: the window opens");
    if (!app.hwnd) return;
    CheckText(WindowText(app.hwnd), L"Tavrune - 就是简单！       Osperin版", "layout: title");
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    RECT client;
    GetClientRect(app.hwnd, &client);
    CheckEq(static_cast<int>(client.right), TwipsToPixels(kClientWidthTwips, dpi), "layout: client width at " + std::to_string(dpi) + " dpi");
    CheckEq(static_cast<int>(client.bottom), TwipsToPixels(kClientHeightTwips, dpi), "layout: client height");
    if (dpi == 96) Check(client.right == 411 && client.bottom == 214, "layout: 411 x 214 pixels at 96 dpi");
    int wrong = 0;
    for (const ControlSpec& entry : kControls) {
        const int id = ControlId(entry);
        HWND control = app.Control(id);
        RECT r = {};
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, app.hwnd, reinterpret_cast<POINT*>(&r), 2);
        // Straight from twips, without the layout code's own conversion.
        long left = entry.left, top = entry.top;
        for (const ControlSpec& c : kControls) {
            if (entry.container != kInWindow && c.name == entry.container) {
                left += c.left;
                top += c.top;
            }
        }
        const RECT want = {MulDiv(left, dpi, 1440), MulDiv(top, dpi, 1440), MulDiv(left, dpi, 1440) + MulDiv(entry.width, dpi, 1440),
                           MulDiv(top, dpi, 1440) + MulDiv(entry.height, dpi, 1440)};
        const bool inPlace = std::abs(r.left - want.left) <= 1 && std::abs(r.top - want.top) <= 1 &&
                          std::abs(r.right - want.right) <= 1 && std::abs(r.bottom - want.bottom) <= 1;
        if (!control || !inPlace) {
            ++wrong;
            std::printf("     control %d at %ld,%ld-%ld,%ld, want %ld,%ld-%ld,%ld\n", id, r.left, r.top, r.right, r.bottom,
                        want.left, want.top, want.right, want.bottom);
        }
        if (entry.caption[0]) {
            CheckText(WindowText(control), W(entry.caption), "layout: caption of control " + std::to_string(id));
        }
    }
    Check(wrong == 0, "layout: every control where the table puts it");
    // Nothing cut off: every control inside the client area but Frame2,
    // which was laid out to run past its bottom.
    int outside = 0;
    for (const ControlSpec& entry : kControls) {
        if (entry.name == ControlName::Frame2) continue;
        HWND control = app.Control(ControlId(entry));
        if (!control) continue;
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, app.hwnd, reinterpret_cast<POINT*>(&r), 2);
        if (r.left < 0 || r.top < 0 || r.right > client.right || r.bottom > client.bottom) ++outside;
    }
    CheckEq(outside, 0, "layout: no control cut off by the window's edge");
    for (int i : {0, 1, 2, 5}) {
        Check(app.Send(app.Control(IDC_OPTION1 + i), BM_GETCHECK) == BST_UNCHECKED, "layout: option " + std::to_string(i) + " not selected at start");
    }
    Check(app.Count() == 0, "layout: the list starts empty");
    // Stacking: the list lies over the check boxes, the button over Frame1.
    RECT check;
    GetWindowRect(app.Control(IDC_CHECK1), &check);
    POINT inCheck = {(check.left + check.right) / 2, (check.top + check.bottom) / 2};
    Check(WindowFromPoint(inCheck) == app.Control(IDC_LIST1), "layout: List1 covers the check boxes");
    Check(Stop(app), "layout: closes and exits");
}

void StandardRun(int option, int profile, const std::string& name) {
    const auto rows = Rows(profile);
    std::vector<int> all;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) all.push_back(i);
    const auto before = StartTypes(rows);
    ClearLog();
    App app;
    if (!Start(app)) return Check(false, name + ": the window opens");
    Click(app, app.Control(IDC_OPTION1 + option));
    Check(app.Send(app.Control(IDC_OPTION1 + option), BM_GETCHECK) == BST_CHECKED, name + ": option selected by a click");
    Click(app, app.Control(IDC_COMMAND1));
    // While the run goes on, nothing that could swap state under it is live;
    // the list is, so marks can still be changed.
    bool locked = !IsWindowEnabled(app.Control(IDC_COMMAND1)) && !IsWindowEnabled(app.Control(IDC_LABEL1));
    for (int i : {0, 1, 2, 5}) locked = locked && !IsWindowEnabled(app.Control(IDC_OPTION1 + i));
    Check(locked && IsWindowEnabled(app.Control(IDC_LIST1)) && app.Count() < 85,
          name + ": run button, options and label disabled during the run");
    Check(WaitForCompletion(app), name + ": the run completes, controls enabled again");
    CheckEq(app.Count(), 86, name + ": rows in the list");
    int captions = 0, marked = 0;
    for (int i = 0; i < 85; ++i) {
        if (app.Text(i) == L"正在优化 " + W(rows[static_cast<std::size_t>(i)].name)) ++captions;
    }
    for (int i = 0; i < app.Count(); ++i) marked += app.Marked(i) ? 1 : 0;
    CheckEq(captions, 85, name + ": progress captions");
    CheckEq(marked, 86, name + ": marked rows");
    CheckEq(app.Caret(), 85, name + ": the completion row is current");
    CheckLog(ExpectedLog(rows, all), name + ": the service controller received every command");
    CheckStartTypes(rows, before, name);
    Check(Stop(app), name + ": closes and exits");
}

void Manual() {
    const auto rows = Rows(101);
    ClearLog();
    App app;
    if (!Start(app)) return Check(false, "manual: the window opens");
    Check(ChooseManual(app, IDOK), "manual: OK closes the box");
    CheckEq(app.Count(), 85, "manual: display names listed");
    CheckText(app.Text(0), L"Alerter", "manual: first name");
    CheckText(app.Text(84), L"主动防御", "manual: last name");
    ClickRow(app, 0);
    ClickRow(app, 11);
    Check(app.Marked(0) && app.Marked(11) && !app.Marked(1), "manual: clicks mark rows 0 and 11");
    Click(app, app.Control(IDC_COMMAND1));
    Check(WaitForCompletion(app), "manual: the run completes");
    CheckText(app.Text(0), L"正在优化 Alerter", "manual: row 0 recaptioned");
    CheckText(app.Text(1), L"Application Layer Gateway Service", "manual: unmarked row kept");
    CheckText(app.Text(11), L"正在优化 DHCP Client", "manual: row 11 recaptioned");
    CheckEq(app.Count(), 86, "manual: rows after the run");
    CheckLog(ExpectedLog(rows, {0, 11}), "manual: only the marked rows were applied");
    Check(Stop(app), "manual: closes and exits");

    ClearLog();
    App cancelled;
    if (!Start(cancelled)) return Check(false, "manual cancel: the window opens");
    Check(ChooseManual(cancelled, IDCANCEL), "manual cancel: Cancel closes the box");
    CheckEq(cancelled.Count(), 0, "manual cancel: the list stays empty");
    Check(cancelled.Send(cancelled.Control(IDC_OPTION1 + 5), BM_GETCHECK) == BST_CHECKED, "manual cancel: the option stays selected");
    Click(cancelled, cancelled.Control(IDC_COMMAND1));
    Check(WaitForCompletion(cancelled), "manual cancel: the run completes");
    CheckEq(cancelled.Count(), 1, "manual cancel: only the completion row");
    CheckLog({}, "manual cancel: nothing applied");
    Check(Stop(cancelled), "manual cancel: closes and exits");
}

void About() {
    App app;
    if (!Start(app)) return Check(false, "about: the window opens");
    for (int i = 0; i < 3; ++i) {
        Click(app, app.Control(IDC_LABEL1));
        Sleep(GetDoubleClickTime() + 50);
    }
    CheckEq(app.Count(), 12, "about: three clicks on the label add twelve rows");
    CheckText(app.Text(5), L"Author:relvanik", "about: author row");
    CheckText(app.Text(10), L"Tavrune，就是简单！", "about: motto row");
    Check(Stop(app), "about: closes and exits");
}

void CloseDuringRun() {
    ClearLog();
    App app;
    if (!Start(app)) return Check(false, "close: the window opens");
    Click(app, app.Control(IDC_OPTION1));
    PostMessageW(app.Control(IDC_COMMAND1), BM_CLICK, 0, 0);
    // Wait until the run is under way, then close.
    for (int i = 0; i < 200 && app.Count() < 3; ++i) Sleep(20);
    const int rowsAtClose = app.Count();
    Check(rowsAtClose > 0 && rowsAtClose < 85, "close: the run was under way (" + std::to_string(rowsAtClose) + " rows)");
    PostMessageW(app.hwnd, WM_CLOSE, 0, 0);
    DWORD code = 99;
    const bool ended = WaitForSingleObject(app.process.hProcess, 20000) == WAIT_OBJECT_0;
    GetExitCodeProcess(app.process.hProcess, &code);
    Check(ended && code == 0, "close: the program exits cleanly (code " + std::to_string(code) + ")");
    // The close is handled in the run's next yield; a row or two may have
    // been applied between reading the list and posting the close.
    const auto rows = Rows(101);
    std::vector<int> upTo;
    for (int i = 0; i < rowsAtClose + 2 && i < 85; ++i) upTo.push_back(i);
    const auto log = SettledLog(0);
    const std::size_t allowed = ExpectedLog(rows, upTo).size();
    Check(log.size() <= allowed, "close: no command after the close (" + std::to_string(log.size()) + " of 145 started, at most " +
                                     std::to_string(allowed) + " expected)");
    Stop(app);
}

HWND FocusOf(const App& app) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(app.hwnd, nullptr), &info);
    return info.hwndFocus;
}

void Key(WORD vk, bool shift = false) {
    std::vector<INPUT> in;
    auto add = [&](WORD k, DWORD flags) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        i.ki.dwFlags = flags;
        in.push_back(i);
    };
    if (shift) add(VK_SHIFT, 0);
    add(vk, 0);
    add(vk, KEYEVENTF_KEYUP);
    if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

// Tab and Shift+Tab follow the designed tab order, and focus alone selects
// no option (so nothing is loaded until a click).
void Keyboard() {
    App app;
    if (!Start(app)) return Check(false, "keys: the window opens");
    const int forward[] = {IDC_OPTION1 + 0, IDC_OPTION1 + 1, IDC_OPTION1 + 2, IDC_LIST1, IDC_OPTION1 + 5,
                           IDC_CHECK1 + 0,  IDC_CHECK1 + 1,  IDC_COMMAND1,    IDC_OPTION1 + 0};
    CheckEq(GetDlgCtrlID(FocusOf(app)), forward[0], "keys: focus starts on the first option");
    bool inOrder = true;
    for (std::size_t i = 1; i < sizeof forward / sizeof forward[0]; ++i) {
        Key(VK_TAB);
        Sleep(100);
        app.Sync();
        if (GetDlgCtrlID(FocusOf(app)) != forward[i]) {
            inOrder = false;
            std::printf("     tab %u: focus on %d, want %d\n", static_cast<unsigned>(i), GetDlgCtrlID(FocusOf(app)), forward[i]);
        }
    }
    Check(inOrder, "keys: Tab walks the tab order and wraps round");
    Key(VK_TAB, true);
    Sleep(100);
    app.Sync();
    CheckEq(GetDlgCtrlID(FocusOf(app)), static_cast<int>(IDC_COMMAND1), "keys: Shift+Tab goes back");
    bool noneSelected = true;
    for (int i : {0, 1, 2, 5}) noneSelected = noneSelected && app.Send(app.Control(IDC_OPTION1 + i), BM_GETCHECK) == BST_UNCHECKED;
    Check(noneSelected && app.Count() == 0, "keys: focus alone selects no option");
    // Space on the focused first option is a click.
    Key(VK_TAB);
    Key(VK_SPACE);
    Sleep(200);
    app.Sync();
    Check(app.Send(app.Control(IDC_OPTION1), BM_GETCHECK) == BST_CHECKED, "keys: Space selects the focused option");
    Check(Stop(app), "keys: closes and exits");
}

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); }

std::vector<int> AllRows() {
    std::vector<int> all;
    for (int i = 0; i < 85; ++i) all.push_back(i);
    return all;
}

// A cmd.exe and an sc.exe planted beside the program, which is started from
// that folder: neither may run, and the real commands still go out.
void Planted() {
    const std::wstring folder = L"C:\\planted";
    CreateDirectoryW(folder.c_str(), nullptr);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring trap = Folder(self) + L"\\trap.exe";
    bool copied = CopyFileW(exePath.c_str(), (folder + L"\\Tavrune.exe").c_str(), FALSE) &&
                  CopyFileW(trap.c_str(), (folder + L"\\cmd.exe").c_str(), FALSE) &&
                  CopyFileW(trap.c_str(), (folder + L"\\sc.exe").c_str(), FALSE);
    DeleteFileW((folder + L"\\cmd.exe.ran").c_str());
    DeleteFileW((folder + L"\\sc.exe.ran").c_str());
    Check(copied, "planted: Tavrune.exe beside a cmd.exe and an sc.exe of the test's own");
    ClearLog();
    App app;
    if (!Start(app, folder + L"\\Tavrune.exe", folder.c_str())) return Check(false, "planted: the window opens");
    Click(app, app.Control(IDC_OPTION1));
    Click(app, app.Control(IDC_COMMAND1));
    Check(WaitForCompletion(app), "planted: the run completes");
    CheckLog(ExpectedLog(Rows(101), AllRows()), "planted: the real sc received every command");
    Check(GetFileAttributesW((folder + L"\\cmd.exe.ran").c_str()) == INVALID_FILE_ATTRIBUTES, "planted: the planted cmd.exe never ran");
    Check(GetFileAttributesW((folder + L"\\sc.exe.ran").c_str()) == INVALID_FILE_ATTRIBUTES, "planted: the planted sc.exe never ran");
    Check(Stop(app), "planted: closes and exits");
}

// Two copies at once, each on its own window and list.
void TwoCopies() {
    ClearLog();
    App a, b;
    if (!Start(a) || !Start(b)) return Check(false, "two copies: both windows open");
    Check(a.hwnd != b.hwnd, "two copies: two windows");
    // Side by side, so that a click meant for one does not land on the other.
    SetWindowPos(a.hwnd, nullptr, 10, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(b.hwnd, nullptr, 500, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    a.Sync();
    b.Sync();
    Click(a, a.Control(IDC_OPTION1 + 1));
    ChooseManual(b, IDOK);
    ClickRow(b, 3);
    ClickRow(b, 43);
    Click(a, a.Control(IDC_COMMAND1));
    Click(b, b.Control(IDC_COMMAND1));
    Check(WaitForCompletion(a) && WaitForCompletion(b), "two copies: both runs complete");
    CheckEq(a.Count(), 86, "two copies: the advanced run's list");
    CheckText(a.Text(43), L"正在优化 Print Spooler", "two copies: advanced caption");
    CheckEq(b.Count(), 86, "two copies: the manual run's list");
    CheckText(b.Text(0), L"Alerter", "two copies: the manual list untouched by the other run");
    CheckText(b.Text(43), L"正在优化 Print Spooler", "two copies: manual caption");
    auto want = ExpectedLog(Rows(102), AllRows());
    for (const auto& line : ExpectedLog(Rows(101), {3, 43})) want.push_back(line);
    std::sort(want.begin(), want.end());
    CheckLog(want, "two copies: the commands of both runs");
    Check(Stop(a) && Stop(b), "two copies: both close and exit");
}

// Closing the window while a run goes on, several times over.
void CloseRepeatedly(int times) {
    int clean = 0, stoppedEarly = 0;
    for (int i = 0; i < times; ++i) {
        App app;
        if (!Start(app)) continue;
        Click(app, app.Control(IDC_OPTION1 + (i % 3)));
        PostMessageW(app.Control(IDC_COMMAND1), BM_CLICK, 0, 0);
        const int waitRows = 1 + (i * 7) % 60;
        for (int t = 0; t < 500 && app.Count() < waitRows; ++t) Sleep(10);
        PostMessageW(app.hwnd, WM_CLOSE, 0, 0);
        DWORD code = 99;
        if (WaitForSingleObject(app.process.hProcess, 20000) == WAIT_OBJECT_0 && GetExitCodeProcess(app.process.hProcess, &code) &&
            code == 0) {
            ++clean;
        }
        // The list cannot be read any more; the run never reached its end.
        stoppedEarly += app.Count() < 86 ? 1 : 0;
        Stop(app);
    }
    CheckEq(clean, times, "close repeatedly: the program exited cleanly every time");
    CheckEq(stoppedEarly, times, "close repeatedly: no run went on to its end");
}

// The process's handles, from the system's handle table: Wine's
// GetProcessHandleCount answers 0 whatever the process holds.
DWORD HandleCount(DWORD pid) {
    struct Entry {
        ULONG pid;
        BYTE type, flags;
        USHORT handle;
        PVOID object;
        ACCESS_MASK access;
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    static const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<BYTE> buffer(1 << 20);
    ULONG length = 0;
    const ULONG kSystemHandleInformation = 16;
    while (query && query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &length) != 0) {
        if (buffer.size() >= (64u << 20)) return 0;
        buffer.resize(buffer.size() * 2);
    }
    const ULONG count = *reinterpret_cast<ULONG*>(buffer.data());
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
    DWORD mine = 0;
    for (ULONG i = 0; i < count; ++i) mine += entries[i].pid == pid ? 1 : 0;
    return mine;
}

// Many runs in one process: modes in turn (manual with random marks) and
// About rows between runs; the program's handles and memory stay flat.
void Soak(int runs) {
    App app;
    if (!Start(app)) return Check(false, "soak: the window opens");
    unsigned seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    int completed = 0;
    DWORD handles5 = 0, handlesLast = 0;
    SIZE_T private5 = 0, privateLast = 0;
    for (int run = 1; run <= runs && app.Running(); ++run) {
        const int mode = (run - 1) % 4;
        if (mode == 3) {
            ChooseManual(app, IDOK);
            for (int k = 0, marks = 1 + static_cast<int>(next() % 6); k < marks; ++k) {
                app.Send(app.Control(IDC_LIST1), LB_SETSEL, TRUE, static_cast<LPARAM>(next() % 85));
            }
        } else {
            Click(app, app.Control(IDC_OPTION1 + mode));
        }
        Click(app, app.Control(IDC_COMMAND1));
        if (WaitForCompletion(app)) ++completed;
        Click(app, app.Control(IDC_LABEL1));
        app.Sync();
        const DWORD handles = HandleCount(app.process.dwProcessId);
        // PagefileUsage is the private commit charge; Wine leaves PrivateUsage at 0.
        PROCESS_MEMORY_COUNTERS memory = {};
        GetProcessMemoryInfo(app.process.hProcess, &memory, sizeof memory);
        if (run == 5) {
            handles5 = handles;
            private5 = memory.PagefileUsage;
        }
        handlesLast = handles;
        privateLast = memory.PagefileUsage;
    }
    const bool alive = app.Running();
    Check(handles5 > 0 && private5 > 0, "soak: handles and memory could be read");
    CheckEq(completed, runs, "soak: every run ended with the completion row");
    Check(alive, "soak: the program never crashed or hung");
    Check(handlesLast <= handles5 + 4, "soak: handle count flat from the fifth run");
    Check(privateLast <= private5 + 512 * 1024, "soak: private memory flat from the fifth run");
    Check(Stop(app), "soak: closes and exits");
    std::printf("soak: runs=%d crashes=%d handles=%lu->%lu private_kb=%lu->%lu\n", completed, alive ? 0 : 1,
                static_cast<unsigned long>(handles5), static_cast<unsigned long>(handlesLast),
                static_cast<unsigned long>(private5 / 1024), static_cast<unsigned long>(privateLast / 1024));
}

int EnvInt(const wchar_t* name, int fallback) {
    wchar_t buffer[32] = {};
    return GetEnvironmentVariableW(name, buffer, 32) ? _wtoi(buffer) : fallback;
}

// Leaves a finished standard run on screen until the file named by
// TAVRUNE_DRIVER_RELEASE appears, so a screenshot can be taken.
void Show() {
    App app;
    if (!Start(app)) return Check(false, "show: the window opens");
    Click(app, app.Control(IDC_OPTION1));
    Click(app, app.Control(IDC_COMMAND1));
    Check(WaitForCompletion(app), "show: the run completes");
    for (int i = 0; i < app.Count(); ++i) std::printf("list %2d  %s\n", i, Utf8(app.Text(i)).c_str());
    std::printf("shown\n");
    std::fflush(stdout);
    wchar_t release[MAX_PATH] = {};
    GetEnvironmentVariableW(L"TAVRUNE_DRIVER_RELEASE", release, MAX_PATH);
    for (int i = 0; i < 600 && GetFileAttributesW(release) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
    Check(Stop(app), "show: closes and exits");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::printf("usage: driver.exe TAVRUNE_EXE SC_LOG [layout|standard|advanced|network|manual|about|keys|close|planted|two|closes|soak|show ...]\n");
        return 2;
    }
    exePath = argv[1];
    scLogWin = argv[2];
    // Real pixels, whatever the DPI: the program under test is DPI aware.
    using SetAware = BOOL(WINAPI*)();
    if (auto f = reinterpret_cast<SetAware>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDPIAware")))) {
        f();
    }
    std::printf("system code page %u\n", GetACP());
    std::vector<std::wstring> scenarios(argv + 3, argv + argc);
    if (scenarios.empty()) scenarios = {L"layout", L"advanced", L"network", L"standard", L"manual", L"about", L"keys", L"close",
                     L"planted", L"two", L"closes"};
    for (const auto& s : scenarios) {
        if (s == L"layout") Layout();
        else if (s == L"standard") StandardRun(0, 101, "standard");
        else if (s == L"advanced") StandardRun(1, 102, "advanced");
        else if (s == L"network") StandardRun(2, 103, "local network");
        else if (s == L"manual") Manual();
        else if (s == L"about") About();
        else if (s == L"close") CloseDuringRun();
        else if (s == L"show") Show();
        else if (s == L"keys") Keyboard();
        else if (s == L"planted") Planted();
        else if (s == L"two") TwoCopies();
        else if (s == L"closes") CloseRepeatedly(EnvInt(L"TAVRUNE_CLOSES", 10));
        else if (s == L"soak") Soak(EnvInt(L"TAVRUNE_SOAK_RUNS", 52));
        else Check(false, "unknown scenario " + Utf8(s));
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

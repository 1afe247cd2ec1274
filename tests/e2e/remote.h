// Tavrune.exe driven from another process as a person would: started, found
// by its window, clicked with real input, read through its own controls. The
// end-to-end driver's harness, and the benchmark's instrument (its start-up
// ends where Start returns: the window shown and answering).
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "shared.h"
#include "win32/resource.h"

namespace remote {

// Polls until `condition` holds; false after `ms` without.
template <typename Condition>
bool Within(DWORD ms, Condition condition) {
    for (DWORD start = GetTickCount(); !condition(); Sleep(10))
        if (GetTickCount() - start > ms) return false;
    return true;
}

// A press and its release.
constexpr DWORD kClick = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP;
// A click, or with `events` a press or a release alone, at a point of the
// screen: one batch, each event carrying the point, so that nothing comes
// between the move and the button, nor between the press and its release.
// The point is the middle of its pixel on the 0..65535 scale of the primary
// monitor, the only one here (Microsoft's MOUSEINPUT page), which any
// rounding maps back to it.
// With no events, a move alone.
inline void ClickAt(POINT p, DWORD events = kClick) {
    std::vector<INPUT> batch;
    for (DWORD button : {DWORD(MOUSEEVENTF_LEFTDOWN), DWORD(MOUSEEVENTF_LEFTUP), DWORD(0)}) {
        if (events ? !(events & button) : button != 0) continue;
        INPUT in = {INPUT_MOUSE};
        in.mi.dx = (p.x * 65536 + 32768) / GetSystemMetrics(SM_CXSCREEN);
        in.mi.dy = (p.y * 65536 + 32768) / GetSystemMetrics(SM_CYSCREEN);
        in.mi.dwFlags = button | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        batch.push_back(in);
    }
    SendInput(static_cast<UINT>(batch.size()), batch.data(), sizeof(INPUT));
}

inline void ClickAt(HWND control, DWORD events = kClick) {
    RECT r;
    GetWindowRect(control, &r);
    ClickAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, events);
}

inline std::string Utf8(const std::wstring& text) {
    std::string bytes(text.size() * 3, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0],
                                      static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(n > 0 ? n : 0);
    return bytes;
}

// A message the driver or the benchmark sends, by its name.
inline std::string MessageName(UINT message) {
#define TAVRUNE_MESSAGE(m) \
    { m, #m }
    static const std::pair<UINT, const char*> names[] = {
        TAVRUNE_MESSAGE(WM_NULL),        TAVRUNE_MESSAGE(WM_CLOSE),       TAVRUNE_MESSAGE(WM_QUERYENDSESSION),
        TAVRUNE_MESSAGE(BM_GETCHECK),    TAVRUNE_MESSAGE(LB_GETCOUNT),    TAVRUNE_MESSAGE(LB_GETTEXT),
        TAVRUNE_MESSAGE(LB_GETTEXTLEN),  TAVRUNE_MESSAGE(LB_GETSEL),      TAVRUNE_MESSAGE(LB_GETCARETINDEX),
        TAVRUNE_MESSAGE(LB_GETTOPINDEX), TAVRUNE_MESSAGE(LB_SETTOPINDEX), TAVRUNE_MESSAGE(LB_GETITEMRECT),
        TAVRUNE_MESSAGE(LB_GETSELCOUNT)};
#undef TAVRUNE_MESSAGE
    for (const auto& [number, name] : names)
        if (number == message) return name;
    char other[40];
    std::snprintf(other, sizeof other, "message 0x%04X", message);
    return message == RegisterWindowMessageW(e2e::kTestMessage) ? "the hook's test message" : other;
}

struct App {
    PROCESS_INFORMATION process = {};
    HWND hwnd = nullptr;

    App() = default;
    App(const App&) = delete;
    ~App() {
        if (!process.hProcess) return;
        if (Running()) TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }

    // Started detached, as from Explorer: a GUI program has no console, so
    // each cmd.exe it starts gets its own (with no window). `prepare`, when
    // given, sees the process before its first instruction runs; waits for
    // its shown window of `windowClass`, when given, and brings it to the front.
    bool Start(const std::wstring& exe, const wchar_t* windowClass, const wchar_t* folder = nullptr,
               const std::function<void(const PROCESS_INFORMATION&)>& prepare = nullptr) {
        std::wstring line = L"\"" + exe + L"\"";
        STARTUPINFOW si = {sizeof si};
        const DWORD flags = DETACHED_PROCESS | CREATE_SUSPENDED;
        if (!CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, flags, nullptr, folder, &si,
                            &process))
            return false;
        if (prepare) prepare(process);
        ResumeThread(process.hThread);
        if (windowClass)
            Within(20000, [&] {
                // The program's first thread makes its window.
                for (HWND h = nullptr; (h = FindWindowExW(nullptr, h, windowClass, nullptr)) != nullptr;)
                    if (GetWindowThreadProcessId(h, nullptr) == process.dwThreadId && IsWindowVisible(h))
                        hwnd = h;
                return hwnd != nullptr;
            });
        if (hwnd) SetForegroundWindow(hwnd);
        Sync();
        return !windowClass || hwnd;
    }
    // The window manager may move a new window a moment after it shows, and
    // a click aimed at the old place is lost: waits until `window` stands
    // still in front.
    static bool StandStill(HWND window) {
        RECT was = {};
        RECT now = {};
        return Within(5000, [&] {
            was = now;
            Sleep(100);
            GetWindowRect(window, &now);
            return GetForegroundWindow() == window && EqualRect(&was, &now);
        });
    }
    bool Running() const { return WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT; }
    // Posts WM_CLOSE to the window, as its close button does, or WM_QUIT
    // with `quitCode` to its thread (0: nothing) while it runs; then its exit
    // code once it has ended (0: cleanly), STILL_ACTIVE if not within 30 s.
    DWORD Stop(UINT message = WM_CLOSE, WPARAM quitCode = 0) const {
        if (Running() && message == WM_CLOSE) PostMessageW(hwnd, WM_CLOSE, 0, 0);
        if (Running() && message == WM_QUIT) PostThreadMessageW(process.dwThreadId, WM_QUIT, quitCode, 0);
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &code);
        return code;
    }

    // A sent message returns once the program is back in a message loop; the
    // time-out keeps a hung program from hanging the test. A message left
    // unanswered is no answer: it is noted in `unanswered`, which a check
    // reads as a failure.
    mutable std::string unanswered;
    LRESULT Send(HWND h, UINT message, WPARAM w = 0, LPARAM l = 0, UINT ms = 20000) const {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(h, message, w, l, SMTO_NORMAL, ms, &result))
            unanswered += " " + MessageName(message);
        return static_cast<LRESULT>(result);
    }
    // True when the window answered within `ms`.
    bool Sync(UINT ms = 20000) const {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, ms, &result) != 0;
    }
    HWND Control(int id) const { return GetDlgItem(hwnd, id); }
    bool Checked(int option) const { return Send(Control(IDC_OPTION1 + option), BM_GETCHECK) == BST_CHECKED; }
    // The window is brought to the front first, as a person's click would:
    // the consoles of the commands a run starts can take the activation, and
    // then the click that only activates the window is lost. The caller
    // waits for what the click does.
    bool Front() const {
        return Within(5000, [&] { return SetForegroundWindow(hwnd) && GetForegroundWindow() == hwnd; });
    }
    void Click(int id) const {
        Front();
        ClickAt(Control(id));
    }

    LRESULT List(UINT message, WPARAM w = 0, LPARAM l = 0) const {
        return Send(Control(IDC_LIST1), message, w, l);
    }
    // Row i's rectangle, in the list's client area.
    RECT Row(int i) const {
        RECT r = {};
        List(LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        return r;
    }
    int Count() const { return static_cast<int>(List(LB_GETCOUNT)); }
    // Room to spare: a run may lengthen the row between the two messages.
    std::wstring Text(int i) const {
        wchar_t text[1024] = {};
        const LRESULT n = List(LB_GETTEXTLEN, static_cast<WPARAM>(i));
        return n > 0 && n < 256 && List(LB_GETTEXT, i, reinterpret_cast<LPARAM>(text)) > 0 ? text : L"";
    }

    // The message box this window owns, while one is shown.
    HWND Box() const {
        HWND box = nullptr;
        while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) && GetWindow(box, GW_OWNER) != hwnd) {
        }
        return box && IsWindowVisible(box) ? box : nullptr;
    }
    // The box that `trigger` brings, modal, answered with a real click on
    // `answer` once it stands still: what `describe` says of it, then its
    // title and text in UTF-8, their lines joined by "|"; or, without a "|",
    // what went wrong.
    template <typename Trigger>
    std::string AnswerBox(int answer, Trigger trigger,
                          const std::function<std::string(HWND)>& describe = nullptr) const {
        trigger();
        HWND box = nullptr;
        if (!Within(10000, [&] { return (box = Box()) != nullptr; })) return "no box came";
        const std::string described = describe ? describe(box) + "|" : "";
        wchar_t text[1024] = {};
        const int title = GetWindowTextW(box, text, 256);
        text[title] = L'\n';
        GetDlgItemTextW(box, 0xFFFF, text + title + 1, 1000);
        const bool modal = !IsWindowEnabled(hwnd);
        StandStill(box);
        ClickAt(GetDlgItem(box, answer));
        if (!Within(10000, [&] { return !IsWindow(box); })) return "the box stayed";
        // Under Wine the owner may be left inactive after its box (see the
        // driver's FocusOn): brought to the front, as a user would.
        Front();
        Sync();
        if (!modal) return "its owner was left enabled";
        std::string said = Utf8(text);
        std::replace(said.begin(), said.end(), '\n', '|');
        return described + said;
    }
};

}  // namespace remote

// Tavrune.exe driven from another process as a person would: started, found
// by its window, clicked with real input, read through its own controls.
// Shared by the end-to-end driver and the benchmark.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

#include "win32/resource.h"

namespace remote {

// Polls until `condition` holds; false after `ms` without.
template <typename Condition>
bool Within(DWORD ms, Condition condition) {
    for (DWORD start = GetTickCount(); !condition(); Sleep(10)) {
        if (GetTickCount() - start > ms) return false;
    }
    return true;
}

// A click (or with `events`, a press alone) at the control's centre, or `dx`, `dy` into it.
inline void ClickAt(HWND control, int dx = -1, int dy = -1,
                    DWORD events = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP) {
    RECT r;
    GetWindowRect(control, &r);
    SetCursorPos(dx < 0 ? (r.left + r.right) / 2 : r.left + dx, dy < 0 ? (r.top + r.bottom) / 2 : r.top + dy);
    mouse_event(events, 0, 0, 0, 0);
}

// The process's handles, from the system's handle table: Wine's
// GetProcessHandleCount answers 0 whatever the process holds.
inline DWORD HandleCount(DWORD pid) {
    struct Entry {  // of SystemHandleInformation (16)
        ULONG pid, typeFlagsHandle;
        PVOID object;
        ACCESS_MASK access;
    };
    static const auto query = reinterpret_cast<LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::string buffer(1 << 20, '\0');
    while (query && query(16, &buffer[0], static_cast<ULONG>(buffer.size()), nullptr) != 0 &&
           buffer.size() < (64u << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
    return static_cast<DWORD>(std::count_if(entries, entries + *reinterpret_cast<const ULONG*>(buffer.data()),
                                            [pid](const Entry& e) { return e.pid == pid; }));
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
    // each cmd.exe it starts gets its own (with no window). Put in `job`
    // before it runs, when given; waits for its shown window of
    // `windowClass`, when given, and brings it to the front.
    bool Start(const std::wstring& exe, const wchar_t* windowClass, const wchar_t* folder = nullptr,
               HANDLE job = nullptr) {
        std::wstring command = L"\"" + exe + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        if (!CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE,
                            DETACHED_PROCESS | CREATE_SUSPENDED, nullptr, folder, &si, &process))
            return false;
        if (job) AssignProcessToJobObject(job, process.hProcess);
        ResumeThread(process.hThread);
        for (DWORD start = GetTickCount(); windowClass && !hwnd && GetTickCount() - start < 20000; Sleep(1)) {
            for (HWND h = nullptr; (h = FindWindowExW(nullptr, h, windowClass, nullptr)) != nullptr;) {
                DWORD pid = 0;
                GetWindowThreadProcessId(h, &pid);
                if (pid == process.dwProcessId && IsWindowVisible(h)) hwnd = h;
            }
        }
        if (hwnd) SetForegroundWindow(hwnd);
        Sync();
        return !windowClass || hwnd;
    }
    bool Running() const { return WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT; }
    // Like the title bar's close button; true when the program has ended.
    bool Close() const {
        if (Running()) PostMessageW(hwnd, WM_CLOSE, 0, 0);
        return WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
    }

    // A sent message returns once the program is back in a message loop; the
    // time-out keeps a hung program from hanging the test.
    LRESULT Send(HWND h, UINT message, WPARAM w = 0, LPARAM l = 0) const {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(h, message, w, l, SMTO_NORMAL, 20000, &result);
        return static_cast<LRESULT>(result);
    }
    void Sync() const { Send(hwnd, WM_NULL); }
    HWND Control(int id) const { return GetDlgItem(hwnd, id); }
    bool Checked(int option) const { return Send(Control(IDC_OPTION1 + option), BM_GETCHECK) == BST_CHECKED; }
    // The window is brought to the front first, as a person's click would:
    // the consoles of the commands a run starts can take the activation, and
    // then the click that only activates the window is lost.
    void Click(int id) const {
        SetForegroundWindow(hwnd);
        ClickAt(Control(id));
        Sleep(50);
        Sync();
    }

    int Count() const { return static_cast<int>(Send(Control(IDC_LIST1), LB_GETCOUNT)); }
    bool Marked(int i) const { return Send(Control(IDC_LIST1), LB_GETSEL, static_cast<WPARAM>(i)) > 0; }
    // Room to spare: a run may lengthen the row between the two messages.
    std::wstring Text(int i) const {
        wchar_t text[1024] = {};
        const LRESULT n = Send(Control(IDC_LIST1), LB_GETTEXTLEN, static_cast<WPARAM>(i));
        return n > 0 && n < 256 &&
                       Send(Control(IDC_LIST1), LB_GETTEXT, static_cast<WPARAM>(i),
                            reinterpret_cast<LPARAM>(text)) > 0
                   ? text
                   : L"";
    }
    bool Completed() const {
        const int n = Count();
        return n > 0 && Text(n - 1) == L"优化完成！" && IsWindowEnabled(Control(IDC_COMMAND1));
    }

    // The message box this window owns, while one is shown.
    HWND Box() const {
        HWND box = nullptr;
        while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) && GetWindow(box, GW_OWNER) != hwnd)
            continue;
        return box && IsWindowVisible(box) ? box : nullptr;
    }
    // The warning box that `trigger` brings, answered with a real click on
    // `answer` once `inspect` has seen it; false if no box came or stayed.
    template <typename Trigger, typename Inspect = void (*)(HWND)>
    bool AnswerBox(
        int answer, Trigger trigger, Inspect inspect = [](HWND) {}) const {
        trigger();
        HWND box = nullptr;
        Within(10000, [&] { return (box = Box()) != nullptr; });
        if (!box) return false;
        inspect(box);
        Sleep(100);
        ClickAt(GetDlgItem(box, answer));
        const bool gone = Within(10000, [&] { return !IsWindow(box); });
        Sync();
        return gone;
    }
};

}  // namespace remote

#include "platform/win32/win32_platform.h"

#include <memory>
#include <string>

namespace tavrune {

// One command, or a pair whose second waits for the first to end; run on a
// thread of its own.
struct ProcessStart {
    std::wstring interpreter, folder;
    std::wstring commandLine, then;  // CreateProcessW may write into them
    HANDLE firstStarted = nullptr;   // set once `commandLine` has been started, or could not be
    bool started = false, thenStarted = true;

    HANDLE Start(std::wstring& line) const {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION process = {};
        // CREATE_NO_WINDOW: the interpreter and sc get a console with no
        // window at all, instead of a window that is made and then hidden.
        if (!CreateProcessW(interpreter.c_str(), &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                            folder.c_str(), &startup, &process)) {
            return nullptr;
        }
        CloseHandle(process.hThread);
        return process.hProcess;
    }
};

namespace {

DWORD WINAPI StartProcesses(void* param) {
    auto* start = static_cast<ProcessStart*>(param);
    HANDLE process = start->Start(start->commandLine);
    start->started = process != nullptr;
    if (start->firstStarted) SetEvent(start->firstStarted);
    if (process && !start->then.empty()) {
        WaitForSingleObject(process, kOrderedStartWaitMs);
        HANDLE next = start->Start(start->then);
        start->thenStarted = next != nullptr;
        if (next) CloseHandle(next);
    }
    if (process) CloseHandle(process);
    return 0;
}

std::wstring Line(const std::u16string& commandLine) {
    return std::wstring(Wide(commandLine), commandLine.size()) + L'\0';
}

// Touch and pen input wake a wait only when asked for, and systems before
// Windows 8 (which has no GetPointerType) reject the two bits.
DWORD WakeMask() {
    static const bool pointers = SystemFunction<void*>(L"user32.dll", "GetPointerType") != nullptr;
    return QS_ALLINPUT | (pointers ? 0x0800 | 0x1000 : 0);  // QS_TOUCH | QS_POINTER
}

}  // namespace

std::wstring SystemFolder() {
    wchar_t buffer[MAX_PATH];
    const UINT n = GetSystemDirectoryW(buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::wstring();
    return std::wstring(buffer, n);
}

Win32Platform::Win32Platform() {
    // With this set, cmd looks "sc" up on PATH alone instead of first in the
    // system folder it is started in, and the first sc.* on PATH would run
    // elevated. The commands inherit the program's environment.
    SetEnvironmentVariableW(L"NoDefaultCurrentDirectoryInExePath", nullptr);
}

Win32Platform::~Win32Platform() {
    // A thread must not outlive the start it reads.
    for (Pending& p : pending_) {
        WaitForSingleObject(p.thread, INFINITE);
        CloseHandle(p.thread);
    }
}

bool Win32Platform::StartHidden(const std::u16string& commandLine) { return Launch(commandLine, u""); }

bool Win32Platform::StartHiddenThen(const std::u16string& first, const std::u16string& then) {
    return Launch(first, then);
}

bool Win32Platform::Launch(const std::u16string& first, const std::u16string& then) {
    // The interpreter is started by its full path, in the system folder, so
    // that a cmd.exe beside the program or in the current folder cannot run,
    // and "sc" resolves to the system's own sc.exe for the same reason.
    const std::wstring folder = SystemFolder();
    if (folder.empty()) return false;
    auto start = std::make_unique<ProcessStart>();
    *start = {folder + L"\\cmd.exe", folder, Line(first), then.empty() ? std::wstring() : Line(then)};
    if (!then.empty() && !(start->firstStarted = CreateEventW(nullptr, TRUE, FALSE, nullptr))) return false;

    // A process start takes tens to hundreds of milliseconds, in which the
    // window would answer nothing: it runs on a thread of its own while this
    // one goes on dispatching the window's messages. The next command starts
    // only once this one has; a `then` is started later by the same thread.
    HANDLE thread = CreateThread(nullptr, 0, StartProcesses, start.get(), 0, nullptr);
    if (!thread)
        StartProcesses(start.get());  // the whole pair, here and now
    else
        Wait(start->firstStarted ? start->firstStarted : thread);
    const bool started = start->started && (thread || start->thenStarted);
    if (start->firstStarted) CloseHandle(start->firstStarted);
    if (thread && !then.empty())
        pending_.push_back({thread, std::move(start)});
    else if (thread)
        CloseHandle(thread);
    return started;
}

bool Win32Platform::FinishStarts() {
    std::vector<Pending> pending;
    pending.swap(pending_);
    bool all = true;
    for (Pending& p : pending) {
        Wait(p.thread);
        CloseHandle(p.thread);
        all = all && p.start->thenStarted;
    }
    return all;
}

void Win32Platform::Wait(HANDLE handle) {
    // After WM_QUIT nothing more is dispatched, but the start is still waited
    // for (the thread must not outlive it) and what other threads send, a
    // log-off query among them, is still answered meanwhile.
    bool quit = false;
    do {
        MSG msg;
        if (quit)
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        else
            quit = !DispatchPending();
    } while (MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, quit ? QS_SENDMESSAGE : WakeMask()) ==
             WAIT_OBJECT_0 + 1);
    WaitForSingleObject(handle, INFINITE);  // after a failed wait
}

bool Win32Platform::CanChangeServices() {
    // Changing a service's start type is for administrators, and of the
    // service manager's rights only they are granted its lock.
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_LOCK);
    if (manager) CloseServiceHandle(manager);
    return manager != nullptr;
}

bool Win32Platform::DispatchPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            if (onQuit) onQuit();
            return false;
        }
        if (preTranslate && preTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

void Win32Platform::ProcessPendingEvents() { DispatchPending(); }

bool Win32Platform::InputPending() { return GetInputState() != FALSE; }

bool Win32Platform::ConfirmWarning(const std::u16string& text, const std::u16string& title) {
    return MessageBoxW(owner, Wide(text), Wide(title), MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
}

void Win32Platform::ShowError(const std::u16string& text, const std::u16string& title) {
    MessageBoxW(owner, Wide(text), Wide(title), MB_OK | MB_ICONERROR);
}

std::vector<std::uint8_t> Win32Platform::LoadResource(const std::u16string& type, int id) {
    // The profiles are stored under Chinese (PRC); any other language of the
    // same resource is taken as a fallback.
    const WORD prc = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
    HRSRC found = FindResourceExW(nullptr, Wide(type), MAKEINTRESOURCEW(id), prc);
    if (!found) found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), Wide(type));
    if (!found) return {};
    const DWORD size = SizeofResource(nullptr, found);
    HGLOBAL loaded = ::LoadResource(nullptr, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

std::optional<std::u16string> Win32Platform::DecodeCp936(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) return std::u16string();
    const auto* in = reinterpret_cast<const char*>(bytes.data());
    const int inSize = static_cast<int>(bytes.size());
    // Fails only where code page 936 is not installed: the bytes are
    // converted whatever they hold.
    const int n = MultiByteToWideChar(936, 0, in, inSize, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::u16string out(static_cast<std::size_t>(n), u'\0');
    MultiByteToWideChar(936, 0, in, inSize, reinterpret_cast<wchar_t*>(&out[0]), n);
    return out;
}

}  // namespace tavrune

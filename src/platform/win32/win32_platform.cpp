#include "platform/win32/win32_platform.h"

#include <string>

namespace tavrune {

namespace {

std::wstring SystemFolder() {
    wchar_t buffer[MAX_PATH];
    const UINT n = GetSystemDirectoryW(buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::wstring();
    return std::wstring(buffer, n);
}

struct ProcessStart {
    std::wstring interpreter, folder;
    std::wstring commandLine;  // CreateProcessW may write into it
    bool started = false;
};

DWORD WINAPI StartProcess(void* param) {
    auto* start = static_cast<ProcessStart*>(param);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    // CREATE_NO_WINDOW: the interpreter and sc get a console with no window
    // at all, instead of a window that is made and then hidden.
    start->started = CreateProcessW(start->interpreter.c_str(), &start->commandLine[0], nullptr, nullptr, FALSE,
                                    CREATE_NO_WINDOW, nullptr, start->folder.c_str(), &startup, &process) != FALSE;
    if (start->started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return 0;
}

}  // namespace

bool Win32Platform::StartHidden(const std::u16string& commandLine) {
    // The interpreter is started by its full path, in the system folder, so
    // that a cmd.exe beside the program or in the current folder cannot run,
    // and "sc" resolves to the system's own sc.exe for the same reason.
    const std::wstring folder = SystemFolder();
    if (folder.empty()) return false;
    ProcessStart start{folder + L"\\cmd.exe", folder, std::wstring(Wide(commandLine), commandLine.size()) + L'\0'};

    // A process start takes tens to hundreds of milliseconds, in which the
    // window would answer nothing: it runs on a thread of its own while this
    // one goes on dispatching the window's messages. The next command starts
    // only once this one has.
    HANDLE thread = CreateThread(nullptr, 0, StartProcess, &start, 0, nullptr);
    if (!thread) {
        StartProcess(&start);
        return start.started;
    }
    while (DispatchPending() &&
           MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    }
    // After WM_QUIT (or a failed wait) nothing more is dispatched, but the
    // start is still waited for: the thread must not outlive `start`.
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return start.started;
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

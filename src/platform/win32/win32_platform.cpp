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

}  // namespace

bool Win32Platform::StartHidden(const std::u16string& commandLine) {
    // The interpreter is started by its full path, in the system folder, so
    // that a cmd.exe beside the program or in the current folder cannot run,
    // and "sc" resolves to the system's own sc.exe for the same reason.
    const std::wstring folder = SystemFolder();
    if (folder.empty()) return false;
    const std::wstring interpreter = folder + L"\\cmd.exe";

    // CreateProcessW may write into the command line buffer.
    std::wstring buffer(Wide(commandLine), commandLine.size());
    buffer.push_back(L'\0');

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(interpreter.c_str(), &buffer[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void Win32Platform::ProcessPendingEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            if (onQuit) onQuit();
            return;
        }
        if (preTranslate && preTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

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

// sc.exe of the test prefix (Wine's own has no "config" verb): records the
// command line it was given, one file per call in the folder named by
// TAVRUNE_SC_RECORDS, so that concurrent calls need no lock, and changes
// nothing. Without that variable it only exits, which is the benchmark's
// quick sc.
#include <windows.h>

#include <string>

int wmain() {
    wchar_t folder[MAX_PATH], path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"TAVRUNE_SC_RECORDS", folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || !GetTempFileNameW(folder, L"sc", 0, path)) return 0;  // a new, unique file
    const std::wstring line = GetCommandLineW();
    const std::string text(line.begin(), line.end());  // the commands are ASCII
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr);
    DWORD written = 0;
    const bool ok = f != INVALID_HANDLE_VALUE && WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    return ok ? 0 : 1;
}

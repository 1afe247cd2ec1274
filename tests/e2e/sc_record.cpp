// sc.exe of the test prefix (Wine's own has no "config" verb): records the
// command line it was given, one file per call in the folder named by
// TAVRUNE_SC_RECORDS, so that concurrent calls need no lock, and changes
// nothing. Without that variable it only exits, which is the benchmark's
// quick sc.
#include <windows.h>

#include <string>

int wmain() {
    wchar_t folder[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"TAVRUNE_SC_RECORDS", folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 0;
    const std::wstring line = GetCommandLineW();
    std::string text(line.begin(), line.end());  // the commands are ASCII
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring path = std::wstring(folder) + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(attempt) + L".txt";
        HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) continue;
        DWORD written = 0;
        WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(f);
        return 0;
    }
    return 1;
}

// Planted beside Tavrune.exe as cmd.exe and sc.exe: if it ever runs, it
// leaves "<its name>.ran" next to itself, which the test looks for.
#include <windows.h>

int wmain() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH - 5);
    if (n == 0 || n >= MAX_PATH - 5) return 1;
    lstrcatW(path, L".ran");
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    return 0;
}

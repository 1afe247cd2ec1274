// sc.exe of the test prefix (Wine's own has no "config" verb): records the
// command line it was given, that of the interpreter that started it, and
// when it began and ended on the performance counter (one clock for every
// process, as the benchmark reads it), tab-separated, one file per call (sc_*.tmp) in the folder named
// by TAVRUNE_SC_RECORDS, so that concurrent calls need no lock; it changes
// nothing. TAVRUNE_SC_CONFIG_MS makes "config" take that long, as a busy
// service manager or a virus scanner can. Without TAVRUNE_SC_RECORDS it only
// exits, which is the benchmark's quick sc.
#include <windows.h>
#include <winternl.h>

#include <string>

#include "clock.h"

namespace {

// Read from the parent's process parameters: Windows has no call for it.
std::wstring ParentCommandLine() {
    PROCESS_BASIC_INFORMATION self = {}, parent = {};
    NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &self, sizeof self, nullptr);
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE,
                           static_cast<DWORD>(self.InheritedFromUniqueProcessId));
    PEB peb = {};
    RTL_USER_PROCESS_PARAMETERS parameters = {};
    std::wstring line;
    if (p && NtQueryInformationProcess(p, ProcessBasicInformation, &parent, sizeof parent, nullptr) == 0 &&
        ReadProcessMemory(p, parent.PebBaseAddress, &peb, sizeof peb, nullptr) &&
        ReadProcessMemory(p, peb.ProcessParameters, &parameters, sizeof parameters, nullptr)) {
        line.resize(parameters.CommandLine.Length / sizeof(wchar_t));
        ReadProcessMemory(p, parameters.CommandLine.Buffer, &line[0], parameters.CommandLine.Length, nullptr);
    }
    if (p) CloseHandle(p);
    return line;
}

}  // namespace

int wmain() {
    const std::wstring began = std::to_wstring(Micros());
    wchar_t folder[MAX_PATH], path[MAX_PATH], ms[16];
    const DWORD n = GetEnvironmentVariableW(L"TAVRUNE_SC_RECORDS", folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || !GetTempFileNameW(folder, L"new", 0, path))
        return 0;  // a new, unique file
    if (wcsstr(GetCommandLineW(), L" config ") && GetEnvironmentVariableW(L"TAVRUNE_SC_CONFIG_MS", ms, 16))
        Sleep(_wtoi(ms));
    const std::wstring line =
        GetCommandLineW() + (L"\t" + ParentCommandLine()) + L"\t" + began + L"\t" + std::to_wstring(Micros());
    const std::string text(line.begin(), line.end());  // the commands are ASCII
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr);
    DWORD written = 0;
    const bool ok = f != INVALID_HANDLE_VALUE &&
                    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    // Named as a record once written: the driver never reads one half made.
    // The temporary name alone is no unique record name: once renamed, it can
    // be handed out again to a later call.
    std::wstring record = path;
    record.replace(record.rfind(L"\\new") + 1, 3, L"sc_" + std::to_wstring(GetCurrentProcessId()) + L"_");
    return ok && MoveFileW(path, record.c_str()) ? 0 : 1;
}

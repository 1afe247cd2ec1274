// sc.exe of the test prefix (Wine's own has no "config" verb), and the
// cmd.exe and sc.exe the tests plant beside Tavrune.exe. It changes nothing:
// it records the command line it got, one file per call (no lock between
// concurrent calls) in the records folder, whole or not at all. Four faults show in the record:
//  - a start begun before its service's configure had ended: Windows does
//    not start a service that is still disabled (Microsoft's StartService
//    page, ERROR_SERVICE_DISABLED);
//  - an environment that still holds NoDefaultCurrentDirectoryInExePath,
//    with which cmd looks "sc" up on PATH alone (Microsoft's
//    NeedCurrentDirectoryForExePathW page);
//  - a program run that is not the system's sc.exe (its path is recorded);
//  - the start of a hung configure's service not about kConfigureWaitMs
//    after that configure began (the time is recorded).
// A "config" takes kConfigMsVar's time, as under a busy service manager, or
// kHangMs for the key kHangVar names, whose start must come about
// kConfigureWaitMs after that configure began. Without a records folder it
// only exits (the benchmark's quick sc).
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "records.h"
#include "shared.h"

namespace {

std::wstring Env(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    return GetEnvironmentVariableW(name, value, MAX_PATH) < MAX_PATH ? value : L"";
}

}  // namespace

int wmain() {
    const DWORD now = GetTickCount();
    const std::wstring folder = Env(e2e::kRecordsVar);
    if (folder.empty()) return 0;
    std::wstring line = GetCommandLineW();
    // The commands are ASCII.
    const std::string ascii(line.begin(), line.end());
    const std::wstring hung = L"sc config " + Env(e2e::kHangVar) + L" ";
    const bool hangs = line.rfind(hung, 0) == 0;
    if (hangs) std::ofstream((folder + L"\\hung.txt").c_str()) << now;
    if (line.rfind(L"sc config ", 0) == 0)
        Sleep(hangs ? e2e::kHangMs : _wtoi(Env(e2e::kConfigMsVar).c_str()));
    // A finished configure has its record.
    bool configured = false;
    for (const std::string& record : ReadRecords(folder))
        configured = configured || record.rfind("sc config " + ascii.substr(9) + " ", 0) == 0;
    // The hung configure's start, more than two seconds (a cmd.exe either
    // way, under load) from the longest the program waits.
    DWORD began = 0;
    if (line.rfind(L"sc start " + hung.substr(10), 0) == 0 &&
        std::ifstream((folder + L"\\hung.txt").c_str()) >> began &&
        std::labs(static_cast<LONG>(now - began - e2e::kConfigureWaitMs)) > 2000)
        line += L"\t" + std::to_wstring(now - began) + L" ms after its configure began";
    if (line.rfind(L"sc start ", 0) == 0 && !configured) line += L"\tbefore its configure ended";
    if (!Env(L"NoDefaultCurrentDirectoryInExePath").empty()) line += L"\tNoDefaultCurrentDirectoryInExePath";
    wchar_t self[MAX_PATH];
    wchar_t system[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    GetSystemDirectoryW(system, MAX_PATH);
    if (lstrcmpiW(self, (system + std::wstring(L"\\sc.exe")).c_str()) != 0)
        line += L"\t" + std::wstring(self);
    // Written under a name of its own that no reader looks for, then renamed
    // in one step to the first free record name: a reader (the driver, or
    // another call) sees the record whole or not at all. Tried again for a
    // while if either step fails, as under load a call must not be lost.
    const std::wstring temp = folder + L"\\new" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    for (DWORD n = GetCurrentProcessId() << 8, tries = 0; tries < 500; ++n, ++tries) {
        const bool written = static_cast<bool>(std::ofstream(temp.c_str(), std::ios::binary)
                                               << std::string(line.begin(), line.end()));
        if (written && MoveFileW(temp.c_str(), (folder + L"\\sc_" + std::to_wstring(n) + L".rec").c_str()))
            return 0;
        Sleep(10);
    }
    return 1;
}

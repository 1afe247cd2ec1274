// sc.exe of the test prefix (Wine's own has no "config" verb), and the
// cmd.exe and sc.exe the tests plant beside Tavrune.exe. It changes nothing:
// it records the command line it got, one file per call (no lock between
// concurrent calls) in the folder TAVRUNE_SC_RECORDS names. Three faults
// show in the record: a start begun before its service's configure had
// ended, an environment that still holds NoDefaultCurrentDirectoryInExePath,
// and a program run that is not the system's sc.exe (its path is recorded).
// A "config" takes TAVRUNE_SC_CONFIG_MS, as under a busy service manager, or
// 14 s for the key TAVRUNE_SC_HANG names: longer than the program waits for
// a configure. Without TAVRUNE_SC_RECORDS it only exits (the benchmark's
// quick sc).
#include <windows.h>

#include <fstream>
#include <string>

#include "records.h"

namespace {

std::wstring Env(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    return GetEnvironmentVariableW(name, value, MAX_PATH) < MAX_PATH ? value : L"";
}

}  // namespace

int wmain() {
    const std::wstring folder = Env(L"TAVRUNE_SC_RECORDS");
    if (folder.empty()) return 0;
    std::wstring line = GetCommandLineW();
    // The commands are ASCII.
    const std::string ascii(line.begin(), line.end());
    const bool hangs = line.rfind(L"sc config " + Env(L"TAVRUNE_SC_HANG") + L" ", 0) == 0;
    if (line.rfind(L"sc config ", 0) == 0) Sleep(hangs ? 14000 : _wtoi(Env(L"TAVRUNE_SC_CONFIG_MS").c_str()));
    // A finished configure has its record.
    bool configured = false;
    for (const std::string& record : ReadRecords(folder)) {
        configured = configured || record.rfind("sc config " + ascii.substr(9) + " ", 0) == 0;
    }
    if (line.rfind(L"sc start ", 0) == 0 && !configured) line += L"\tbefore its configure ended";
    if (!Env(L"NoDefaultCurrentDirectoryInExePath").empty()) line += L"\tNoDefaultCurrentDirectoryInExePath";
    wchar_t self[MAX_PATH];
    wchar_t system[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    GetSystemDirectoryW(system, MAX_PATH);
    if (lstrcmpiW(self, (system + std::wstring(L"\\sc.exe")).c_str()) != 0)
        line += L"\t" + std::wstring(self);
    // Made, with a name of its own, only once the call is over: the driver
    // reads the records once no new one has come for a while.
    wchar_t path[MAX_PATH];
    if (!GetTempFileNameW(folder.c_str(), L"sc_", 0, path)) return 1;
    std::ofstream(path, std::ios::binary) << std::string(line.begin(), line.end());
    return 0;
}

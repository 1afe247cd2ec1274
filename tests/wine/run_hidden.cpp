// Starts command lines from the Windows side, the way Tavrune does: each
// argument is one complete "cmd /c ..." line, handed unchanged to
// CreateProcessW with the system folder's cmd.exe as the program, the system
// folder as working folder and the window hidden. All are started before any
// is waited for (Tavrune does not wait between a row's stop, config and start
// either).
//
//   run_hidden.exe "cmd /c  sc stop Spooler" "cmd /c  sc config Spooler start= \"disabled\""
//
// Prints "<exit code>\t<command line>" for each, in argument order, and exits
// with the first non-zero exit code (0 when all succeeded). A process still
// running after TAVRUNE_RUN_TIMEOUT_MS (default 60000) is reported with exit
// code 258 (WAIT_TIMEOUT) and left alone.

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

int wmain() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2) {
        fwprintf(stderr, L"usage: run_hidden.exe \"COMMAND LINE\" ...\n");
        return ERROR_INVALID_COMMAND_LINE;
    }

    DWORD timeoutMs = 60000;
    wchar_t buffer[32];
    DWORD got = GetEnvironmentVariableW(L"TAVRUNE_RUN_TIMEOUT_MS", buffer, 32);
    if (got > 0 && got < 32) {
        unsigned long parsed = wcstoul(buffer, nullptr, 10);
        if (parsed > 0) timeoutMs = parsed;
    }

    wchar_t folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return static_cast<int>(GetLastError());
    const std::wstring interpreter = std::wstring(folder) + L"\\cmd.exe";

    std::vector<HANDLE> processes(argc, nullptr);
    std::vector<DWORD> codes(argc, 0);
    for (int i = 1; i < argc; ++i) {
        std::wstring commandLine = argv[i];  // CreateProcessW may write into it
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(interpreter.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                           nullptr, folder, &si, &pi)) {
            CloseHandle(pi.hThread);
            processes[i] = pi.hProcess;
        } else {
            codes[i] = GetLastError();
        }
    }

    DWORD deadline = GetTickCount() + timeoutMs;
    int rc = 0;
    for (int i = 1; i < argc; ++i) {
        if (processes[i]) {
            DWORD now = GetTickCount();
            DWORD left = static_cast<int>(deadline - now) > 0 ? deadline - now : 0;
            if (WaitForSingleObject(processes[i], left) == WAIT_OBJECT_0)
                GetExitCodeProcess(processes[i], &codes[i]);
            else
                codes[i] = WAIT_TIMEOUT;
            CloseHandle(processes[i]);
        }
        fwprintf(stdout, L"%lu\t%ls\n", codes[i], argv[i]);
        if (rc == 0 && codes[i] != 0) rc = static_cast<int>(codes[i]);
    }
    fflush(stdout);
    LocalFree(argv);
    return rc;
}

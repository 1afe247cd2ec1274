// sc.exe stand-in for the Wine end-to-end tests.
//
// Wine's own sc.exe knows no "config" verb, so the tests install this program
// as C:\windows\system32\sc.exe. It does what the real sc does for the three
// verbs Tavrune uses (stop, start, config ... start= TYPE), and appends the raw
// command line it was given to a log so a test can see exactly what was run.
//
// Log: %TAVRUNE_SC_LOG% (a Windows path), else C:\tavrune-sc.log. One UTF-8
// line per invocation, "\n"-terminated, written before the service is touched
// so a record exists even when the service call fails. Variables from the Unix
// environment reach this program unchanged through Wine's cmd.exe.
//
// Exit code: 0 on success, else the Win32 error (1060: no such service, 1062:
// not running, 1056: already running, 1058: disabled), and 1639
// (ERROR_INVALID_COMMAND_LINE) for a malformed command, which changes nothing.
// A call into the service control manager that takes longer than
// %TAVRUNE_SC_TIMEOUT_MS% (default 20000) ends the program with 1053.
//
// What sc receives from Wine 8.0's cmd.exe (measured: a Win32 program passes
// the line to CreateProcessW unchanged, cmd runs this program, which logs
// GetCommandLineW(); "|" marks the end of each line):
//
//   cmd /c  sc stop Alerter|                      -> sc stop Alerter|
//   cmd /c  sc config Alerter start= "disabled"|  -> sc config Alerter start= "disabled"|
//   cmd /c  sc start Dhcp|                        -> sc start Dhcp|
//   cmd /c  sc stop wscsvc |                      -> sc stop wscsvc |
//   cmd /c  sc stop wscsvc  |                     -> sc stop wscsvc  |
//   cmd /c  sc config wscsvc  start= "disabled"|  -> sc config wscsvc  start= "disabled"|
//   cmd /c  sc config hkmsvc start= ""|           -> sc config hkmsvc start= ""|
//
// So cmd drops the blanks after /c, passes the program token as typed ("SC",
// "sc.exe"; quotes around it are removed) and everything after it verbatim:
// inner double spaces, quotes and trailing spaces all survive. Only cmd's own
// operators (&, |, <, >) are acted on. The argv split is then the usual one:
// "wscsvc " and "wscsvc  " both become the token wscsvc, "disabled" loses its
// quotes, and "" becomes an empty fifth token, which is not a start type.

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

// Real sc waits as long as the service control manager does; a test must not.
// If a call into the SCM has not come back by then, give up with the same
// error the SCM reports for a service that does not answer.
constexpr DWORD kDefaultTimeoutMs = 20000;

// Named mutexes are visible to every process of the same wineserver, which is
// what makes concurrent appends from several sc processes safe.
constexpr wchar_t kLogMutexName[] = L"Local\\TavruneScStandinLog";

std::wstring GetEnv(const wchar_t* name) {
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return std::wstring();
    std::wstring value(size, L'\0');
    DWORD got = GetEnvironmentVariableW(name, &value[0], size);
    if (got == 0 || got >= size) return std::wstring();
    value.resize(got);
    return value;
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                   nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0],
                            size, nullptr, nullptr);
    }
    return out;
}

// Failing to log must not stop the service change, but the test will notice
// the missing record, so only a warning goes to stderr.
void AppendLogRecord(const wchar_t* commandLine) {
    std::wstring path = GetEnv(L"TAVRUNE_SC_LOG");
    if (path.empty()) path = L"C:\\tavrune-sc.log";
    std::string record = ToUtf8(commandLine ? commandLine : L"") + "\n";

    HANDLE mutex = CreateMutexW(nullptr, FALSE, kLogMutexName);
    bool locked = false;
    if (mutex) {
        DWORD wait = WaitForSingleObject(mutex, 10000);
        locked = (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED);
    }

    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 50 && file == INVALID_HANDLE_VALUE; ++attempt) {
        file = CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) {
            Sleep(20);
        } else {
            break;
        }
    }
    if (file != INVALID_HANDLE_VALUE) {
        // The mutex already serialises sc stand-ins; the byte-range lock also
        // keeps out any other writer that locks the file the same way.
        OVERLAPPED at{};
        at.Offset = 0xFFFFFFFF;
        at.OffsetHigh = 0xFFFFFFFF;
        BOOL rangeLocked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at);
        SetFilePointer(file, 0, nullptr, FILE_END);
        DWORD written = 0;
        if (!WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written,
                       nullptr) ||
            written != record.size()) {
            fwprintf(stderr, L"sc stand-in: could not write log %ls (error %lu)\n",
                     path.c_str(), GetLastError());
        }
        if (rangeLocked) UnlockFileEx(file, 0, 1, 0, &at);
        CloseHandle(file);
    } else {
        fwprintf(stderr, L"sc stand-in: could not open log %ls (error %lu)\n", path.c_str(),
                 GetLastError());
    }

    if (locked) ReleaseMutex(mutex);
    if (mutex) CloseHandle(mutex);
}

DWORD WINAPI Watchdog(void* param) {
    Sleep(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(param)));
    fwprintf(stderr, L"[SC] gave up waiting for the service control manager\n");
    ExitProcess(ERROR_SERVICE_REQUEST_TIMEOUT);
    return 0;
}

void StartWatchdog() {
    DWORD timeoutMs = kDefaultTimeoutMs;
    std::wstring value = GetEnv(L"TAVRUNE_SC_TIMEOUT_MS");
    if (!value.empty()) {
        wchar_t* end = nullptr;
        unsigned long parsed = wcstoul(value.c_str(), &end, 10);
        if (end && *end == L'\0' && parsed > 0) timeoutMs = parsed;
    }
    HANDLE thread = CreateThread(nullptr, 0, Watchdog,
                                 reinterpret_cast<void*>(static_cast<ULONG_PTR>(timeoutMs)), 0,
                                 nullptr);
    if (thread) CloseHandle(thread);
}

bool ParseStartType(const wchar_t* text, DWORD* startType) {
    struct Name { const wchar_t* name; DWORD value; };
    static const Name kNames[] = {
        {L"boot", SERVICE_BOOT_START},     {L"system", SERVICE_SYSTEM_START},
        {L"auto", SERVICE_AUTO_START},     {L"demand", SERVICE_DEMAND_START},
        {L"disabled", SERVICE_DISABLED},
    };
    for (const Name& n : kNames) {
        if (_wcsicmp(text, n.name) == 0) {
            *startType = n.value;
            return true;
        }
    }
    return false;
}

int Usage(const wchar_t* why) {
    fwprintf(stderr,
             L"[SC] %ls\n"
             L"usage: sc stop KEY | sc start KEY | sc config KEY start= "
             L"auto|demand|disabled|boot|system\n",
             why);
    return ERROR_INVALID_COMMAND_LINE;
}

int Fail(const wchar_t* what) {
    DWORD error = GetLastError();
    fwprintf(stderr, L"[SC] %ls FAILED %lu\n", what, error);
    return error ? static_cast<int>(error) : 1;
}

int Run(int argc, wchar_t** argv) {
    if (argc < 3) return Usage(L"missing verb or service name");
    const wchar_t* verb = argv[1];
    const wchar_t* key = argv[2];

    enum class Verb { Stop, Start, Config } kind;
    DWORD startType = 0;
    if (_wcsicmp(verb, L"stop") == 0 && argc == 3) {
        kind = Verb::Stop;
    } else if (_wcsicmp(verb, L"start") == 0 && argc == 3) {
        kind = Verb::Start;
    } else if (_wcsicmp(verb, L"config") == 0) {
        kind = Verb::Config;
        // Real sc takes "start=" and the value as two tokens.
        if (argc != 5 || _wcsicmp(argv[3], L"start=") != 0)
            return Usage(L"only \"config KEY start= TYPE\" is supported");
        if (!ParseStartType(argv[4], &startType)) return Usage(L"invalid start type");
    } else {
        return Usage(L"unsupported command");
    }

    StartWatchdog();

    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return Fail(L"OpenSCManager");

    DWORD access = kind == Verb::Stop    ? SERVICE_STOP
                   : kind == Verb::Start ? SERVICE_START
                                         : SERVICE_CHANGE_CONFIG;
    SC_HANDLE service = OpenServiceW(manager, key, access);
    if (!service) {
        int rc = Fail(L"OpenService");
        CloseServiceHandle(manager);
        return rc;
    }

    int rc = 0;
    switch (kind) {
        case Verb::Stop: {
            SERVICE_STATUS status{};
            if (ControlService(service, SERVICE_CONTROL_STOP, &status))
                fwprintf(stdout, L"[SC] ControlService SUCCESS\n");
            else
                rc = Fail(L"ControlService");
            break;
        }
        case Verb::Start:
            if (StartServiceW(service, 0, nullptr))
                fwprintf(stdout, L"[SC] StartService SUCCESS\n");
            else
                rc = Fail(L"StartService");
            break;
        case Verb::Config:
            if (ChangeServiceConfigW(service, SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE,
                                     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr))
                fwprintf(stdout, L"[SC] ChangeServiceConfig SUCCESS\n");
            else
                rc = Fail(L"ChangeServiceConfig");
            break;
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return rc;
}

}  // namespace

int wmain() {
    const wchar_t* commandLine = GetCommandLineW();
    AppendLogRecord(commandLine);
    // Under Wine a hidden console's output lands on the test's terminal, in
    // the middle of the test report; the log already says what was run.
    if (!GetEnv(L"TAVRUNE_SC_QUIET").empty()) {
        _wfreopen(L"NUL", L"w", stdout);
        _wfreopen(L"NUL", L"w", stderr);
    }

    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(commandLine, &argc);
    if (!argv) return Fail(L"CommandLineToArgvW");
    int rc = Run(argc, argv);
    LocalFree(argv);
    fflush(stdout);
    return rc;
}

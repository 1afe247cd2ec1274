// Measures Tavrune.exe under Wine beside baselines built in the same tree:
//   start-up  against minimal_window.exe (one class, one window, a loop);
//   each run  against spawn_baseline.exe (the same command lines, started
//             the same way, in a tight loop with no window);
//   the window's answer time to WM_NULL while a run goes on;
//   the peak working set after a run.
//
//   bench_driver.exe TAVRUNE_EXE MINIMAL_EXE SPAWN_EXE STARTUP_REPS RUN_REPS
//
// Prints a table and ends with the one "bench: ..." line.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

#include "profile_rows.h"
#include "remote_window.h"
#include "win32/resource.h"

namespace {

std::wstring tavruneExe, minimalExe, spawnExe;

using tavrune_test::Micros;

double Ms(long long micros) { return static_cast<double>(micros) / 1000.0; }

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const double rank = p / 100.0 * static_cast<double>(v.size());
    std::size_t i = static_cast<std::size_t>(rank);
    if (static_cast<double>(i) < rank) ++i;  // nearest rank
    return v[std::min(v.size() - 1, i > 0 ? i - 1 : 0)];
}
double Median(const std::vector<double>& v) { return Percentile(v, 50); }
double Max(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

// printf pads by bytes; a Chinese character is 3 bytes and 2 columns wide.
std::string Column(const std::string& text, int width) {
    int columns = 0;
    for (unsigned char c : text) {
        if (c < 0x80) columns += 1;
        else if (c >= 0xE0) columns += 2;
    }
    return text + std::string(static_cast<std::size_t>(std::max(0, width - columns)), ' ');
}

std::string Utf8(const std::wstring& s) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, &out[0], n, nullptr, nullptr);
    out.pop_back();
    return out;
}

[[noreturn]] void Fail(const std::string& what) {
    std::printf("bench: FAILED: %s\n", what.c_str());
    std::fflush(stdout);
    ExitProcess(1);
}

double CpuMs(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    const auto ticks = [](const FILETIME& t) { return static_cast<long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

std::size_t PeakWorkingSetKb(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process, &counters, sizeof(counters))) return 0;
    return counters.PeakWorkingSetSize / 1024;
}

// --- a program under test ----------------------------------------------------

// The program and every process it starts share a job, so the bench can tell
// when the commands of a run have all ended and how many processes there were.
struct Program {
    PROCESS_INFORMATION process = {};
    HANDLE job = nullptr;
    HWND hwnd = nullptr;

    ~Program() {
        if (process.hProcess) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 1);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        if (job) CloseHandle(job);
    }

    bool Start(const std::wstring& exe, const std::wstring& args, bool inJob, HANDLE output = nullptr) {
        std::wstring command = L"\"" + exe + L"\" " + args;
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        if (output) {
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdOutput = output;
            startup.hStdError = output;
        }
        // Started from Explorer, a GUI program has no console, so each cmd.exe
        // it starts gets a console of its own (a conhost.exe in Wine). Wine
        // would pass this driver's console on to a GUI child; this stops it.
        const DWORD flags = DETACHED_PROCESS | (inJob ? CREATE_SUSPENDED : 0);
        if (!CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, output != nullptr, flags, nullptr, nullptr,
                            &startup, &process)) {
            return false;
        }
        if (inJob) {
            job = CreateJobObjectW(nullptr, nullptr);
            if (!job || !AssignProcessToJobObject(job, process.hProcess)) return false;
            ResumeThread(process.hThread);
        }
        return true;
    }

    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION Accounting() const {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
        QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof(info), nullptr);
        return info;
    }

    // Waits until no process of the job but `keep` is left.
    bool Settle(DWORD keep, DWORD timeoutMs = 120000) const {
        const DWORD start = GetTickCount();
        while (Accounting().ActiveProcesses > keep) {
            if (GetTickCount() - start > timeoutMs) return false;
            Sleep(20);
        }
        return true;
    }

    // Closes the window like its close button and waits for the exit.
    bool Close() const {
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        return WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
    }

    LRESULT Send(HWND h, UINT message, WPARAM w = 0, LPARAM l = 0) const {
        return tavrune_test::SendWithTimeout(h, message, w, l);
    }
    void Sync() const { Send(hwnd, WM_NULL); }
    HWND Control(int id) const { return GetDlgItem(hwnd, id); }
    int Count() const { return static_cast<int>(Send(Control(IDC_LIST1), LB_GETCOUNT)); }
    std::wstring Text(int i) const { return tavrune_test::ListText(Control(IDC_LIST1), i); }
};

struct WindowQuery {
    DWORD pid;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
    auto* q = reinterpret_cast<WindowQuery*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[64];
    if (pid == q->pid && IsWindowVisible(hwnd) && GetClassNameW(hwnd, cls, 64) && lstrcmpW(cls, q->className) == 0) {
        q->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Its main window once shown; polled every millisecond, since this is the
// end point of a start-up measurement.
HWND WaitForWindow(const Program& p, const wchar_t* className) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(1)) {
        WindowQuery q = {p.process.dwProcessId, className, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&q));
        if (q.found) return q.found;
    }
    return nullptr;
}

void ClickAt(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
}

// --- start-up ------------------------------------------------------------------

struct Startup {
    double ms;
    std::size_t peakKb;
};

// From CreateProcess until the main window is visible and its thread answers
// a sent message, i.e. the program is shown and idle in its message loop.
Startup MeasureStartup(const std::wstring& exe, const wchar_t* className) {
    Program p;
    const long long start = Micros();
    if (!p.Start(exe, L"", false)) Fail("cannot start " + Utf8(exe));
    WaitForInputIdle(p.process.hProcess, 20000);
    p.hwnd = WaitForWindow(p, className);
    if (!p.hwnd) Fail("no window after start-up");
    p.Sync();
    const double ms = Ms(Micros() - start);
    const std::size_t peak = PeakWorkingSetKb(p.process.hProcess);
    if (!p.Close()) Fail("a program did not close");
    return {ms, peak};
}

// --- runs ------------------------------------------------------------------------

struct Mode {
    int option;
    int profile;
    const char* name;
};
const Mode kModes[] = {
    {0, 101, "option 0 (普通优化)"},
    {1, 102, "option 1 (高级优化)"},
    {2, 103, "option 2 (局域网优化)"},
    {5, 101, "option 5 (手动, all 85 marked)"},
};

struct Run {
    double ms = 0;
    double cpuMs = 0;              // in the program itself, during the run
    long long processes = 0;       // started during the run, all generations
    std::vector<double> startsMs;  // baseline: each StartHidden call
    std::vector<double> probeMs;   // Tavrune: WM_NULL round trips
    std::size_t peakKb = 0;
};

Run BaselineRun(const Mode& mode) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) Fail("pipe");
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    Program p;
    if (!p.Start(spawnExe, L"\"" + tavruneExe + L"\" " + std::to_wstring(mode.profile), true, writeEnd)) {
        Fail("cannot start the spawn baseline");
    }
    CloseHandle(writeEnd);
    std::string out;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) out.append(buffer, got);
    CloseHandle(readEnd);
    WaitForSingleObject(p.process.hProcess, INFINITE);
    if (!p.Settle(0)) Fail("commands of the baseline did not end");

    Run run;
    std::istringstream in(out);
    long long count = 0, total = 0, cpu = 0, each = 0;
    if (!(in >> count >> total >> cpu)) Fail("spawn baseline reported nothing for profile " + std::to_string(mode.profile));
    while (in >> each) run.startsMs.push_back(Ms(each));
    if (static_cast<long long>(run.startsMs.size()) != count) Fail("spawn baseline report cut short");
    run.ms = Ms(total);
    run.cpuMs = Ms(cpu);
    run.processes = static_cast<long long>(p.Accounting().TotalProcesses) - 1;
    return run;
}

struct ProbeState {
    HWND hwnd;
    std::atomic<bool> stop{false};
    std::vector<double> ms;
};

// A person's view of the window: how long a message waits for an answer.
DWORD WINAPI ProbeThread(void* param) {
    auto* probe = static_cast<ProbeState*>(param);
    while (!probe->stop) {
        const long long start = Micros();
        DWORD_PTR result;
        SendMessageTimeoutW(probe->hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
        probe->ms.push_back(Ms(Micros() - start));
        Sleep(5);
    }
    return 0;
}

HWND WaitForBox(const Program& p) {
    for (int i = 0; i < 400; ++i) {
        HWND box = nullptr;
        while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
            if (GetWindow(box, GW_OWNER) == p.hwnd && IsWindowVisible(box)) return box;
        }
        Sleep(25);
    }
    return nullptr;
}

bool WaitFor(bool (*condition)(HWND), HWND h, DWORD timeoutMs) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(1)) {
        if (condition(h)) return true;
    }
    return false;
}

Run TavruneRun(const Mode& mode) {
    Program p;
    if (!p.Start(tavruneExe, L"", true)) Fail("cannot start Tavrune.exe");
    WaitForInputIdle(p.process.hProcess, 20000);
    p.hwnd = WaitForWindow(p, L"TavruneForm1");
    if (!p.hwnd) Fail("Tavrune.exe shows no window");
    SetForegroundWindow(p.hwnd);
    p.Sync();

    ClickAt(p.Control(IDC_OPTION1 + mode.option));
    if (mode.option == 5) {
        HWND box = WaitForBox(p);
        if (!box) Fail("no warning box for the manual option");
        Sleep(100);
        ClickAt(GetDlgItem(box, IDOK));
        for (int i = 0; i < 400 && IsWindow(box); ++i) Sleep(25);
        p.Sync();
        // Marking 85 rows by clicks would take a minute of double-click
        // pauses; the run reads only the marks, however they were made.
        p.Send(p.Control(IDC_LIST1), LB_SETSEL, TRUE, -1);
        if (p.Count() != 85 || p.Send(p.Control(IDC_LIST1), LB_GETSELCOUNT) != 85) Fail("manual rows not all marked");
    }
    Sleep(100);
    p.Sync();
    if (p.Send(p.Control(IDC_OPTION1 + mode.option), BM_GETCHECK) != BST_CHECKED) Fail("option click did not land");
    if (!p.Settle(1)) Fail("stray processes before a run");
    const long long before = static_cast<long long>(p.Accounting().TotalProcesses);

    ProbeState probe;
    probe.hwnd = p.hwnd;
    HWND button = p.Control(IDC_COMMAND1);
    HANDLE thread = CreateThread(nullptr, 0, ProbeThread, &probe, 0, nullptr);
    const double cpu = CpuMs(p.process.hProcess);
    const long long start = Micros();
    ClickAt(button);
    // The button is disabled for exactly as long as the run goes on.
    if (!WaitFor([](HWND h) { return IsWindowEnabled(h) == FALSE; }, button, 10000)) Fail("the run did not start");
    if (!WaitFor([](HWND h) { return IsWindowEnabled(h) != FALSE; }, button, 600000)) Fail("the run did not end");
    Run run;
    run.ms = Ms(Micros() - start);
    run.cpuMs = CpuMs(p.process.hProcess) - cpu;
    probe.stop = true;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    run.probeMs = probe.ms;

    if (p.Count() != 86 || p.Text(85) != L"优化完成！") Fail("the run did not end with its completion row");
    if (!p.Settle(1)) Fail("commands of a run did not end");
    run.processes = static_cast<long long>(p.Accounting().TotalProcesses) - before;
    run.peakKb = PeakWorkingSetKb(p.process.hProcess);
    if (!p.Close()) Fail("Tavrune.exe did not close after a run");
    return run;
}

long long FileKb(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return static_cast<long long>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow) / 1024);
}



}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 6) {
        std::printf("usage: bench_driver.exe TAVRUNE_EXE MINIMAL_EXE SPAWN_EXE STARTUP_REPS RUN_REPS\n");
        return 2;
    }
    tavruneExe = argv[1];
    minimalExe = argv[2];
    spawnExe = argv[3];
    const int startupReps = std::max(1, static_cast<int>(std::wcstol(argv[4], nullptr, 10)));
    const int runReps = std::max(1, static_cast<int>(std::wcstol(argv[5], nullptr, 10)));
    setvbuf(stdout, nullptr, _IONBF, 0);

    // One untimed pass of each, so that no measurement pays for first loads.
    // The first window also starts Wine's desktop process (explorer.exe),
    // which must not join the job of a program under test.
    MeasureStartup(minimalExe, L"TavruneBenchMinimal");
    MeasureStartup(tavruneExe, L"TavruneForm1");
    BaselineRun(kModes[2]);

    // The two sides take turns going first, so a drift in the machine's
    // load favours neither.
    std::vector<double> tavStart, minStart;
    std::size_t tavStartPeak = 0, minStartPeak = 0;
    for (int i = 0; i < startupReps; ++i) {
        for (int side = 0; side < 2; ++side) {
            if ((side + i) % 2 == 0) {
                const Startup m = MeasureStartup(minimalExe, L"TavruneBenchMinimal");
                minStart.push_back(m.ms);
                minStartPeak = std::max(minStartPeak, m.peakKb);
            } else {
                const Startup t = MeasureStartup(tavruneExe, L"TavruneForm1");
                tavStart.push_back(t.ms);
                tavStartPeak = std::max(tavStartPeak, t.peakKb);
            }
        }
    }
    std::printf("start-up: %d of each, minimal %.1f..%.1f ms, Tavrune %.1f..%.1f ms\n", startupReps,
                Percentile(minStart, 0), Max(minStart), Percentile(tavStart, 0), Max(tavStart));

    constexpr int kModeCount = static_cast<int>(sizeof(kModes) / sizeof(kModes[0]));
    std::vector<Run> base[kModeCount], tav[kModeCount];
    for (int rep = 0; rep < runReps; ++rep) {
        for (int m = 0; m < kModeCount; ++m) {
            for (int side = 0; side < 2; ++side) {
                if ((side + rep) % 2 == 0) base[m].push_back(BaselineRun(kModes[m]));
                else tav[m].push_back(TavruneRun(kModes[m]));
            }
            const Run& t = tav[m].back();
            std::printf("run %d/%d %s baseline %7.1f ms, Tavrune %7.1f ms, window answer worst %6.1f ms\n", rep + 1,
                        runReps, Column(kModes[m].name, 30).c_str(), base[m].back().ms, t.ms, Max(t.probeMs));
        }
    }

    // --- the table -------------------------------------------------------------
    const double startupRatio = Median(tavStart) / Median(minStart);
    std::printf("\n%s %10s %10s %7s  %s\n", Column("medians", 44).c_str(), "Tavrune", "baseline", "ratio", "target");
    std::printf("%s %10.1f %10.1f %7.2f  <= 1.30 %s\n", Column("start-up ms (baseline: minimal window)", 44).c_str(),
                Median(tavStart), Median(minStart), startupRatio, startupRatio <= 1.3 ? "met" : "MISSED");

    double worstRunRatio = 0;
    std::vector<double> allProbes;
    std::size_t peakKb = 0;
    for (int m = 0; m < kModeCount; ++m) {
        std::vector<double> t, b;
        for (const Run& r : tav[m]) {
            t.push_back(r.ms);
            allProbes.insert(allProbes.end(), r.probeMs.begin(), r.probeMs.end());
            peakKb = std::max(peakKb, r.peakKb);
        }
        for (const Run& r : base[m]) b.push_back(r.ms);
        const double ratio = Median(t) / Median(b);
        worstRunRatio = std::max(worstRunRatio, ratio);
        std::printf("%s %10.1f %10.1f %7.2f  <= 1.20 %s\n", Column(std::string("run ms, ") + kModes[m].name, 44).c_str(),
                    Median(t), Median(b), ratio, ratio <= 1.2 ? "met" : "MISSED");
    }
    const double p99 = Percentile(allProbes, 99), worst = Max(allProbes);
    std::printf("%s %10.1f %10s %7s  <= 100 %s\n", Column("window answer ms during runs, p99", 44).c_str(), p99, "", "",
                p99 <= 100 ? "met" : "MISSED");
    std::printf("%s %10.1f %10s %7s  <= 100 %s\n", Column("window answer ms during runs, worst", 44).c_str(), worst, "",
                "", worst <= 100 ? "met" : "MISSED");
    const long long exeKb = FileKb(tavruneExe);
    std::printf("%s %10lld %10lld %7s  < 300 %s\n", Column("file size KB (baseline: minimal window)", 44).c_str(), exeKb,
                FileKb(minimalExe), "", exeKb < 300 ? "met" : "MISSED");
    std::printf("%s %10zu\n", Column("peak working set KB after a run, worst", 44).c_str(), peakKb);
    std::printf("%s %10zu %10zu\n", Column("peak working set KB after start-up, worst", 44).c_str(), tavStartPeak,
                minStartPeak);

    // --- where the time goes ---------------------------------------------------
    std::printf("\nwhere the time goes (all runs pooled)\n");
    std::vector<double> starts, rowStarts;
    long long commands = 0, processes = 0;
    for (int m = 0; m < kModeCount; ++m) {
        const auto rows = tavrune_test::ProfileRows(tavruneExe, kModes[m].profile);
        for (const Run& r : base[m]) {
            starts.insert(starts.end(), r.startsMs.begin(), r.startsMs.end());
            std::size_t at = 0;
            for (const auto& row : rows) {
                double sum = 0;
                for (std::size_t k = 0; k < row.commands.size() && at < r.startsMs.size(); ++k) sum += r.startsMs[at++];
                rowStarts.push_back(sum);
            }
            commands += static_cast<long long>(r.startsMs.size());
            processes += r.processes;
        }
    }
    long long tavProcesses = 0;
    for (int m = 0; m < kModeCount; ++m) {
        for (const Run& r : tav[m]) tavProcesses += r.processes;
    }
    std::printf("  processes per command started: baseline %.2f, Tavrune %.2f (cmd.exe, its console, sc.exe)\n",
                static_cast<double>(processes) / static_cast<double>(std::max(1LL, commands)),
                static_cast<double>(tavProcesses) / static_cast<double>(std::max(1LL, commands)));
    std::printf("  one StartHidden (CreateProcessW of cmd.exe), baseline: median %.1f, p99 %.1f, worst %.1f ms\n",
                Median(starts), Percentile(starts, 99), Max(starts));
    std::printf("  one row's StartHidden calls (1 or 2 commands; the window cannot answer meanwhile):\n"
                "    median %.1f, p99 %.1f, worst %.1f ms\n",
                Median(rowStarts), Percentile(rowStarts, 99), Max(rowStarts));
    for (int m = 0; m < kModeCount; ++m) {
        const auto rows = tavrune_test::ProfileRows(tavruneExe, kModes[m].profile);
        std::size_t count = 0;
        for (const auto& row : rows) count += row.commands.size();
        std::vector<double> t, b, tc, bc, tp;
        for (const Run& r : tav[m]) {
            t.push_back(r.ms);
            tc.push_back(r.cpuMs);
            tp.insert(tp.end(), r.probeMs.begin(), r.probeMs.end());
        }
        for (const Run& r : base[m]) {
            b.push_back(r.ms);
            bc.push_back(r.cpuMs);
        }
        const double extra = Median(t) - Median(b);
        std::printf("  %s %zu rows, %zu commands: Tavrune %+.1f ms over the baseline (%+.1f per row);\n"
                    "    CPU in the program %.0f vs %.0f ms; window answer p99 %.1f, worst %.1f ms\n",
                    Column(kModes[m].name, 30).c_str(), rows.size(), count, extra,
                    extra / static_cast<double>(rows.size()), Median(tc), Median(bc), Percentile(tp, 99), Max(tp));
    }

    std::printf("\nbench: startup_ratio=%.2f run_ratio=%.2f ui_p99_ms=%.1f ui_max_ms=%.1f exe_kb=%lld peak_ws_kb=%zu\n",
                startupRatio, worstRunRatio, p99, worst, exeKb, peakKb);
    return 0;
}

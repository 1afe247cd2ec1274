// Measures Tavrune.exe under Wine beside baselines built in the same tree:
//   start-up  against a minimal window with the same manifest (comctl32 6,
//             DPI aware), and for reference against a bare one;
//   each run  against spawn_baseline.exe (the same command lines, started
//             the same way, in a tight loop with no window);
//   the window's answer time to WM_NULL while a run goes on, against the
//             same probe of the minimal window while spawn_baseline.exe
//             starts the same commands (Wine's floor: every process start
//             slows every window down);
//   size, peak working set, and a soak: many runs in one process.
//
//   bench_driver.exe TAVRUNE MANIFEST_WINDOW BARE_WINDOW SPAWN GOLDEN_DIR STARTUPS RUNS SOAK_RUNS
//
// Prints a table and ends with the one "bench: ..." line.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "clock.h"
#include "e2e/remote.h"
#include "golden/golden_commands.h"

namespace {

// The process's handles, from the system's handle table: Wine's
// GetProcessHandleCount answers 0 whatever the process holds.
DWORD HandleCount(DWORD pid) {
    struct Entry {  // of SystemHandleInformation (16)
        ULONG pid;
        ULONG typeFlagsHandle;
        PVOID object;
        ACCESS_MASK access;
    };
    static const auto query = reinterpret_cast<LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::string buffer(1 << 20, '\0');
    while (query(16, &buffer[0], static_cast<ULONG>(buffer.size()), nullptr) != 0 &&
           buffer.size() < (64u << 20))
        buffer.resize(buffer.size() * 2);
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
    const auto* end = entries + *reinterpret_cast<const ULONG*>(buffer.data());
    return static_cast<DWORD>(std::count_if(entries, end, [pid](const Entry& e) { return e.pid == pid; }));
}

std::wstring tavruneExe, manifestExe, bareExe, spawnExe, goldenDir, reportFile;

// A program and every process it starts, so that the bench can tell when
// the commands of a run have all ended.
struct Job {
    HANDLE handle = CreateJobObjectW(nullptr, nullptr);
    ~Job() { CloseHandle(handle); }
    // For remote::App::Start: the process joins before it runs.
    std::function<void(const PROCESS_INFORMATION&)> Joins() const {
        return [this](const PROCESS_INFORMATION& p) { AssignProcessToJobObject(handle, p.hProcess); };
    }
    bool Settle(DWORD keep) const {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
        for (DWORD start = GetTickCount(); GetTickCount() - start < 120000; Sleep(20)) {
            QueryInformationJobObject(handle, JobObjectBasicAccountingInformation, &info, sizeof info,
                                      nullptr);
            if (info.ActiveProcesses <= keep) return true;
        }
        return false;
    }
};

double Ms(long long micros) { return static_cast<double>(micros) / 1000.0; }

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t rank = static_cast<std::size_t>(p / 100.0 * static_cast<double>(v.size()) + 0.999999);
    return v[std::min(v.size() - 1, rank > 0 ? rank - 1 : 0)];  // nearest rank
}
double Median(const std::vector<double>& v) { return Percentile(v, 50); }
std::string Spread(const std::vector<double>& v) {
    char text[96];
    std::snprintf(text, sizeof text, "min %.1f, p25 %.1f, median %.1f, p75 %.1f, max %.1f", Percentile(v, 0),
                  Percentile(v, 25), Median(v), Percentile(v, 75), Percentile(v, 100));
    return text;
}

[[noreturn]] void Fail(const std::string& what) {
    std::printf("bench: FAILED: %s\n", what.c_str());
    std::fflush(stdout);
    ExitProcess(1);
}

std::size_t PeakWorkingSetKb(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters = {};
    GetProcessMemoryInfo(process, &counters, sizeof counters);
    return counters.PeakWorkingSetSize / 1024;
}

// From CreateProcess until the main window is shown and its thread answers a
// sent message: the program is up and idle in its message loop.
double Startup(const std::wstring& exe, const wchar_t* windowClass) {
    remote::App app;
    const long long start = Micros();
    if (!app.Start(exe, windowClass)) Fail("no window from a start-up");
    const double ms = Ms(Micros() - start);
    if (app.Stop() != 0) Fail("a program did not close");
    return ms;
}

struct Mode {
    int option;
    const wchar_t* golden;
    const char* name;
};
const Mode kModes[] = {
    {0, L"profile101.txt", "option 0 (standard)"},
    {1, L"profile102.txt", "option 1 (advanced)"},
    {2, L"profile103.txt", "option 2 (local network)"},
    {5, L"profile101.txt", "option 5 (manual, all rows marked)"},
};

// The rows a mode's run ends with: a row for each row of its golden
// commands (each row has one at least), and the completion row.
int RowsAfterRun(const Mode& mode) {
    std::ifstream in((goldenDir + L"\\" + mode.golden).c_str());
    const int rows = static_cast<int>(ReadGoldenCommands<std::string>(in).rows.size());
    if (rows == 0) Fail("no golden commands for a mode");
    return rows + 1;
}

struct Run {
    double ms = 0;
    std::vector<double> startsMs;  // baseline: each StartHidden call
    std::vector<double>
        probeMs;  // WM_NULL round trips: Tavrune's, or the minimal window's under the baseline
    std::size_t peakKb = 0;
};

// A person's view of a window: how long a message waits for an answer,
// asked every 5 ms from a thread of its own until Stop.
class Probe {
public:
    explicit Probe(HWND hwnd) : hwnd_(hwnd), thread_(CreateThread(nullptr, 0, Loop, this, 0, nullptr)) {}
    std::vector<double> Stop() {
        stop_ = true;
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        return ms_;
    }

private:
    static DWORD WINAPI Loop(void* param) {
        auto* probe = static_cast<Probe*>(param);
        while (!probe->stop_) {
            const long long start = Micros();
            DWORD_PTR result;
            SendMessageTimeoutW(probe->hwnd_, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
            probe->ms_.push_back(Ms(Micros() - start));
            Sleep(5);
        }
        return 0;
    }
    HWND hwnd_;
    std::atomic<bool> stop_{false};
    std::vector<double> ms_;
    HANDLE thread_;
};

Run BaselineRun(const Mode& mode) {
    SetEnvironmentVariableW(L"TAVRUNE_GOLDEN_FILE", (goldenDir + L"\\" + mode.golden).c_str());
    SetEnvironmentVariableW(L"TAVRUNE_BENCH_REPORT", reportFile.c_str());
    DeleteFileW(reportFile.c_str());
    remote::App window;
    if (!window.Start(manifestExe, L"TavruneBenchMinimal")) Fail("no minimal window for the floor");
    Job job;
    remote::App p;
    Probe probe(window.hwnd);
    if (!p.Start(spawnExe, nullptr, nullptr, job.Joins())) Fail("cannot start the spawn baseline");
    WaitForSingleObject(p.process.hProcess, INFINITE);
    Run run;
    run.probeMs = probe.Stop();
    if (!job.Settle(0)) Fail("commands of the baseline did not end");
    if (window.Stop() != 0) Fail("the minimal window did not close");
    std::ifstream in(reportFile.c_str());
    long long count = 0, total = 0, each = 0;
    if (!(in >> count >> total)) Fail("the spawn baseline reported nothing");
    while (in >> each) run.startsMs.push_back(Ms(each));
    run.ms = Ms(total);
    return run;
}

// The run is over: the completion row last, the run button enabled again.
bool Completed(const remote::App& app) {
    const int n = app.Count();
    return n > 0 && app.Text(n - 1) == L"优化完成！" && IsWindowEnabled(app.Control(IDC_COMMAND1));
}

// A real click, tried again when it has not landed within two seconds: now
// and then one is lost here after many runs in one window, which the
// end-to-end tests never see. Retries are counted and printed.
int clickRetries = 0;
template <typename Landed>
bool ClickUntil(HWND control, Landed landed) {
    for (int attempt = 0; attempt < 3; ++attempt, ++clickRetries) {
        SetForegroundWindow(GetAncestor(control, GA_ROOT));
        remote::ClickAt(control);
        if (remote::Within(2000, landed)) return true;
    }
    return false;
}

// Selects the mode as a person would (all rows marked in the manual mode;
// the run reads only the marks) and runs it, probing the window during the
// run into `probeMs` when given; false if it did not complete.
bool RunOnce(const remote::App& app, const Mode& mode, std::vector<double>* probeMs, double* ms) {
    if (mode.option == 5) {
        // A box answered gives its title and text joined by "|".
        if (app.AnswerBox(IDOK, [&] { PostMessageW(app.Control(IDC_OPTION1 + 5), BM_CLICK, 0, 0); })
                .find('|') == std::string::npos) {
            Fail("no warning box for the manual option");
        }
        app.Send(app.Control(IDC_LIST1), LB_SETSEL, TRUE, -1);
    } else if (!ClickUntil(app.Control(IDC_OPTION1 + mode.option),
                           [&] { return app.Checked(mode.option); })) {
        Fail("option click did not land");
    }
    std::optional<Probe> probe;
    if (probeMs) probe.emplace(app.hwnd);
    const long long start = Micros();
    HWND button = app.Control(IDC_COMMAND1);
    if (!ClickUntil(button, [&] { return !IsWindowEnabled(button); }) ||
        !remote::Within(600000, [&] { return IsWindowEnabled(button) != FALSE; })) {
        Fail("the run did not start or end");
    }
    *ms = Ms(Micros() - start);
    if (probe) *probeMs = probe->Stop();
    return Completed(app);
}

Run TavruneRun(const Mode& mode) {
    Job job;
    remote::App app;
    if (!app.Start(tavruneExe, L"TavruneForm1", nullptr, job.Joins()) || !app.StandStill(app.hwnd)) {
        Fail("Tavrune.exe shows no window");
    }
    if (!job.Settle(1)) Fail("stray processes before a run");
    Run run;
    if (!RunOnce(app, mode, &run.probeMs, &run.ms) || app.Count() != RowsAfterRun(mode))
        Fail("the run did not end with its completion row");
    if (!job.Settle(1)) Fail("commands of a run did not end");
    run.peakKb = PeakWorkingSetKb(app.process.hProcess);
    if (app.Stop() != 0) Fail("Tavrune.exe did not close after a run");
    return run;
}

// Many runs in one process, modes in turn, About rows between runs: the
// program's handles and private memory from the fifth run to the last.
void Soak(int runs) {
    remote::App app;
    if (!app.Start(tavruneExe, L"TavruneForm1") || !app.StandStill(app.hwnd))
        Fail("Tavrune.exe shows no window");
    int completed = 0;
    DWORD handles[2] = {};
    SIZE_T privateBytes[2] = {};
    for (int run = 1; run <= runs && app.Running(); ++run) {
        double ms = 0;
        completed += RunOnce(app, kModes[(run - 1) % 4], nullptr, &ms) ? 1 : 0;
        const int rows = app.Count();
        app.Click(IDC_LABEL1);
        remote::Within(2000, [&] { return app.Count() == rows + 4; });
        PROCESS_MEMORY_COUNTERS memory = {};  // PagefileUsage: Wine leaves PrivateUsage at 0
        GetProcessMemoryInfo(app.process.hProcess, &memory, sizeof memory);
        const int at = run <= 5 ? 0 : 1;
        handles[at] = HandleCount(app.process.dwProcessId);
        privateBytes[at] = memory.PagefileUsage;
    }
    const bool alive = app.Running();
    if (app.Stop() != 0) Fail("Tavrune.exe did not close after the soak");
    std::printf("soak: runs=%d crashes=%d handles=%lu->%lu private_kb=%lu->%lu\n", completed, alive ? 0 : 1,
                static_cast<unsigned long>(handles[0]), static_cast<unsigned long>(handles[1]),
                static_cast<unsigned long>(privateBytes[0] / 1024),
                static_cast<unsigned long>(privateBytes[1] / 1024));
}

long long FileKb(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return static_cast<long long>(data.nFileSizeLow / 1024);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 9) {
        std::printf(
            "usage: bench_driver.exe TAVRUNE MANIFEST_WINDOW BARE_WINDOW SPAWN GOLDEN_DIR STARTUPS RUNS "
            "SOAK_RUNS\n");
        return 2;
    }
    tavruneExe = argv[1], manifestExe = argv[2], bareExe = argv[3], spawnExe = argv[4], goldenDir = argv[5];
    reportFile = spawnExe + L".report";
    const int startups = std::max(1, _wtoi(argv[6])), runs = std::max(1, _wtoi(argv[7])),
              soakRuns = _wtoi(argv[8]);
    setvbuf(stdout, nullptr, _IONBF, 0);

    // One untimed pass of each first, so that no measurement pays for first
    // loads (the first window also starts Wine's desktop process). Then the
    // three take turns going first, so that a drift in load favours none.
    const std::wstring programs[] = {tavruneExe, manifestExe, bareExe};
    const wchar_t* classes[] = {L"TavruneForm1", L"TavruneBenchMinimal", L"TavruneBenchMinimal"};
    std::vector<double> startMs[3];
    for (int k = 0; k < 3; ++k) Startup(programs[k], classes[k]);
    BaselineRun(kModes[2]);
    for (int i = 0; i < startups; ++i) {
        for (int j = 0; j < 3; ++j) {
            const int k = (i + j) % 3;
            startMs[k].push_back(Startup(programs[k], classes[k]));
        }
    }
    const char* names[] = {"Tavrune", "minimal window with the manifest", "bare minimal window"};
    for (int k = 0; k < 3; ++k) std::printf("start-up ms, %s: %s\n", names[k], Spread(startMs[k]).c_str());

    constexpr int kModeCount = static_cast<int>(sizeof kModes / sizeof kModes[0]);
    std::vector<double> base[kModeCount], tav[kModeCount], probes, floorProbes, starts;
    std::size_t peakKb = 0;
    for (int rep = 0; rep < runs; ++rep) {
        for (int m = 0; m < kModeCount; ++m) {
            for (int side = 0; side < 2; ++side) {
                if ((side + rep) % 2 == 0) {
                    const Run r = BaselineRun(kModes[m]);
                    base[m].push_back(r.ms);
                    starts.insert(starts.end(), r.startsMs.begin(), r.startsMs.end());
                    floorProbes.insert(floorProbes.end(), r.probeMs.begin(), r.probeMs.end());
                } else {
                    const Run r = TavruneRun(kModes[m]);
                    tav[m].push_back(r.ms);
                    probes.insert(probes.end(), r.probeMs.begin(), r.probeMs.end());
                    peakKb = std::max(peakKb, r.peakKb);
                }
            }
            std::printf("run %d/%d %-34s baseline %8.1f ms, Tavrune %8.1f ms\n", rep + 1, runs,
                        kModes[m].name, base[m].back(), tav[m].back());
        }
    }

    const double ratio = Median(startMs[0]) / Median(startMs[1]),
                 ratioBare = Median(startMs[0]) / Median(startMs[2]);
    std::printf("\n%-50s %10s %10s %7s  %s\n", "medians", "Tavrune", "baseline", "ratio", "target");
    std::printf("%-50s %10.1f %10.1f %7.2f  <= 1.30 %s\n", "start-up ms (minimal window, same manifest)",
                Median(startMs[0]), Median(startMs[1]), ratio, ratio <= 1.3 ? "met" : "MISSED");
    std::printf("%-50s %10.1f %10.1f %7.2f  (reference)\n", "start-up ms (bare minimal window)",
                Median(startMs[0]), Median(startMs[2]), ratioBare);
    double worstRun = 0;
    for (int m = 0; m < kModeCount; ++m) {
        const double r = Median(tav[m]) / Median(base[m]);
        worstRun = std::max(worstRun, r);
        std::printf("run ms, %-42s %10.1f %10.1f %7.2f  <= 1.20 %s\n", kModes[m].name, Median(tav[m]),
                    Median(base[m]), r, r <= 1.2 ? "met" : "MISSED");
    }
    const double p99 = Percentile(probes, 99), worst = Percentile(probes, 100),
                 floorP99 = Percentile(floorProbes, 99);
    const double uiRatio = p99 / floorP99, spawnMs = Median(starts);
    std::printf("%-50s %10.1f %10.1f %7.2f  <= 3 %s\n",
                "window answer ms during runs, p99 (floor: minimal window)", p99, floorP99, uiRatio,
                uiRatio <= 3 ? "met" : "MISSED");
    for (double p : {50.0, 90.0}) {
        std::printf("window answer ms during runs, p%-19.0f %10.1f %10.1f\n", p, Percentile(probes, p),
                    Percentile(floorProbes, p));
    }
    std::printf("%-50s %10.1f %10.1f\n", "window answer ms during runs, worst", worst,
                Percentile(floorProbes, 100));
    std::printf("%-50s %10.1f\n", "one StartHidden in the baseline, median ms", spawnMs);
    const long long exeKb = FileKb(tavruneExe);
    std::printf("%-50s %10lld %10lld\n", "file size KB (bare minimal window)", exeKb, FileKb(bareExe));
    std::printf("%-50s %10zu\n\n", "peak working set KB after a run, worst", peakKb);
    if (soakRuns > 0) Soak(soakRuns);
    std::printf("clicks tried again: %d\n", clickRetries);
    std::printf(
        "bench: startup_ratio=%.2f startup_ratio_bare=%.2f run_ratio=%.2f ui_p99_ms=%.1f ui_max_ms=%.1f "
        "ui_floor_p99_ms=%.1f ui_ratio=%.2f spawn_ms=%.1f exe_kb=%lld peak_ws_kb=%zu\n",
        ratio, ratioBare, worstRun, p99, worst, floorP99, uiRatio, spawnMs, exeKb, peakKb);
    return 0;
}

// The run's baseline: starts the command lines of a golden list through the
// same Win32Platform that Tavrune.exe uses, in a tight loop.
//
//   TAVRUNE_GOLDEN_FILE=FILE TAVRUNE_BENCH_REPORT=FILE [BASELINE=unordered] spawn_baseline.exe
//
// A GUI program without a window, started without a console as Tavrune.exe
// is, so each cmd.exe gets a console of its own (with no window) exactly as from
// Tavrune.exe.
// Writes to the report file: the number of commands, the loop's time, then
// each start's time, in microseconds.
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "clock.h"
#include "golden/golden_commands.h"
#include "platform/win32/win32_platform.h"

int wmain() {
    wchar_t golden[MAX_PATH], report[MAX_PATH];
    if (!GetEnvironmentVariableW(L"TAVRUNE_GOLDEN_FILE", golden, MAX_PATH) ||
        !GetEnvironmentVariableW(L"TAVRUNE_BENCH_REPORT", report, MAX_PATH)) {
        return 2;
    }
    std::ifstream in(golden);
    const std::vector<std::u16string> commands = ReadGoldenCommands<std::u16string>(in).commands;
    if (commands.empty()) return 3;

    // As Tavrune.exe does, each start waits for the configure before it,
    // unless BASELINE=unordered (the floor of the commands alone).
    wchar_t baseline[16] = {};
    GetEnvironmentVariableW(L"BASELINE", baseline, 16);
    const bool ordered = lstrcmpW(baseline, L"unordered") != 0;
    tavrune::Win32Platform platform;
    std::string calls;
    const long long start = Micros();
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const long long before = Micros();
        const bool pair =
            ordered && i + 1 < commands.size() && commands[i + 1].find(u" sc start ") != std::u16string::npos;
        if (!(pair ? platform.StartHiddenThen(commands[i], commands[i + 1])
                   : platform.StartHidden(commands[i])))
            return 4;
        i += pair;
        calls += ' ' + std::to_string(Micros() - before);
    }
    if (!platform.FinishStarts()) return 4;
    std::ofstream(report) << commands.size() << ' ' << Micros() - start << calls << '\n';
    return 0;
}

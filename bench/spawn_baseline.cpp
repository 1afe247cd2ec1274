// The run's baseline: starts the command lines of a golden list through the
// same Win32Platform::StartHidden that Tavrune.exe uses, in a tight loop.
//
//   TAVRUNE_GOLDEN_FILE=FILE TAVRUNE_BENCH_REPORT=FILE spawn_baseline.exe
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

    tavrune::Win32Platform platform;
    std::string calls;
    const long long start = Micros();
    for (const auto& command : commands) {
        const long long before = Micros();
        if (!platform.StartHidden(command)) return 4;
        calls += ' ' + std::to_string(Micros() - before);
    }
    std::ofstream(report) << commands.size() << ' ' << Micros() - start << calls << '\n';
    return 0;
}

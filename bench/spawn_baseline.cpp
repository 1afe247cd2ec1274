// The run's baseline: starts the command lines Tavrune.exe starts for a
// profile, through the same Win32Platform::StartHidden, in a tight loop.
//
//   spawn_baseline.exe TAVRUNE_EXE PROFILE_ID
//
// A GUI program without a window, started without a console as Tavrune.exe
// is: each cmd.exe then gets a console of its own (one more process, a
// conhost.exe, in Wine), exactly as it does from Tavrune.exe.
// Prints to its standard output (a pipe from the driver): the number of
// commands, the loop's time, the CPU time this process spent in the loop,
// then each start's time, all in microseconds.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "profile_rows.h"
#include "remote_window.h"

namespace {

long long CpuMicros() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& t) { return static_cast<long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime; };
    return (ticks(kernel) + ticks(user)) / 10;
}

using tavrune_test::Micros;

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    std::vector<std::u16string> commands;
    for (const auto& row : tavrune_test::ProfileRows(argv[1], static_cast<int>(std::wcstol(argv[2], nullptr, 10)))) {
        commands.insert(commands.end(), row.commands.begin(), row.commands.end());
    }
    if (commands.empty()) return 3;

    tavrune::Win32Platform platform;
    std::string calls;
    const long long cpu = CpuMicros();
    const long long start = Micros();
    for (const auto& command : commands) {
        const long long before = Micros();
        if (!platform.StartHidden(command)) return 4;
        calls += ' ' + std::to_string(Micros() - before);
    }
    const long long total = Micros() - start;
    const long long cpuTotal = CpuMicros() - cpu;

    const std::string report =
        std::to_string(commands.size()) + ' ' + std::to_string(total) + ' ' + std::to_string(cpuTotal) + calls + '\n';
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
    return 0;
}

// The command lines Tavrune.exe starts for one stored profile when every row
// is applied, row by row, in the order it starts them.
#pragma once

#include <string>
#include <vector>

namespace tavrune_bench {

// Read from the profile resource inside TAVRUNE_EXE (not from the source
// tree), so the bench measures exactly what that build would start.
using Row = std::vector<std::u16string>;
std::vector<Row> ProfileCommands(const std::wstring& tavruneExe, int profileId);

}  // namespace tavrune_bench

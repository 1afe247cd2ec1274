// The rows of a stored profile as a build of Tavrune.exe carries them, with
// the command lines it starts for each row when the row is applied. Shared by
// the end-to-end driver and the benchmark.
#pragma once

#include <string>
#include <vector>

namespace tavrune_test {

struct ProfileRow {
    std::u16string name, key, type;
    std::vector<std::u16string> commands;  // in the order they are started
};

// Read from the profile resource inside tavruneExe (not from the source
// tree), so a test checks exactly what that build would start.
std::vector<ProfileRow> ProfileRows(const std::wstring& tavruneExe, int profileId);

}  // namespace tavrune_test

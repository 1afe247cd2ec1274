// A golden command list: one "row|command line|" a line, written out by hand
// from the profile table; the closing "|" keeps trailing spaces in sight. The
// command lines are ASCII. Read by the host tests, the end-to-end driver and
// the benchmark's baseline.
#pragma once

#include <istream>
#include <string>
#include <vector>

// No row is left out.
inline constexpr int kAllRows = 1 << 30;

template <typename String>
struct GoldenCommands {
    // Each row once, in file order.
    std::vector<int> rows;
    std::vector<String> commands;
};

// The rows below `rowsBelow` only.
template <typename String>
GoldenCommands<String> ReadGoldenCommands(std::istream& in, int rowsBelow = kAllRows) {
    GoldenCommands<String> g;
    for (std::string line; std::getline(in, line) && std::stoi(line) < rowsBelow;) {
        if (g.rows.empty() || g.rows.back() != std::stoi(line)) g.rows.push_back(std::stoi(line));
        g.commands.emplace_back(line.begin() + static_cast<long>(line.find('|')) + 1, line.end() - 1);
    }
    return g;
}

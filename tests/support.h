// Shared by the host tests: a Form on the host platform with an in-memory
// list, and the golden command lists of tests/golden.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/host/host_platform.h"
#include "ui/form.h"
#include "ui/result_list.h"

namespace tavrune {

// One "row|command line|" a line, written out by hand from the profile table;
// the closing "|" keeps trailing spaces in sight. Rows below `rowsBelow` only.
struct Golden {
    std::vector<int> rows;  // each row once, in file order
    std::vector<std::u16string> commands;
};
inline Golden ReadGolden(const std::string& name, int rowsBelow = 1 << 30) {
    Golden g;
    std::ifstream in(std::string(TAVRUNE_GOLDEN_DIR) + "/" + name);
    for (std::string line; std::getline(in, line);) {
        const auto bar = line.find('|');
        const int row = std::stoi(line.substr(0, bar));
        if (row >= rowsBelow) break;
        if (g.rows.empty() || g.rows.back() != row) g.rows.push_back(row);
        g.commands.emplace_back(line.begin() + static_cast<long>(bar) + 1, line.end() - 1);  // ASCII only
    }
    EXPECT_FALSE(g.commands.empty()) << name;
    return g;
}

struct FormTest : ::testing::Test {
    HostPlatform platform;
    MemoryResultList list;
    Form form{platform, list};

    std::vector<int> MarkedRows() const {
        std::vector<int> rows;
        for (int i = 0; i < list.Count(); ++i) {
            if (list.Marked(i)) rows.push_back(i);
        }
        return rows;
    }
};

}  // namespace tavrune

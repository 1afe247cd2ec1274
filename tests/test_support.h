// Shared fixtures: a Form wired to the host platform and an in-memory list.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/host/host_platform.h"
#include "ui/form.h"
#include "ui/result_list.h"

namespace tavrune {

// UTF-8 for messages, so failing strings read as text.
std::string Utf8(const std::u16string& s);
inline void PrintTo(const std::u16string& s, std::ostream* os) { *os << '"' << Utf8(s) << '"'; }

std::u16string Progress(const std::u16string& name);

struct FormTest : ::testing::Test {
    HostPlatform platform;
    MemoryResultList list;
    Form form{platform, list};

    std::vector<std::u16string> Texts() const;
    std::vector<int> MarkedRows() const;
    // Loads the standard profile into the manual mode's list (warning answered OK).
    void ListManual();
};

}  // namespace tavrune

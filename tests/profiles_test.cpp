// Profile text, line fields and the stored profiles' bytes. What the stored
// rows say is checked through whole runs against the golden command lists.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/host/host_platform.h"
#include "profiles/builtin_profiles.h"
#include "profiles/profile_text.h"

namespace tavrune {
namespace {

TEST(Split, CutsAtEveryCrLfAndOnlyThere) {
    EXPECT_TRUE(Split(u"").empty());
    EXPECT_EQ(Split(u"a\r\n"), (LineList{u"a", u""}));
    EXPECT_EQ(Split(u"a\rb\nc\r\r\nd"), (LineList{u"a\rb\nc\r", u"d"}));
}

struct LineCase {
    const char16_t* line;
    const char16_t* displayName;
    const char16_t* startType;
    const char16_t* serviceKey;
};

const LineCase kLines[] = {
    // The stored rows' own shapes show in the golden command lists.
    // The first "=" and the first "为" win; what follows them stays.
    {u"a=b=c为auto", u"a", u"auto", u"b=c"},
    {u"a=b为c为d", u"a", u"c为d", u"b"},
    // Only U+0020 is trimmed; spaces before the type keep "为" in the key.
    {u"a=b为auto\t", u"a", u"auto\t", u"b"},
    {u"a=b为  demand", u"a", u"demand", u"b为  demand"},
    // Every occurrence goes, in one pass: what the removal joins stays.
    {u"x=x=y为auto", u"x", u"auto", u"y"},
    {u"a=aa==b为auto", u"a", u"auto", u"a=b"},
    // No "为": the type is the whole line, trimmed. No "=": the whole line
    // is the display name, so it never matches a shorter name.
    {u" A=A disabled ", u" A", u"A=A disabled", u"A disabled "},
    {u"abc为auto", u"abc为auto", u"auto", u"abc"},
};

TEST(LineFields, DisplayNameStartTypeAndServiceKey) {
    for (const LineCase& c : kLines) {
        EXPECT_EQ(DisplayName(c.line), c.displayName);
        EXPECT_EQ(StartType(c.line), c.startType);
        EXPECT_EQ(ServiceKey(c.line, c.displayName, c.startType), c.serviceKey);
    }
}

TEST(StoredProfiles, SizeNulFillAndCrLf) {
    HostPlatform platform;
    for (const auto& [id, size, fill] : {std::tuple{101, 3496u, 3u}, {102, 3508u, 2u}, {103, 3492u, 1u}}) {
        const auto bytes = LoadProfile(platform, id);
        std::size_t nuls = 0, crlf = 0;
        while (nuls < bytes.size() && bytes[bytes.size() - 1 - nuls] == 0) ++nuls;
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i) crlf += bytes[i] == '\r' && bytes[i + 1] == '\n';
        EXPECT_TRUE(bytes.size() == size && nuls == fill && crlf == 84u) << id;
    }
}

}  // namespace
}  // namespace tavrune

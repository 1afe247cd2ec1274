// Profile text, line fields and the stored profiles' bytes. What the stored
// rows say is checked through whole runs against the golden command lists.
#include <gtest/gtest.h>

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
    const struct {
        int id;
        std::size_t size, fill;
    } kStored[] = {{101, 3496, 3}, {102, 3508, 2}, {103, 3492, 1}};
    HostPlatform platform;
    for (const auto& s : kStored) {
        SCOPED_TRACE(s.id);
        const auto bytes = LoadProfile(platform, s.id);
        ASSERT_EQ(bytes.size(), s.size);
        std::size_t fill = 0, crlf = 0;
        while (fill < bytes.size() && bytes[bytes.size() - 1 - fill] == 0) ++fill;
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i) crlf += bytes[i] == '\r' && bytes[i + 1] == '\n';
        EXPECT_EQ(fill, s.fill);
        EXPECT_EQ(crlf, 84u);
    }
}

}  // namespace
}  // namespace tavrune

// Profile text and line fields. What the stored rows say is checked through
// whole runs against the golden command lists.
#include <gtest/gtest.h>

#include "profiles/profile_text.h"

namespace tavrune {
namespace {

// Line, display name, start type, service key.
const std::u16string kLines[][4] = {
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

TEST(ProfileText, SplitAtEveryCrLfAloneAndTheFieldsOfALine) {
    // Lines end at every "\r\n" and only there; an empty text has none.
    EXPECT_TRUE(Split(u"").empty());
    EXPECT_EQ(Split(u"a\r\n"), (LineList{u"a", u""}));
    EXPECT_EQ(Split(u"a\rb\nc\r\r\nd"), (LineList{u"a\rb\nc\r", u"d"}));
    for (const auto& [line, name, type, key] : kLines) {
        EXPECT_EQ(DisplayName(line), name);
        EXPECT_EQ(StartType(line), type);
        EXPECT_EQ(ServiceKey(line, name, type), key);
    }
}

}  // namespace
}  // namespace tavrune

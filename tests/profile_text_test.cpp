#include <gtest/gtest.h>

#include "profiles/profile_text.h"
#include "test_support.h"

namespace tavrune {
namespace {

TEST(Split, CutsAtEveryCrLfAndOnlyThere) {
    EXPECT_TRUE(Split(u"").empty());
    EXPECT_EQ(Split(u"a=b为auto"), (LineList{u"a=b为auto"}));
    EXPECT_EQ(Split(u"a\r\nb"), (LineList{u"a", u"b"}));
    EXPECT_EQ(Split(u"a\r\n"), (LineList{u"a", u""}));
    EXPECT_EQ(Split(u"\r\n\r\n"), (LineList{u"", u"", u""}));
    // A lone CR or LF is part of the line.
    EXPECT_EQ(Split(u"a\rb\nc\r\r\nd"), (LineList{u"a\rb\nc\r", u"d"}));
}

struct LineCase {
    const char16_t* line;
    const char16_t* displayName;
    const char16_t* startType;
    const char16_t* serviceKey;
};

// Lines as stored, and the fields the service controller must receive.
const LineCase kLines[] = {
    {u"Alerter=Alerter为disabled", u"Alerter", u"disabled", u"Alerter"},
    {u"Automatic Updates=wuauserv为disabled", u"Automatic Updates", u"disabled", u"wuauserv"},
    {u"自动更新=wuauserv为disabled", u"自动更新", u"disabled", u"wuauserv"},
    {u"Security Center=wscsvc为disabled ", u"Security Center", u"disabled", u"wscsvc "},
    {u"主动防御=ZhuDongFangYu为auto  ", u"主动防御", u"auto", u"ZhuDongFangYu  "},
    {u"Health Key and Certificate Management Service=hkmsvc为", u"Health Key and Certificate Management Service",
     u"", u"hkmsvc"},
    {u"Windows Firewall/Internet Connection Sharing (ICS)=ShareAccess为auto ",
     u"Windows Firewall/Internet Connection Sharing (ICS)", u"auto", u"ShareAccess "},
    // The first "=" and the first "为" win; what follows them stays.
    {u"a=b=c为auto", u"a", u"auto", u"b=c"},
    {u"a=b为c为d", u"a", u"c为d", u"b"},
    // Spaces before the type are trimmed from the type but, not being part
    // of "为" + type in the line, keep the separator in the key.
    {u"a=b为  demand", u"a", u"demand", u"b为  demand"},
    {u"a=b为auto\t", u"a", u"auto\t", u"b"},
    // Every occurrence of name + "=" goes, in one pass.
    {u"x=x=y为auto", u"x", u"auto", u"y"},
    {u"xx=x为auto", u"xx", u"auto", u"x"},
    // No separator: the start type is the whole (trimmed) line.
    {u" Alerter=Alerter disabled ", u" Alerter", u"Alerter=Alerter disabled", u"Alerter disabled "},
    // No "=": the whole line is its own display name.
    {u"abc为auto", u"abc为auto", u"auto", u"abc"},
    {u"", u"", u"", u""},
};

TEST(LineFields, DisplayNameStartTypeAndServiceKey) {
    for (const LineCase& c : kLines) {
        const std::u16string line = c.line;
        SCOPED_TRACE(Utf8(line));
        EXPECT_EQ(DisplayName(line), c.displayName);
        EXPECT_EQ(StartType(line), c.startType);
        EXPECT_EQ(ServiceKey(line, DisplayName(line), StartType(line)), c.serviceKey);
    }
}

TEST(LineFields, NulInsideTheTypeIsKept) {
    const std::u16string line(u"a=b为auto\0", 9);
    // Only spaces are trimmed; a NUL is an ordinary character here.
    EXPECT_EQ(StartType(line), std::u16string(u"auto\0", 5));
}

TEST(LineFields, ServiceKeyUsesTheCallersDisplayName) {
    // The caller's name is removed, not the line's.
    EXPECT_EQ(ServiceKey(u"Alerter=Alerter为disabled", u"Other", u"disabled"), u"Alerter=Alerter");
}

TEST(RemoveAll, OnePassLeftToRight) {
    EXPECT_EQ(RemoveAll(u"aaa", u"aa"), u"a");
    EXPECT_EQ(RemoveAll(u"abab", u"ab"), u"");
    EXPECT_EQ(RemoveAll(u"aabb", u"ab"), u"ab");  // not scanned again
    EXPECT_EQ(RemoveAll(u"abc", u""), u"abc");
    EXPECT_EQ(RemoveAll(u"ABC", u"b"), u"ABC");  // case-sensitive
}

TEST(Decode, DropsTheNulFillOnly) {
    EXPECT_EQ(StripTrailingNuls(std::u16string(u"a\0b\0\0\0", 6)), std::u16string(u"a\0b", 3));
    EXPECT_EQ(StripTrailingNuls(std::u16string(u"\0\0", 2)), u"");
}

TEST(Decode, GbkWhateverTheLocale) {
    HostPlatform platform;
    // "为" is CE AA in GBK; 主动防御 and the full-width "！" as well.
    EXPECT_EQ(platform.DecodeCp936({0x61, 0xCE, 0xAA, 0x62}), u"a为b");
    EXPECT_EQ(platform.DecodeCp936({0xD6, 0xF7, 0xB6, 0xAF, 0xB7, 0xC0, 0xD3, 0xF9, 0xA3, 0xA1}), u"主动防御！");
    // A byte that is no GBK does not stop the decoding.
    const std::u16string broken = platform.DecodeCp936({0x61, 0xFF, 0x62});
    ASSERT_FALSE(broken.empty());
    EXPECT_EQ(broken.front(), u'a');
    EXPECT_EQ(broken.back(), u'b');
}

}  // namespace
}  // namespace tavrune

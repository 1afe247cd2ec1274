#include <gtest/gtest.h>

#include <array>
#include <map>
#include <set>

#include "platform/host/host_platform.h"
#include "profiles/builtin_profiles.h"
#include "profiles/profile_text.h"
#include "test_support.h"

namespace tavrune {
namespace {

struct Stored {
    int id;
    std::size_t size;
    int fill;
};
const Stored kStored[] = {{101, 3496, 3}, {102, 3508, 2}, {103, 3492, 1}};

LineList Lines(int id) {
    HostPlatform platform;
    return Split(DecodeProfile(platform, LoadProfile(platform, id)));
}

TEST(StoredProfiles, SizeFillAndLineBreaks) {
    HostPlatform platform;
    for (const Stored& s : kStored) {
        SCOPED_TRACE(s.id);
        const auto bytes = LoadProfile(platform, s.id);
        ASSERT_EQ(bytes.size(), s.size);
        for (int i = 1; i <= s.fill; ++i) EXPECT_EQ(bytes[s.size - i], 0) << "fill byte " << i;
        EXPECT_NE(bytes[s.size - s.fill - 1], 0) << "more fill than stored";
        // CR LF between lines, none after the last, no lone CR or LF (which a
        // line-ending conversion on checkout would leave behind).
        int crlf = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\r') {
                ASSERT_LT(i + 1, bytes.size());
                EXPECT_EQ(bytes[i + 1], '\n');
                ++crlf;
            } else if (bytes[i] == '\n') {
                EXPECT_EQ(bytes[i - 1], '\r');
            }
        }
        EXPECT_EQ(crlf, 84);
    }
}

TEST(StoredProfiles, LookupByTypeNameIgnoresCase) {
    HostPlatform platform;
    EXPECT_EQ(platform.LoadResource(u"custom", 101), LoadProfile(platform, 101));
    EXPECT_TRUE(platform.LoadResource(u"CUSTOM", 104).empty());
    EXPECT_TRUE(platform.LoadResource(u"RCDATA", 101).empty());
}

TEST(StoredProfiles, EveryProfileHas85WellFormedLines) {
    for (const Stored& s : kStored) {
        SCOPED_TRACE(s.id);
        const LineList lines = Lines(s.id);
        ASSERT_EQ(lines.size(), 85u);
        EXPECT_EQ(lines[0], u"Alerter=Alerter为disabled");
        EXPECT_EQ(lines[84], u"主动防御=ZhuDongFangYu为auto  ");
        EXPECT_EQ(lines[20], u"Health Key and Certificate Management Service=hkmsvc为");
        for (const auto& line : lines) {
            EXPECT_NE(line.find(u'='), std::u16string::npos) << Utf8(line);
            EXPECT_NE(line.find(u'为'), std::u16string::npos) << Utf8(line);
            const std::u16string type = StartType(line);
            EXPECT_TRUE(type == u"auto" || type == u"demand" || type == u"disabled" || type.empty()) << Utf8(line);
        }
    }
}

TEST(StoredProfiles, DifferOnlyInTheStartTypeOfFourRows) {
    const LineList standard = Lines(101), advanced = Lines(102), network = Lines(103);
    // Row: start types in 101, 102, 103.
    const std::map<int, std::array<const char16_t*, 3>> differing = {
        {43, {u"auto", u"disabled", u"demand"}},
        {49, {u"auto", u"disabled", u"auto"}},
        {57, {u"disabled", u"disabled", u"auto"}},
        {81, {u"auto", u"disabled", u"auto"}},
    };
    for (int row = 0; row < 85; ++row) {
        SCOPED_TRACE(row);
        const std::u16string name = DisplayName(standard[row]);
        const std::u16string key = ServiceKey(standard[row], name, StartType(standard[row]));
        const LineList* all[] = {&standard, &advanced, &network};
        for (int p = 0; p < 3; ++p) {
            const std::u16string& line = (*all[p])[row];
            EXPECT_EQ(DisplayName(line), name);
            EXPECT_EQ(RemoveAll(ServiceKey(line, name, StartType(line)), u" "), RemoveAll(key, u" "));
            const auto d = differing.find(row);
            if (d != differing.end()) EXPECT_EQ(StartType(line), d->second[p]);
            else EXPECT_EQ(line, standard[row]);
        }
    }
    // The one place where a trailing space differs too.
    EXPECT_EQ(advanced[81], u"Wireless Zero Configuration=WZCSVC为disabled ");
    EXPECT_EQ(ServiceKey(advanced[81], DisplayName(advanced[81]), StartType(advanced[81])), u"WZCSVC ");
}

TEST(StoredProfiles, TrailingSpacesStayWhereStored) {
    const std::set<int> oneSpace = {56, 58, 59, 60, 61, 62, 64, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 82, 83};
    const LineList lines = Lines(101);
    for (int row = 0; row < 85; ++row) {
        const std::u16string& line = lines[row];
        std::size_t spaces = 0;
        while (spaces < line.size() && line[line.size() - 1 - spaces] == u' ') ++spaces;
        const std::size_t expected = row == 84 ? 2 : oneSpace.count(row);
        EXPECT_EQ(spaces, expected) << "row " << row << ": " << Utf8(line);
    }
}

TEST(StoredProfiles, RowsNamedByTheirService) {
    const LineList lines = Lines(101);
    struct Row {
        int row;
        const char16_t* name;
        const char16_t* key;
    };
    const Row rows[] = {
        {3, u"Automatic Updates", u"wuauserv"},
        {4, u"自动更新", u"wuauserv"},
        {11, u"DHCP Client", u"Dhcp"},
        {19, u"FUSC", u"FastUserSwitchingCompatibility"},
        {36, u"Network Location Awareness (NLA)", u"NLA"},
        {46, u"Remote Access Auto Connection Manager", u"RasAuTo"},
        {74, u"Windows Firewall/Internet Connection Sharing (ICS)", u"ShareAccess "},
        {83, u"Workstation", u"lanmanworkstation "},
    };
    for (const Row& r : rows) {
        const std::u16string& line = lines[r.row];
        EXPECT_EQ(DisplayName(line), r.name) << r.row;
        EXPECT_EQ(ServiceKey(line, r.name, StartType(line)), r.key) << r.row;
    }
}

}  // namespace
}  // namespace tavrune

#include <gtest/gtest.h>

#include "test_support.h"

namespace tavrune {
namespace {

using Commands = std::vector<std::u16string>;

struct ServiceChangeTest : FormTest {
    // Line list B is built by a run; load a profile and run once, then watch
    // single calls.
    void Prepare(std::int16_t option = kOptionStandard) {
        form.Option1_Click(option);
        form.Command1_Click();
        platform.started.clear();
    }
    Commands Change(const std::u16string& name, int row) {
        platform.started.clear();
        form.ChangeService(name, row);
        return platform.started;
    }
};

TEST_F(ServiceChangeTest, CommandLinesPerStartType) {
    Prepare();
    EXPECT_EQ(Change(u"Alerter", 0), (Commands{
        u"cmd /c  sc stop Alerter",
        u"cmd /c  sc config Alerter start= \"disabled\"",
    }));
    EXPECT_EQ(Change(u"DHCP Client", 11), (Commands{
        u"cmd /c  sc config Dhcp start= \"auto\"",
        u"cmd /c  sc start Dhcp",
    }));
    EXPECT_EQ(Change(u"Application Management", 2), (Commands{
        u"cmd /c  sc config Appmgmt start= \"demand\"",
    }));
    // Empty start type: configured with "" and neither stopped nor started.
    EXPECT_EQ(Change(u"Health Key and Certificate Management Service", 20), (Commands{
        u"cmd /c  sc config hkmsvc start= \"\"",
    }));
    EXPECT_EQ(form.State().currentServiceKey, u"hkmsvc");
    EXPECT_EQ(form.State().currentStartType, u"");
}

TEST_F(ServiceChangeTest, TrailingSpacesTravelWithTheKey) {
    Prepare();
    EXPECT_EQ(Change(u"Security Center", 56), (Commands{
        u"cmd /c  sc stop wscsvc ",
        u"cmd /c  sc config wscsvc  start= \"disabled\"",
    }));
    EXPECT_EQ(Change(u"主动防御", 84), (Commands{
        u"cmd /c  sc config ZhuDongFangYu   start= \"auto\"",
        u"cmd /c  sc start ZhuDongFangYu  ",
    }));
    EXPECT_EQ(form.State().currentServiceKey, u"ZhuDongFangYu  ");
    EXPECT_EQ(form.State().currentStartType, u"auto");
}

TEST_F(ServiceChangeTest, BothUpdateRowsActOnWuauserv) {
    Prepare(kOptionAdvanced);
    const Commands expected = {u"cmd /c  sc stop wuauserv", u"cmd /c  sc config wuauserv start= \"disabled\""};
    EXPECT_EQ(Change(u"Automatic Updates", 3), expected);
    EXPECT_EQ(Change(u"自动更新", 4), expected);
}

TEST_F(ServiceChangeTest, ProfilesDifferWhereTheyShould) {
    Prepare(kOptionAdvanced);
    EXPECT_EQ(Change(u"Wireless Zero Configuration", 81), (Commands{
        u"cmd /c  sc stop WZCSVC ",
        u"cmd /c  sc config WZCSVC  start= \"disabled\"",
    }));
    Prepare(kOptionLocalNetwork);
    EXPECT_EQ(Change(u"Print Spooler", 43), (Commands{u"cmd /c  sc config Spooler start= \"demand\""}));
    EXPECT_EQ(Change(u"Server", 57), (Commands{
        u"cmd /c  sc config LanmanServer start= \"auto\"",
        u"cmd /c  sc start LanmanServer",
    }));
}

TEST_F(ServiceChangeTest, ANameThatDoesNotMatchTheLineChangesNothing) {
    Prepare();
    Change(u"DHCP Client", 11);
    const FormState before = form.State();
    for (const auto& [name, row] : std::vector<std::pair<std::u16string, int>>{
             {Progress(u"Alerter"), 0},   // a row recaptioned by an earlier run
             {u"Alerter", 1},             // the right name at the wrong row
             {u"alerter", 0},             // case counts
             {u"Alerter ", 0},
             {u"", 0},
             {u"Alerter", -1},            // no such row
             {u"Alerter", 85},
             {u"Alerter", 1 << 20},
         }) {
        EXPECT_TRUE(Change(name, row).empty()) << Utf8(name) << " @" << row;
    }
    EXPECT_EQ(form.State().currentServiceKey, before.currentServiceKey);
    EXPECT_EQ(form.State().currentStartType, before.currentStartType);
}

TEST_F(ServiceChangeTest, NothingToChangeBeforeAnyRun) {
    form.Option1_Click(kOptionStandard);  // loads, but builds no line list B
    EXPECT_TRUE(Change(u"Alerter", 0).empty());
}

}  // namespace
}  // namespace tavrune

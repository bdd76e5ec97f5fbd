#include "extras/WebLinks.h"
#include "store/Settings.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::TestProgram;

// Opens the web site with a desktop that answers `opens`; the addresses it was asked to open.
QList<QUrl> openWebsite(TestProgram& p, bool opens) {
    QList<QUrl> asked;
    OpenWebsite(p.state, [&](const QUrl& url) {
        asked << url;
        return opens;
    });
    return asked;
}

TEST(webLinks, TheWebsiteSettingOpensInTheBrowser) {
    TestProgram p;
    SaveSetting(p.state, "Website", "www.orvella.example/music");
    EXPECT_EQ(openWebsite(p, true), QList<QUrl>{QUrl("http://www.orvella.example/music")});
    EXPECT_TRUE(p.ui.messages.isEmpty());

    SaveSetting(p.state, "Website", "https://www.orvella.example/");
    EXPECT_EQ(openWebsite(p, false), QList<QUrl>{QUrl("https://www.orvella.example/")});
    ASSERT_EQ(p.ui.messages.size(), 1);
    EXPECT_EQ(p.ui.messages[0].message, "Could not find associated Browser");
    EXPECT_EQ(p.ui.messages[0].title, "Browser Not Found");
    EXPECT_FALSE(p.ui.messages[0].isReport);
    EXPECT_EQ(p.ui.messages[0].icon, DialogContent::Exclamation);
}

TEST(webLinks, WithoutAnAddressNothingIsOpened) {
    TestProgram p;
    EXPECT_EQ(GetSetting(p.state, "Website"), "");
    EXPECT_TRUE(openWebsite(p, true).isEmpty());
    SaveSetting(p.state, "Website", "   ");
    EXPECT_TRUE(openWebsite(p, true).isEmpty());
    ASSERT_EQ(p.ui.messages.size(), 2);
    EXPECT_EQ(p.ui.messages[1].message, "Web Page not Opened");
    EXPECT_EQ(p.ui.messages[1].title, "URL Failed");
    EXPECT_EQ(p.ui.messages[1].icon, DialogContent::Exclamation);
}

TEST(webLinks, TheHelpPageIsInTheProgramFolder) {
    TestProgram p;
    EXPECT_EQ(helpPagePath(p.state), p.file("Orvella Help.html"));
    EXPECT_TRUE(QFile::exists(helpPagePath(p.state)));
}

}  // namespace
}  // namespace orv

#include "store/DataAccess.h"
#include "store/Settings.h"
#include "support/TestProgram.h"

#include <QFile>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::TestProgram;

QStringList ValuesOf(const TestProgram& p, const QString& name) {
    return p.column("OrvSettings.mdb",
                    "SELECT SettingValue FROM Settings WHERE SettingName = '" + SqlQuote(name) + "'");
}

TEST(SettingsStore, SavesTextAsGivenButTrimmedAndReadsItBack) {
    TestProgram p;
    SaveSetting(p.state, "MusicPath", "/music/It's Here/");
    EXPECT_EQ(GetSetting(p.state, "MusicPath"), "/music/It's Here/");
    SaveSetting(p.state, "  Padded ", "  value with blanks  ");
    EXPECT_EQ(ValuesOf(p, "Padded"), QStringList{"value with blanks"});
    EXPECT_EQ(GetSetting(p.state, "Padded "), "value with blanks");
    SaveSetting(p.state, "Flag", true);
    SaveSetting(p.state, "Other", false);
    SaveSetting(p.state, "Seconds", 45);
    EXPECT_EQ(GetSetting(p.state, "Flag"), "True");
    EXPECT_EQ(GetSetting(p.state, "Other"), "False");
    EXPECT_EQ(GetSetting(p.state, "Seconds"), "45");
    EXPECT_TRUE(p.ui.messages.isEmpty());
}

TEST(SettingsStore, OneRowPerNameAndEveryRowOfANameUpdated) {
    TestProgram p;
    SaveSetting(p.state, "Brand New", "1");
    SaveSetting(p.state, "Brand New", "2");
    EXPECT_EQ(ValuesOf(p, "Brand New"), QStringList{"2"});

    p.sql("OrvSettings.mdb", "INSERT INTO Settings VALUES ('Twice', 'a')");
    p.sql("OrvSettings.mdb", "INSERT INTO Settings VALUES ('Twice', 'b')");
    SaveSetting(p.state, "Twice", "c");
    EXPECT_EQ(ValuesOf(p, "Twice"), QStringList({"c", "c"}));
}

TEST(SettingsStore, MissingOrNullValuesReadEmpty) {
    TestProgram p;
    p.sql("OrvSettings.mdb", "INSERT INTO Settings VALUES ('Nothing', NULL)");
    EXPECT_EQ(GetSetting(p.state, "Nothing"), "");
    EXPECT_EQ(GetSetting(p.state, "NeverSaved"), "");
    EXPECT_EQ(GetSkinSetting(p.state, "Default", "ScrollbarColor"), "8388672");
    EXPECT_EQ(GetSkinSetting(p.state, "Default", "NoSuchValue"), "");
    EXPECT_EQ(GetSkinSetting(p.state, "NoSuchSkin", "ScrollbarColor"), "");
    EXPECT_TRUE(p.ui.messages.isEmpty());
}

TEST(SettingsStore, MissingDatabaseReportsAndSaveFailsInTheCaller) {
    TestProgram p;
    ASSERT_TRUE(QFile::remove(p.file("OrvSettings.mdb")));
    EXPECT_EQ(GetSetting(p.state, "MusicPath"), "");
    ASSERT_EQ(p.ui.messages.size(), 1);
    EXPECT_TRUE(p.ui.messages[0].message.contains(p.file("Orvella81.mdb")));

    try {
        SaveSetting(p.state, "MusicPath", "/x/");
        FAIL() << "a save without a database must fail in its caller";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::ObjectNotSet);
    }
    EXPECT_EQ(p.ui.messages.size(), 2);
    EXPECT_FALSE(QFile::exists(p.file("OrvSettings.mdb")));
}

TEST(SettingsStore, BooleanValueFollowsTheTextToBooleanConversion) {
    EXPECT_EQ(booleanValue("True"), true);
    EXPECT_EQ(booleanValue("false"), false);
    EXPECT_EQ(booleanValue(" TRUE "), true);
    EXPECT_EQ(booleanValue("0"), false);
    EXPECT_EQ(booleanValue("-1"), true);
    EXPECT_EQ(booleanValue("2.5"), true);
    EXPECT_EQ(booleanValue(""), std::nullopt);
    EXPECT_EQ(booleanValue("Yes"), std::nullopt);
}

}  // namespace
}  // namespace orv

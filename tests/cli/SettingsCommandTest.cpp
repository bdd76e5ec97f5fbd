#include "support/Cli.h"
#include "support/Files.h"
#include "support/TestProgram.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

using orv::test::Cli;
using orv::test::CliRun;

using CliSettings = orv::test::CliHome;

TEST_F(CliSettings, InitMakesTheProgramFolderAndNeverOverwrites) {
    for (const char* name :
         {"Orvella81.mdb", "OrvSettings.mdb", "OrvLibraries81.mdb", "Images/Error.ico", "Images/Info.ico",
          "Images/Question.ico", "Images/Exclamation.ico", "Skins/Default/Background.jpg", "Skins/Default/Logo.gif"})
        EXPECT_TRUE(QFileInfo(file(name)).isFile()) << name;
    EXPECT_TRUE(QDir(file("Playlists")).isEmpty());

    ASSERT_EQ(Cli(home.path(), {"settings", "set", "ActiveSkin", "Mine"}).status, 0);
    const CliRun again = Cli(home.path(), {"init"});
    EXPECT_EQ(again.status, 0);
    EXPECT_TRUE(again.out.isEmpty()) << again.out.toStdString();
    EXPECT_EQ(Cli(home.path(), {"settings", "get", "ActiveSkin"}).out, "Mine\n");

    ASSERT_TRUE(QFile::remove(file("Images/Info.ico")));
    const CliRun repair = Cli(home.path(), {"init"});
    EXPECT_EQ(repair.out.trimmed(), "created " + file("Images/Info.ico"));
}

TEST_F(CliSettings, SetThenGetQuotesAndTrims) {
    const CliRun set = Cli(home.path(), {"settings", "set", "Rock'n Name ", "  D:\\It's Music  "});
    EXPECT_EQ(set.status, 0) << set.err.toStdString();
    const CliRun get = Cli(home.path(), {"settings", "get", "Rock'n Name"});
    EXPECT_EQ(get.status, 0);
    EXPECT_EQ(get.out, "D:\\It's Music\n");

    ASSERT_EQ(Cli(home.path(), {"settings", "set", "Rock'n Name", "second"}).status, 0);
    const CliRun list = Cli(home.path(), {"settings", "list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_TRUE(list.out.contains("Rock'n Name\tsecond\n"));
    EXPECT_TRUE(list.out.contains("InitialUse\tTrue\n"));
}

TEST_F(CliSettings, GetTellsAMissingSettingFromASettingsTableThatCannotBeRead) {
    const CliRun missing = Cli(home.path(), {"settings", "get", "NoSuchSetting"});
    EXPECT_EQ(missing.status, 0);
    EXPECT_EQ(missing.out, "\n");
    EXPECT_TRUE(missing.err.isEmpty());

    ASSERT_EQ(orv::test::QueryColumn(file("OrvSettings.mdb"), "DROP TABLE Settings"), QStringList{});
    const CliRun noTable = Cli(home.path(), {"settings", "get", "MusicPath"});
    EXPECT_EQ(noTable.status, 1);
    EXPECT_TRUE(noTable.out.isEmpty());
    EXPECT_TRUE(noTable.err.contains("Procedure: settings get\n")) << noTable.err.toStdString();

    ASSERT_TRUE(orv::test::WriteFile(file("OrvSettings.mdb"), {}));
    EXPECT_EQ(Cli(home.path(), {"settings", "get", "MusicPath"}).status, 1) << "an empty file holds no Settings table";
}

TEST_F(CliSettings, SetRefusesAMissingProgramFolderAndNamesItCannotHold) {
    const CliRun noFolder = Cli(file("none"), {"settings", "set", "MusicPath", "/x/"});
    EXPECT_EQ(noFolder.status, 1);
    EXPECT_TRUE(noFolder.err.startsWith("Orvella Configurator\nThere is no program folder at " + file("none") + ".\n"));
    for (const QString& name : {QString(65, 'N'), QString("Bad\tName")})
        EXPECT_EQ(Cli(home.path(), {"settings", "set", name, "v"}).status, 1) << name.toStdString();
    EXPECT_EQ(Cli(home.path(), {"settings", "set", QString(64, 'N'), "v"}).status, 0);
    EXPECT_FALSE(Cli(home.path(), {"settings", "list"}).out.contains("BadName"));
}

TEST_F(CliSettings, WrongUsageExitsWithTwo) {
    for (const QStringList& arguments :
         {QStringList{}, {"settings"}, {"settings", "get"}, {"settings", "set", "x"}, {"y"}})
        EXPECT_EQ(Cli(home.path(), arguments).status, 2) << arguments.join(' ').toStdString();
}

}  // namespace

#include "support/Cli.h"
#include "support/Files.h"
#include "support/TestProgram.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

using orv::test::Cli;
using orv::test::CliRun;

class CliLibraries : public orv::test::CliHome {
protected:
    CliRun libraries(const QStringList& arguments) const {
        return Cli(home.path(), QStringList{"libraries"} + arguments);
    }
    QStringList query(const QString& sql) const { return orv::test::QueryColumn(file("OrvLibraries81.mdb"), sql); }
};

TEST_F(CliLibraries, CreateListAndDeleteAsTheButtonsDo) {
    EXPECT_EQ(libraries({"list"}).out, "MusicLibrary1\n");

    const CliRun created = libraries({"create", "My Rock Songs"});
    EXPECT_EQ(created.status, 0);
    EXPECT_TRUE(created.err.startsWith("Music Library Created\nThe Music Library - 'My_Rock_Songs' has been"));
    EXPECT_EQ(libraries({"list"}).out, "MusicLibrary1\nMy_Rock_Songs\n");

    const CliRun refused = libraries({"create", "x; DROP TABLE MusicLibrary1"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.startsWith("Music Library NOT Created\n"));
    EXPECT_EQ(libraries({"list"}).out, "MusicLibrary1\nMy_Rock_Songs\n");

    const CliRun asked = libraries({"delete", "my_rock_songs"});
    EXPECT_EQ(asked.status, 1);
    EXPECT_TRUE(
        asked.err.contains("Are you sure you want to delete the Music Library - 'My_Rock_Songs' ?\n[Yes/No] No"));
    const CliRun deleted = Cli(home.path(), {"--yes", "libraries", "delete", "my_rock_songs"});
    EXPECT_EQ(deleted.status, 0);
    EXPECT_TRUE(deleted.err.endsWith("Music Library Deleted\nMy_Rock_Songs was deleted successfully.\n"));
    EXPECT_EQ(libraries({"list"}).out, "MusicLibrary1\n");
}

// The settings database cannot be read (a folder stands in its place): the command does its work, but
// what was reported makes it a failure.
TEST_F(CliLibraries, AReportedFailureExitsWith1AlsoWhenTheWorkWasDone) {
    ASSERT_TRUE(QFile::remove(file("OrvSettings.mdb")) && QDir().mkdir(file("OrvSettings.mdb")));
    const QString notFound = "Orvella Configurator cannot find the Music Library file located at";

    const CliRun created = libraries({"create", "Rock"});
    EXPECT_TRUE(created.err.contains("Music Library Created\n"));
    EXPECT_TRUE(created.err.contains(notFound));
    EXPECT_EQ(created.status, 1);
    query("INSERT INTO Rock (Filename) VALUES ('/r.mp3')");

    const CliRun cleared = Cli(home.path(), {"--yes", "libraries", "clear", "Rock"});
    EXPECT_EQ(query("SELECT count(*) FROM Rock"), QStringList{"0"});
    EXPECT_TRUE(cleared.err.contains(notFound));
    EXPECT_EQ(cleared.status, 1);

    const CliRun deleted = Cli(home.path(), {"--yes", "libraries", "delete", "Rock"});
    EXPECT_TRUE(deleted.err.contains("Rock was deleted successfully."));
    EXPECT_TRUE(deleted.err.contains(notFound));
    EXPECT_EQ(deleted.status, 1);
}

TEST_F(CliLibraries, WrongUsageExitsWith2) {
    for (const QStringList& arguments :
         {QStringList{}, {"bogus"}, {"create"}, {"create", ""}, {"delete"}, {"list", "extra"}, {"create", "a", "b"}})
        EXPECT_EQ(libraries(arguments).status, 2) << arguments.join(' ').toStdString();
}

}  // namespace

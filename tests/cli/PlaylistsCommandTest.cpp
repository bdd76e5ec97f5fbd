#include "support/Cli.h"
#include "support/Files.h"
#include "support/TestProgram.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

using orv::test::Cli;
using orv::test::CliRun;

class CliPlaylists : public orv::test::CliHome {
protected:
    void SetUp() override {
        CliHome::SetUp();
        ASSERT_EQ(Cli(home.path(), {"libraries", "create", "Rock"}).status, 0);
        for (const char* values : {"'AC/DC', 'Thunderstruck', 292, '/m/t.mp3'", "'Abba', 'Waterloo', 168, '/m/w.mp3'"})
            library("INSERT INTO MusicLibrary1 (Artist, Title, Seconds, Filename) VALUES (" + QString(values) + ")");
        library("INSERT INTO Rock (Artist, Title, Seconds, Filename) VALUES ('Rush', 'Tom Sawyer', 276, '/m/r.mp3')");
    }
    void library(const QString& sql) const { orv::test::QueryColumn(file("OrvLibraries81.mdb"), sql); }
    CliRun playlists(const QStringList& arguments) const {
        return Cli(home.path(), QStringList{"playlists"} + arguments);
    }
    QString playlist(const QString& name) const { return file("Playlists/" + name); }
    QStringList files() const { return orv::test::FilesIn(file("Playlists")); }
};

TEST_F(CliPlaylists, WritesTheCurrentLibraryAsB4sAndKeepsExistingFiles) {
    const CliRun run = playlists({});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    // Artists in order with letter case ignored: Abba before AC/DC.
    EXPECT_EQ(run.out, "Creating Playlist: " + playlist("Abba.b4s") + "\nCreating Playlist: " + playlist("AC_DC.b4s") +
                           "\n2 New Playlists Successfully Created\n");
    EXPECT_EQ(files(), QStringList({"AC_DC.b4s", "Abba.b4s"}));

    const CliRun again = playlists({});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, "0 New Playlists Successfully Created\n");

    const CliRun m3u = playlists({"--format", "m3u", "--overwrite"});
    EXPECT_EQ(m3u.status, 0);
    EXPECT_EQ(m3u.out, "Creating Playlist: " + playlist("Abba.m3u") + "\nCreating Playlist: " + playlist("AC_DC.m3u") +
                           "\n2 New Playlists Successfully Created\n");
}

TEST_F(CliPlaylists, TheLibraryComesFromTheSettingOrTheOption) {
    ASSERT_EQ(Cli(home.path(), {"settings", "set", "CurrentMusicLibrary", "Rock"}).status, 0);
    EXPECT_EQ(playlists({"--format", "m3u"}).out,
              "Creating Playlist: " + playlist("Rush.m3u") + "\n1 New Playlist Successfully Created\n");
    EXPECT_EQ(playlists({"--library", "MusicLibrary1", "--format", "m3u"}).out.count("Creating Playlist: "), 2);
    EXPECT_EQ(files(), QStringList({"AC_DC.m3u", "Abba.m3u", "Rush.m3u"}));

    const CliRun missing = playlists({"--library", "Jazz"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Music Library Not Found\nThere is no Music Library named 'Jazz'.\n");
}

TEST_F(CliPlaylists, AFailureEndsWithStatusOneAndWrongOptionsWithTheUsage) {
    // Which failures are reported, the playlist tests show; here the report ends the command.
    ASSERT_TRUE(QDir(file("Playlists")).removeRecursively());
    const CliRun kept = playlists({});
    EXPECT_EQ(kept.status, 1);
    EXPECT_EQ(kept.out, "0 New Playlists Successfully Created\n");
    EXPECT_TRUE(kept.err.startsWith("Playlists Not Written\n2 playlists could not be written:\n\n"))
        << kept.err.toStdString();

    const CliRun failed = playlists({"--overwrite"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_TRUE(failed.err.contains("Error Number: 76\n")) << failed.err.toStdString();

    for (const QStringList& wrong : {QStringList{"--format", "pls"}, QStringList{"--library"}, QStringList{"extra"}}) {
        const CliRun usage = playlists(wrong);
        EXPECT_EQ(usage.status, 2);
        EXPECT_TRUE(usage.err.contains("playlists [--library NAME] [--format m3u|b4s] [--overwrite]"));
    }
}

}  // namespace

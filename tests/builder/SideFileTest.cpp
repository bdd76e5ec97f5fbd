#include "BuildFixture.h"
#include "store/DataAccess.h"
#include "tags/SideFileTags.h"

#include <QDateTime>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::BuildFixture;

TEST(SideFile, FieldsByExactNameWithBareAmpersands) {
    const auto side = parseSideFile(
        "<song><Artist>Rock & Roll Band</Artist><artist>ignored</artist>"
        "<Title>Fish &amp; Chips</Title><Year>2003</Year><Year>1994</Year>"
        "<Genre>(13)</Genre><Track>4/9</Track><Seconds>215</Seconds>"
        "<Duration>3:35</Duration><CommentText>note</CommentText></song>");
    ASSERT_TRUE(side);
    EXPECT_EQ(side->song.Artist, "Rock & Roll Band");
    EXPECT_EQ(side->song.Title, "Fish &amp; Chips") << "an escaped ampersand comes out as written";
    EXPECT_EQ(side->song.SongYear, "1994") << "the later element wins";
    EXPECT_EQ(side->song.CDYear, "1994");
    EXPECT_EQ(side->song.SongDecade, "1990's");
    EXPECT_EQ(side->song.Genre, "(13)") << "taken as it stands";
    EXPECT_EQ(side->song.Track, "4/9");
    EXPECT_EQ(side->song.CommentText, "note");
    EXPECT_EQ(side->seconds, "215");
    EXPECT_EQ(side->duration, "3:35");

    const auto empty = parseSideFile("<song/>");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->song.Artist.isEmpty());
    EXPECT_TRUE(empty->song.SongDecade.isEmpty());
    EXPECT_FALSE(parseSideFile("<song><Artist>x</song>"));
    EXPECT_FALSE(parseSideFile(""));
    EXPECT_EQ(parseSideFile("<s><Artist>Caf\xe9</Artist></s>")->song.Artist, QString::fromUtf8("Café"))
        << "single-byte text";
    EXPECT_EQ(parseSideFile("<s><Artist>Caf\xc3\xa9</Artist></s>")->song.Artist, QString::fromUtf8("Café"));
    EXPECT_FALSE(readSideFile("/no/such/file.wma.tag"));
}

TEST(SideFile, WhatCannotBeASongsSideFileIsRefusedWithItsReason) {
    const auto nested = [](int levels) {
        return "<s>" + QByteArray("<a>").repeated(levels - 1) + "x" + QByteArray("</a>").repeated(levels - 1) + "</s>";
    };
    EXPECT_TRUE(parseSideFile(nested(64)));
    const std::pair<QByteArray, const char*> refused[] = {
        {nested(65), "nested deeper than 64 levels"},
        {nested(60000), "nested deeper than 64 levels"},
        {"<s><Artist>" + QByteArray(1 << 20, 'A') + "</Artist></s>", "larger than 1 MiB"},
        {" \r\n", "empty"},
        {QByteArray("<\0s\0/\0>\0", 8), "NUL"},
        {"<s><Artist>x</s>", "not well-formed XML"},
    };
    for (const auto& [contents, reason] : refused) {
        QString problem;
        EXPECT_FALSE(parseSideFile(contents, &problem));
        EXPECT_TRUE(problem.contains(QLatin1String(reason))) << problem.toStdString();
    }
}

TEST_F(BuildFixture, SideFileStatementsKeepEveryTextAndWriteSecondsAsANumber) {
    SideFileSong side;
    side.song.Artist = "O'Brien";
    side.song.Title = side.song.Album = side.song.Band = "x";
    side.song.Track = "4'";
    side.song.SongYear = side.song.CDYear = "20'03";
    side.duration = "3'35";
    side.seconds = "214.5";
    const QDateTime now(QDate(2024, 3, 5), QTime(14, 7, 9));
    const QString columns =
        "SELECT Artist || '|' || Track || '|' || SongYear || '|' || Duration || '|' || Seconds || "
        "'|' || typeof(Seconds) || '|' || FileDateTimeLow || '|' || DateAdded || '|' || "
        "LastUpdated FROM MusicLibrary1";
    program.state.CurrentMusicLibrary = "MusicLibrary1";
    ASSERT_TRUE(ExecuteSQLCommand(
        program.state, insertSideFileStatement("MusicLibrary1", "/m/a.wma", side, "10", "0", now), Db::Libraries));
    EXPECT_EQ(program.column("OrvLibraries81.mdb", columns),
              QStringList{"O'Brien|4|20'03|3'35|214|integer|10|2024-03-05|2024-03-05 14:07:09"});
    side.seconds = "abc";
    ASSERT_TRUE(ExecuteSQLCommand(program.state,
                                  updateSideFileStatement("MusicLibrary1", "/m/a.wma", side, "-7", "0", now.addDays(1)),
                                  Db::Libraries));
    EXPECT_EQ(program.column("OrvLibraries81.mdb", columns),
              QStringList{"O'Brien|4'|20'03|3'35|0|integer|-7|2024-03-05|2024-03-06 14:07:09"});
    EXPECT_EQ(sideFileSeconds(" 215 "), 215);
}

}  // namespace
}  // namespace orv

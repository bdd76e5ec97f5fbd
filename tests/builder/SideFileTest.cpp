#include "tags/SideFileTags.h"

#include <QDateTime>
#include <gtest/gtest.h>

namespace orv {
namespace {

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

TEST(SideFile, StatementsQuoteEveryTextAndWriteSecondsAsANumber) {
    SideFileSong side;
    side.song.Artist = "O'Brien";
    side.song.Title = side.song.Album = side.song.Band = "x";
    side.song.Track = "4'";
    side.song.SongYear = side.song.CDYear = "20'03";
    side.song.SongDecade = "20'0's";
    side.duration = "3'35";
    const QDateTime now(QDate(2024, 3, 5), QTime(14, 7, 9));
    EXPECT_EQ(updateSideFileStatement("T", "/m/a.wma", side, "10", "0", now),
              "UPDATE T SET BandName='x', Album='x', Artist='O''Brien', Title='x', Duration='3''35', Seconds=0, "
              "Track='4''', SongYear='20''03', CDYear='20''03', Compilation='', SongDecade='20''0''s', Genre='', "
              "Rating='', CommentTitle='', CommentText='', FileDateTimeLow=10, FileDateTimeHigh=0, "
              "LastUpdated='2024-03-05 14:07:09', HasLyrics = '' WHERE FileName= '/m/a.wma'");
    side.seconds = "214.5";
    side.song.Track = "7";
    EXPECT_EQ(insertSideFileStatement("T", "/m/a.wma", side, "10", "0", now),
              "INSERT INTO T (Album, Artist, Title, BandName, Duration, Seconds, Track, SongYear, SongDecade, CDYear, "
              "Genre, Rating, Compilation, CommentTitle, CommentText, FileName, FileDateTimeLow, FileDateTimeHigh, "
              "DateAdded, LastUpdated, HasLyrics ) SELECT 'x', 'O''Brien', 'x', 'x', '3''35', 214, 7, '20''03', "
              "'20''0''s', '20''03', '', '', '', '', '', '/m/a.wma', 10, 0, '2024-03-05', '2024-03-05 14:07:09', ''");
    EXPECT_EQ(sideFileSeconds("abc"), 0);
    EXPECT_EQ(sideFileSeconds(" 215 "), 215);
}

}  // namespace
}  // namespace orv

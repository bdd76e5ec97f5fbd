#include "Mp3Fixture.h"

#include "store/DataAccess.h"
#include "store/MusicLibraries.h"
#include "support/TestProgram.h"
#include "tags/ID3Tags.h"
#include "tags/SongRecords.h"
#include "tags/TagComponent.h"

#include <QDate>
#include <gtest/gtest.h>

namespace {

using namespace orv;
using namespace orv::test;

const QString kLibraries = QStringLiteral("OrvLibraries81.mdb");

class SongRecordsTest : public ::testing::Test {
protected:
    void SetUp() override { program.state.CurrentMusicLibrary = QStringLiteral("MusicLibrary1"); }

    // A file whose headers give `claimedFrames` frames (245 seconds for 9379).
    QString mp3(const QString& name, int claimedFrames) {
        const QString path = program.file(name);
        WriteMp3(path, ID3v2Bytes().text("TIT2", "x").bytes(), SilentFrames(5, claimedFrames));
        return path;
    }

    // Columns of the file's record, in the order given.
    QStringList stored(const QString& columns, const QString& fileName) {
        return program
            .column(kLibraries, "SELECT " + QString(columns).replace(",", " || '|' || ") +
                                    " FROM MusicLibrary1 WHERE FileName='" + QString(fileName).replace("'", "''") + "'")
            .value(0)
            .split('|');
    }

    TestProgram program;
};

SongFields KnownSong() {
    SongFields song;
    song.Album = "First Album";
    song.Artist = song.Band = "Some Band";
    song.Title = "Don't Stop";
    song.Track = "3";
    song.SongYear = song.CDYear = "1969";
    song.SongDecade = "1960's";
    song.Genre = "Rock";
    return song;
}

TEST(SongStatements, DurationText) {
    EXPECT_EQ(FormatDuration(245), "4:05");
    EXPECT_EQ(FormatDuration(59), "0:59");
    EXPECT_EQ(FormatDuration(3599), "59:59");
    EXPECT_EQ(FormatDuration(3600), "1:00:00");
    EXPECT_EQ(FormatDuration(3930), "1:05:30");
    EXPECT_EQ(FormatDuration(0), "");
    EXPECT_EQ(FormatDuration(-4), "");
    EXPECT_EQ(recordDuration(0), "0:00");
    EXPECT_EQ(recordDuration(61), "1:01");
}

TEST_F(SongRecordsTest, SongLengthFromTheHeadersOrFromTheFrames) {
    TagComponent tags;
    ASSERT_TRUE(tags.openFile(mp3("long.mp3", 9379)));
    EXPECT_EQ(ResolveSongLength(tags), 245);

    // Headers that claim one frame give 0 seconds; the 100 frames themselves last 2.6 seconds.
    WriteMp3(program.file("lying.mp3"), {}, SilentFrames(100, 1));
    ASSERT_TRUE(tags.openFile(program.file("lying.mp3")));
    EXPECT_EQ(ResolveSongLength(tags), 3);

    WriteMp3(program.file("empty.mp3"), ID3v2Bytes().text("TIT2", "No audio").bytes(), {});
    tags.openFile(program.file("empty.mp3"));
    EXPECT_EQ(ResolveSongLength(tags), 0);
}

TEST_F(SongRecordsTest, InsertAppliesDefaultsThenUpdateKeepsDateAdded) {
    const QString file = mp3("Don't Stop.mp3", 9379);
    TagComponent tags;
    ASSERT_TRUE(tags.openFile(file));
    SongFields song;
    song.Title = "  Don't Stop ";
    song.Artist = QString();
    song.Album = "   ";
    song.Lyrics = "Words";
    song.CommentText = QString(300, 'c');

    InsertSongRecord(program.state, tags, file, song, "7", "-5");
    EXPECT_TRUE(program.ui.messages.isEmpty());
    EXPECT_EQ(program.state.run.AddedCount, 1);
    EXPECT_EQ(program.ui.captions.value(Control::lblSongCount), "Currently 1 Songs In Selected Music Library");
    EXPECT_EQ(program.ui.captions.value(Control::lblDownloadStatus), "Updating Music Library...");
    EXPECT_EQ(song.Artist, "Unknown Artist");
    EXPECT_EQ(stored("Title,Artist,Album,BandName,Duration,Seconds,Track,HasLyrics,DateAdded", file),
              QStringList({"Don't Stop", "Unknown Artist", "Unknown Album", "Unknown Band", "4:05", "245", "0", "Y",
                           QDate::currentDate().toString("yyyy-MM-dd")}));
    EXPECT_EQ(stored("CommentText", file), QStringList{QString(254, 'c')});

    EXPECT_EQ(stored("FileDateTimeLow,FileDateTimeHigh", file), QStringList({"-5", "7"}));

    program.sql(kLibraries, "UPDATE MusicLibrary1 SET DateAdded='2001-02-03', LastUpdated='2001-02-03 04:05:06'");
    SongFields changed = KnownSong();
    UpdateSongRecord(program.state, tags, file, changed, "9", "-5");
    EXPECT_EQ(program.state.run.UpdatedCount, 1);
    EXPECT_EQ(program.state.run.AddedCount, 1);
    EXPECT_EQ(program.column(kLibraries, "SELECT Count(*) FROM MusicLibrary1"), QStringList{"1"});
    EXPECT_EQ(stored("Artist,Track,HasLyrics,FileDateTimeHigh,DateAdded", file),
              QStringList({"Some Band", "3", "", "9", "2001-02-03"}));
    EXPECT_TRUE(stored("LastUpdated", file)[0].startsWith(QDate::currentDate().toString("yyyy-MM-dd")));
}

TEST_F(SongRecordsTest, CommentCutKeepsDoubledQuotesWhole) {
    TagComponent tags;
    const QString file = mp3("song.mp3", 100);
    ASSERT_TRUE(tags.openFile(file));
    SongFields song = KnownSong();
    // Doubled, the quote would take the 254th and 255th characters.
    song.CommentTitle = QString(253, 't') + "'s end";
    song.CommentText = QString(252, 'x') + "'s end";
    InsertSongRecord(program.state, tags, file, song, "0", "0");
    EXPECT_TRUE(program.ui.messages.isEmpty());
    EXPECT_EQ(stored("CommentTitle,CommentText", file), QStringList({QString(253, 't'), QString(252, 'x') + "'"}));
}

TEST_F(SongRecordsTest, FailedStatementCountsNothingAndAKnownSongHidesTheDetails) {
    program.state.CurrentMusicLibrary = "NoSuchLibrary";
    TagComponent tags;
    const QString file = mp3("song.mp3", 100);
    ASSERT_TRUE(tags.openFile(file));
    SongFields song = KnownSong();
    InsertSongRecord(program.state, tags, file, song, "0", "0");
    UpdateSongRecord(program.state, tags, file, song, "0", "0");
    EXPECT_EQ(program.state.run.AddedCount + program.state.run.UpdatedCount, 0);
    EXPECT_EQ(program.ui.messages.size(), 2);

    ShowSongAlreadyInLibrary(program.state);
    for (const Control control : songDetailLabels() + Controls{Control::imgBuildAlbumCover})
        EXPECT_EQ(program.ui.visibility.value(control, true), false) << static_cast<int>(control);
    EXPECT_EQ(program.ui.captions.value(Control::lblDownloadStatus), "Song Already In Music Library...");
}

// The values reach the record as they are: quotes, a file name's blanks, the stamps' signs, the
// track's leading number (the update writes its text, which the column takes as a number too).
TEST_F(SongRecordsTest, StatementsBindEachValueAsTheRecordHoldsIt) {
    const QDateTime now(QDate(2024, 3, 5), QTime(14, 7, 9));
    const QString file = "/music/It's Here.mp3 ";
    const QString columns =
        "Title,Track,typeof(Track),Seconds,Duration,FileDateTimeLow,FileDateTimeHigh,DateAdded,"
        "LastUpdated,HasLyrics,SongDecade";
    SongFields song = KnownSong();
    for (const auto& [track, number] : {std::pair{"-3", "-3"}, {"2.5", "2.5"}, {" +3 ", "3"}, {"07", "7"}}) {
        song.Track = NormaliseTrack(track);
        ASSERT_TRUE(ExecuteSQLCommand(program.state,
                                      insertSongStatement("MusicLibrary1", file, song, 183, "30000000", "-12345", now),
                                      Db::Libraries));
        EXPECT_EQ(stored(columns, file)[1], number) << track;
        program.sql(kLibraries, "DELETE FROM MusicLibrary1");
    }
    ASSERT_TRUE(ExecuteSQLCommand(program.state,
                                  insertSongStatement("MusicLibrary1", file, song, 183, "30000000", "-12345", now),
                                  Db::Libraries));
    EXPECT_EQ(stored(columns, file), QStringList({"Don't Stop", "7", "integer", "183", "3:03", "-12345", "30000000",
                                                  "2024-03-05", "2024-03-05 14:07:09", "", "1960's"}));
    song.Lyrics = "Words";
    song.Track = "12";
    ASSERT_TRUE(ExecuteSQLCommand(
        program.state, updateSongStatement("MusicLibrary1", file, song, 61, "-1", "2", now.addDays(1)), Db::Libraries));
    EXPECT_EQ(stored(columns, file), QStringList({"Don't Stop", "12", "integer", "61", "1:01", "2", "-1", "2024-03-05",
                                                  "2024-03-06 14:07:09", "Y", "1960's"}));
    // The statements follow the table they are made for, the second library's record its own day.
    ASSERT_TRUE(CreateMusicLibrary(program.state, "MusicLibrary2"));
    ASSERT_TRUE(ExecuteSQLCommand(
        program.state, insertSongStatement("MusicLibrary2", file, song, 61, "0", "0", now.addDays(2)), Db::Libraries));
    EXPECT_EQ(
        program.column(kLibraries, "SELECT DateAdded FROM MusicLibrary2 UNION ALL SELECT count(*) FROM MusicLibrary1"),
        QStringList({"2024-03-07", "1"}));
}

TEST_F(SongRecordsTest, ACommentCutBetweenTheHalvesOfACharacter) {
    TagComponent tags;
    const QString file = mp3("song.mp3", 100);
    ASSERT_TRUE(tags.openFile(file));
    SongFields song = KnownSong();
    song.CommentText = QString(253, 'c') + QString::fromUtf8("😀 and more");
    InsertSongRecord(program.state, tags, file, song, "0", "0");
    EXPECT_EQ(stored("CommentText", file), QStringList{QString(253, 'c')});
}

}  // namespace

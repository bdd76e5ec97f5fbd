#include "Mp3Fixture.h"

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

TEST(SongStatements, InsertAndUpdateTexts) {
    const QDateTime now(QDate(2024, 3, 5), QTime(14, 7, 9));
    const QString file = "/music/Don't Stop.mp3";
    EXPECT_EQ(insertSongStatement("MusicLibrary1", file, KnownSong(), 183, "30000000", "-12345", now),
              "INSERT INTO MusicLibrary1 (Album, Artist, Title, BandName, Duration, Seconds, Track, SongYear, "
              "SongDecade, CDYear, Genre, Rating, Compilation, CommentTitle, CommentText, FileName, FileDateTimeLow, "
              "FileDateTimeHigh, DateAdded, LastUpdated, HasLyrics ) SELECT 'First Album', 'Some Band', 'Don''t Stop', "
              "'Some Band', '3:03', 183, 3, '1969', '1960''s', '1969', 'Rock', '', '', '', '', "
              "'/music/Don''t Stop.mp3', -12345, 30000000, '2024-03-05', '2024-03-05 14:07:09', ''");
    SongFields song = KnownSong();
    song.Lyrics = "Words";
    EXPECT_EQ(updateSongStatement("MusicLibrary1", file, song, 183, "30000000", "-12345", now),
              "UPDATE MusicLibrary1 SET BandName='Some Band', Album='First Album', Artist='Some Band', "
              "Title='Don''t Stop', Duration='3:03', Seconds=183, Track='3', SongYear='1969', CDYear='1969', "
              "Compilation='', SongDecade='1960''s', Genre='Rock', Rating='', CommentTitle='', CommentText='', "
              "FileDateTimeLow=-12345, FileDateTimeHigh=30000000, LastUpdated='2024-03-05 14:07:09', "
              "HasLyrics = 'Y' WHERE FileName= '/music/Don''t Stop.mp3'");

    // The insert writes the track's leading number; the update its text.
    song.Track = "07";
    EXPECT_TRUE(insertSongStatement("T", file, song, 0, "0", "0", now).contains("'0:00', 0, 7, '1969'"));
    EXPECT_TRUE(updateSongStatement("T", file, song, 0, "0", "0", now).contains("Track='07'"));
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

    EXPECT_EQ(CountSongsWithFileStamp(program.state, file, "-5", "7"), 1);
    EXPECT_EQ(CountSongsWithFileStamp(program.state, file, "-5", "8"), 0);
    EXPECT_EQ(CountSongsWithFile(program.state, file), 1);
    EXPECT_EQ(CountSongsWithFile(program.state, program.file("other.mp3")), 0);

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
        EXPECT_EQ(program.ui.visible_.value(control, true), false) << static_cast<int>(control);
    EXPECT_EQ(program.ui.captions.value(Control::lblDownloadStatus), "Song Already In Music Library...");
}

TEST_F(SongRecordsTest, SignedTracksAndACommentCutBetweenTheHalvesOfACharacter) {
    SongFields song = KnownSong();
    song.Track = NormaliseTrack("-3");
    EXPECT_TRUE(insertSongStatement("T", "f", song, 0, "0", "0", QDateTime()).contains("'0:00', 0, -3, '1969'"));
    song.Track = NormaliseTrack(" +3 ");
    EXPECT_TRUE(insertSongStatement("T", "f", song, 0, "0", "0", QDateTime()).contains("'0:00', 0, 3, '1969'"));

    TagComponent tags;
    const QString file = mp3("song.mp3", 100);
    ASSERT_TRUE(tags.openFile(file));
    song = KnownSong();
    song.CommentText = QString(253, 'c') + QString::fromUtf8("😀 and more");
    InsertSongRecord(program.state, tags, file, song, "0", "0");
    EXPECT_EQ(stored("CommentText", file), QStringList{QString(253, 'c')});
}

}  // namespace

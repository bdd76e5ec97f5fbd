#include "Mp3Fixture.h"

#include "core/ProgramState.h"
#include "support/ScriptedFrontEnd.h"
#include "tags/ID3Tags.h"
#include "tags/TagComponent.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace orv;
using namespace orv::test;

class ID3TagsTest : public ::testing::Test {
protected:
    // The song fields as the build reads them: ID3v2 reader when there is an ID3v2 tag, else ID3v1.
    SongFields read(const QByteArray& id3v2, const QByteArray& id3v1 = {}) {
        WriteMp3(path, id3v2, SilentFrames(10), id3v1);
        EXPECT_TRUE(tags.OpenFile(path));
        SongFields song;
        song.Compilation = QStringLiteral("untouched");
        if (tags.HasID3v2())
            ReadID3v2Tags(tags, song);
        else
            ReadID3v1Tags(tags, song);
        return song;
    }

    QTemporaryDir dir;
    QString path = dir.path() + "/song.mp3";
    TagComponent tags;
};

TEST_F(ID3TagsTest, ID3v2FramesFillTheFieldsAndTheID3v1TagWhatTheyLeaveBlank) {
    const SongFields song = read(ID3v2Bytes()
                                     .text("TIT1", "Yes")
                                     .text("TIT2", "   ")
                                     .text("TPE1", "  The Artist ")
                                     .text("TALB", "The Album")
                                     .text("TYER", "1999")
                                     .text("TORY", "1975")
                                     .text("TRCK", "5/14")
                                     .text("TCON", "(13)")
                                     .userText("Rating", "4")
                                     .comment("Liner", "Great song")
                                     .lyrics("Words")
                                     .bytes(),
                                 ID3v1Bytes{"V1 Title", "V1 Artist", "V1 Album", "1960", "V1 comment", 9, 17}.bytes());
    EXPECT_EQ(song.Compilation, "Y");
    EXPECT_EQ(song.Title, "V1 Title");
    EXPECT_EQ(song.Artist, "The Artist");
    EXPECT_EQ(song.Band, "The Artist");
    EXPECT_EQ(song.Album, "The Album");
    EXPECT_EQ(song.SongYear, "1975");
    EXPECT_EQ(song.CDYear, "1999");
    EXPECT_EQ(song.SongDecade, "1970's");
    EXPECT_EQ(song.Track, "5");
    EXPECT_EQ(song.Genre, "Pop");
    EXPECT_EQ(song.Rating, "4");
    EXPECT_EQ(song.CommentTitle, "Liner");
    EXPECT_EQ(song.CommentText, "Great song");
    EXPECT_EQ(song.Lyrics, "Words");
}

TEST_F(ID3TagsTest, BandYearsGenreAndTrackFallBacks) {
    SongFields song = read(ID3v2Bytes().text("TPE1", "A").text("TPE2", "B").text("TYER", "2003").text("TCON", "Trip-Hop").bytes());
    EXPECT_EQ(song.Band, "B");
    EXPECT_EQ(song.SongYear, "2003");
    EXPECT_EQ(song.CDYear, "2003");
    EXPECT_EQ(song.SongDecade, "2000's");
    EXPECT_EQ(song.Genre, "Trip-Hop");
    // No ID3v1 tag: no genre (not genre 0), track 0, empty comments and compilation.
    EXPECT_EQ(song.Track, "0");
    EXPECT_EQ(song.CommentTitle, "");
    EXPECT_EQ(song.CommentText, "");
    EXPECT_EQ(song.Compilation, "");

    song = read(ID3v2Bytes().text("TIT2", "T").text("TCON", "(200)").bytes(),
                ID3v1Bytes{"", "", "", "", "", 0, 255}.bytes());
    EXPECT_EQ(song.Genre, "");
    EXPECT_EQ(song.SongYear, "");
    EXPECT_EQ(song.CDYear, "");
    EXPECT_EQ(song.SongDecade, "");

    // The ID3v1 year fills both years and the decade; its genre and track fill what is blank.
    song = read(ID3v2Bytes().text("TIT2", "T").bytes(), ID3v1Bytes{"", "Solo", "", "1987", "Note", 12, 8}.bytes());
    EXPECT_EQ(song.SongYear, "1987");
    EXPECT_EQ(song.CDYear, "1987");
    EXPECT_EQ(song.SongDecade, "1980's");
    EXPECT_EQ(song.Genre, "Jazz");
    EXPECT_EQ(song.Track, "12");
    EXPECT_EQ(song.Artist, "Solo");
    EXPECT_EQ(song.Band, "Solo");
    EXPECT_EQ(song.CommentText, "Note");
}

TEST_F(ID3TagsTest, ID3v1OnlyFileIsReadAndGetsTheSevenFrames) {
    const ID3v1Bytes id3v1{"Old Song", "Old Band", "Old Album", "1994", "From the tag", 0, 17};
    const SongFields song = read({}, id3v1.bytes());
    EXPECT_EQ(song.Title, "Old Song");
    EXPECT_EQ(song.Artist, "Old Band");
    EXPECT_EQ(song.Band, "Old Band");
    EXPECT_EQ(song.Album, "Old Album");
    EXPECT_EQ(song.SongYear, "1994");
    EXPECT_EQ(song.CDYear, "1994");
    EXPECT_EQ(song.SongDecade, "1990's");
    EXPECT_EQ(song.Track, "0");
    EXPECT_EQ(song.Genre, "Rock");
    EXPECT_EQ(song.CommentText, "From the tag");
    EXPECT_EQ(song.Rating, "");
    EXPECT_EQ(song.CommentTitle, "");
    EXPECT_EQ(song.Lyrics, "");
    EXPECT_EQ(song.Compilation, "untouched");

    WriteID3v2FromID3v1(tags);
    const QByteArray written = FileBytes(path);
    EXPECT_TRUE(written.startsWith(QByteArray("ID3\3", 4)));
    EXPECT_TRUE(written.endsWith(id3v1.bytes()));
    std::vector<std::pair<QByteArray, QByteArray>> expected{
        {"TIT2", QByteArray("\0Old Song", 9)}, {"TPE1", QByteArray("\0Old Band", 9)},
        {"TPE2", QByteArray("\0Old Band", 9)}, {"TALB", QByteArray("\0Old Album", 10)},
        {"TYER", QByteArray("\0" "1994", 5)},  {"TORY", QByteArray("\0" "1994", 5)},
        {"TRCK", QByteArray("\0" "0", 2)}};
    auto frames = ID3v2Frames(written);
    std::sort(frames.begin(), frames.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(frames, expected);
}

TEST(ID3Texts, NormaliseTrack) {
    EXPECT_EQ(NormaliseTrack("3/12"), "3");
    EXPECT_EQ(NormaliseTrack("5/14"), "5");
    EXPECT_EQ(NormaliseTrack("3 of 12"), "3");
    EXPECT_EQ(NormaliseTrack("4\\9"), "4");
    EXPECT_EQ(NormaliseTrack(" 6 "), "6");
    EXPECT_EQ(NormaliseTrack("07"), "07");
    EXPECT_EQ(NormaliseTrack("A1"), "0");
    EXPECT_EQ(NormaliseTrack("Of 3"), "0");
}

TEST(ID3Texts, GenreName) {
    ASSERT_EQ(GenreNames().size(), 126);
    EXPECT_EQ(GenreNames()[0], "Blues");
    EXPECT_EQ(GenreNames()[67], "Psychadelic");
    EXPECT_EQ(GenreNames()[79], "Hard Rock");
    EXPECT_EQ(GenreNames()[80], "Folk");
    EXPECT_EQ(GenreNames()[123], "A capella");
    EXPECT_EQ(GenreNames()[125], "Dance Hall");

    EXPECT_EQ(GenreName("(13)"), "Pop");
    EXPECT_EQ(GenreName("13"), "Pop");
    EXPECT_EQ(GenreName("(17)Rock"), "Rock");
    EXPECT_EQ(GenreName("(17)Something"), "Rock");
    EXPECT_EQ(GenreName("Trip-Hop"), "Trip-Hop");
    EXPECT_EQ(GenreName("(200)"), "");
    EXPECT_EQ(GenreName("255"), "");
    EXPECT_EQ(GenreName("125"), "Dance Hall");
    EXPECT_EQ(GenreName("126"), "");
    EXPECT_EQ(GenreName("(Rock"), "Rock");
    EXPECT_EQ(GenreName(")Odd("), ")Odd(");
    EXPECT_EQ(GenreName(""), "");
}

TEST(ID3Texts, NullToTextAndCaptionText) {
    EXPECT_FALSE(NullToText(QString()).isNull());
    EXPECT_EQ(NullToText(QString()), "");
    EXPECT_EQ(NullToText("  a b  "), "a b");
    EXPECT_EQ(CaptionText("Simon & Garfunkel"), "Simon && Garfunkel");
    EXPECT_EQ(CaptionText(", The"), "");
    EXPECT_EQ(CaptionText("Plain"), "Plain");
}

TEST(ID3Texts, ShowSongDetails) {
    ScriptedFrontEnd ui;
    ProgramState state;
    state.UserInterface = &ui;
    ShowSongDetails(state, "Simon & Garfunkel", "Bookends", "America");
    EXPECT_EQ(ui.visible_.value("imgBuildAlbumCover", true), false);
    for (const char* label : {"lblArtist", "lblBuildArtist", "lblAlbum", "lblBuildAlbum", "lblTitle", "lblBuildTitle"})
        EXPECT_EQ(ui.visible_.value(label, false), true) << label;
    EXPECT_EQ(ui.captions.value("lblBuildArtist"), "Simon && Garfunkel");
    EXPECT_EQ(ui.captions.value("lblBuildAlbum"), "Bookends");
    EXPECT_EQ(ui.captions.value("lblBuildTitle"), "America");
}

}  // namespace

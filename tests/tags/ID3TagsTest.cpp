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

// Title, Artist, Album, Band, SongYear, CDYear, SongDecade, Track, Genre, Rating, CommentTitle,
// CommentText, Lyrics, Compilation.
QStringList Values(const SongFields& s) {
    return {s.Title, s.Artist, s.Album,  s.Band,         s.SongYear,    s.CDYear, s.SongDecade,
            s.Track, s.Genre,  s.Rating, s.CommentTitle, s.CommentText, s.Lyrics, s.Compilation};
}

class ID3TagsTest : public ::testing::Test {
protected:
    // The song fields as the build reads them: ID3v2 reader when there is an ID3v2 tag, else ID3v1.
    QStringList read(const QByteArray& id3v2, const QByteArray& id3v1 = {}) {
        WriteMp3(path, id3v2, SilentFrames(10), id3v1);
        EXPECT_TRUE(tags.openFile(path));
        SongFields song;
        song.Compilation = QStringLiteral("untouched");
        if (tags.hasID3v2())
            ReadID3v2Tags(tags, song);
        else
            ReadID3v1Tags(tags, song);
        return Values(song);
    }

    QTemporaryDir dir;
    QString path = dir.path() + "/song.mp3";
    TagComponent tags;
};

TEST_F(ID3TagsTest, ID3v2FramesWinAndTheID3v1TagFillsWhatTheyLeaveBlank) {
    EXPECT_EQ(read(ID3v2Bytes()
                       .text("TIT1", "Yes")
                       .text("TIT2", "")
                       .text("TPE1", "  The Artist ")
                       .text("TYER", "1999")
                       .text("TORY", "1975")
                       .text("TRCK", "5/14")
                       .text("TCON", "(13)")
                       .userText("Rating", "4")
                       .comment("Liner", "Great song")
                       .lyrics("Words")
                       .bytes(),
                   ID3v1Bytes{"V1 Title", "V1 Artist", "V1 Album", "1960", "V1 comment", 9, 17}.bytes()),
              QStringList({"V1 Title", "The Artist", "V1 Album", "The Artist", "1975", "1999", "1970's", "5", "Pop",
                           "4", "Liner", "Great song", "Words", "Y"}));

    EXPECT_EQ(
        read(ID3v2Bytes().text("TPE1", "A").text("TPE2", "B").text("TYER", "2003").text("TCON", "Trip-Hop").bytes()),
        QStringList({"", "A", "", "B", "2003", "2003", "2000's", "0", "Trip-Hop", "", "", "", "", ""}));

    // No year anywhere; a genre number outside the list and an ID3v1 genre byte of 255.
    EXPECT_EQ(read(ID3v2Bytes().text("TIT2", "T").text("TCON", "(200)").bytes(),
                   ID3v1Bytes{"", "", "", "", "", 0, 255}.bytes()),
              QStringList({"T", "", "", "", "", "", "", "0", "", "", "", "", "", ""}));

    EXPECT_EQ(read(ID3v2Bytes().text("TIT2", "T").bytes(), ID3v1Bytes{"", "Solo", "", "1987", "Note", 12, 8}.bytes()),
              QStringList({"T", "Solo", "", "Solo", "1987", "1987", "1980's", "12", "Jazz", "", "", "Note", "", ""}));
}

TEST_F(ID3TagsTest, ID3v1OnlyFileIsReadAndGetsTheSevenFrames) {
    const ID3v1Bytes id3v1{"Old Song", "Old Band", "Old Album", "1994", "From the tag", 0, 17};
    EXPECT_EQ(read({}, id3v1.bytes()), QStringList({"Old Song", "Old Band", "Old Album", "Old Band", "1994", "1994",
                                                    "1990's", "0", "Rock", "", "", "From the tag", "", "untouched"}));
    // Without an ID3v1 tag there is no genre (255), not genre 0.
    EXPECT_EQ(read({}).at(8), "");

    WriteMp3(path, {}, SilentFrames(10), id3v1.bytes());
    ASSERT_TRUE(tags.openFile(path));
    WriteID3v2FromID3v1(tags);
    const QByteArray written = FileBytes(path);
    EXPECT_TRUE(written.startsWith(QByteArray("ID3\3", 4)));
    EXPECT_TRUE(written.endsWith(id3v1.bytes()));
    std::vector<std::pair<QByteArray, QByteArray>> expected{{"TIT2", QByteArray("\0Old Song", 9)},
                                                            {"TPE1", QByteArray("\0Old Band", 9)},
                                                            {"TPE2", QByteArray("\0Old Band", 9)},
                                                            {"TALB", QByteArray("\0Old Album", 10)},
                                                            {"TYER", QByteArray("\0"
                                                                                "1994",
                                                                                5)},
                                                            {"TORY", QByteArray("\0"
                                                                                "1994",
                                                                                5)},
                                                            {"TRCK", QByteArray("\0"
                                                                                "0",
                                                                                2)}};
    auto frames = ID3v2Frames(written);
    std::sort(frames.begin(), frames.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(frames, expected);
}

TEST(ID3Texts, TrackGenreAndCaption) {
    const std::pair<const char*, const char*> tracks[] = {{"3/12", "3"}, {"3 of 12", "3"}, {"4\\9", "4"}, {" 6 ", "6"},
                                                          {"07", "07"},  {"A1", "0"},      {"Of 3", "0"}};
    for (const auto& [track, normalised] : tracks) EXPECT_EQ(NormaliseTrack(track), normalised) << track;

    const std::pair<const char*, const char*> genres[] = {
        {"(13)", "Pop"}, {"13", "Pop"},  {"(17)Something", "Rock"}, {"Trip-Hop", "Trip-Hop"}, {"(200)", ""},
        {"255", ""},     {"0", "Blues"}, {"125", "Dance Hall"},     {"(Rock", "Rock"},        {")Odd(", ")Odd("},
        {"", ""}};
    for (const auto& [genre, name] : genres) EXPECT_EQ(GenreName(genre), name) << genre;

    EXPECT_EQ(NullToText(QString()), "");
    EXPECT_FALSE(NullToText(QString()).isNull());
    EXPECT_EQ(CaptionText("Simon & Garfunkel"), "Simon && Garfunkel");
    EXPECT_EQ(CaptionText(", The"), "");
}

TEST(ID3Texts, ShowSongDetails) {
    ScriptedFrontEnd ui;
    ProgramState state;
    state.session.userInterface = &ui;
    ShowSongDetails(state, "Simon & Garfunkel", "Bookends", "America");
    EXPECT_EQ(ui.visibility.value(Control::imgBuildAlbumCover, true), false);
    for (const Control label : songDetailLabels())
        EXPECT_EQ(ui.visibility.value(label, false), true) << static_cast<int>(label);
    EXPECT_EQ(ui.captions.value(Control::lblBuildArtist), "Simon && Garfunkel");
    EXPECT_EQ(ui.captions.value(Control::lblBuildAlbum), "Bookends");
    EXPECT_EQ(ui.captions.value(Control::lblBuildTitle), "America");
}

}  // namespace

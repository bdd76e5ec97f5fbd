#include "Mp3Fixture.h"

#include "core/ProgramState.h"
#include "tags/TagComponent.h"
#include "tags/TagsFromFileName.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace orv;
using namespace orv::test;

class TagsFromFileNameTest : public ::testing::Test {
protected:
    void SetUp() override { state.UpdateBlankTags = true; }

    // A silent MP3 file at a path below the music folder, with the given ID3v2 tag.
    QString song(const QString& relativePath, const QByteArray& id3v2 = {}) {
        const QString path = music.path() + "/" + relativePath;
        QDir().mkpath(QFileInfo(path).absolutePath());
        WriteMp3(path, id3v2, SilentFrames(10));
        return path;
    }

    void fill(const QString& path) { FillBlankTagsFromFileName(state, path, artist, title, album, track); }

    QTemporaryDir music;
    ProgramState state;
    QString artist, title, album, track;
};

TEST_F(TagsFromFileNameTest, FoldersAndFileNameFillEveryFieldAndBothTags) {
    state.BlankTagFormat = "%A\\%B\\%K - %T";
    const QString path = song("Artist Name/Album Name/01 - Song Title.mp3");
    track = "0";
    fill(path);
    EXPECT_EQ(artist, "Artist Name");
    EXPECT_EQ(album, "Album Name");
    EXPECT_EQ(track, "01");
    EXPECT_EQ(title, "Song Title");

    const QByteArray written = FileBytes(path);
    EXPECT_TRUE(written.startsWith(QByteArray("ID3\3", 4)));
    EXPECT_EQ(FrameBody(written, "TPE1"), QByteArray("\0Artist Name", 12));
    EXPECT_EQ(FrameBody(written, "TPE2"), QByteArray("\0Artist Name", 12));
    EXPECT_EQ(FrameBody(written, "TALB"), QByteArray("\0Album Name", 11));
    EXPECT_EQ(FrameBody(written, "TIT2"), QByteArray("\0Song Title", 11));
    EXPECT_EQ(FrameBody(written, "TRCK"), QByteArray("\0" "01", 3));
    const QByteArray id3v1 = written.right(128);
    EXPECT_TRUE(id3v1.startsWith("TAGSong Title"));
    EXPECT_EQ(id3v1.mid(33, 11), "Artist Name");
    EXPECT_EQ(id3v1.mid(63, 10), "Album Name");
    EXPECT_EQ(id3v1[126], 1);
}

TEST_F(TagsFromFileNameTest, ArtistDashTitleLeavesAlbumAndTrack) {
    state.BlankTagFormat = "%A - %T";
    fill(song("Artist Name - Song Title.MP3"));
    EXPECT_EQ(artist, "Artist Name");
    EXPECT_EQ(title, "Song Title");
    EXPECT_EQ(album, "");
    EXPECT_EQ(track, "");

    // One placeholder: the whole file name, without its ending.
    state.BlankTagFormat = "%T";
    artist = title = "";
    fill(song("Artist Name - Song Title.mp3"));
    EXPECT_EQ(title, "Artist Name - Song Title");
    EXPECT_EQ(artist, "");
}

TEST_F(TagsFromFileNameTest, OnlyBlankFieldsChangeButTheFileGetsEverythingParsed) {
    state.BlankTagFormat = "%A\\%B\\%K - %T";
    const QString path = song("Path Artist/Path Album/07 - Path Title.mp3",
                              ID3v2Bytes().text("TPE1", "Tag Artist").text("TALB", "Tag Album").bytes());
    artist = "Tag Artist";
    album = "Tag Album";
    track = "5";
    fill(path);
    EXPECT_EQ(title, "Path Title");
    EXPECT_EQ(artist, "Tag Artist");
    EXPECT_EQ(album, "Tag Album");
    EXPECT_EQ(track, "5");

    TagComponent tags;
    ASSERT_TRUE(tags.OpenFile(path));
    EXPECT_EQ(tags.FrameText("TPE1"), "Path Artist");
    EXPECT_EQ(tags.FrameText("TALB"), "Path Album");
    EXPECT_EQ(tags.FrameText("TIT2"), "Path Title");
    EXPECT_EQ(tags.FrameText("TRCK"), "07");
    EXPECT_EQ(tags.ID3v1Track(), 7);

    // All three known: nothing is parsed or written.
    const QByteArray before = FileBytes(path);
    title = "Known";
    fill(path);
    EXPECT_EQ(FileBytes(path), before);
}

TEST_F(TagsFromFileNameTest, Track255IsStoredAndWrittenAsZero) {
    state.BlankTagFormat = "%K - %T";
    const QString path = song("255 - Song.mp3");
    fill(path);
    EXPECT_EQ(track, "0");
    EXPECT_EQ(title, "Song");
    TagComponent tags;
    ASSERT_TRUE(tags.OpenFile(path));
    EXPECT_EQ(tags.FrameText("TRCK"), "0");
    EXPECT_EQ(tags.ID3v1Title(), "Song");

    // A track that is no byte still goes into TRCK; the ID3v1 tag keeps its own track.
    const QString other = song("A1 - Other.mp3");
    track = title = "";
    fill(other);
    ASSERT_TRUE(tags.OpenFile(other));
    EXPECT_EQ(tags.FrameText("TRCK"), "A1");
    EXPECT_EQ(tags.ID3v1Title(), "Other");
    EXPECT_EQ(tags.ID3v1Track(), 0);
}

TEST_F(TagsFromFileNameTest, NothingIsParsedOrWrittenWithoutAPatternOrAMatch) {
    const QString path = song("Artist Name - Song Title.mp3");
    const QByteArray before = FileBytes(path);

    state.BlankTagFormat = "";
    fill(path);
    state.BlankTagFormat = "%A - %T";
    state.UpdateBlankTags = false;
    fill(path);
    EXPECT_EQ(artist + title + album + track, "");

    // A name without the separator, and a pattern with more folders than the path has.
    state.UpdateBlankTags = true;
    const QString plain = song("JustATitle.mp3");
    fill(plain);
    state.BlankTagFormat = "%A\\%B\\%K - %T";
    fill("/01 - Song Title.mp3");
    fill("Album Name/01 - Song Title.mp3");
    EXPECT_EQ(artist + title + album + track, "");
    EXPECT_EQ(FileBytes(path), before);
    EXPECT_EQ(FileBytes(plain), SilentFrames(10));

    // A relative path with just enough folders matches; the missing file is passed over.
    state.BlankTagFormat = "%B/%K - %T";
    fill("Album Name/01 - Song Title.mp3");
    EXPECT_EQ(album, "Album Name");
    EXPECT_EQ(title, "Song Title");
}

}  // namespace

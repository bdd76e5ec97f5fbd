#include "Mp3Fixture.h"

#include "core/ProgramState.h"
#include "tags/SongFields.h"
#include "tags/TagComponent.h"
#include "tags/TagsFromFileName.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

namespace {

using namespace orv;
using namespace orv::test;

class TagsFromFileNameTest : public ::testing::Test {
protected:
    void SetUp() override { state.UpdateBlankTags = true; }

    QString path(const QString& relativePath) const { return music.path() + "/" + relativePath; }
    // A silent MP3 file below the music folder, with the given ID3v2 tag.
    QString song(const QString& relativePath, const QByteArray& id3v2 = {}) {
        QDir().mkpath(QFileInfo(path(relativePath)).absolutePath());
        WriteMp3(path(relativePath), id3v2, SilentFrames(10));
        return path(relativePath);
    }

    // Fills the fields as a build does, and writes what the fill set into the file.
    void fill(const QString& fileName) {
        TagComponent tags;
        const bool open = tags.openFile(fileName);
        SongFields song{.Title = title, .Artist = artist, .Album = album, .Band = band, .Track = track};
        FillBlankTagsFromFileName(state, tags, song);
        std::tie(artist, title, album, band, track) =
            std::tie(song.Artist, song.Title, song.Album, song.Band, song.Track);
        if (open) tags.writeTags();
    }

    QTemporaryDir music;
    ProgramState state;
    QString artist, title, album, band, track;
};

TEST_F(TagsFromFileNameTest, FoldersAndFileNameFillEveryFieldAndBothTags) {
    state.BlankTagFormat = "%A\\%B\\%K - %T";
    const QString file = song("Artist Name/Album Name/01 - Song Title.mp3");
    track = "0";
    fill(file);
    EXPECT_EQ(QStringList({artist, album, track, title}),
              QStringList({"Artist Name", "Album Name", "01", "Song Title"}));

    const QByteArray written = FileBytes(file);
    EXPECT_TRUE(written.startsWith(QByteArray("ID3\3", 4)));
    const std::vector<std::pair<QByteArray, QByteArray>> frames{{"TPE1", QByteArray("\0Artist Name", 12)},
                                                                {"TPE2", QByteArray("\0Artist Name", 12)},
                                                                {"TALB", QByteArray("\0Album Name", 11)},
                                                                {"TIT2", QByteArray("\0Song Title", 11)},
                                                                {"TRCK", QByteArray("\0"
                                                                                    "01",
                                                                                    3)}};
    EXPECT_EQ(ID3v2Frames(written), frames);
    const QByteArray id3v1 = written.right(128);
    EXPECT_TRUE(id3v1.startsWith("TAGSong Title"));
    EXPECT_EQ(id3v1.mid(33, 11) + id3v1.mid(63, 10), "Artist NameAlbum Name");
    EXPECT_EQ(id3v1[126], 1);
}

TEST_F(TagsFromFileNameTest, ArtistDashTitleAndATitleOnlyPattern) {
    state.BlankTagFormat = "%A - %T";
    fill(song("Artist Name - Song Title.MP3"));
    EXPECT_EQ(QStringList({artist, title, album, track}), QStringList({"Artist Name", "Song Title", "", ""}));

    state.BlankTagFormat = "%T";
    artist = title = "";
    fill(song("Artist Name - Song Title.mp3"));
    EXPECT_EQ(QStringList({artist, title}), QStringList({"", "Artist Name - Song Title"}));
}

TEST_F(TagsFromFileNameTest, OnlyBlankFieldsChangeAndOnlyTheyAreWritten) {
    state.BlankTagFormat = "%A\\%B\\%K - %T";
    const QString file = song("Path Artist/Path Album/07 - Path Title.mp3",
                              ID3v2Bytes().text("TALB", "Tag").text("TPE2", "The Band").bytes());
    album = "Tag";
    band = "The Band";
    track = "5";
    fill(file);
    EXPECT_EQ(QStringList({artist, title, album, band, track}),
              QStringList({"Path Artist", "Path Title", "Tag", "The Band", "5"}));
    TagComponent tags;
    ASSERT_TRUE(tags.openFile(file));
    EXPECT_EQ(QStringList({tags.frameText("TPE1"), tags.frameText("TIT2"), tags.frameText("TALB"),
                           tags.frameText("TPE2"), tags.frameText("TRCK")}),
              QStringList({"Path Artist", "Path Title", "Tag", "The Band", ""}));
    EXPECT_EQ(tags.id3v1Track(), 0);

    // All three known: nothing is parsed or written.
    const QByteArray before = FileBytes(file);
    title = "Known";
    fill(file);
    EXPECT_EQ(FileBytes(file), before);
}

TEST_F(TagsFromFileNameTest, Track255IsStoredAndWrittenAsZero) {
    state.BlankTagFormat = "%K - %T";
    const QString file = song("255 - Song.mp3");
    fill(file);
    EXPECT_EQ(track, "0");
    TagComponent tags;
    ASSERT_TRUE(tags.openFile(file));
    EXPECT_EQ(tags.frameText("TRCK"), "0");

    // A track that is no byte still goes into TRCK; the ID3v1 tag keeps its own track.
    track = title = "";
    fill(song("A1 - Other.mp3"));
    ASSERT_TRUE(tags.openFile(path("A1 - Other.mp3")));
    EXPECT_EQ(tags.frameText("TRCK"), "A1");
    EXPECT_EQ(tags.id3v1Title(), "Other");
    EXPECT_EQ(tags.id3v1Track(), 0);
}

TEST_F(TagsFromFileNameTest, NothingIsParsedOrWrittenWithoutAPatternOrAMatch) {
    const QString file = song("Artist Name - Song Title.mp3");
    fill(file);  // no pattern
    state.BlankTagFormat = "%A - %T";
    state.UpdateBlankTags = false;
    fill(file);
    // With the option on: a name without the separator, a pattern with more folders than the path.
    state.UpdateBlankTags = true;
    fill(song("JustATitle.mp3"));
    state.BlankTagFormat = "%A\\%B\\%K - %T";
    fill("/01 - Song Title.mp3");
    fill("Album Name/01 - Song Title.mp3");
    EXPECT_EQ(artist + title + album + track, "");
    EXPECT_EQ(FileBytes(file), SilentFrames(10));
    EXPECT_EQ(FileBytes(path("JustATitle.mp3")), SilentFrames(10));

    // A relative path with just enough folders matches; the missing file is passed over.
    state.BlankTagFormat = "%B/%K - %T";
    fill("Album Name/01 - Song Title.mp3");
    EXPECT_EQ(QStringList({album, title}), QStringList({"Album Name", "Song Title"}));
}

}  // namespace

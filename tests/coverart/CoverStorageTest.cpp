#include "coverart/CoverFixture.h"
#include "support/Pictures.h"
#include "tags/Mp3Fixture.h"
#include "tags/TagComponent.h"

#include <QFile>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::FileBytes;
using test::FilesIn;
using test::ID3v2Bytes;
using test::NoisePicture;

// A song folder with MP3 files whose tags carry pictures, and a catalogue that must not be asked.
class CoverStorage : public test::CoverTest {
protected:
    CoverStorage() { state.player.ExtractEmbeddedImages = true; }

    // Writes an MP3 file of the album with these embedded pictures and runs the cover steps of an
    // MP3 file on it, as a build does; the songs of one test are songs of one run.
    void buildSong(const QString& album, const QList<QPair<QByteArray, const char*>>& pictures) {
        ID3v2Bytes tag;
        tag.text("TALB", album).text("TPE1", "An Artist");
        for (const auto& [data, mimeType] : pictures) tag.picture(data, mimeType);
        const QString path = music.filePath("song.mp3");
        test::WriteMp3(path, tag.bytes(), test::SilentFrames(3));
        TagComponent tags;
        ASSERT_TRUE(tags.openFile(path));
        state.run.CoverArtState = CoverArt::ManuallyAssociated;
        ShowExistingCover(state, run, music.path(), album, tags);
        if (state.player.ExtractEmbeddedImages && tags.hasID3v2())
            ExtractEmbeddedCover(state, run, music.path(), album, tags);
        StoreCoverArt(state, run, music.path(), path, "An Artist", album, "A Title", {}, &tags);
    }
    CoverArtRun run{state};
    QImage shownCover() const { return program.ui.pictures.value(Control::imgBuildAlbumCover); }
};

TEST_F(CoverStorage, AnEmbeddedJpegBecomesTheCoverByteForByteWithoutAQuery) {
    // A song without a picture: the album has no cover yet (and none is looked for online).
    state.player.DownloadCoverArt = false;
    buildSong("An Album", {});
    EXPECT_EQ(state.run.CoverArtState, CoverArt::ManuallyAssociated);
    EXPECT_TRUE(shownCover().isNull());

    const QByteArray jpeg = NoisePicture(30, 1);
    buildSong("An Album", {{jpeg, "image/jpeg"}, {NoisePicture(20, 2), "image/jpeg"}});
    EXPECT_EQ(FileBytes(music.filePath("An Album.jpg")), jpeg);
    EXPECT_EQ(state.run.CoverArtState, CoverArt::AlreadyEmbedded);
    EXPECT_EQ(shownCover().size(), QSize(30, 30));
    EXPECT_TRUE(server.requests().isEmpty());

    // The next songs find the cover file the run wrote, and keep it as it is.
    buildSong("An Album", {{NoisePicture(25, 3), "image/jpeg"}});
    EXPECT_EQ(FileBytes(music.filePath("An Album.jpg")), jpeg);
    EXPECT_EQ(state.run.CoverArtState, CoverArt::AlreadyEmbedded);
    program.ui.pictures.clear();
    buildSong("An Album", {});
    EXPECT_EQ(state.run.CoverArtState, CoverArt::AlreadyEmbedded);
    EXPECT_EQ(shownCover().size(), QSize(30, 30));
}

TEST_F(CoverStorage, OtherPicturesAreConvertedToJpegAndTheNameHasNoSlashOrQuestionMark) {
    struct Case {
        const char* format;
        const char* mimeType;
        const char* album;
        const char* file;
    };
    for (const Case& c : {Case{"PNG", "image/png", "What?/Why", "What_Why.jpg"},
                          Case{"BMP", "image/bmp", "AC/DC Live?", "AC_DC Live.jpg"},
                          Case{"PNG", "image/jpeg", " Mislabelled ", "Mislabelled.jpg"}}) {
        buildSong(c.album, {{NoisePicture(24, 4, c.format), c.mimeType}});
        const QByteArray cover = FileBytes(music.filePath(c.file));
        EXPECT_TRUE(cover.startsWith("\xFF\xD8\xFF")) << c.album;
        EXPECT_EQ(QImage::fromData(cover, "JPG").size(), QSize(24, 24)) << c.album;
    }
    buildSong("A Gif", {{test::GifBytes(Qt::red), "image/gif"}});
    const QColor converted = QImage(music.filePath("A Gif.jpg")).pixelColor(0, 0);
    EXPECT_GT(converted.red(), 200);
    EXPECT_LT(converted.green(), 60);

    // A picture that cannot be read leaves no cover file.
    buildSong("Broken", {{QByteArray(2000, 'x'), "image/png"}});
    EXPECT_FALSE(QFile::exists(music.filePath("Broken.jpg")));
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(CoverStorage, WithExtractionOffNoCoverFileAndNoQuery) {
    state.player.ExtractEmbeddedImages = false;
    buildSong("An Album", {{NoisePicture(30, 1), "image/jpeg"}});
    EXPECT_EQ(FilesIn(music.path()), QStringList{"song.mp3"});
    EXPECT_EQ(state.run.CoverArtState, CoverArt::AlreadyEmbedded);
    EXPECT_EQ(shownCover().size(), QSize(30, 30));
    EXPECT_TRUE(server.requests().isEmpty());

    // A cover file beside the song is shown when the file has no picture, or none that can be read.
    ASSERT_TRUE(QImage(16, 8, QImage::Format_RGB32).save(music.filePath("Other.jpg")));
    buildSong("Other", {});
    EXPECT_EQ(state.run.CoverArtState, CoverArt::AlreadyEmbedded);
    EXPECT_EQ(shownCover().size(), QSize(16, 8));
    program.ui.pictures.clear();
    buildSong("Other", {{QByteArray(2000, 'x'), "image/png"}});
    EXPECT_EQ(shownCover().size(), QSize(16, 8));
}

TEST_F(CoverStorage, SideImagesOfWmaAndMpegSongs) {
    ASSERT_TRUE(QImage(12, 12, QImage::Format_RGB32).save(music.filePath("Song.jpg")));
    ASSERT_TRUE(QImage(14, 14, QImage::Format_RGB32).save(music.filePath("Son.jpg")));
    struct Case {
        const char* media;
        CoverArt state;
        int shownWidth;
    };
    for (const Case& c :
         {Case{"Song.wma", CoverArt::ManuallyAssociated, 12}, Case{"Song.mpeg", CoverArt::AlreadyEmbedded, 12},
          Case{"Sang.wma", CoverArt::ManuallyAssociated, 0}, Case{"Song.avi", CoverArt::ManuallyAssociated, 12}}) {
        program.ui.pictures.clear();
        state.run.CoverArtState = CoverArt::ManuallyAssociated;
        ShowSideImage(state, music.filePath(c.media));
        EXPECT_EQ(state.run.CoverArtState, c.state) << c.media;
        EXPECT_EQ(shownCover().width(), c.shownWidth) << c.media;
    }
}

TEST_F(CoverStorage, CopyingNeverReplacesACoverNorLeavesHalfAFile) {
    const QString source = music.filePath("found.jpg");
    const QByteArray picture = NoisePicture(40, 9);
    ASSERT_TRUE(test::WriteFile(source, picture));
    QTemporaryDir album;
    EXPECT_EQ(CopyFileSilently(source, album.filePath("An Album.jpg")), 0);
    EXPECT_EQ(FileBytes(album.filePath("An Album.jpg")), picture);
    EXPECT_EQ(FilesIn(album.path()), QStringList{"An Album.jpg"});

    ASSERT_TRUE(test::WriteFile(album.filePath("Mine.jpg"), "the user's own cover"));
    EXPECT_EQ(CopyFileSilently(source, album.filePath("Mine.jpg")), kCopyDestinationExists);
    EXPECT_EQ(FileBytes(album.filePath("Mine.jpg")), "the user's own cover");
    EXPECT_EQ(CopyFileSilently(music.filePath("missing.jpg"), album.filePath("New.jpg")), kCopyFailed);
    EXPECT_EQ(CopyFileSilently(source, album.filePath("no such folder/New.jpg")), kCopyFailed);
    EXPECT_EQ(FilesIn(album.path()), QStringList({"An Album.jpg", "Mine.jpg"}));
}

}  // namespace
}  // namespace orv

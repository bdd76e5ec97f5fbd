#include "Mp3Fixture.h"

#include "core/RuntimeError.h"
#include "tags/TagComponent.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

using namespace orv;
using namespace orv::test;

class TagComponentTest : public ::testing::Test {
protected:
    QString path(const QString& name = QStringLiteral("song.mp3")) const { return dir.path() + "/" + name; }
    QTemporaryDir dir;
};

QByteArray PngBytes() {
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

TEST_F(TagComponentTest, ReadsFramesCommentsPicturesAndTheID3v1Tag) {
    const QByteArray png = PngBytes();
    ID3v1Bytes id3v1{"V1 Title", "V1 Artist", "V1 Album", "1984", "V1 Comment", 7, 17};
    WriteMp3(path(),
             ID3v2Bytes()
                 .text("TIT1", "Yes")
                 .text("TPE1", QString::fromUtf8("Björk € Band"), true)
                 .text("TYER", "1999")
                 .text("TDAT", "2005")
                 .text("TORY", "1975")
                 .text("TCON", "(13)Ballad")
                 .userText("Rating", "4")
                 .comment("Liner", "First comment")
                 .comment("Second", "Other comment")
                 .lyrics("La la la")
                 .picture(png, "image/png")
                 .bytes(),
             SilentFrames(20), id3v1.bytes());

    TagComponent tags;
    ASSERT_TRUE(tags.OpenFile(path()));
    EXPECT_TRUE(tags.HasID3v2());
    EXPECT_EQ(tags.FrameText("TIT1"), "Yes");
    EXPECT_EQ(tags.FrameText("TPE1"), QString::fromUtf8("Björk € Band"));
    // The recording year keeps its own text although the day frame joins it while reading.
    EXPECT_EQ(tags.FrameText("TYER"), "1999");
    EXPECT_EQ(tags.FrameText("TORY"), "1975");
    // The genre text as stored, not as TagLib would rewrite it.
    EXPECT_EQ(tags.FrameText("TCON"), "(13)Ballad");
    EXPECT_EQ(tags.FrameText("TXXX"), "4");
    EXPECT_EQ(tags.FrameText("USLT"), "La la la");
    EXPECT_TRUE(tags.FrameText("TPE2").isNull());

    EXPECT_EQ(tags.CommentCount(), 2);
    EXPECT_EQ(tags.CommentDescription(1), "Liner");
    EXPECT_EQ(tags.CommentText(1), "First comment");
    EXPECT_EQ(tags.CommentText(2), "Other comment");
    EXPECT_TRUE(tags.CommentText(3).isNull());

    EXPECT_EQ(tags.ID3v1Title(), "V1 Title");
    EXPECT_EQ(tags.ID3v1Artist(), "V1 Artist");
    EXPECT_EQ(tags.ID3v1Album(), "V1 Album");
    EXPECT_EQ(tags.ID3v1Year(), "1984");
    EXPECT_EQ(tags.ID3v1Comment(), "V1 Comment");
    EXPECT_EQ(tags.ID3v1Track(), 7);
    EXPECT_EQ(tags.ID3v1Genre(), 17);

    ASSERT_EQ(tags.PictureCount(), 1);
    const EmbeddedPicture picture = tags.Picture(1);
    EXPECT_EQ(picture.data, png);
    EXPECT_EQ(picture.mimeType, "image/png");
    EXPECT_EQ(picture.Image().size(), QSize(4, 3));
    EXPECT_TRUE(tags.Picture(2).data.isEmpty());
}

TEST_F(TagComponentTest, FileWithoutTagsReadsEmptyAndHasNoGenre) {
    WriteMp3(path(), {}, SilentFrames(20));
    TagComponent tags;
    ASSERT_TRUE(tags.OpenFile(path()));
    EXPECT_FALSE(tags.HasID3v2());
    EXPECT_TRUE(tags.FrameText("TIT2").isNull());
    EXPECT_EQ(tags.CommentCount(), 0);
    EXPECT_TRUE(tags.ID3v1Title().isEmpty());
    EXPECT_EQ(tags.ID3v1Track(), 0);
    EXPECT_EQ(tags.ID3v1Genre(), 255);
    EXPECT_EQ(tags.PictureCount(), 0);

    TagComponent missing;
    EXPECT_FALSE(missing.OpenFile(path("missing.mp3")));
    EXPECT_TRUE(missing.ID3v1Title().isEmpty());
    EXPECT_EQ(missing.LengthInSeconds(), 0.0);
}

TEST_F(TagComponentTest, LengthFromTheHeadersAndFromTheFrames) {
    // 100 frames of 1152 samples at 44.1 kHz: 2.612 seconds.
    WriteMp3(path(), {}, SilentFrames(100));
    TagComponent plain;
    ASSERT_TRUE(plain.OpenFile(path()));
    EXPECT_NEAR(plain.LengthInSeconds(), 2.61, 0.01);
    EXPECT_EQ(plain.MeasuredMilliseconds(), 2612);

    // A Xing header that claims one frame: the headers give 26 ms, the frames still 2.612 s.
    WriteMp3(path("short.mp3"), {}, SilentFrames(100, 1));
    TagComponent lying;
    ASSERT_TRUE(lying.OpenFile(path("short.mp3")));
    EXPECT_LT(lying.LengthInSeconds(), 0.1);
    EXPECT_EQ(lying.MeasuredMilliseconds(), 2612);
}

TEST_F(TagComponentTest, WritingID3v2MakesAVersion3TagAndKeepsTheRest) {
    const ID3v1Bytes id3v1{"V1 Title", "V1 Artist", "", "", "", 3, 17};
    const QByteArray frames = SilentFrames(30);
    WriteMp3(path(), ID3v2Bytes().text("TIT2", "Old").text("TPE1", "Keep Me").bytes(), frames, id3v1.bytes());
    ASSERT_TRUE(QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QFile::Permissions permissions = QFile::permissions(path());

    TagComponent tags;
    ASSERT_TRUE(tags.OpenFile(path()));
    tags.SetFrameText("TIT2", QString::fromUtf8("Neu Ä €"));
    tags.SetFrameText("TYER", "2001");
    tags.SetFrameText("TORY", "1980");
    tags.SetFrameText("TPE1", "");
    tags.WriteID3v2();

    const QByteArray written = FileBytes(path());
    EXPECT_TRUE(written.startsWith(QByteArray("ID3\3\0", 5)));
    EXPECT_EQ(FrameBody(written, "TYER"), QByteArray("\0" "2001", 5));
    EXPECT_EQ(FrameBody(written, "TORY"), QByteArray("\0" "1980", 5));
    EXPECT_TRUE(FrameBody(written, "TDRC").isEmpty());
    EXPECT_TRUE(FrameBody(written, "TPE1").isEmpty());
    EXPECT_TRUE(written.endsWith(frames + id3v1.bytes()));
    EXPECT_EQ(QFile::permissions(path()), permissions);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"song.mp3"});

    // The component reads the file as written.
    EXPECT_EQ(tags.FrameText("TIT2"), QString::fromUtf8("Neu Ä €"));
    EXPECT_EQ(tags.FrameText("TYER"), "2001");
    EXPECT_TRUE(tags.FrameText("TPE1").isNull());
}

TEST_F(TagComponentTest, WritingID3v1KeepsTheID3v2TagAndANothingSetWriteChangesNothing) {
    const QByteArray id3v2 = ID3v2Bytes().text("TIT2", "Title").bytes();
    WriteMp3(path(), id3v2, SilentFrames(30));

    TagComponent tags;
    ASSERT_TRUE(tags.OpenFile(path()));
    tags.WriteID3v1();
    tags.WriteID3v2();
    EXPECT_EQ(FileBytes(path()), id3v2 + SilentFrames(30));

    tags.SetID3v1Title("New Title");
    tags.SetID3v1Artist("New Artist");
    tags.SetID3v1Track(12);
    tags.WriteID3v1();
    const QByteArray written = FileBytes(path());
    EXPECT_TRUE(written.startsWith(id3v2));
    const QByteArray id3v1 = written.right(128);
    EXPECT_TRUE(id3v1.startsWith("TAGNew Title"));
    EXPECT_EQ(id3v1.mid(33, 10), "New Artist");
    EXPECT_EQ(id3v1[126], 12);
    EXPECT_EQ(tags.ID3v1Track(), 12);
}

TEST_F(TagComponentTest, FailedWriteLeavesTheFileUntouched) {
    const QByteArray original = ID3v2Bytes().text("TIT2", "Old").bytes() + SilentFrames(100);
    WriteMp3(path(), original.left(10 + 14), original.mid(24));
    ASSERT_EQ(FileBytes(path()), original);

    TagComponent tags;
    ASSERT_TRUE(tags.OpenFile(path()));
    tags.SetFrameText("TIT2", "New");

    // A disk that fills up while the new file is written: writes past 4 KiB fail.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(tags.WriteID3v2(), RuntimeError);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);

    EXPECT_EQ(FileBytes(path()), original);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"song.mp3"});
    EXPECT_EQ(tags.FrameText("TIT2"), "Old");

    TagComponent unopened;
    unopened.SetFrameText("TIT2", "New");
    EXPECT_THROW(unopened.WriteID3v2(), RuntimeError);
}

}  // namespace

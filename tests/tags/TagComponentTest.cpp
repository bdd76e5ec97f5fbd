#include "Mp3Fixture.h"

#include "core/RuntimeError.h"
#include "tags/TagComponent.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

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

TEST_F(TagComponentTest, ReadsFramesAsStoredCommentsAndPictures) {
    const QByteArray png = PngBytes();
    WriteMp3(path(),
             ID3v2Bytes()
                 .text("TPE1", QString::fromUtf8("Björk € Band"), true)
                 .text("TYER", "1999")
                 .text("TDAT", "2005")
                 .text("TCON", "(13)Ballad")
                 .comment("Liner", "First comment")
                 .comment("Second", "Other comment")
                 .picture(png, "image/png")
                 .bytes(),
             SilentFrames(20));

    TagComponent tags;
    ASSERT_TRUE(tags.openFile(path()));
    EXPECT_EQ(tags.frameText("TPE1"), QString::fromUtf8("Björk € Band"));
    // The year keeps its own text although TagLib joins the day frame to it.
    EXPECT_EQ(tags.frameText("TYER"), "1999");
    // The genre text as stored, not as TagLib rewrites it ("13 Ballad").
    EXPECT_EQ(tags.frameText("TCON"), "(13)Ballad");
    EXPECT_TRUE(tags.frameText("TPE2").isNull());
    EXPECT_EQ(tags.commentCount(), 2);
    EXPECT_EQ(tags.CommentText(2), "Other comment");
    EXPECT_TRUE(tags.CommentText(3).isNull());
    ASSERT_EQ(tags.pictureCount(), 1);
    EXPECT_EQ(tags.picture(1).data, png);
    EXPECT_EQ(tags.picture(1).mimeType, "image/png");
    EXPECT_EQ(QImage::fromData(tags.picture(1).data).size(), QSize(4, 3));
}

TEST_F(TagComponentTest, WritesEachTagWholeKeepingTheOther) {
    const QByteArray frames = SilentFrames(30);
    WriteMp3(path(), ID3v2Bytes().text("TIT2", "Old").text("TPE1", "Gone").bytes(), frames,
             ID3v1Bytes{"V1 Title", "V1 Artist", "", "", "", 3, 17}.bytes());

    TagComponent tags;
    ASSERT_TRUE(tags.openFile(path()));
    const QByteArray before = FileBytes(path());
    tags.writeID3v2();  // nothing set: the file stays as it is
    EXPECT_EQ(FileBytes(path()), before);

    tags.setFrameText("TIT2", QString::fromUtf8("Neu Ä €"));
    tags.setFrameText("TYER", "2001");
    tags.setFrameText("TORY", "1980");
    tags.setFrameText("TPE1", "");
    tags.setID3v1Title("New Title");
    tags.setID3v1Track(12);
    tags.writeID3v2();
    QByteArray written = FileBytes(path());
    EXPECT_TRUE(written.startsWith(QByteArray("ID3\3\0", 5)));
    EXPECT_EQ(FrameBody(written, "TYER"), QByteArray("\0"
                                                     "2001",
                                                     5));
    EXPECT_EQ(FrameBody(written, "TORY"), QByteArray("\0"
                                                     "1980",
                                                     5));
    EXPECT_TRUE(FrameBody(written, "TDRC").isEmpty());
    EXPECT_TRUE(FrameBody(written, "TPE1").isEmpty());
    EXPECT_TRUE(written.endsWith(frames + ID3v1Bytes{"V1 Title", "V1 Artist", "", "", "", 3, 17}.bytes()));
    EXPECT_EQ(tags.frameText("TIT2"), QString::fromUtf8("Neu Ä €"));

    tags.writeID3v1();
    const QByteArray id3v2 = written.left(written.size() - 128);
    written = FileBytes(path());
    EXPECT_TRUE(written.startsWith(id3v2));
    EXPECT_TRUE(written.right(128).startsWith("TAGNew Title"));
    EXPECT_EQ(written.right(128).mid(33, 9), "V1 Artist");
    EXPECT_EQ(tags.id3v1Track(), 12);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"song.mp3"});
}

TEST_F(TagComponentTest, YearsAreReadAsStored) {
    const auto years = [this](const QByteArray& id3v2, const QString& id3v1Year = "1999") {
        WriteMp3(path(), id3v2, SilentFrames(10), ID3v1Bytes{"T", "", "", id3v1Year}.bytes());
        TagComponent tags;
        EXPECT_TRUE(tags.openFile(path()));
        return QStringList{tags.frameText("TYER"), tags.frameText("TORY"), tags.id3v1Year()};
    };
    EXPECT_EQ(years(ID3v2Bytes().text("TYER", "2001-2003").text("TORY", "1975-76").bytes(), "198X"),
              QStringList({"2001-2003", "1975-76", "198X"}));
    // Only the date that TagLib joins from TYER and TDAT is cut; a TYER that holds a date keeps it.
    EXPECT_EQ(years(ID3v2Bytes().text("TYER", "2001").text("TDAT", "1205").bytes(), "0000"),
              QStringList({"2001", "", "0000"}));
    EXPECT_EQ(years(ID3v2Bytes().text("TYER", "2001-05-12").bytes(), "19"), QStringList({"2001-05-12", "", "19"}));
    EXPECT_EQ(years(ID3v2Bytes(4).text("TDRC", "2001-05-12T20:15").text("TDOR", "1975-06").bytes()),
              QStringList({"2001", "1975", "1999"}));
    EXPECT_EQ(years(ID3v2Bytes(4).text("TDRC", "2001-2003").bytes()), QStringList({"2001-2003", "", "1999"}));
}

TEST_F(TagComponentTest, OnlyRegularFilesAreOpened) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.mp3")).constData(), 0644), 0);
    TagComponent tags;
    for (const QString& special :
         {path("pipe.mp3"), QStringLiteral("/dev/zero"), QStringLiteral("/dev/urandom"), dir.path()})
        EXPECT_FALSE(tags.openFile(special)) << special.toStdString();
    EXPECT_FALSE(tags.hasID3v2());
    tags.setFrameText("TIT2", "Never written");
    EXPECT_THROW(tags.writeTags(), RuntimeError);

    WriteMp3(path(), ID3v2Bytes().text("TIT2", "Linked").bytes(), SilentFrames(10));
    ASSERT_TRUE(QFile::link(path(), path("link.mp3")));
    ASSERT_TRUE(tags.openFile(path("link.mp3")));
    EXPECT_EQ(tags.frameText("TIT2"), "Linked");
}

}  // namespace

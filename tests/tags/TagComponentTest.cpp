#include "Mp3Fixture.h"

#include "core/RuntimeError.h"
#include "tags/TagComponent.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <taglib/mpegfile.h>

#include <sys/stat.h>

namespace {

using namespace orv;
using namespace orv::test;

class TagComponentTest : public ::testing::Test {
protected:
    QString path(const QString& name = QStringLiteral("song.mp3")) const { return dir.path() + "/" + name; }
    QTemporaryDir dir;
};

// Two short MPEG-2 frame headers (8 kbit/s, 22.05 kHz: 26-byte frames), one frame apart: in a tag,
// they look like the stream's last frames to a search that does not stop before the tag.
const QByteArray kFramesInATag =
    QByteArray("\xff\xf3\x10\xc4", 4) + QByteArray(22, 'x') + QByteArray("\xff\xf3\x10\xc4", 4);

// An APEv2 tag of one item, with a footer and no header.
QByteArray ApeTag(const QByteArray& value) {
    const auto littleEndian = [](quint32 value) {
        QByteArray bytes(4, '\0');
        for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
        return bytes;
    };
    const QByteArray item = littleEndian(value.size()) + littleEndian(0) + "Title" + '\0' + value;
    return item + "APETAGEX" + littleEndian(2000) + littleEndian(item.size() + 32) + littleEndian(1) + littleEndian(0) +
           QByteArray(8, '\0');
}

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

// The length is found without TagLib's audio properties; it must be theirs, whatever the file holds
// around and after its frames.
TEST_F(TagComponentTest, LengthIsTheOneTagLibGives) {
    const QByteArray frames = SilentFrames(20);
    const QByteArray id3v1 = ID3v1Bytes{QString::fromLatin1(kFramesInATag)}.bytes();
    QRandomGenerator random(7);
    const auto noise = [&random](int size) {
        QByteArray bytes(size, '\0');
        for (char& byte : bytes) byte = static_cast<char>(random.bounded(2) ? 0xff : random.bounded(256));
        return bytes;
    };
    std::vector<std::pair<const char*, QByteArray>> files = {
        {"frames only", frames},
        {"both tags", ID3v2Bytes().text("TIT2", "T").bytes() + frames + id3v1},
        {"APE tag", frames + ApeTag(kFramesInATag)},
        {"APE and ID3v1 tags", frames + ApeTag(kFramesInATag) + id3v1},
        {"Xing header", SilentFrames(20, 500) + id3v1},
        {"last frame cut short", frames.left(frames.size() - 100) + id3v1},
        {"noise before the frames", noise(300) + frames},
        // The second-to-last frame, the last one that another frame follows, starts one byte
        // before the last 4 KiB of the file.
        {"across a 4 KiB boundary", frames + QByteArray(4097 - 2 * 417, '\0')},
        {"one frame", SilentFrames(1) + id3v1},
        {"no frames", ID3v2Bytes().text("TIT2", "T").bytes() + id3v1},
    };
    for (int size : {1, 2, 3, 417, 418, 1000, 4095, 4096, 4097, 9000})
        files.emplace_back("noise after the frames", frames + noise(size) + id3v1);
    for (const auto& [what, bytes] : files) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(WriteFile(path(), bytes));
        TagLib::MPEG::File reference(QFile::encodeName(path()).constData());
        ASSERT_TRUE(reference.audioProperties());
        TagComponent tags;
        ASSERT_TRUE(tags.openFile(path()));
        EXPECT_EQ(tags.lengthInSeconds(), reference.audioProperties()->lengthInMilliseconds() / 1000.0);
    }
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

#include "Mp3Fixture.h"

#include "tags/BlockFileStream.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <random>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tfilestream.h>

namespace {

using namespace orv;
using namespace orv::test;

class BlockFileStreamTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.path() + "/" + name; }

    std::unique_ptr<BlockFileStream> open(const QString& file) const {
        const QByteArray name = QFile::encodeName(file);
        const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        EXPECT_GE(fd, 0);
        return std::make_unique<BlockFileStream>(fd, name, static_cast<long>(QFile(file).size()));
    }

    QTemporaryDir dir;
};

// Whatever a parser asks, in any order, the stream answers as TagLib's own file stream does: the
// same bytes for every read (within a block, across blocks, longer than a block, past the end) and
// the same position after every seek (before the start, past the end).
TEST_F(BlockFileStreamTest, AnswersEverySeekAndReadAsTheFileDoes) {
    const QString file = path("data.bin");
    QByteArray content(3 * 16 * 1024 + 12345, '\0');
    std::mt19937 random(7);
    for (char& c : content) c = static_cast<char>(random());
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(content);
    out.close();

    TagLib::FileStream reference(QFile::encodeName(file).constData(), true);
    std::unique_ptr<BlockFileStream> stream = open(file);
    ASSERT_EQ(stream->length(), reference.length());
    const long length = reference.length();
    std::uniform_int_distribution<long> offsets(-length - 100, length + 100);
    std::uniform_int_distribution<int> sizes(0, 40000);
    for (int step = 0; step < 3000; ++step) {
        switch (random() % 4) {
        case 0: {
            const auto from = static_cast<TagLib::IOStream::Position>(random() % 3);
            const long offset = offsets(random);
            reference.seek(offset, from);
            stream->seek(offset, from);
            break;
        }
        case 1:
            if (random() % 8 == 0) stream->dropBlocks();
            [[fallthrough]];
        default: {
            const unsigned long size =
                static_cast<unsigned long>(random() % 8 == 0 ? sizes(random) : sizes(random) % 1100);
            ASSERT_EQ(stream->readBlock(size), reference.readBlock(size)) << "step " << step;
        }
        }
        ASSERT_EQ(stream->tell(), reference.tell()) << "step " << step;
    }
}

struct Parsed {
    TagLib::String title, artist, album, id3v1Title;
    unsigned int id3v2Frames = 0;
    TagLib::ByteVector picture;
    int milliseconds = -1, bitrate = -1;
    bool operator==(const Parsed&) const = default;
};

Parsed parse(TagLib::IOStream* stream) {
    TagLib::MPEG::File mp3(stream, TagLib::ID3v2::FrameFactory::instance(), true, TagLib::AudioProperties::Average);
    Parsed parsed;
    if (TagLib::ID3v2::Tag* tag = mp3.ID3v2Tag()) {
        parsed.title = tag->title();
        parsed.artist = tag->artist();
        parsed.album = tag->album();
        parsed.id3v2Frames = tag->frameList().size();
        const TagLib::ID3v2::FrameList pictures = tag->frameList("APIC");
        if (!pictures.isEmpty())
            parsed.picture = static_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front())->picture();
    }
    if (TagLib::ID3v1::Tag* tag = mp3.ID3v1Tag()) parsed.id3v1Title = tag->title();
    if (mp3.audioProperties()) {
        parsed.milliseconds = mp3.audioProperties()->lengthInMilliseconds();
        parsed.bitrate = mp3.audioProperties()->bitrate();
    }
    return parsed;
}

// An MP3 file parsed through the stream gives the tags and the length it gives through TagLib's
// own stream: small files and large ones, tags that cross a block's end, a picture larger than a
// block, a stream with a frame count in its first frame.
TEST_F(BlockFileStreamTest, AnMp3FileParsesAsThroughTagLibsOwnStream) {
    const ID3v1Bytes id3v1{.title = "Old Title", .artist = "Old Artist", .album = "Old Album", .year = "1999"};
    QByteArray picture(40000, '\0');
    for (int i = 0; i < picture.size(); ++i) picture[i] = static_cast<char>(i * 7);
    const QList<std::tuple<QString, QByteArray, QByteArray, QByteArray>> files{
        {"both.mp3", ID3v2Bytes().text("TIT2", "Title").text("TPE1", "Artist").text("TALB", "Album").bytes(),
         SilentFrames(40), id3v1.bytes()},
        {"id3v1.mp3", {}, SilentFrames(3), id3v1.bytes()},
        {"bare.mp3", {}, SilentFrames(200), {}},
        {"picture.mp3",
         ID3v2Bytes(4).text("TIT2", "Pictured", true).picture(picture, "image/jpeg").bytes(),
         SilentFrames(30),
         {}},
        {"acrossblocks.mp3", ID3v2Bytes().text("TIT2", "Long").userText("pad", QString(16370, 'p')).bytes(),
         SilentFrames(10), id3v1.bytes()},
        {"xing.mp3", ID3v2Bytes().text("TIT2", "Counted").bytes(), SilentFrames(20, 2000), {}},
    };
    for (const auto& [name, id3v2, frames, tail] : files) {
        WriteMp3(path(name), id3v2, frames, tail);
        TagLib::FileStream reference(QFile::encodeName(path(name)).constData(), true);
        const Parsed expected = parse(&reference);
        ASSERT_GT(expected.milliseconds, 0) << name.toStdString();
        std::unique_ptr<BlockFileStream> stream = open(path(name));
        EXPECT_EQ(parse(stream.get()), expected) << name.toStdString();
    }
}

}  // namespace

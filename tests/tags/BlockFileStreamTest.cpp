#include "support/Files.h"
#include "tags/BlockFileStream.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <random>
#include <taglib/tfilestream.h>

namespace {

using namespace orv;

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
    ASSERT_TRUE(test::WriteFile(file, content));

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

}  // namespace

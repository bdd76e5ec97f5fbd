#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <memory>
#include <taglib/tiostream.h>

namespace orv {

// A read-only TagLib stream over an open regular file, for parsing its tags and audio properties.
//
// TagLib's own file stream makes a system call for nearly every seek, tell and length it asks,
// some thirty for a small MP3 file. This one takes the length once, keeps the position itself and
// reads the file in whole blocks that it keeps, so that a parse costs a few reads. A read larger
// than a block goes to the file directly. Writing is refused: the file is written by other means
// (tags/TagWriter.h).
class BlockFileStream : public TagLib::IOStream {
public:
    // Takes over `fd`, which it closes; `length` is the file's length as it was opened.
    BlockFileStream(int fd, const QByteArray& encodedName, long length);
    ~BlockFileStream() override;
    BlockFileStream(const BlockFileStream&) = delete;
    BlockFileStream& operator=(const BlockFileStream&) = delete;

    // A stream over a regular file (or a link to one); nothing when it cannot be opened or is no
    // regular file. It is opened without waiting (a pipe would wait for a writer), and a pipe or a
    // device, which never ends, is never read.
    static std::unique_ptr<BlockFileStream> openRegularFile(const QString& fileName);
    int descriptor() const { return fd_; }

    // Lets the blocks go: a parse is over, later reads load again what they need.
    void dropBlocks();

    TagLib::FileName name() const override { return name_.constData(); }
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long = 0, unsigned long = 0) override {}
    void removeBlock(unsigned long = 0, unsigned long = 0) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return fd_ >= 0; }
    void seek(long offset, Position p = Beginning) override;
    long tell() const override { return position_; }
    long length() override { return length_; }
    void truncate(long) override {}

private:
    // A parse reads a file's head and its last few frames: a block the size of a page reads little
    // more than that, and a tag larger than a block is read directly.
    static constexpr long kBlockSize = 4 * 1024;
    static constexpr std::size_t kBlocksKept = 4;

    struct Block {
        long start = -1;  // -1: holds nothing
        QByteArray data;
    };
    // The block that holds `offset` (below the length), loaded when it is not kept; nothing when
    // the file cannot be read there.
    const Block* blockAt(long offset);

    int fd_;
    QByteArray name_;
    long length_;
    long position_ = 0;
    std::array<Block, kBlocksKept> blocks_;
    std::size_t nextReplaced_ = 0;
};

}  // namespace orv

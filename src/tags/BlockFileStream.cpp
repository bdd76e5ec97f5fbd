#include "tags/BlockFileStream.h"

#include "core/AtomicFile.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {

std::unique_ptr<BlockFileStream> BlockFileStream::openRegularFile(const QString& fileName) {
    const QByteArray encodedName = QFile::encodeName(fileName);
    const int fd = ::open(encodedName.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<BlockFileStream>(fd, encodedName, info.st_size);
}

BlockFileStream::BlockFileStream(int fd, const QByteArray& encodedName, long length)
    : fd_(fd), name_(encodedName), length_(length) {}

BlockFileStream::~BlockFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

void BlockFileStream::dropBlocks() {
    blocks_ = {};
}

const BlockFileStream::Block* BlockFileStream::blockAt(long offset) {
    const long start = offset - offset % kBlockSize;
    for (const Block& block : blocks_)
        if (block.start == start) return &block;
    Block& block = blocks_[nextReplaced_];
    nextReplaced_ = (nextReplaced_ + 1) % kBlocksKept;
    block.data.resize(std::min(kBlockSize, length_ - start));
    block.start = readFully(fd_, start, block.data.data(), block.data.size()) ? start : -1;
    return block.start == start ? &block : nullptr;
}

TagLib::ByteVector BlockFileStream::readBlock(unsigned long length) {
    if (position_ >= length_ || length == 0) return {};
    const long wanted =
        static_cast<long>(std::min<unsigned long>(length, static_cast<unsigned long>(length_ - position_)));
    TagLib::ByteVector bytes(static_cast<unsigned int>(wanted), '\0');
    if (wanted > kBlockSize) {
        if (!readFully(fd_, position_, bytes.data(), wanted)) return {};
        position_ += wanted;
        return bytes;
    }
    long done = 0;
    while (done < wanted) {
        const Block* block = blockAt(position_);
        if (!block) break;
        const long within = position_ - block->start;
        const long piece = std::min(wanted - done, static_cast<long>(block->data.size()) - within);
        std::memcpy(bytes.data() + done, block->data.constData() + within, static_cast<std::size_t>(piece));
        done += piece;
        position_ += piece;
    }
    bytes.resize(static_cast<unsigned int>(done));
    return bytes;
}

void BlockFileStream::seek(long offset, Position p) {
    const long from = p == Beginning ? 0 : p == Current ? position_ : length_;
    // As with a file: a position before the start is refused, one past the end is taken.
    if (from + offset >= 0) position_ = from + offset;
}

}  // namespace orv

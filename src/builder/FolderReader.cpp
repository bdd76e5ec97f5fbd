#include "builder/FolderReader.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace orv {
namespace {

// The length of the UTF-8 sequence that starts at `at` (1 to 4), or 0 when the bytes there are not one.
int utf8SequenceLength(const unsigned char* at, const unsigned char* end) {
    char32_t code = at[0];
    if (code < 0x80) return 1;
    int length = 0;
    char32_t smallest = 0;
    if ((code & 0xe0) == 0xc0) {
        length = 2, smallest = 0x80, code &= 0x1f;
    } else if ((code & 0xf0) == 0xe0) {
        length = 3, smallest = 0x800, code &= 0x0f;
    } else if ((code & 0xf8) == 0xf0) {
        length = 4, smallest = 0x10000, code &= 0x07;
    } else {
        return 0;
    }
    if (end - at < length) return 0;
    for (int k = 1; k < length; ++k) {
        if ((at[k] & 0xc0) != 0x80) return 0;
        code = (code << 6) | (at[k] & 0x3f);
    }
    if (code < smallest || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return 0;
    return length;
}

constexpr long kEntriesBuffer = 32 * 1024;

// One entry as the kernel's getdents64 reports it.
struct KernelEntry {
    ino64_t inode;
    off64_t next;
    unsigned short length;
    unsigned char type;
    char name[];
};

}  // namespace

FolderReader::FolderReader(const QString& folder)
    : fd_(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ >= 0 && ::fstat(fd_, &folder_) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (fd_ < 0) openError_ = errno;
}

QString FolderReader::errorString() const {
    return QString::fromLocal8Bit(std::strerror(openError_));
}

FolderReader::~FolderReader() {
    if (fd_ >= 0) ::close(fd_);
}

bool FolderReader::next() {
    if (fd_ < 0) return false;
    // Left as it is: getdents64 fills what it returns.
    if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(kEntriesBuffer);
    for (;;) {
        if (at_ >= filled_) {
            filled_ = ::syscall(SYS_getdents64, fd_, buffer_.get(), kEntriesBuffer);
            at_ = 0;
            if (filled_ <= 0) {
                filled_ = 0;
                name_ = nullptr;
                return false;
            }
        }
        const auto* entry = reinterpret_cast<const KernelEntry*>(buffer_.get() + at_);
        at_ += entry->length;
        const char* name = entry->name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        name_ = name;
        type_ = entry->type;
        statDone_ = false;
        return true;
    }
}

bool FolderReader::hasTextName() const {
    const auto* at = reinterpret_cast<const unsigned char*>(name_);
    // Printable ASCII, most names whole, is passed over a byte at a time.
    while (*at >= 0x20 && *at < 0x7f) ++at;
    const unsigned char* end = at + std::strlen(reinterpret_cast<const char*>(at));
    while (at < end) {
        const int length = utf8SequenceLength(at, end);
        if (length == 0 || *at < 0x20 || *at == 0x7f) return false;
        at += length;
    }
    return true;
}

QString FolderReader::printableName() const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(name_);
    const unsigned char* end = bytes + std::strlen(name_);
    QString shown;
    for (const unsigned char* at = bytes; at < end;) {
        const int length = utf8SequenceLength(at, end);
        if (length == 0 || *at < 0x20 || *at == 0x7f) {
            shown += QStringLiteral("\\x%1").arg(*at, 2, 16, QLatin1Char('0'));
            ++at;
        } else {
            shown += QString::fromUtf8(reinterpret_cast<const char*>(at), length);
            at += length;
        }
    }
    return shown;
}

const struct stat* FolderReader::info() {
    if (!statDone_) {
        statDone_ = true;
        statOk_ = ::fstatat(fd_, name_, &info_, 0) == 0;
    }
    return statOk_ ? &info_ : nullptr;
}

bool FolderReader::isFolder() {
    if (type_ == DT_DIR) return true;
    if (type_ != DT_LNK && type_ != DT_UNKNOWN) return false;
    const struct stat* status = info();
    return status && S_ISDIR(status->st_mode);
}

bool FolderReader::mayShareFile() {
    const struct stat* status = info();
    return type_ != DT_REG || (status && status->st_nlink > 1);
}

bool FolderReader::isRegularFile() {
    if (type_ == DT_REG) return true;
    if (type_ != DT_LNK && type_ != DT_UNKNOWN) return false;
    const struct stat* status = info();
    return status && S_ISREG(status->st_mode);
}

void VisitedFolders::passOverSystemFolders(const QString& root) {
    if (QDir::cleanPath(root) != QLatin1String("/")) return;
    for (const char* system : {"/proc", "/sys", "/dev", "/run"}) {
        struct stat status {};
        if (::stat(system, &status) == 0) enter(status);
    }
}

}  // namespace orv

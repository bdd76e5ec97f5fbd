#include "core/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

constexpr qint64 kPiece = qint64(1) << 20;   // bytes read or written at a time
constexpr qint64 kBlock = qint64(64) << 10;  // a run of zeros this long stays a hole in a new file
constexpr qsizetype kLongestBaseName = 200;  // room for the temporary name's additions in NAME_MAX
constexpr std::size_t kSyncsAtATime = 4;     // a group's files being flushed to the disk at once

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray baseNameOf(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1).left(kLongestBaseName);
}

// Follows symbolic links to the final target, which need not exist yet.
bool followLinks(QByteArray& path, int& error) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
        std::vector<char> buffer(PATH_MAX);
        const ssize_t length = ::readlink(path.constData(), buffer.data(), buffer.size());
        if (length < 0 || length == static_cast<ssize_t>(buffer.size())) {
            error = length < 0 ? errno : ENAMETOOLONG;
            return false;
        }
        const QByteArray link(buffer.data(), length);
        path = link.startsWith('/') ? link : folderOf(path) + '/' + link;
    }
    error = ELOOP;
    return false;
}

// Whether this user may write (and, with X_OK, search) the path, judged as the system judges it
// (read-only mounts, access lists, root's rights), except that a file or folder with no write bit at
// all is left alone, by root too: someone made it read-only on purpose.
bool allowed(const QByteArray& path, const struct stat& info, int access) {
    if ((info.st_mode & 0222) == 0) return false;
    return ::faccessat(AT_FDCWD, path.constData(), access, AT_EACCESS) == 0;
}

// The six random characters of a temporary name, and the mark before them.
constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr qsizetype kSuffixLength = 6;
constexpr char kTemporaryMark[] = ".orv-";
constexpr qsizetype kMarkLength = sizeof kTemporaryMark - 1;

// A new file in `folder` named `prefix` and six random characters.
int createUniqueFile(const QByteArray& folder, const QByteArray& prefix, mode_t mode, QByteArray& path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray suffix(kSuffixLength, 'x');
        for (char& c : suffix) c = kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)];
        path = folder + '/' + prefix + suffix;
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool writeFully(int fd, qint64 offset, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, data, static_cast<std::size_t>(std::min(size, kPiece)), offset);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            return false;
        }
        data += written;
        size -= written;
        offset += written;
    }
    return true;
}

bool isAllZero(const char* data, qint64 size) {
    return data[0] == 0 && std::memcmp(data, data + 1, static_cast<std::size_t>(size - 1)) == 0;
}

// Writes into a new file, leaving whole blocks of zeros as holes (read back as zeros). What lies
// between two holes goes in one write.
bool writeSparse(int fd, qint64 offset, const char* data, qint64 size) {
    bool endsInHole = false;
    qint64 unwritten = 0;  // where the data not yet written starts
    for (qint64 done = 0; done < size;) {
        const qint64 piece = std::min(size - done, kBlock);
        endsInHole = piece == kBlock && isAllZero(data + done, piece);
        if (endsInHole) {
            if (!writeFully(fd, offset + unwritten, data + unwritten, done - unwritten)) return false;
            unwritten = done + piece;
        }
        done += piece;
    }
    if (!writeFully(fd, offset + unwritten, data + unwritten, size - unwritten)) return false;
    if (!endsInHole) return true;
    struct stat info {};
    if (::fstat(fd, &info) != 0) return false;
    return info.st_size >= offset + size || ::ftruncate(fd, offset + size) == 0;
}

// Hands `length` bytes of `fd` from `offset` on to `sink`, piece by piece; a piece in a hole is
// handed on as zeros without reading it.
template <class Sink>
bool copyRange(int fd, qint64 offset, qint64 length, Sink&& sink) {
    static const std::vector<char> zeros(static_cast<std::size_t>(kPiece));
    std::vector<char> buffer(static_cast<std::size_t>(std::clamp<qint64>(length, 1, kPiece)));
    for (qint64 done = 0; done < length;) {
        const qint64 piece = std::min(length - done, kPiece);
        const bool hole = isHole(fd, offset + done, piece);
        if (!hole && !readFully(fd, offset + done, buffer.data(), piece)) return false;
        if (!sink(hole ? zeros.data() : buffer.data(), done, piece)) return false;
        done += piece;
    }
    return true;
}

// Flushes a folder's entries to the disk; 0, or the error. A file system that cannot flush a
// folder (EINVAL) counts as done: its renames are as durable as it makes them.
int syncFolderError(const QByteArray& folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    return error;
}

// Each file's data on the disk (fdatasync of that file alone), a few at a time: the disk takes the
// flushes that are in flight together as one. The error of each, 0 for one that is on the disk.
std::vector<int> syncEachFile(const std::vector<int>& fds) {
    std::vector<int> errors(fds.size());
    std::atomic<std::size_t> next{0};
    const auto syncTheNextOnes = [&] {
        for (std::size_t i = next++; i < fds.size(); i = next++) errors[i] = ::fdatasync(fds[i]) == 0 ? 0 : errno;
    };
    std::vector<std::thread> helpers;
    try {
        while (helpers.size() + 1 < std::min(kSyncsAtATime, fds.size())) helpers.emplace_back(syncTheNextOnes);
    } catch (const std::system_error&) {
        // No thread to be had: fewer syncs at a time.
    }
    syncTheNextOnes();
    for (std::thread& helper : helpers) helper.join();
    return errors;
}

void syncFolder(const QByteArray& folder) {
    syncFolderError(folder);  // the rename is done all the same
}

}  // namespace

std::optional<struct stat> pathStatus(const QByteArray& path) {
    struct stat info {};
    if (path.isEmpty() || ::stat(path.constData(), &info) != 0) return std::nullopt;
    return info;
}

std::optional<struct stat> pathStatus(const QString& path) {
    return pathStatus(QFile::encodeName(path));
}

bool readFully(int fd, qint64 offset, char* data, qint64 size) {
    while (size > 0) {
        const ssize_t got = ::pread(fd, data, static_cast<std::size_t>(std::min(size, kPiece)), offset);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            if (got == 0) errno = EIO;
            return false;
        }
        data += got;
        size -= got;
        offset += got;
    }
    return true;
}

bool isHole(int fd, qint64 offset, qint64 size) {
    const off_t data = ::lseek(fd, offset, SEEK_DATA);
    if (data >= 0) return data >= offset + size;
    struct stat info {};
    // ENXIO: no data from `offset` to the end.
    return errno == ENXIO && ::fstat(fd, &info) == 0 && offset + size <= info.st_size;
}

bool sameBytes(int fd, qint64 offset, int otherFd, qint64 otherOffset, qint64 length) {
    const auto bufferSize = static_cast<std::size_t>(std::clamp<qint64>(length, 1, kPiece));
    std::vector<char> piece(bufferSize), otherPiece(bufferSize);
    for (qint64 done = 0; done < length;) {
        const qint64 size = std::min(length - done, kPiece);
        // Two holes read as the same zeros.
        const bool holes = isHole(fd, offset + done, size) && isHole(otherFd, otherOffset + done, size);
        if (!holes && (!readFully(fd, offset + done, piece.data(), size) ||
                       !readFully(otherFd, otherOffset + done, otherPiece.data(), size) ||
                       std::memcmp(piece.data(), otherPiece.data(), static_cast<std::size_t>(size)) != 0))
            return false;
        done += size;
    }
    return true;
}

namespace {

// Whether the two files hold the same bytes.
bool sameFiles(const QByteArray& path, const QByteArray& otherPath) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    const int otherFd = ::open(otherPath.constData(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    struct stat otherInfo {};
    const bool same = fd >= 0 && otherFd >= 0 && ::fstat(fd, &info) == 0 && ::fstat(otherFd, &otherInfo) == 0 &&
                      info.st_size == otherInfo.st_size && sameBytes(fd, 0, otherFd, 0, info.st_size);
    if (fd >= 0) ::close(fd);
    if (otherFd >= 0) ::close(otherFd);
    return same;
}

}  // namespace

AtomicFile::AtomicFile(const QString& path) : path_(path) {}

QString AtomicFile::leftoverTarget(QStringView name) {
    const qsizetype mark = name.size() - kSuffixLength - kMarkLength;
    if (mark < 2 || name[0] != QLatin1Char('.') || name.mid(mark, kMarkLength) != QLatin1String(kTemporaryMark))
        return {};
    for (const QChar c : name.mid(mark + kMarkLength))
        if (c.unicode() > 127 || !std::strchr(kLetters, c.toLatin1())) return {};
    return name.mid(1, mark - 1).toString();
}

bool AtomicFile::removeLeftover(const QString& path, const QDateTime& before) {
    if (leftoverTarget(QFileInfo(path).fileName()).isEmpty()) return false;
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(encoded.constData(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    const qint64 written = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    return written < before.toMSecsSinceEpoch() && ::unlink(encoded.constData()) == 0;
}

int AtomicFile::removeLeftovers(const QString& folder, const QDateTime& before,
                                const std::function<bool(const QString& target)>& isTarget) {
    int removed = 0;
    const QStringList hidden = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : hidden) {
        const QString target = leftoverTarget(name);
        if (!target.isEmpty() && isTarget(target) && removeLeftover(QDir(folder).filePath(name), before)) ++removed;
    }
    return removed;
}

AtomicFile::~AtomicFile() {
    cancel();
}

bool AtomicFile::fail(const QString& what, int error) {
    error_ = what + QStringLiteral(": ") + systemError(error);
    if (state_ == State::Open) state_ = State::Failed;
    return false;
}

bool AtomicFile::failAndCancel(const QString& what, int error) {
    fail(what, error);
    cancel();
    return false;
}

bool AtomicFile::open() {
    const QString cannotWrite = QStringLiteral("Cannot write ") + path_;
    if (state_ != State::Closed) return fail(cannotWrite, EBUSY);
    target_ = QFile::encodeName(QFileInfo(path_).absoluteFilePath());
    int error = 0;
    if (!followLinks(target_, error)) return fail(cannotWrite, error);

    struct stat old {};
    if (::stat(target_.constData(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) {
            error_ = cannotWrite + QStringLiteral(": it is not a regular file");
            return false;
        }
        if (!allowed(target_, old, W_OK)) return fail(cannotWrite, EACCES);
        hasOld_ = true;
        old_ = old;
    } else if (errno != ENOENT) {
        return fail(cannotWrite, errno);
    }
    const QByteArray folder = folderOf(target_);
    struct stat folderInfo {};
    if (::stat(folder.constData(), &folderInfo) != 0) return fail(cannotWrite, errno);
    const bool folderWritable = allowed(folder, folderInfo, W_OK | X_OK);
    if (hasOld_ && (old.st_nlink > 1 || !folderWritable)) return openInPlace();
    if (!folderWritable) return fail(cannotWrite, EACCES);
    return openReplacement();
}

bool AtomicFile::openReplacement() {
    const int fd = createUniqueFile(folderOf(target_), '.' + baseNameOf(target_) + kTemporaryMark, 0666, temporary_);
    if (fd < 0) return fail(QStringLiteral("Cannot create a temporary file beside ") + path_, errno);
    fd_ = fd;
    state_ = State::Open;
    if (!hasOld_) return true;
    // Where the owner cannot be given away, the group is kept when the user belongs to it; else
    // the new file is the user's own: the content matters more than who owns it.
    [[maybe_unused]] const bool kept =
        ::fchown(fd_, old_.st_uid, old_.st_gid) == 0 || ::fchown(fd_, static_cast<uid_t>(-1), old_.st_gid) == 0;
    if (::fchmod(fd_, old_.st_mode & 07777) != 0)
        return failAndCancel(QStringLiteral("Cannot keep the mode of ") + path_, errno);
    return true;
}

bool AtomicFile::openInPlace() {
    const QString cannotCopy = QStringLiteral("Cannot make a safety copy of ") + path_;
    const int source = ::open(target_.constData(), O_RDONLY | O_CLOEXEC);
    if (source < 0) return fail(cannotCopy, errno);
    struct stat info {};
    const int copy = ::fstat(source, &info) == 0 ? createUniqueFile(QFile::encodeName(QDir::tempPath()),
                                                                    baseNameOf(target_) + ".safety-", 0600, temporary_)
                                                 : -1;
    const bool copied =
        copy >= 0 &&
        copyRange(source, 0, info.st_size,
                  [copy](const char* data, qint64 at, qint64 size) { return writeSparse(copy, at, data, size); }) &&
        ::fsync(copy) == 0;
    const int error = errno;
    ::close(source);
    if (copy >= 0) ::close(copy);
    if (!copied) {
        if (copy >= 0) ::unlink(temporary_.constData());
        return fail(cannotCopy, error);
    }
    inPlace_ = true;
    state_ = State::Open;
    fd_ = ::open(target_.constData(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) return failAndCancel(QStringLiteral("Cannot write ") + path_, errno);
    return true;
}

QString AtomicFile::originalPath() const {
    if (inPlace_) return QFile::decodeName(temporary_);
    return hasOld_ ? QFile::decodeName(target_) : QString();
}

QString AtomicFile::writePath() const {
    return QFile::decodeName(inPlace_ ? target_ : temporary_);
}

bool AtomicFile::ready() {
    if (state_ == State::Open) return true;
    if (state_ != State::Failed) error_ = QStringLiteral("Cannot write ") + path_ + QStringLiteral(": not open");
    return false;
}

bool AtomicFile::write(const char* data, qint64 size) {
    if (!ready()) return false;
    if (size <= 0) return true;
    touched_ = true;
    const bool written = inPlace_ ? writeFully(fd_, size_, data, size) : writeSparse(fd_, size_, data, size);
    if (!written) return fail(QStringLiteral("Cannot write ") + path_, errno);
    size_ += size;
    return true;
}

bool AtomicFile::appendFrom(int fd, qint64 offset, qint64 length) {
    if (!ready()) return false;
    const bool copied =
        copyRange(fd, offset, length, [this](const char* data, qint64, qint64 size) { return write(data, size); });
    if (!copied && state_ == State::Open) return fail(QStringLiteral("Cannot read what goes into ") + path_, errno);
    return copied;
}

// In place the old content may go on past the new; a temporary file holds just what was written
// (by write() or, through writePath(), by name). Without `sync` the content is left to a group.
bool AtomicFile::finishNewContent(bool sync) {
    struct stat info {};
    if ((inPlace_ && ::ftruncate(fd_, size_) != 0) || ::fstat(fd_, &info) != 0 || (sync && ::fsync(fd_) != 0))
        return false;
    made_ = info;
    return true;
}

bool AtomicFile::commit(ReplacementGroup* group) {
    const QString cannotWrite = QStringLiteral("Cannot write ") + path_;
    if (state_ != State::Open) {
        cancel();
        if (error_.isEmpty()) error_ = cannotWrite + QStringLiteral(": not open");
        return false;
    }
    const bool deferred = group && !inPlace_;
    if (!finishNewContent(!deferred)) return failAndCancel(cannotWrite, errno);
    if (inPlace_) {
        ::close(fd_);
        fd_ = -1;
        ::unlink(temporary_.constData());  // the safety copy is no longer needed
        state_ = State::Done;
        return true;
    }
    if (deferred) {
        // The group flushes the data and closes the file.
        group->waiting_.push_back({path_, temporary_, target_, std::exchange(fd_, -1), hasOld_, old_, made_});
    } else {
        const int closed = ::close(fd_);
        fd_ = -1;
        if (closed != 0) return failAndCancel(cannotWrite, errno);
        if (::rename(temporary_.constData(), target_.constData()) != 0) return failAndCancel(cannotWrite, errno);
        syncFolder(folderOf(target_));
    }
    temporary_.clear();
    state_ = State::Done;
    return true;
}

bool AtomicFile::placeWithoutReplacing() {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, temporary_.constData(), AT_FDCWD, target_.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
#endif
    // link() refuses to replace a file as well. A file system without hard links gets a rename
    // after a last look at the path.
    if (::link(temporary_.constData(), target_.constData()) == 0) {
        ::unlink(temporary_.constData());
        return true;
    }
    if (errno == EEXIST) return false;
    struct stat info {};
    if (::lstat(target_.constData(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(temporary_.constData(), target_.constData()) == 0;
}

bool AtomicFile::commitWithoutReplacing() {
    const QString cannotCreate = QStringLiteral("Cannot create ") + path_;
    if (state_ != State::Open || hasOld_) {
        const bool existed = hasOld_ && state_ == State::Open;
        cancel();
        if (existed) return fail(cannotCreate, EEXIST);
        if (error_.isEmpty()) error_ = cannotCreate + QStringLiteral(": not open");
        return false;
    }
    if (!finishNewContent(true)) return failAndCancel(cannotCreate, errno);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0 || !placeWithoutReplacing()) return failAndCancel(cannotCreate, errno);
    temporary_.clear();
    syncFolder(folderOf(target_));
    state_ = State::Done;
    return true;
}

bool AtomicFile::restoreFromSafetyCopy() {
    const int copy = ::open(temporary_.constData(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    const bool restored =
        copy >= 0 && ::fstat(copy, &info) == 0 &&
        copyRange(copy, 0, info.st_size,
                  [this](const char* data, qint64 at, qint64 size) { return writeFully(fd_, at, data, size); }) &&
        ::ftruncate(fd_, info.st_size) == 0 && ::fsync(fd_) == 0;
    if (copy >= 0) ::close(copy);
    return restored;
}

void AtomicFile::cancel() {
    if (state_ != State::Open && state_ != State::Failed) return;
    const bool keepCopy = inPlace_ && touched_ && !restoreFromSafetyCopy();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (keepCopy)
        error_ +=
            QStringLiteral("; the old content could not be put back and is kept in ") + QFile::decodeName(temporary_);
    else if (!temporary_.isEmpty())
        ::unlink(temporary_.constData());  // the unfinished new content, or the safety copy
    state_ = State::Done;
}

ReplacementGroup::Identity ReplacementGroup::Identity::of(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

bool ReplacementGroup::Identity::operator==(const Identity& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           lastWrite.tv_sec == other.lastWrite.tv_sec && lastWrite.tv_nsec == other.lastWrite.tv_nsec;
}

bool ReplacementGroup::targetChanged(const Waiting& file, const std::optional<struct stat>& now) {
    if (!now) return file.hasOld;
    return !file.hasOld || !(Identity::of(*now) == Identity::of(file.old));
}

void ReplacementGroup::notePlaced(const Waiting& file) {
    if (!file.hasOld) return;
    const std::lock_guard lock(placed_->mutex);
    placed_->byReplaced.insert_or_assign({file.old.st_dev, file.old.st_ino}, Identity::of(file.made));
}

bool ReplacementGroup::placedEarlier(const Waiting& file, const struct stat& now) {
    if (!file.hasOld) return false;
    const std::lock_guard lock(placed_->mutex);
    const auto found = placed_->byReplaced.find({file.old.st_dev, file.old.st_ino});
    return found != placed_->byReplaced.end() && found->second == Identity::of(now);
}

std::vector<ReplacementGroup::Failure> ReplacementGroup::flush() {
    std::vector<Waiting> waiting;
    waiting.swap(waiting_);
    std::vector<Failure> failures;
    const auto fail = [&failures](const Waiting& file, const QString& reason) {
        failures.push_back({file.path, QStringLiteral("Cannot write ") + file.path + QStringLiteral(": ") + reason});
    };
    // Every file's data on its way to the disk at once (the disk then takes them together), ...
    std::vector<int> fds;
    for (const Waiting& file : waiting) {
        ::sync_file_range(file.fd, 0, 0, SYNC_FILE_RANGE_WRITE);
        fds.push_back(file.fd);
    }
    // ... each one's data on the disk, then its rename, unless its target changed meanwhile ...
    const std::vector<int> syncErrors = syncEachFile(fds);
    std::map<QByteArray, std::vector<const Waiting*>> renamed;
    for (std::size_t i = 0; i < waiting.size(); ++i) {
        const Waiting& file = waiting[i];
        int error = syncErrors[i];
        if (::close(file.fd) != 0 && error == 0) error = errno;
        const std::optional<struct stat> now = error == 0 ? pathStatus(file.target) : std::nullopt;
        const bool changed = error == 0 && targetChanged(file, now);
        if (error == 0 && !changed && ::rename(file.temporary.constData(), file.target.constData()) == 0) {
            renamed[folderOf(file.target)].push_back(&file);
            notePlaced(file);
            continue;
        }
        if (!changed && error == 0) error = errno;
        const bool underOtherName = changed && now && placedEarlier(file, *now);
        const bool alreadySo = underOtherName && sameFiles(file.temporary, file.target);
        ::unlink(file.temporary.constData());
        if (alreadySo) continue;
        fail(file, underOtherName ? QStringLiteral("it was written under another name (a link to it) earlier in this "
                                                   "run; it is left as that write left it")
                   : changed
                       ? QStringLiteral("another program changed it meanwhile; it is left as that program left it")
                       : systemError(error));
    }
    // ... then each folder once, for the renames.
    for (const auto& [folder, files] : renamed) {
        const int error = syncFolderError(folder);
        if (error != 0)
            for (const Waiting* file : files)
                fail(*file, QStringLiteral("its new name may not survive a crash: ") + systemError(error));
    }
    return failures;
}

}  // namespace orv

#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace orv {

// The one writer for files that are written whole: a new file appears complete or not at all, and
// an old file is either kept as it was or replaced by the complete new one.
//
//     AtomicFile file(path);
//     if (!file.open() || !file.write(bytes) || !file.commit()) report(file.errorString());
//
// The new content goes into a temporary file beside the target, which is flushed to the disk and
// renamed over the target (the folder then flushed too). The new file keeps the old one's mode,
// owner and group (the group alone when the owner cannot be given away and the user belongs to
// it); a new file gets the usual mode (0666 less the umask). A symbolic link is written through:
// its final target gets the content and the link stays a link.
//
// Two kinds of target cannot be replaced by a rename without loss: a file with more than one hard
// link (the other names would keep the old content) and a file in a folder the user may not write.
// Those are written in place after a safety copy of the old content was made and flushed in the
// temporary folder (QDir::tempPath()); the copy is removed once the new content is on the disk,
// and put back when the write fails or is cancelled. A crash in the middle leaves the safety copy.
//
// A target that is not a regular file, that has no write bit at all (also when running as root),
// or that the system's own check says the user may not write, is left alone: open() fails. A folder
// with no write bit at all counts as one the user may not write.
// Sizes and positions are 64-bit. An object that is destroyed without commit() cancels.
//
// A writer that replaces many files at once may hand its commits to a ReplacementGroup (below):
// the flush to the disk and the rename then wait for the group, which makes them for all its files
// together.
class ReplacementGroup;

class AtomicFile {
public:
    explicit AtomicFile(const QString& path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Prepares the write. False, with errorString() set, when the target may not be written.
    bool open();
    // Appends to the new content. False once anything failed (errorString() says what).
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& data) { return write(data.constData(), data.size()); }
    // Appends `length` bytes of the open file `fd` from `offset` on, read piece by piece.
    bool appendFrom(int fd, qint64 offset, qint64 length);
    // Makes the new content the target's. False when that failed; the old file is then kept.
    // With a group, a replacement is finished and closed, and its flush and rename wait for the
    // group's flush(); a file written in place is committed at once.
    bool commit(ReplacementGroup* group = nullptr);
    // commit() for a target that must not exist: when a file appeared at the path meanwhile, it is
    // left as it is and the result is false. Also serves file systems without hard links.
    bool commitWithoutReplacing();
    // Drops the new content and keeps the old file. Safe to call at any time.
    void cancel();

    const QString& errorString() const { return error_; }
    // Where the old content can be read while the new one is written: the target itself, or its
    // safety copy when the target is written in place. Empty for a new file.
    QString originalPath() const;
    // The file the new content goes into until commit, for a writer that makes a new file by name
    // (the database engine; a file written in place takes its content through write() only), and
    // its open descriptor, for reading back what was written.
    QString writePath() const;
    int handle() const { return fd_; }
    // The bytes written so far.
    qint64 size() const { return size_; }
    bool writesInPlace() const { return inPlace_; }
    // After a successful commit: the last-write time the target has with the new content (a rename
    // keeps it).
    const struct timespec& lastWriteTime() const { return made_.st_mtim; }

    // A process that ends before commit() leaves its temporary file beside the target. The target's
    // name when `name` has exactly the form of such a file ("." + the target's name + ".orv-" + six
    // letters or digits: the mark keeps a user's own ".Song.mp3.backup" from being taken for one);
    // empty otherwise.
    static QString leftoverTarget(QStringView name);
    // Removes `path` when it is such a leftover: a regular file of that form that was last written
    // before `before` (a write under way is younger). True when it was removed.
    static bool removeLeftover(const QString& path, const QDateTime& before);
    // removeLeftover() for the files of `folder` whose target `isTarget` accepts; how many went.
    static int removeLeftovers(const QString& folder, const QDateTime& before,
                               const std::function<bool(const QString& target)>& isTarget);

private:
    enum class State { Closed, Open, Failed, Done };

    bool ready();
    bool fail(const QString& what, int error);
    bool openReplacement();
    bool openInPlace();
    bool failAndCancel(const QString& what, int error);
    bool finishNewContent(bool sync);
    bool placeWithoutReplacing();
    bool restoreFromSafetyCopy();

    QString path_;
    QByteArray target_;     // the path with symbolic links followed
    QByteArray temporary_;  // the new content (replacement) or the safety copy (in place)
    int fd_ = -1;
    qint64 size_ = 0;
    qint64 length_ = 0;  // the length of the file behind fd_ as far as this object made it
    bool hasOld_ = false;
    struct stat old_ {};  // the target as open() found it: its mode, owner and group are kept
    bool inPlace_ = false;
    bool touched_ = false;  // in place: the target has been written to
    State state_ = State::Closed;
    struct stat made_ {};  // the new content, once complete
    QString error_;
};

// Replacements made durable together. Each waiting file is complete in its temporary file beside
// the target, still open; flush() writes each one's data to the disk (fdatasync of that file only),
// renames it over its target, and then flushes each folder of the group once for the renames. A
// target that changed since its write was prepared (another program wrote it meanwhile: its
// last-write time, size or file is not the one the write read) is left as it is and reported, as
// is a file whose data or folder could not be flushed. A crash at any moment leaves each target
// old or new; what it can leave besides is the temporary files of the replacements that had not
// yet been renamed. Destroying the group flushes it.
// A file written under two names (a link and the file it leads to) finds, at its second
// replacement, the file its first put in place, not a change by another program: that
// replacement is dropped when it holds the same bytes, and reported as such otherwise. The groups
// that take over from a group know what it put in place.
class ReplacementGroup {
public:
    struct Failure {
        QString path;
        QString reason;
    };

    ReplacementGroup() = default;
    // Takes over what waits in `other`, which is left empty.
    ReplacementGroup(ReplacementGroup&& other) noexcept
        : waiting_(std::exchange(other.waiting_, {})), placed_(other.placed_) {}
    ~ReplacementGroup() { flush(); }
    ReplacementGroup(const ReplacementGroup&) = delete;
    ReplacementGroup& operator=(const ReplacementGroup&) = delete;

    // Puts every waiting replacement in place. A file whose replacement failed keeps its old
    // content; the failures are handed back, one for each such file.
    std::vector<Failure> flush();
    std::size_t waiting() const { return waiting_.size(); }

private:
    friend class AtomicFile;
    struct Waiting {
        QString path;
        QByteArray temporary;
        QByteArray target;
        int fd;       // the temporary file, open
        bool hasOld;  // and then the target as the write found it
        struct stat old;
        struct stat made;  // the temporary file, complete
    };
    // A file as a status found it: which file it is, its size and its last-write time.
    struct Identity {
        dev_t device;
        ino_t inode;
        off_t size;
        struct timespec lastWrite;

        static Identity of(const struct stat& info);
        bool operator==(const Identity& other) const;
    };
    // The files put in place, by the file each one replaced (its device and inode).
    struct Placed {
        std::mutex mutex;
        std::map<std::pair<dev_t, ino_t>, Identity> byReplaced;
    };
    // Whether the target is no longer the file (or the absence of one) that the write found; `now`
    // is the target as it is, nothing when there is none.
    static bool targetChanged(const Waiting& file, const std::optional<struct stat>& now);
    void notePlaced(const Waiting& file);
    // Whether the target, found as `now`, is what an earlier replacement of the same file put there.
    bool placedEarlier(const Waiting& file, const struct stat& now);
    std::vector<Waiting> waiting_;
    std::shared_ptr<Placed> placed_ = std::make_shared<Placed>();
};

// A path's status, links followed; nothing when it cannot be examined (missing, dangling, not
// allowed, an empty path).
std::optional<struct stat> pathStatus(const QByteArray& path);
std::optional<struct stat> pathStatus(const QString& path);
// Reads exactly `size` bytes at `offset` of the open file `fd`; false on a failure or when the
// file ends before.
bool readFully(int fd, qint64 offset, char* data, qint64 size);
// Whether the `size` bytes at `offset` of the open file `fd` lie in a hole: the file system holds
// no data for them and they read as zeros. False where it cannot tell, and past the file's end.
// Moves the file position (the readers here read at given positions).
bool isHole(int fd, qint64 offset, qint64 size);
// Whether the `length` bytes at `offset` of the open file `fd` are those at `otherOffset` of
// `otherFd`; false also when either cannot be read that far.
bool sameBytes(int fd, qint64 offset, int otherFd, qint64 otherOffset, qint64 length);

}  // namespace orv

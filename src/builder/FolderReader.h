#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace orv {

// One folder's entries, in the order the file system reports them, read in large batches.
class FolderReader {
public:
    explicit FolderReader(const QString& folder);
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    // False when the folder could not be opened (missing, not a folder, not readable).
    bool isOpen() const { return fd_ >= 0; }
    // The open folder's own status (what a walk tells folders apart by).
    const struct stat& folderStatus() const { return folder_; }
    // Why the folder could not be opened.
    QString errorString() const;
    // Moves to the next entry ("." and ".." are passed over); false when there is none.
    bool next();

    const char* rawName() const { return name_; }
    // The entry's name; nothing when it is not a name the program can keep as text (not UTF-8, or
    // holding a control character).
    bool hasTextName() const;
    QString name() const { return QString::fromUtf8(name_); }
    // The name for reports: bytes that are not UTF-8 shown as \xNN.
    QString printableName() const;

    // What the entry is, links followed. Other kinds (a FIFO, a socket, a device, a dangling link)
    // are neither.
    bool isFolder();
    bool isRegularFile();
    // Whether the entry may name a file that has other names too: a link, an entry of a kind the
    // file system does not tell, or a file with more than one hard link.
    bool mayShareFile();
    // The entry's status, links followed; null when it cannot be had.
    const struct stat* info();

private:
    int fd_ = -1;
    int openError_ = 0;
    struct stat folder_ {};
    std::unique_ptr<char[]> buffer_;
    long filled_ = 0;  // bytes of entries in the buffer
    long at_ = 0;      // where the next entry starts
    const char* name_ = nullptr;
    unsigned char type_ = 0;
    bool statDone_ = false;
    bool statOk_ = false;
    struct stat info_ {};
};

// The folders a walk has entered, by device and inode, so that a link back up the tree is not
// followed again.
class VisitedFolders {
public:
    // True the first time a folder is met.
    bool enter(const struct stat& folder) { return folders_.emplace(folder.st_dev, folder.st_ino).second; }
    // With the root folder as the walk's start, the system's own trees are never entered.
    void passOverSystemFolders(const QString& root);

private:
    std::set<std::pair<dev_t, ino_t>> folders_;
};

}  // namespace orv

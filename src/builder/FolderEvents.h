#pragma once

#include <QHash>
#include <QString>
#include <vector>

namespace orv {

// What changed under a watched folder tree, as the kernel's inotify reports it.
struct FolderChange {
    enum class Kind {
        Folder,     // an entry of `path` (a folder) came, went or changed: its files are looked at again
        Tree,       // `path` and everything below it came or went (a folder made, moved or removed)
        Writing,    // the file `path` is being written
        Written,    // the file `path` is no longer open for writing (or is gone)
        Everything  // events were lost: the whole tree is looked at again
    };
    Kind kind;
    QString path;
};

// Watches a folder and every folder below it that a build walks (folders whose names begin with
// "." are not entered, a folder reached twice through links is watched once, and with the root
// folder the system's own trees are left out). Folders that appear are watched as they come.
//
// When the system allows no more watches (fs.inotify.max_user_watches), the folders met from then
// on are not watched: exhausted() tells so, and the caller walks the tree on its own.
class FolderEvents {
public:
    explicit FolderEvents(const QString& root);
    ~FolderEvents();
    FolderEvents(const FolderEvents&) = delete;
    FolderEvents& operator=(const FolderEvents&) = delete;

    // The descriptor that becomes readable when changes wait; -1 when inotify is not available.
    int descriptor() const { return fd_; }
    bool exhausted() const { return exhausted_; }
    // The folders watched now.
    int watchedFolders() const { return static_cast<int>(folders_.size()); }
    // Reads the changes that wait, without blocking.
    std::vector<FolderChange> read();

private:
    // Watches a folder and the folders below it; false once no more watches are allowed.
    void watchTree(const QString& folder);
    bool watch(const QString& folder);
    // Lets go of a folder's watch and of those below it.
    void forgetTree(const QString& folder);
    void take(int wd, unsigned mask, const char* name, std::vector<FolderChange>& changes);

    int fd_ = -1;
    QString root_;
    bool exhausted_ = false;
    QHash<int, QString> folders_;  // by watch descriptor, each path with its trailing separator
};

}  // namespace orv

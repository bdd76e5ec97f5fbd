#include "builder/FolderEvents.h"

#include "builder/FolderReader.h"
#include "store/ProgramFiles.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <climits>
#include <sys/inotify.h>
#include <unistd.h>

namespace orv {
namespace {

// What a watched folder reports: entries made, removed, moved, written or touched, and the
// folder itself going away.
constexpr unsigned kWatchedEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY | IN_CLOSE_WRITE |
                                    IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

}  // namespace

FolderEvents::FolderEvents(const QString& root) : root_(AddBackslash(root)) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
        exhausted_ = true;
        return;
    }
    watchTree(root_);
}

FolderEvents::~FolderEvents() {
    if (fd_ >= 0) ::close(fd_);
}

bool FolderEvents::watch(const QString& folder) {
    const int wd = ::inotify_add_watch(fd_, QFile::encodeName(folder).constData(), kWatchedEvents);
    if (wd < 0) {
        if (errno == ENOSPC) exhausted_ = true;
        return false;
    }
    // A folder already watched (reached again through a link) keeps the path it was first met by.
    if (folders_.contains(wd)) return false;
    folders_.insert(wd, folder);
    return true;
}

void FolderEvents::watchTree(const QString& folder) {
    if (exhausted_ || !watch(folder)) return;
    FolderReader entries(folder);
    VisitedFolders system;
    system.passOverSystemFolders(root_);
    while (entries.next()) {
        if (!entries.isFolder() || entries.rawName()[0] == '.' || !entries.hasTextName()) continue;
        const struct stat* info = entries.info();
        if (info && system.enter(*info)) watchTree(folder + entries.name() + QDir::separator());
    }
}

void FolderEvents::forgetTree(const QString& folder) {
    for (auto it = folders_.begin(); it != folders_.end();) {
        if (it.value().startsWith(folder)) {
            ::inotify_rm_watch(fd_, it.key());
            it = folders_.erase(it);
        } else {
            ++it;
        }
    }
}

std::vector<FolderChange> FolderEvents::read() {
    std::vector<FolderChange> changes;
    if (fd_ < 0) return changes;
    alignas(struct inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got <= 0) break;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
            take(event->wd, event->mask, event->len > 0 ? event->name : "", changes);
            at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
        }
    }
    return changes;
}

void FolderEvents::take(int wd, unsigned mask, const char* name, std::vector<FolderChange>& changes) {
    using Kind = FolderChange::Kind;
    if (mask & IN_Q_OVERFLOW) {
        changes.push_back({Kind::Everything, root_});
        return;
    }
    const auto watched = folders_.constFind(wd);
    if (watched == folders_.cend()) return;
    const QString folder = watched.value();
    if (mask & IN_IGNORED) {
        folders_.remove(wd);
        return;
    }
    // The folder itself went (removed, or moved away): its parent reports it too, except for the
    // root, which is then looked at as a whole.
    if (mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
        if (folder == root_) changes.push_back({Kind::Everything, root_});
        return;
    }
    // Entries whose names begin with "." are not part of the library: hidden folders and the
    // temporary files of writes in progress.
    if (name[0] == '.' || name[0] == '\0') return;
    const QString path = folder + QFile::decodeName(name);
    if (mask & IN_ISDIR) {
        const QString tree = path + QDir::separator();
        if (mask & (IN_DELETE | IN_MOVED_FROM)) forgetTree(tree);
        if (mask & (IN_CREATE | IN_MOVED_TO)) watchTree(tree);
        if (mask & (IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM)) changes.push_back({Kind::Tree, tree});
        return;
    }
    if (mask & IN_MODIFY) {
        changes.push_back({Kind::Writing, path});
        return;
    }
    if (mask & (IN_CLOSE_WRITE | IN_DELETE | IN_MOVED_FROM)) changes.push_back({Kind::Written, path});
    changes.push_back({Kind::Folder, folder});
}

}  // namespace orv

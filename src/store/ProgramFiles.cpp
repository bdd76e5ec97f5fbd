#include "store/ProgramFiles.h"

#include "core/AtomicFile.h"
#include "core/ProgramState.h"
#include "store/DataAccess.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>

#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {

QString ProgramFile(const ProgramState& state, const QString& name) {
    return state.paths.programFolder + QDir::separator() + name;
}

QString previousLibrariesFile(const ProgramState& state) {
    const QString newer = ProgramFile(state, kPreviousLibrariesFile8);
    return FileExists(newer) ? newer : ProgramFile(state, kPreviousLibrariesFile);
}

void setDatabasePaths(ProgramState& state) {
    state.paths.DriveRoot = AddBackslash(QStorageInfo(state.paths.programFolder).rootPath());
    state.paths.MainDatabasePath = ProgramFile(state, kMainDatabaseFile);
    state.paths.SettingsDatabasePath = ProgramFile(state, kSettingsDatabaseFile);
    state.paths.LibrariesDatabasePath = ProgramFile(state, kLibrariesDatabaseFile);
}

void openProgramFolder(ProgramState& state, const QString& folder) {
    state.paths.programFolder = folder;
    setDatabasePaths(state);
    if (!state.session.DataAccessVersionSource) state.session.DataAccessVersionSource = engineVersion;
}

// Asked for about every song (its cover beside it, its side file): a status and, for a regular
// file, an open, with nothing else around them. Nothing but a regular file is ever opened, and
// that without waiting.
bool FileExists(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    const std::optional<struct stat> status = pathStatus(name);
    if (!status || !S_ISREG(status->st_mode)) return false;
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

QString AddBackslash(const QString& path) {
    return path.endsWith(QDir::separator()) ? path : path + QDir::separator();
}

bool IsInternetConnected(const ProgramState& state) {
    if (state.session.internetProbe) return state.session.internetProbe();
    ifaddrs* interfaces = nullptr;
    if (::getifaddrs(&interfaces) != 0) return false;
    bool connected = false;
    for (const ifaddrs* entry = interfaces; entry && !connected; entry = entry->ifa_next) {
        const unsigned flags = entry->ifa_flags;
        const bool hasAddress =
            entry->ifa_addr && (entry->ifa_addr->sa_family == AF_INET || entry->ifa_addr->sa_family == AF_INET6);
        connected = hasAddress && (flags & IFF_UP) && (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK);
    }
    ::freeifaddrs(interfaces);
    return connected;
}

}  // namespace orv

#include "store/ProgramFiles.h"

#include "core/AtomicFile.h"
#include "core/ProgramState.h"
#include "store/DataAccess.h"

#include <QDir>
#include <QFile>
#include <QNetworkInterface>
#include <QStorageInfo>

#include <fcntl.h>
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
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& candidate : interfaces) {
        const auto flags = candidate.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning) &&
            !flags.testFlag(QNetworkInterface::IsLoopBack) && !candidate.addressEntries().isEmpty())
            return true;
    }
    return false;
}

}  // namespace orv

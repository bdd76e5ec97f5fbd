#include "store/Compaction.h"

#include "core/ProgramState.h"
#include "store/DataAccess.h"
#include "store/Database.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace orv {
namespace {

bool syncPath(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

}  // namespace

bool compactDatabase(const QString& path) {
    const QString temporary = path + QLatin1Char('2');
    if (QFileInfo::exists(temporary)) QFile::remove(temporary);
    if (Connection::isHeldOpen(path)) return false;

    try {
        // The guard holds the database's write lock from before the copy until after the
        // rename, so no other program can write a change that the copy would not carry.
        Connection guard(path);
        guard.execute(QStringLiteral("BEGIN IMMEDIATE"));
        {
            Connection reader(path);
            reader.execute(QStringLiteral("VACUUM INTO '") +
                           QString(temporary).replace(QLatin1Char('\''), QStringLiteral("''")) + QStringLiteral("'"));
        }
        {
            Connection check(temporary);
            const auto result = check.query(QStringLiteral("PRAGMA quick_check"));
            if (result.values.size() != 1 || result.values[0][0].toString() != QLatin1String("ok"))
                throw RuntimeError(ErrorNumber::CannotOpen, QStringLiteral("The compacted copy is damaged."));
        }
        QFile::setPermissions(temporary, QFileInfo(path).permissions());
        if (!syncPath(temporary, O_RDONLY))
            throw RuntimeError(ErrorNumber::PathFileAccess, QStringLiteral("Cannot write the compacted copy."));
        if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0)
            throw RuntimeError(ErrorNumber::PathFileAccess, QStringLiteral("Cannot replace the database."));
        syncPath(QFileInfo(path).absolutePath(), O_RDONLY | O_DIRECTORY);
        guard.execute(QStringLiteral("ROLLBACK"));
        return true;
    } catch (const RuntimeError&) {
        QFile::remove(temporary);
        return false;
    }
}

void CompactDatabases(ProgramState& state) {
    releasePooledConnections(state);
    for (const QString& path :
         {state.paths.MainDatabasePath, state.paths.SettingsDatabasePath, state.paths.LibrariesDatabasePath})
        compactDatabase(path);
}

}  // namespace orv

#include "store/Compaction.h"

#include "core/AtomicFile.h"
#include "core/ProgramState.h"
#include "store/DataAccess.h"
#include "store/Database.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {
namespace {

// Whether the file may be written: its permissions allow it for us, and it has a write permission
// at all (the super-user passes every permission check, yet a read-only database stays so).
bool mayWrite(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    const std::optional<struct stat> info = pathStatus(name);
    return info && (info->st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && ::access(name.constData(), W_OK) == 0;
}

}  // namespace

bool compactDatabase(const QString& path, bool onlyWithFreePages) {
    const QString temporary = path + QLatin1Char('2');
    if (QFileInfo::exists(temporary)) QFile::remove(temporary);
    if (!mayWrite(path)) return false;
    try {
        Connection connection(path);
        // A database that another connection reads or writes is left as it is, at once.
        connection.execute(QStringLiteral("PRAGMA busy_timeout = 0"));
        if (onlyWithFreePages &&
            connection.query(QStringLiteral("PRAGMA freelist_count")).values.at(0).at(0).toLongLong() == 0)
            return false;
        connection.execute(QStringLiteral("VACUUM"));
        return true;
    } catch (const RuntimeError&) {
        return false;
    }
}

void CompactDatabases(ProgramState& state, bool onlyWithFreePages) {
    releasePooledConnections(state);
    for (const QString& path :
         {state.paths.MainDatabasePath, state.paths.SettingsDatabasePath, state.paths.LibrariesDatabasePath})
        compactDatabase(path, onlyWithFreePages);
}

}  // namespace orv

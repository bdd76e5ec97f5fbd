#include "store/DataAccess.h"

#include "core/ProgramState.h"
#include "core/Text.h"
#include "core/Vendor.h"
#include "errors/ErrorReport.h"
#include "store/ProgramFiles.h"

#include <sqlite3.h>

namespace orv {
namespace {

const QString kModule = QStringLiteral("modGlobalConfig");
const QString kMusicLibraryError = QStringLiteral("Music Library Error...");

QString previousLibrariesPath(const ProgramState& state) {
    if (!state.session.previousLibrariesCopy.isEmpty()) return state.session.previousLibrariesCopy;
    return previousLibrariesFile(state);
}

// The connection a statement against `path` runs on: the build run's shared connection for
// the libraries database while a run holds one, else the pooled connection to the file,
// opened anew when the file behind the path has changed.
std::shared_ptr<Connection> connectionFor(ProgramState& state, const QString& path, Db selector) {
    if (selector == Db::Libraries && state.run.SharedLibraryConnection) return state.run.SharedLibraryConnection;
    auto pooled = state.session.connectionPool.find(path);
    if (pooled != state.session.connectionPool.end()) {
        if (pooled->second->stillMatchesFile()) return pooled->second;
        state.session.connectionPool.erase(pooled);
    }
    auto connection = std::make_shared<Connection>(path);
    state.session.connectionPool.emplace(path, connection);
    return connection;
}

const QString kForYourInformation = QStringLiteral("For Your Information...");

// A handler's report: the error with the statement it failed on, under the module and procedure
// the handler remembered.
void reportStatementFailure(ProgramState& state, const QString& message, const QString& title,
                            const RuntimeError& error, const QString& sql, bool endProgram = false) {
    ShowErrorMessage(state, {.message = message,
                             .module = state.ErrorModuleName,
                             .procedure = state.ErrorProcName,
                             .number = error.number(),
                             .description = error.description() + QStringLiteral(" - SQL Statement: ") + sql,
                             .icon = DialogContent::Error,
                             .title = title,
                             .endProgram = endProgram});
}

}  // namespace

bool checkDataAccessVersion(ProgramState& state, const QString& firstSentence) {
    const QString version = GetMDACVersion(state);
    if (leadingNumber(version) >= kRequiredDataAccessVersion) return true;
    showPlainMessage(state, mdacMessage(firstSentence, version), kForYourInformation, DialogContent::Information);
    return false;
}

namespace {

// The connection a query of GetRecordset's runs on; nothing when the data-access check or the
// connection failed (reported as the handler's table says).
std::shared_ptr<Connection> queryConnection(ProgramState& state, const QString& sql, Db selector, bool reportErrors) {
    if (!checkDataAccessVersion(state)) return {};
    if (state.paths.MainDatabasePath.isEmpty()) state.paths.MainDatabasePath = ProgramFile(state, kMainDatabaseFile);
    state.paths.OldLibrariesDatabasePath = previousLibrariesPath(state);

    QString path;
    switch (selector) {
    case Db::Settings:
        path = state.paths.SettingsDatabasePath;
        break;
    case Db::Libraries:
        path = state.paths.LibrariesDatabasePath;
        break;
    case Db::PreviousLibraries:
        path = state.paths.OldLibrariesDatabasePath;
        break;
    default:
        path = state.paths.MainDatabasePath;
    }

    try {
        return connectionFor(state, path, selector);
    } catch (const RuntimeError& error) {
        if (error.number() == ErrorNumber::CannotOpen && reportErrors) {
            showNotFoundReport(state);
            state.run.BuildRunning = false;
        } else {
            getRecordsetErrorHandler(state, error, sql, reportErrors);
        }
        return {};
    }
}

}  // namespace

Recordset GetRecordset(ProgramState& state, const QString& sql, Db selector, bool reportErrors) {
    const std::shared_ptr<Connection> connection = queryConnection(state, sql, selector, reportErrors);
    if (!connection) return {};
    try {
        return Recordset::fromRows(connection->query(StripControlChars(sql)));
    } catch (const RuntimeError& error) {
        return Recordset::failed(error);
    }
}

bool forEachRecord(ProgramState& state, const QString& sql, Db selector,
                   const std::function<void(const Connection::Row& row)>& take) {
    const std::shared_ptr<Connection> connection = queryConnection(state, sql, selector, true);
    if (!connection) return false;
    connection->eachRow(StripControlChars(sql), take);
    return true;
}

void getRecordsetErrorHandler(ProgramState& state, const RuntimeError& error, const QString& sql, bool reportErrors) {
    if (!reportErrors) return;
    const ErrorTrap trap(state, kModule, QStringLiteral("GetRecordset"));
    if (error.number() == ErrorNumber::UnknownName || error.number() == ErrorNumber::SyntaxError) {
        reportStatementFailure(
            state, QStringLiteral("An unexpected problem occurred while trying to access the Music Library."),
            kMusicLibraryError, error, sql);
    } else if (error.number() == ErrorNumber::CannotOpen) {
        showNotFoundReport(state);
    } else {
        reportStatementFailure(state, kFatalErrorMessage, kMusicLibraryError, error, sql, true);
    }
}

namespace {

// Runs a statement (as `statement` has it) through ExecuteSQLCommand's error trap.
template <class Statement>
bool executeStatement(ProgramState& state, const Statement& statement, const QString& sql, Db selector, bool quiet) {
    if (!checkDataAccessVersion(state)) return false;
    const QString path = selector == Db::Settings    ? state.paths.SettingsDatabasePath
                         : selector == Db::Libraries ? state.paths.LibrariesDatabasePath
                                                     : state.paths.MainDatabasePath;
    try {
        auto connection = connectionFor(state, path, selector);
        try {
            return connection->execute(statement) >= 0;
        } catch (const RuntimeError&) {
            if (quiet) return true;
            throw;
        }
    } catch (const RuntimeError& error) {
        executeSQLCommandErrorHandler(state, error, sql);
        return false;
    }
}

}  // namespace

bool ExecuteSQLCommand(ProgramState& state, const QString& sql, Db selector, bool quiet) {
    const QString cleanSql = StripControlChars(sql);
    return executeStatement(state, cleanSql, cleanSql, selector, quiet);
}

bool ExecuteSQLCommand(ProgramState& state, BoundStatement statement, Db selector, bool quiet) {
    // Control characters never reach a text value, as they never reach a statement's text.
    for (QVariant& value : statement.values)
        if (value.typeId() == QMetaType::QString) value = StripControlChars(value.toString());
    return executeStatement(state, statement, statement.sql, selector, quiet);
}

void executeSQLCommandErrorHandler(ProgramState& state, const RuntimeError& error, const QString& sql) {
    const ErrorTrap trap(state, kModule, QStringLiteral("ExecuteSQLCommand"));
    if (error.number() == ErrorNumber::UnknownName || error.number() == ErrorNumber::SyntaxError) {
        reportStatementFailure(
            state, QStringLiteral("An unexpected problem occurred while trying to update the Music Library."),
            kMusicLibraryError, error, sql);
    } else {
        reportStatementFailure(state,
                               QStringLiteral("Orvella Configurator cannot continue due to an unexpected error."),
                               QStringLiteral("Unexpected Error..."), error, sql);
    }
}

void showNotFoundReport(ProgramState& state) {
    showPlainMessage(state,
                     QStringLiteral("Orvella Configurator cannot find the Music Library file located at \n\n") +
                         state.paths.MainDatabasePath +
                         QStringLiteral("\n\nPlease double check that the path is correct and the file exists."),
                     kForYourInformation, DialogContent::Information);
}

QString SqlQuote(const QString& text) {
    // The blanks trimmed before the quotes are doubled are the blanks trimmed after.
    QString quoted = trimBlanks(text);
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return quoted;
}

QString sqlText(const QString& text) {
    const QString quoted = SqlQuote(text);
    QString value;
    value.reserve(quoted.size() + 2);
    value.append(QLatin1Char('\'')).append(quoted).append(QLatin1Char('\''));
    return value;
}

QString engineVersion() {
    return QString::fromLatin1(sqlite3_libversion());
}

QString GetMDACVersion(const ProgramState& state) {
    if (state.session.DataAccessVersionSource) return state.session.DataAccessVersionSource();
    return engineVersion();
}

QString mdacMessage(const QString& firstSentence, const QString& installedVersion) {
    return QStringList{firstSentence,
                       QStringLiteral("Your currently installed version of these components is:"),
                       installedVersion,
                       QStringLiteral(" and you need to have version:"),
                       QStringLiteral("2.70"),
                       QStringLiteral("installed, at a minimum."),
                       QStringLiteral("Please visit ") + kVendorWebSite +
                           QStringLiteral(" and click on the FAQ button for further instructions on how to upgrade "
                                          "these components."),
                       QStringLiteral("Thanks!!")}
        .join(QStringLiteral("\n\n"));
}

void releasePooledConnections(ProgramState& state) {
    state.session.connectionPool.clear();
}

}  // namespace orv

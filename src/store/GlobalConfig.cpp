#include "store/GlobalConfig.h"

#include "core/ProgramState.h"
#include "errors/ErrorReport.h"
#include "extras/Vendor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkInterface>
#include <QStorageInfo>
#include <sqlite3.h>

namespace orv {
namespace {

const QString kModule = QStringLiteral("modGlobalConfig");
const QString kMusicLibraryError = QStringLiteral("Music Library Error...");

QString PreviousLibrariesPath(const ProgramState& state) {
    const QString newer = ProgramFile(state, kPreviousLibrariesFile8);
    return FileExists(newer) ? newer : ProgramFile(state, kPreviousLibrariesFile);
}

// The connection a statement against `path` runs on: the build run's shared connection for
// the libraries database while a run holds one, else the pooled connection to the file,
// opened anew when the file behind the path has changed.
std::shared_ptr<Connection> ConnectionFor(ProgramState& state, const QString& path, int selector) {
    if (selector == Db::Libraries && state.SharedLibraryConnection) return state.SharedLibraryConnection;
    auto pooled = state.ConnectionPool.find(path);
    if (pooled != state.ConnectionPool.end()) {
        if (pooled->second->stillMatchesFile()) return pooled->second;
        state.ConnectionPool.erase(pooled);
    }
    auto connection = std::make_shared<Connection>(path);
    state.ConnectionPool.emplace(path, connection);
    return connection;
}

QString WithSql(const RuntimeError& error, const QString& sql) {
    return error.description() + QStringLiteral(" - SQL Statement: ") + sql;
}

}  // namespace

QString ProgramFile(const ProgramState& state, const QString& name) {
    return state.ProgramFolder + QDir::separator() + name;
}

void SetDatabasePaths(ProgramState& state) {
    state.DriveRoot = AddBackslash(QStorageInfo(state.ProgramFolder).rootPath());
    state.MainDatabasePath = ProgramFile(state, kMainDatabaseFile);
    state.SettingsDatabasePath = ProgramFile(state, kSettingsDatabaseFile);
    state.LibrariesDatabasePath = ProgramFile(state, kLibrariesDatabaseFile);
}

bool CheckDataAccessVersion(ProgramState& state) {
    const QString version = GetMDACVersion(state);
    if (LeadingNumber(version) >= kRequiredDataAccessVersion) return true;
    ShowErrorMessage(state, MDACMessage(kMDACFirstSentence, version), QString(), QString(), QVariant(), QVariant(),
                     DialogContent::Information, QStringLiteral("For Your Information..."));
    return false;
}

Recordset GetRecordset(ProgramState& state, const QString& sql, int selector, bool reportErrors) {
    if (!CheckDataAccessVersion(state)) return {};
    if (state.MainDatabasePath.isEmpty()) state.MainDatabasePath = ProgramFile(state, kMainDatabaseFile);
    state.OldLibrariesDatabasePath = PreviousLibrariesPath(state);

    QString path;
    switch (selector) {
    case Db::Settings: path = state.SettingsDatabasePath; break;
    case Db::Libraries: path = state.LibrariesDatabasePath; break;
    case Db::PreviousLibraries: path = state.OldLibrariesDatabasePath; break;
    default: path = state.MainDatabasePath;
    }

    std::shared_ptr<Connection> connection;
    try {
        connection = ConnectionFor(state, path, selector);
    } catch (const RuntimeError& error) {
        if (error.number() == ErrorNumber::CannotOpen && reportErrors) {
            ShowNotFoundReport(state);
            state.BuildRunning = false;
        } else {
            GetRecordsetErrorHandler(state, error, sql, reportErrors);
        }
        return {};
    }

    const QString cleanSql = StripControlChars(sql);
    try {
        return Recordset::FromRows(connection->query(cleanSql));
    } catch (const RuntimeError& error) {
        return Recordset::Failed(error);
    }
}

void GetRecordsetErrorHandler(ProgramState& state, const RuntimeError& error, const QString& sql, bool reportErrors) {
    state.ErrorModuleName = kModule;
    state.ErrorProcName = QStringLiteral("GetRecordset");
    if (!reportErrors) return;
    if (error.number() == ErrorNumber::UnknownName || error.number() == ErrorNumber::SyntaxError) {
        ShowErrorMessage(state, QStringLiteral("An unexpected problem occurred while trying to access the Music Library."),
                         state.ErrorModuleName, state.ErrorProcName, error.number(), WithSql(error, sql),
                         DialogContent::Error, kMusicLibraryError);
    } else if (error.number() == ErrorNumber::CannotOpen) {
        ShowNotFoundReport(state);
    } else {
        ShowErrorMessage(state, kFatalErrorMessage, state.ErrorModuleName, state.ErrorProcName, error.number(),
                         WithSql(error, sql), DialogContent::Error, kMusicLibraryError, true);
    }
}

bool ExecuteSQLCommand(ProgramState& state, const QString& sql, int selector, bool quiet) {
    if (!CheckDataAccessVersion(state)) return false;
    const QString path = selector == Db::Settings    ? state.SettingsDatabasePath
                         : selector == Db::Libraries ? state.LibrariesDatabasePath
                                                     : state.MainDatabasePath;
    const QString cleanSql = StripControlChars(sql);
    try {
        auto connection = ConnectionFor(state, path, selector);
        try {
            return connection->execute(cleanSql) >= 0;
        } catch (const RuntimeError&) {
            if (quiet) return true;
            throw;
        }
    } catch (const RuntimeError& error) {
        ExecuteSQLCommandErrorHandler(state, error, cleanSql);
        return false;
    }
}

void ExecuteSQLCommandErrorHandler(ProgramState& state, const RuntimeError& error, const QString& sql) {
    state.ErrorModuleName = kModule;
    state.ErrorProcName = QStringLiteral("ExecuteSQLCommand");
    if (error.number() == ErrorNumber::UnknownName || error.number() == ErrorNumber::SyntaxError) {
        ShowErrorMessage(state, QStringLiteral("An unexpected problem occurred while trying to update the Music Library."),
                         state.ErrorModuleName, state.ErrorProcName, error.number(), WithSql(error, sql),
                         DialogContent::Error, kMusicLibraryError);
    } else {
        ShowErrorMessage(state, QStringLiteral("Orvella Configurator cannot continue due to an unexpected error."),
                         state.ErrorModuleName, state.ErrorProcName, error.number(), WithSql(error, sql),
                         DialogContent::Error, QStringLiteral("Unexpected Error..."));
    }
}

void ShowNotFoundReport(ProgramState& state) {
    ShowErrorMessage(state,
                     QStringLiteral("Orvella Configurator cannot find the Music Library file located at \n\n") +
                         state.MainDatabasePath +
                         QStringLiteral("\n\nPlease double check that the path is correct and the file exists."),
                     QString(), QString(), QVariant(), QVariant(), DialogContent::Information,
                     QStringLiteral("For Your Information..."));
}

QString SqlQuote(const QString& text) {
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return TrimBlanks(quoted);
}

QString TrimBlanks(const QString& text) {
    // Blanks only: other white space stays, as the engine's own trim would leave it.
    qsizetype start = 0, end = text.size();
    while (start < end && text[start] == QLatin1Char(' ')) ++start;
    while (end > start && text[end - 1] == QLatin1Char(' ')) --end;
    return text.mid(start, end - start);
}

QString SqlText(const QString& text) {
    return QLatin1Char('\'') + SqlQuote(text) + QLatin1Char('\'');
}

QString StripControlChars(const QString& text, int keepCode) {
    if (keepCode == 0) keepCode = 128;
    QString cleaned;
    cleaned.reserve(text.size());
    for (const QChar c : text) {
        const ushort code = c.unicode();
        if ((code < 32 && code != keepCode) || code == 127) continue;
        cleaned += c;
    }
    return cleaned;
}

QString GetMDACVersion(const ProgramState& state) {
    if (state.DataAccessVersionSource) return state.DataAccessVersionSource();
    return QString::fromLatin1(sqlite3_libversion());
}

double LeadingNumber(const QString& text) {
    const QString trimmed = text.trimmed();
    qsizetype end = 0;
    bool seenPoint = false;
    while (end < trimmed.size()) {
        const QChar c = trimmed[end];
        if (c.isDigit()) {
            ++end;
        } else if (c == QLatin1Char('.') && !seenPoint) {
            seenPoint = true;
            ++end;
        } else {
            break;
        }
    }
    bool ok = false;
    const double value = trimmed.left(end).toDouble(&ok);
    return ok ? value : 0.0;
}

QString MDACMessage(const QString& firstSentence, const QString& installedVersion) {
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

bool FileExists(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    file.close();
    return true;
}

QString AddBackslash(const QString& path) {
    return path.endsWith(QDir::separator()) ? path : path + QDir::separator();
}

QString TrimAtNull(const QString& text) {
    const qsizetype at = text.indexOf(QChar(0));
    return at < 0 ? text : text.left(at);
}

bool IsInternetConnected(const ProgramState& state) {
    if (state.InternetProbe) return state.InternetProbe();
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& candidate : interfaces) {
        const auto flags = candidate.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning) &&
            !flags.testFlag(QNetworkInterface::IsLoopBack) && !candidate.addressEntries().isEmpty())
            return true;
    }
    return false;
}

void ReleasePooledConnections(ProgramState& state) {
    state.ConnectionPool.clear();
}

}  // namespace orv

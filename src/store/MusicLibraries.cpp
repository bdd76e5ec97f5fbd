#include "store/MusicLibraries.h"

#include "core/Controls.h"
#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "errors/ErrorReport.h"
#include "store/LibrarySchema.h"
#include "store/Settings.h"

#include <QHash>
#include <sqlite3.h>

namespace orv {
namespace {

const QString kModule = QStringLiteral("frmStartUp");

// The engine's number for a name that cannot be a table name.
constexpr std::int32_t kInvalidName = 3125;

// The records a new table of this name would replace: 0 for a table that cannot be read (one to
// make anew); nothing without a libraries database.
std::optional<int> rowsToKeep(ProgramState& state, const QString& name) {
    try {
        return countRows(state, name, Db::Libraries);
    } catch (const RuntimeError&) {
        return 0;
    }
}

bool canStartName(char32_t c) {
    return c < 0x80 ? (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' : QChar::isLetter(c);
}

bool canStandInName(char32_t c) {
    return canStartName(c) || (c < 0x80 ? c >= '0' && c <= '9' : QChar::isNumber(c) || QChar::isMark(c));
}

// The reserved table a name stands for (letter case ignored), in its own spelling.
std::optional<QString> reservedTableName(const QString& name) {
    for (const QString& reserved : reservedTableNames())
        if (name.compare(reserved, Qt::CaseInsensitive) == 0) return reserved;
    return std::nullopt;
}

// Whether the engine prepares a statement whole.
bool prepares(sqlite3* db, const QByteArray& sql) {
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    const bool prepared =
        sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &statement, &tail) == SQLITE_OK &&
        statement && QByteArray(tail).trimmed().isEmpty();
    sqlite3_finalize(statement);
    return prepared;
}

// Whether the engine's parser takes the name bare in every shape of statement the program writes
// with a library name. It is asked on a private in-memory database, where a table of that name is
// made so that the other statements can be prepared; none of them is run.
bool standsBareInEveryStatement(const QString& name) {
    static const char* const statements[] = {
        "SELECT Count(*) FROM %1",
        "SELECT * FROM %1",
        "SELECT Count(*) FROM %1 WHERE Filename = 'x'",
        "DELETE FROM %1",
        "INSERT INTO %1 (Filename) SELECT 'x'",
        "UPDATE %1 SET Filename = 'x' WHERE Filename = 'y'",
        "CREATE INDEX IF NOT EXISTS \"%1.Filename\" ON %1 (Filename)",
        "DROP TABLE %1",
    };
    sqlite3* db = nullptr;
    bool stands =
        sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
        sqlite3_exec(db, QStringLiteral("CREATE TABLE %1 (Filename Text(255))").arg(name).toUtf8().constData(), nullptr,
                     nullptr, nullptr) == SQLITE_OK;
    for (const char* statement : statements)
        stands = stands && prepares(db, QString::fromLatin1(statement).arg(name).toUtf8());
    sqlite3_close(db);
    return stands;
}

QString songCountCaption(int count) {
    return QStringLiteral("Currently ") + QString::number(count) + QStringLiteral(" Songs In Selected Music Library");
}

QString catalogueQuery() {
    QStringList reserved;
    for (const QString& name : reservedTableNames()) reserved << QLatin1Char('\'') + name + QLatin1Char('\'');
    return QStringLiteral("SELECT Name ") + QStringLiteral("FROM MSysObjects ") + QStringLiteral("WHERE Type = 1 ") +
           QStringLiteral("AND NAME NOT IN (") + reserved.join(QLatin1Char(',')) + QStringLiteral(") ") +
           QStringLiteral("AND Flags = 0 ") + QStringLiteral("ORDER BY Name");
}

// What a listing does when the database cannot be opened, which the database layer has already said:
// fail as the window's lists do (error 91, reported), or end quietly.
enum class UnopenedDatabase { Reported, Quiet };

// The library names of one database, in catalogue order; nothing when the listing failed
// (reported under `procedure`, with the query).
std::optional<QStringList> listLibraries(ProgramState& state, Db selector, const QString& procedure,
                                         UnopenedDatabase unopened = UnopenedDatabase::Reported) {
    const QString sql = catalogueQuery();
    try {
        Recordset rows = GetRecordset(state, sql, selector);
        if (rows.isNothing() && unopened == UnopenedDatabase::Quiet) return std::nullopt;
        QStringList names;
        if (!(rows.isBOF() && rows.isEOF()))
            for (; !rows.isEOF(); rows.moveNext()) names << rows.field(0).toString();
        rows.close();
        return names;
    } catch (const RuntimeError& error) {
        reportError(state, kModule, procedure,
                    RuntimeError(error.number(), error.description() + QStringLiteral(" - SQL: ") + sql));
        return std::nullopt;
    }
}

}  // namespace

QString libraryTable(const QString& name) {
    if (!isPlainLibraryName(name))
        throw RuntimeError(kInvalidName,
                           QStringLiteral("'%1' is not a valid name. Make sure that it does not include invalid "
                                          "characters or punctuation and that it is not too long.")
                               .arg(name));
    return name;
}

std::optional<int> countRows(ProgramState& state, const QString& name, Db selector) {
    return countTableRows(state, libraryTable(name), selector);
}

std::optional<int> countTableRows(ProgramState& state, const QString& table, Db selector) {
    Recordset counted = GetRecordset(state, QStringLiteral("SELECT Count(*) FROM ") + table, selector);
    if (counted.isNothing()) return std::nullopt;
    const int count = counted.field(0).toInt();
    counted.close();
    return count;
}

std::optional<int> countRowsQuietly(ProgramState& state, const QString& name, Db selector) {
    try {
        return countRows(state, name, selector);
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

const QStringList& reservedTableNames() {
    static const QStringList names{QStringLiteral("MSysObjects"),
                                   QStringLiteral("MSysACEs"),
                                   QStringLiteral("MSysQueries"),
                                   QStringLiteral("MSysRelationships"),
                                   QStringLiteral("MSysAccessObjects"),
                                   QStringLiteral("MSysAccessXML"),
                                   QStringLiteral("Settings"),
                                   QStringLiteral("Genres"),
                                   QStringLiteral("Skins"),
                                   QStringLiteral("EQ"),
                                   QStringLiteral("Lyrics"),
                                   QStringLiteral("LyricsTemp"),
                                   QStringLiteral("Karaoke"),
                                   QStringLiteral("Queue"),
                                   QStringLiteral("History")};
    return names;
}

bool isPlainLibraryName(const QString& name) {
    const QList<uint> characters = name.toUcs4();
    if (characters.isEmpty()) return false;
    for (qsizetype i = 0; i < characters.size(); ++i)
        if (!(i == 0 ? canStartName(characters[i]) : canStandInName(characters[i]))) return false;
    if (reservedTableName(name)) return false;
    // The engine's answer depends on the name alone, and counts ask it at every song a run adds.
    thread_local QHash<QString, bool> answers;
    const auto known = answers.constFind(name);
    return known != answers.constEnd() ? *known : *answers.insert(name, standsBareInEveryStatement(name));
}

QString libraryNameRefusal(const QString& name) {
    QString why;
    if (const std::optional<QString> reserved = reservedTableName(name))
        why = QStringLiteral("It is the name of the ") + *reserved +
              QStringLiteral(" table, which Orvella keeps in the same database.") + QStringLiteral("\n\n");
    return QStringLiteral("The name '") + name + QStringLiteral("' cannot be used for a Music Library.") +
           QStringLiteral("\n\n") + why +
           QStringLiteral(
               "A name may hold letters, digits and \"_\" (blanks become \"_\"), and must not start with "
               "a digit or be a word the database reserves, such as Order or Select.");
}

QString mendedLibraryName(const QString& name, const QStringList& taken) {
    if (isPlainLibraryName(name)) return name;
    QString base;
    for (const char32_t c : name.toUcs4()) base += canStandInName(c) ? QString::fromUcs4(&c, 1) : QStringLiteral("_");
    if (base.isEmpty() || !canStartName(base.toUcs4().first()) ||
        base.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
        base.prepend(QLatin1Char('_'));
    QString candidate = base;
    for (int n = 2; !isPlainLibraryName(candidate) || taken.contains(candidate, Qt::CaseInsensitive); ++n)
        candidate = base + QLatin1Char('_') + QString::number(n);
    return candidate;
}

QString libraryNameFromTyped(const QString& typed) {
    QString name = typed;
    return name.replace(QLatin1Char(' '), QLatin1Char('_'));
}

int libraryEntryIndex(const QStringList& entries, const QString& select) {
    if (entries.isEmpty() || select.isEmpty()) return -1;
    for (qsizetype i = 0; i < entries.size(); ++i)
        if (entries[i].compare(select, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return 0;
}

std::optional<QStringList> musicLibraryNames(ProgramState& state) {
    return listLibraries(state, Db::Libraries, QStringLiteral("GetMusicLibraries"), UnopenedDatabase::Quiet);
}

MusicLibraryList GetMusicLibraries(ProgramState& state) {
    MusicLibraryList list;
    const std::optional<QStringList> names = listLibraries(state, Db::Libraries, QStringLiteral("GetMusicLibraries"));
    if (!names) return list;
    if (!names->isEmpty()) {
        list.refill = true;
        list.names = *names;
        for (const QString& name : list.names) ensureFilenameIndex(state, name);
    }
    state.CurrentMusicLibrary = currentMusicLibrarySetting(state);
    list.select = state.CurrentMusicLibrary;
    return list;
}

QString currentMusicLibrarySetting(ProgramState& state) {
    const QString name = GetSetting(state, QStringLiteral("CurrentMusicLibrary"));
    return name.isEmpty() ? kFirstMusicLibrary : name;
}

QStringList GetPreviousMusicLibraries(ProgramState& state) {
    return listLibraries(state, Db::PreviousLibraries, QStringLiteral("GetPreviousMusicLibraries"))
        .value_or(QStringList());
}

bool CreateMusicLibrary(ProgramState& state, const QString& name) {
    try {
        if (!isPlainLibraryName(name)) return false;
        const std::optional<int> existing = rowsToKeep(state, name);
        // Without the libraries database nothing can be made.
        if (!existing || *existing > 0) return false;
        ExecuteSQLCommand(state, QStringLiteral("DROP TABLE ") + name, Db::Libraries, true);
        ExecuteSQLCommand(state, musicLibraryCreateStatement(name), Db::Libraries, true);
        // The statement above counts as done even when the engine refused it: look.
        if (!countRowsQuietly(state, name, Db::Libraries)) return false;
        ensureFilenameIndex(state, name);
        return true;
    } catch (const RuntimeError& error) {
        reportError(state, kModule, QStringLiteral("CreateMusicLibrary"), error);
        return false;
    }
}

bool DropMusicLibrary(ProgramState& state, const QString& name) {
    return ExecuteSQLCommand(state, QStringLiteral("DROP TABLE ") + libraryTable(name), Db::Libraries);
}

void ensureFilenameIndex(ProgramState& state, const QString& name) {
    if (!isPlainLibraryName(name)) return;
    // The index name holds a character no library name has, so it never meets a table's.
    ExecuteSQLCommand(state,
                      QStringLiteral("CREATE INDEX IF NOT EXISTS \"") + name + QStringLiteral(".Filename\" ON ") +
                          name + QStringLiteral(" (Filename)"),
                      Db::Libraries, true);
}

int RefreshSongCount(ProgramState& state) {
    const int count = state.run.librarySongCount
                          ? *state.run.librarySongCount
                          : countRows(state, state.CurrentMusicLibrary, Db::Libraries).value_or(0);
    state.ui().setCaption(Control::lblSongCount, songCountCaption(count));
    return count;
}

int showAddedSongCount(ProgramState& state) {
    if (state.run.librarySongCount) ++*state.run.librarySongCount;
    return RefreshSongCount(state);
}

void showLibraryCount(ProgramState& state, int count) {
    state.ui().setCaption(Control::cmdDatabase,
                          count == 0 ? QStringLiteral("Build Music Library") : QStringLiteral("Update Music Library"));
    state.ui().setAllEnabled(songCountControls(), count != 0);
    state.ui().setCaption(Control::lblSongCount, songCountCaption(count));
}

std::optional<int> showLibraryCountOf(ProgramState& state, const QString& name) {
    try {
        const std::optional<int> count = countRows(state, name, Db::Libraries);
        if (count)
            showLibraryCount(state, *count);
        else
            state.ui().setAllEnabled(songCountControls(), false);
        return count;
    } catch (const RuntimeError&) {
        state.ui().setAllEnabled(songCountControls(), false);
        throw;
    }
}

void showCurrentLibraryCount(ProgramState& state) {
    if (const std::optional<int> count = tryStep([&] { return RefreshSongCount(state); }))
        showLibraryCount(state, *count);
    else
        state.ui().setAllEnabled(songCountControls(), false);
}

}  // namespace orv

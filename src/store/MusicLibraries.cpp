#include "store/MusicLibraries.h"

#include "core/Controls.h"
#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "errors/ErrorReport.h"
#include "store/LibrarySchema.h"
#include "store/Settings.h"

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

// The library names of one database, in catalogue order; nothing when the listing failed
// (reported under `procedure`, with the query).
std::optional<QStringList> listLibraries(ProgramState& state, Db selector, const QString& procedure) {
    const QString sql = catalogueQuery();
    try {
        Recordset rows = GetRecordset(state, sql, selector);
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
    if (!IsPlainLibraryName(name))
        throw RuntimeError(kInvalidName,
                           QStringLiteral("'%1' is not a valid name. Make sure that it does not include invalid "
                                          "characters or punctuation and that it is not too long.")
                               .arg(name));
    return name;
}

std::optional<int> countRows(ProgramState& state, const QString& name, Db selector) {
    Recordset counted = GetRecordset(state, QStringLiteral("SELECT Count(*) FROM ") + libraryTable(name), selector);
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

bool IsPlainLibraryName(const QString& name) {
    const QList<uint> characters = name.toUcs4();
    if (characters.isEmpty()) return false;
    for (qsizetype i = 0; i < characters.size(); ++i) {
        const char32_t c = characters[i];
        const bool ascii = c < 0x80;
        const bool starts = ascii ? (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' : QChar::isLetter(c);
        const bool follows = starts || (ascii ? c >= '0' && c <= '9' : QChar::isNumber(c) || QChar::isMark(c));
        if (!(i == 0 ? starts : follows)) return false;
    }
    const QByteArray utf8 = name.toUtf8();
    if (sqlite3_keyword_check(utf8.constData(), static_cast<int>(utf8.size()))) return false;
    for (const QString& reserved : reservedTableNames())
        if (name.compare(reserved, Qt::CaseInsensitive) == 0) return false;
    return true;
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

MusicLibraryList GetMusicLibraries(ProgramState& state) {
    MusicLibraryList list;
    const std::optional<QStringList> names = listLibraries(state, Db::Libraries, QStringLiteral("GetMusicLibraries"));
    if (!names) return list;
    if (!names->isEmpty()) {
        list.refill = true;
        list.names = *names;
        for (const QString& name : list.names) ensureFilenameIndex(state, name);
    }
    state.CurrentMusicLibrary = GetSetting(state, QStringLiteral("CurrentMusicLibrary"));
    if (state.CurrentMusicLibrary.isEmpty()) state.CurrentMusicLibrary = kFirstMusicLibrary;
    list.select = state.CurrentMusicLibrary;
    return list;
}

QStringList GetPreviousMusicLibraries(ProgramState& state) {
    return listLibraries(state, Db::PreviousLibraries, QStringLiteral("GetPreviousMusicLibraries"))
        .value_or(QStringList());
}

bool CreateMusicLibrary(ProgramState& state, const QString& name) {
    try {
        if (!IsPlainLibraryName(name)) return false;
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
    if (!IsPlainLibraryName(name)) return;
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

void showCurrentLibraryCount(ProgramState& state) {
    if (const std::optional<int> count = TryStep([&] { return RefreshSongCount(state); }))
        showLibraryCount(state, *count);
    else
        state.ui().setAllEnabled(songCountControls(), false);
}

}  // namespace orv

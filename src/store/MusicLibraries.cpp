#include "store/MusicLibraries.h"

#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "errors/ErrorReport.h"
#include "store/Compaction.h"
#include "store/GlobalConfig.h"
#include "store/LibrarySchema.h"
#include "store/Settings.h"

#include <sqlite3.h>

namespace orv {
namespace {

const QString kModule = QStringLiteral("frmStartUp");

// The engine's number for a name that cannot be a table name.
constexpr std::int32_t kInvalidName = 3125;

// The name as it stands for its table in SQL; throws for a name that cannot stand there safely.
QString LibraryTable(const QString& name) {
    if (!IsPlainLibraryName(name))
        throw RuntimeError(kInvalidName,
                           QStringLiteral("'%1' is not a valid name. Make sure that it does not include invalid "
                                          "characters or punctuation and that it is not too long.")
                               .arg(name));
    return name;
}

}  // namespace

std::optional<int> CountRows(ProgramState& state, const QString& name, int selector) {
    Recordset counted = GetRecordset(state, QStringLiteral("SELECT Count(*) FROM ") + LibraryTable(name), selector);
    if (counted.isNothing()) return std::nullopt;
    const int count = counted.Field(0).toInt();
    counted.Close();
    return count;
}

namespace {

// The same count, with a failure read as "not known".
std::optional<int> CountRowsQuietly(ProgramState& state, const QString& name, int selector) {
    try {
        return CountRows(state, name, selector);
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

// The records a new table of this name would replace: 0 for a table that cannot be read (one to
// make anew); nothing without a libraries database.
std::optional<int> RowsToKeep(ProgramState& state, const QString& name) {
    try {
        return CountRows(state, name, Db::Libraries);
    } catch (const RuntimeError&) {
        return 0;
    }
}

QString SongCountCaption(int count) {
    return QStringLiteral("Currently ") + QString::number(count) + QStringLiteral(" Songs In Selected Music Library");
}

void SetCaption(ProgramState& state, const QString& control, const QString& text) {
    if (state.UserInterface) state.UserInterface->setCaption(control, text);
}

void SetEnabled(ProgramState& state, const QStringList& controls, bool enabled) {
    if (!state.UserInterface) return;
    for (const QString& control : controls) state.UserInterface->setEnabled(control, enabled);
}

void Yield(ProgramState& state) {
    if (state.UserInterface) state.UserInterface->yield();
}

QString CatalogueQuery() {
    QStringList reserved;
    for (const QString& name : ReservedTableNames()) reserved << QLatin1Char('\'') + name + QLatin1Char('\'');
    return QStringLiteral("SELECT Name ") + QStringLiteral("FROM MSysObjects ") + QStringLiteral("WHERE Type = 1 ") +
           QStringLiteral("AND NAME NOT IN (") + reserved.join(QLatin1Char(',')) + QStringLiteral(") ") +
           QStringLiteral("AND Flags = 0 ") + QStringLiteral("ORDER BY Name");
}

// The library names of one database, in catalogue order; nothing when the listing failed
// (reported under `procedure`, with the query).
std::optional<QStringList> ListLibraries(ProgramState& state, int selector, const QString& procedure) {
    const QString sql = CatalogueQuery();
    try {
        Recordset rows = GetRecordset(state, sql, selector);
        QStringList names;
        if (!(rows.IsBOF() && rows.IsEOF()))
            for (; !rows.IsEOF(); rows.MoveNext()) names << rows.Field(0).toString();
        rows.Close();
        return names;
    } catch (const RuntimeError& error) {
        ReportError(state, kModule, procedure,
                    RuntimeError(error.number(), error.description() + QStringLiteral(" - SQL: ") + sql));
        return std::nullopt;
    }
}

// Value texts of the copy from a previous version's record.
QString TextValue(const QVariant& field) {
    return SqlText(field.isNull() ? QString() : field.toString());
}

QString NumberValue(const QVariant& field) {
    if (field.isNull()) return QStringLiteral("0");
    bool ok = false;
    const double value = field.toDouble(&ok);
    if (!ok) throw RuntimeError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
    return SqlQuote(QString::number(value, 'g', 15));
}

// A date keeps Null as Null: an empty text is no date.
QString DateValue(const QVariant& field) {
    return field.isNull() ? QStringLiteral("NULL") : TextValue(field);
}

QString TransferInsertStatement(const QString& table, const Recordset& old) {
    enum Kind { Text, Number, Date };
    struct Column {
        const char* target;
        const char* source;
        Kind kind;
    };
    static const Column columns[] = {
        {"Album", "Album", Text},
        {"Artist", "Artist", Text},
        {"Title", "Title", Text},
        {"BandName", "BandName", Text},
        {"Duration", "Duration", Text},
        {"Seconds", "Seconds", Number},
        {"Track", "Track", Number},
        {"SongYear", "SongYear", Text},
        {"SongDecade", "SongDecade", Text},
        {"CDYear", "SongYear", Text},
        {"Genre", "Genre", Text},
        {"Rating", "Rating", Text},
        {"Compilation", "Compilation", Text},
        {"CommentTitle", "CommentTitle", Text},
        {"CommentText", "CommentText", Text},
        {"FileName", "FileName", Text},
        {"FileDateTimeLow", "FileDateTimeLow", Number},
        {"FileDateTimeHigh", "FileDateTimeHigh", Number},
        {"DateAdded", "DateAdded", Date},
        {"LastUpdated", "LastUpdated", Date},
        {"HasLyrics", "HasLyrics", Text},
        {"FileLength", "FileLength", Number},
        {"TimesPlayed", "TimesPlayed", Number},
        {"LastDateTimePlayed", "LastDateTimePlayed", Date},
        {"Display", "Display", Text},
    };
    QStringList targets, values;
    for (const Column& column : columns) {
        targets << QString::fromLatin1(column.target);
        const QVariant field = old.Field(QString::fromLatin1(column.source));
        values << (column.kind == Text ? TextValue(field) : column.kind == Number ? NumberValue(field) : DateValue(field));
    }
    return QStringLiteral("INSERT INTO ") + table + QStringLiteral(" ") + QStringLiteral("(") +
           targets.join(QStringLiteral(", ")) + QStringLiteral(") ") + QStringLiteral("SELECT ") +
           values.join(QStringLiteral(", "));
}

// Groups a copy's writes to the libraries database into transactions, committed every few hundred
// records and whenever the copy ends: the same rows as one write each, without a disk flush each.
class WriteBatch {
public:
    explicit WriteBatch(ProgramState& state) : state_(state) { begin(); }
    ~WriteBatch() { commit(); }
    WriteBatch(const WriteBatch&) = delete;
    WriteBatch& operator=(const WriteBatch&) = delete;

    void wrote() {
        if (++written_ % kRecordsPerCommit != 0) return;
        commit();
        begin();
    }

private:
    static constexpr int kRecordsPerCommit = 500;
    void begin() { open_ = ExecuteSQLCommand(state_, QStringLiteral("BEGIN"), Db::Libraries); }
    void commit() {
        if (open_) ExecuteSQLCommand(state_, QStringLiteral("COMMIT"), Db::Libraries);
        open_ = false;
    }

    ProgramState& state_;
    bool open_ = false;
    int written_ = 0;
};

// Controls that could start other work while libraries are carried over.
const QStringList& TransferLockedControls() {
    static const QStringList controls{
        QStringLiteral("cmdDatabase"),      QStringLiteral("cmdHelp"),       QStringLiteral("cmdBrowse"),
        QStringLiteral("cmdDeleteLibrary"), QStringLiteral("txtMusic"),      QStringLiteral("cboMusicLibrary"),
        QStringLiteral("cmdClear"),         QStringLiteral("cmdNewLibrary"), QStringLiteral("chkLogFile"),
        QStringLiteral("lstLogType"),       QStringLiteral("lstFrames")};
    return controls;
}

// Locked too, but left to the song count (cmdOK, cmdLaunch) or left off (cmdViewLogFile) after.
const QStringList& TransferOnlyLockedControls() {
    static const QStringList controls{QStringLiteral("cmdOK"), QStringLiteral("cmdLaunch"),
                                      QStringLiteral("cmdViewLogFile")};
    return controls;
}

}  // namespace

const QStringList& ReservedTableNames() {
    static const QStringList names{
        QStringLiteral("MSysObjects"),      QStringLiteral("MSysACEs"),         QStringLiteral("MSysQueries"),
        QStringLiteral("MSysRelationships"), QStringLiteral("MSysAccessObjects"), QStringLiteral("MSysAccessXML"),
        QStringLiteral("Settings"),         QStringLiteral("Genres"),           QStringLiteral("Skins"),
        QStringLiteral("EQ"),               QStringLiteral("Lyrics"),           QStringLiteral("LyricsTemp"),
        QStringLiteral("Karaoke"),          QStringLiteral("Queue"),            QStringLiteral("History")};
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
    for (const QString& reserved : ReservedTableNames())
        if (name.compare(reserved, Qt::CaseInsensitive) == 0) return false;
    return true;
}

QString LibraryNameFromTyped(const QString& typed) {
    QString name = typed;
    return name.replace(QLatin1Char(' '), QLatin1Char('_'));
}

int LibraryEntryIndex(const QStringList& entries, const QString& select) {
    if (entries.isEmpty() || select.isEmpty()) return -1;
    for (qsizetype i = 0; i < entries.size(); ++i)
        if (entries[i].compare(select, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return 0;
}

MusicLibraryList GetMusicLibraries(ProgramState& state) {
    MusicLibraryList list;
    const std::optional<QStringList> names = ListLibraries(state, Db::Libraries, QStringLiteral("GetMusicLibraries"));
    if (!names) return list;
    if (!names->isEmpty()) {
        list.refill = true;
        list.names = *names;
        for (const QString& name : list.names) EnsureFilenameIndex(state, name);
    }
    state.CurrentMusicLibrary = GetSetting(state, QStringLiteral("CurrentMusicLibrary"));
    if (state.CurrentMusicLibrary.isEmpty()) state.CurrentMusicLibrary = kFirstMusicLibrary;
    list.select = state.CurrentMusicLibrary;
    return list;
}

QStringList GetPreviousMusicLibraries(ProgramState& state) {
    return ListLibraries(state, Db::PreviousLibraries, QStringLiteral("GetPreviousMusicLibraries")).value_or(QStringList());
}

bool CreateMusicLibrary(ProgramState& state, const QString& name) {
    try {
        if (!IsPlainLibraryName(name)) return false;
        const std::optional<int> existing = RowsToKeep(state, name);
        // Without the libraries database nothing can be made.
        if (!existing || *existing > 0) return false;
        ExecuteSQLCommand(state, QStringLiteral("DROP TABLE ") + name, Db::Libraries, true);
        ExecuteSQLCommand(state, MusicLibraryCreateStatement(name), Db::Libraries, true);
        // The statement above counts as done even when the engine refused it: look.
        if (!CountRowsQuietly(state, name, Db::Libraries)) return false;
        EnsureFilenameIndex(state, name);
        return true;
    } catch (const RuntimeError& error) {
        ReportError(state, kModule, QStringLiteral("CreateMusicLibrary"), error);
        return false;
    }
}

bool DropMusicLibrary(ProgramState& state, const QString& name) {
    return ExecuteSQLCommand(state, QStringLiteral("DROP TABLE ") + LibraryTable(name), Db::Libraries);
}

void EnsureFilenameIndex(ProgramState& state, const QString& name) {
    if (!IsPlainLibraryName(name)) return;
    // The index name holds a character no library name has, so it never meets a table's.
    ExecuteSQLCommand(state,
                      QStringLiteral("CREATE INDEX IF NOT EXISTS \"") + name + QStringLiteral(".Filename\" ON ") + name +
                          QStringLiteral(" (Filename)"),
                      Db::Libraries, true);
}

int RefreshSongCount(ProgramState& state) {
    const int count = CountRows(state, state.CurrentMusicLibrary, Db::Libraries).value_or(0);
    SetCaption(state, QStringLiteral("lblSongCount"), SongCountCaption(count));
    return count;
}

void ShowLibraryCount(ProgramState& state, int count) {
    SetCaption(state, QStringLiteral("cmdDatabase"),
               count == 0 ? QStringLiteral("Build Music Library") : QStringLiteral("Update Music Library"));
    SetEnabled(state, {QStringLiteral("cmdLaunch"), QStringLiteral("cmdOK")}, count != 0);
    SetCaption(state, QStringLiteral("lblSongCount"), SongCountCaption(count));
}

LibraryButtonResult NewMusicLibrary(ProgramState& state) {
    std::optional<QString> typed;
    if (state.UserInterface)
        typed = state.UserInterface->inputText(
            QStringLiteral("Enter a name for the new Music Library:") + QStringLiteral("\n\n") +
                QStringLiteral("(Please do not use spaces if your Music Library name contains multiple words)"),
            QStringLiteral("Create Music Library"));
    return NewMusicLibraryNamed(state, typed.value_or(QString()));
}

LibraryButtonResult NewMusicLibraryNamed(ProgramState& state, const QString& typed) {
    const QString name = LibraryNameFromTyped(typed);
    if (name.isEmpty()) return {};
    if (!CreateMusicLibrary(state, name)) {
        ShowPlainMessage(state,
                         QStringLiteral("There was a problem creating the Music Library - '") + name +
                             QStringLiteral("'.") + QStringLiteral("\n\n") + QStringLiteral("Please try again."),
                         QStringLiteral("Music Library NOT Created"));
        return {};
    }
    CompactDatabases(state);
    ShowPlainMessage(state,
                     QStringLiteral("The Music Library - '") + name +
                         QStringLiteral("' has been successfully created.") + QStringLiteral("\n\n") +
                         QStringLiteral("You must now populate this Music Library by clicking the 'Build Music "
                                        "Library' button."),
                     QStringLiteral("Music Library Created"));
    MusicLibraryList libraries = GetMusicLibraries(state);
    libraries.select = name;
    return {true, libraries};
}

LibraryButtonResult DeleteMusicLibrary(ProgramState& state, const QString& selected, int entryCount) {
    LibraryButtonResult result;
    try {
        if (entryCount < 2) {
            ShowPlainMessage(state,
                             QStringLiteral("You cannot delete the Music Library '") + selected +
                                 QStringLiteral("' because it is the only existing Music Library.  Please create a "
                                                "new Music Library before attempting to delete this one."),
                             QStringLiteral("Cannot Delete Music Library"));
            return result;
        }
        if (AskQuestion(state,
                        QStringLiteral("Are you sure you want to delete the Music Library - '") + selected +
                            QStringLiteral("' ?"),
                        QStringLiteral("Orvella")) != 6)
            return result;
        const bool dropped = DropMusicLibrary(state, selected);
        CompactDatabases(state);
        // The box is cleared before the listing: a listing without rows leaves it empty.
        MusicLibraryList libraries = GetMusicLibraries(state);
        libraries.refill = true;
        result.libraries = libraries;
        if (dropped) {
            ShowPlainMessage(state, selected + QStringLiteral(" was deleted successfully."),
                             QStringLiteral("Music Library Deleted"));
            result.done = true;
        }
    } catch (const RuntimeError& error) {
        ReportError(state, kModule, QStringLiteral("cmdDeleteLibrary_Click"), error);
    }
    return result;
}

bool ClearMusicLibrary(ProgramState& state, const QString& selected) {
    try {
        const QString version = GetMDACVersion(state);
        if (LeadingNumber(version) < kRequiredDataAccessVersion) {
            ShowPlainMessage(state,
                             MDACMessage(QStringLiteral("You will need to upgrade your version of the Microsoft Data "
                                                        "Access Components (MDAC) on your computer before you can "
                                                        "Clear your Music Library."),
                                         version),
                             QStringLiteral("For Your Information..."), DialogContent::Information);
            return false;
        }
        bool cleared = false;
        if (AskQuestion(state,
                        QStringLiteral("Clicking this button will erase all existing records from the Music Library - ") +
                            selected + QStringLiteral(".") + QStringLiteral("\n") +
                            QStringLiteral("This cannot be undone and you will need to rebuild this Music Library "
                                           "again (or choose another one) in order to use Orvella. ") +
                            QStringLiteral("\n\n") +
                            QStringLiteral("Are you sure you would like to remove ALL records from the Music Library - ") +
                            selected + QStringLiteral("?"),
                        QStringLiteral("Clear Music Library")) == 6 &&
            ExecuteSQLCommand(state, QStringLiteral("DELETE * FROM ") + LibraryTable(selected), Db::Libraries)) {
            cleared = true;
            const std::optional<int> count = CountRows(state, selected, Db::Libraries);
            if (!count) return cleared;
            ShowLibraryCount(state, *count);
        }
        CompactDatabases(state);
        return cleared;
    } catch (const RuntimeError& error) {
        ReportError(state, kModule, QStringLiteral("cmdClear_Click"), error);
        return false;
    }
}

void SelectMusicLibrary(ProgramState& state, const QString& entry) {
    try {
        state.CurrentMusicLibrary = entry;
        if (state.StartingUp) return;
        const std::optional<int> count = CountRows(state, state.CurrentMusicLibrary, Db::Libraries);
        if (!count) {
            SetEnabled(state, {QStringLiteral("cmdLaunch"), QStringLiteral("cmdOK")}, false);
            return;
        }
        ShowLibraryCount(state, *count);
    } catch (const RuntimeError& error) {
        ReportError(state, kModule, QStringLiteral("cboMusicLibrary_Click"), error);
    }
}

TransferOutcome TransferPreviousLibraries(ProgramState& state) {
    if (!FileExists(ProgramFile(state, kPreviousLibrariesFile8)) && !FileExists(ProgramFile(state, kPreviousLibrariesFile)))
        return TransferOutcome::NoPreviousVersion;
    if (AskQuestion(state,
                    QStringLiteral("Orvella has detected a previous version of the program. ") + QStringLiteral("\n\n") +
                        QStringLiteral("Would you like to automatically transfer all of the existing Music Libraries "
                                       "to the new version?"),
                    QStringLiteral("Previous Version Detected")) != 6)
        return TransferOutcome::Declined;

    const QStringList names = GetPreviousMusicLibraries(state);
    bool cancelShown = false;
    if (!names.isEmpty()) {
        state.BuildRunning = true;
        Yield(state);
        if (state.CloseRequested) {
            state.BuildRunning = false;
            return TransferOutcome::Cancelled;
        }
        for (const QString& name : names) {
            // A library begun after Cancel would be emptied and left so.
            if (state.CloseRequested) break;
            const std::optional<int> oldCount = CountRowsQuietly(state, name, Db::PreviousLibraries);
            // Nothing can be copied from a table that cannot be read; the new one is left alone.
            if (!oldCount) continue;
            const std::optional<int> newCount = CountRowsQuietly(state, name, Db::Libraries);
            if (newCount == oldCount) continue;
            const QString trimmed = name.trimmed();
            // The first library is there from the first use; it is made only when missing.
            if (!trimmed.isEmpty() && (trimmed != kFirstMusicLibrary || !newCount)) CreateMusicLibrary(state, name);
            SetEnabled(state, TransferLockedControls() + TransferOnlyLockedControls(), false);
            SetCaption(state, QStringLiteral("cmdCancel"), QStringLiteral("Cancel"));
            cancelShown = true;
            ContinueOnError([&] { TransferLibraryRecords(state, name); });
        }
    }
    SetEnabled(state, TransferLockedControls(), true);
    if (cancelShown) SetCaption(state, QStringLiteral("cmdCancel"), QStringLiteral("Close"));
    state.BuildRunning = false;
    return state.CloseRequested ? TransferOutcome::Cancelled : TransferOutcome::Transferred;
}

void TransferLibraryRecords(ProgramState& state, const QString& name) {
    const QString table = LibraryTable(name);
    WriteBatch batch(state);
    // Rows copied into a table that could not be emptied would be doubled.
    if (!ExecuteSQLCommand(state, QStringLiteral("DELETE FROM ") + table, Db::Libraries)) return;
    Recordset old = GetRecordset(state, QStringLiteral("SELECT * FROM ") + table, Db::PreviousLibraries);
    if (!(old.IsBOF() && old.IsEOF())) {
        const QString total = QString::number(old.RecordCount());
        int counter = 0;
        for (; !old.IsEOF(); old.MoveNext()) {
            Yield(state);
            if (state.CloseRequested) break;
            ++counter;
            if (state.UserInterface) state.UserInterface->setVisible(QStringLiteral("frmStartUp"), true);
            SetCaption(state, QStringLiteral("lblDownloadStatus"),
                       QStringLiteral("Automatically Transferring ") + name + QStringLiteral(" - Record #") +
                           QString::number(counter) + QStringLiteral(" of ") + total);
            ExecuteSQLCommand(state, TransferInsertStatement(table, old), Db::Libraries);
            batch.wrote();
        }
    }
    old.Close();
    SetCaption(state, QStringLiteral("lblDownloadStatus"), QStringLiteral("Ready..."));
}

}  // namespace orv

#pragma once

#include "store/DataAccess.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace orv {

struct ProgramState;

// Tables of the libraries database that are never Music Libraries, in the catalogue query's order.
const QStringList& reservedTableNames();

// Whether a library name can stand as a bare table name in SQL: letters, digits and "_", not
// starting with a digit, not a reserved table name, and taken by the engine's parser bare in every
// shape of statement the program writes with a library name (so a keyword such as Action or Window
// is a name, Order or Select is not). Every procedure here refuses other names before they reach a
// statement.
bool isPlainLibraryName(const QString& name);

// Why a name that is not plain cannot be a library's, and what would work.
QString libraryNameRefusal(const QString& name);

// The plain name a previous version's library is carried over under: a plain name stays as it is;
// otherwise every character that cannot stand in a name becomes "_", a name that cannot start as it
// does gets a leading "_", and while the result is not plain or is one of `taken` (letter case
// ignored) "_2", "_3"... is added.
QString mendedLibraryName(const QString& name, const QStringList& taken);

// A typed name as a library name: every blank becomes "_".
QString libraryNameFromTyped(const QString& typed);

// The library box's contents after a listing.
struct MusicLibraryList {
    bool refill = false;  // the box is to hold `names` (a listing without rows leaves it as it was)
    QStringList names;    // library names, in catalogue order
    QString select;       // the entry to select, the first entry when it is not in the box; empty: none
};

// Where `select` lands in a box holding `entries`: its index (letter case ignored), else 0, or -1
// when the box is empty or nothing is to be selected.
int libraryEntryIndex(const QStringList& entries, const QString& select);

// Lists the Music Libraries of the libraries database (reserved names hidden, sorted by name
// with letter case ignored), makes the Filename index of each where missing, and reads the
// setting "CurrentMusicLibrary" into CurrentMusicLibrary ("MusicLibrary1" when empty) as the
// entry to select. A failure is reported (frmStartUp, GetMusicLibraries) and leaves the box alone.
MusicLibraryList GetMusicLibraries(ProgramState& state);
// The Music Libraries' names, in catalogue order; nothing when the listing failed (reported as
// GetMusicLibraries reports it, or, for a database that cannot be opened, by the database layer alone).
std::optional<QStringList> musicLibraryNames(ProgramState& state);

// The setting "CurrentMusicLibrary", "MusicLibrary1" when it is empty.
QString currentMusicLibrarySetting(ProgramState& state);

// The library names of the previous version's libraries database, same listing.
QStringList GetPreviousMusicLibraries(ProgramState& state);

// Creates the library table (and its Filename index) when it is missing or empty. A table with
// records is never replaced, and a name that is not plain is refused: false for both.
bool CreateMusicLibrary(ProgramState& state, const QString& name);

// Drops a library table; false when the statement failed (reported). Throws RuntimeError for a
// name that is not plain.
bool DropMusicLibrary(ProgramState& state, const QString& name);

// "SELECT Count(*) FROM <library>" against the database of `selector`: nothing when no recordset
// came back (no database); throws when the table cannot be read or the name is not plain.
std::optional<int> countRows(ProgramState& state, const QString& name, Db selector);
// The same count of a table as it stands in SQL.
std::optional<int> countTableRows(ProgramState& state, const QString& table, Db selector);
// The count of a library, with a failure read as "not known": nothing for a table that cannot be
// read as for no answer.
std::optional<int> countRowsQuietly(ProgramState& state, const QString& name, Db selector);

// Makes the index on Filename beside a library table when it is missing; failures pass silently.
void ensureFilenameIndex(ProgramState& state, const QString& name);

// The number of rows of the current library, shown in "lblSongCount". No library database
// answer counts 0; a library table that cannot be read throws to the caller. While a build run
// keeps the count (RunState::librarySongCount), that count is shown and the table is not counted.
int RefreshSongCount(ProgramState& state);
// RefreshSongCount after a record was added to the current library.
int showAddedSongCount(ProgramState& state);

// Shows a library's song count on the main window: "lblSongCount", the "cmdDatabase" caption,
// and "cmdLaunch"/"cmdOK" enabled only when there are songs.
void showLibraryCount(ProgramState& state, int count);

// Counts a library and shows the count as showLibraryCount does; nothing when no recordset came
// back. A library that cannot be counted leaves the saving buttons disabled, as an empty one does:
// a table that cannot be read throws RuntimeError once they are.
std::optional<int> showLibraryCountOf(ProgramState& state, const QString& name);

// Shows the current library's song count as showLibraryCount does; a library that cannot be
// counted leaves the saving buttons disabled, as an empty one does.
void showCurrentLibraryCount(ProgramState& state);

// The name as it stands for its table in SQL; throws for a name that cannot stand there safely.
QString libraryTable(const QString& name);

}  // namespace orv

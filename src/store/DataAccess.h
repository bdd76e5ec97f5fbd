#pragma once

#include "core/RuntimeError.h"
#include "store/Database.h"

#include <QString>

namespace orv {

struct ProgramState;

// Which database file a statement runs against.
enum class Db { Main = 1, Settings = 2, Libraries = 3, PreviousLibraries = 4 };

// Runs a query and hands back its rows; "nothing" when the data-access check or the
// connection failed (reported as the handler's table says). A query the engine rejects
// gives a recordset that fails on its first use.
Recordset GetRecordset(ProgramState& state, const QString& sql, Db selector = Db::Main, bool reportErrors = true);
// The same query with its rows handed to `take` as they are read, none kept: false when the
// data-access check or the connection failed (reported as GetRecordset reports it); a query the
// engine rejects throws, as the recordset would on its first use.
bool forEachRecord(ProgramState& state, const QString& sql, Db selector,
                   const std::function<void(const Connection::Row& row)>& take);

// Runs a statement that returns no rows. False when it failed (and was reported); with Quiet
// a statement the engine rejects is passed over silently and counts as done.
bool ExecuteSQLCommand(ProgramState& state, const QString& sql, Db selector = Db::Main, bool quiet = false);
// The same for a statement whose values are bound (the engine's own SQL, not translated).
bool ExecuteSQLCommand(ProgramState& state, BoundStatement statement, Db selector = Db::Main, bool quiet = false);

// Reports of GetRecordset's and ExecuteSQLCommand's error traps.
void getRecordsetErrorHandler(ProgramState& state, const RuntimeError& error, const QString& sql, bool reportErrors);
void executeSQLCommandErrorHandler(ProgramState& state, const RuntimeError& error, const QString& sql);
// "cannot find the Music Library file": always names the main database.
void showNotFoundReport(ProgramState& state);

// Doubles every single quote, then trims blanks at both ends.
QString SqlQuote(const QString& text);
// A text value as it stands in SQL: between single quotes, through SqlQuote.
QString sqlText(const QString& text);

// The database engine's library version.
QString engineVersion();
// The installed data-access version.
QString GetMDACVersion(const ProgramState& state);
// The upgrade message, starting with the given first sentence.
QString mdacMessage(const QString& firstSentence, const QString& installedVersion);
inline const QString kMDACFirstSentence = QStringLiteral(
    "You will need to upgrade your version of the Microsoft Data Access Components (MDAC) on your computer or "
    "Orvella Configurator will not be able to access your Music Library.");
inline const QString kMDACStartupFirstSentence = QStringLiteral(
    "You will need to upgrade your version of the Microsoft Data Access Components (MDAC) on your computer or "
    "Orvella will not be able to access your Music Library.");
inline constexpr double kRequiredDataAccessVersion = 2.7;
// True when the installed version is recent enough; otherwise shows the upgrade message that
// starts with this sentence.
bool checkDataAccessVersion(ProgramState& state, const QString& firstSentence = kMDACFirstSentence);

// Closes the connections kept open between statements (the build run's shared one excepted).
void releasePooledConnections(ProgramState& state);

}  // namespace orv

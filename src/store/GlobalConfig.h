#pragma once

#include "core/RuntimeError.h"
#include "store/Database.h"

#include <QString>

namespace orv {

struct ProgramState;

// Database selectors.
namespace Db {
constexpr int Main = 1;
constexpr int Settings = 2;
constexpr int Libraries = 3;
constexpr int PreviousLibraries = 4;
}  // namespace Db

inline const QString kMainDatabaseFile = QStringLiteral("Orvella81.mdb");
inline const QString kSettingsDatabaseFile = QStringLiteral("OrvSettings.mdb");
inline const QString kLibrariesDatabaseFile = QStringLiteral("OrvLibraries81.mdb");
inline const QString kPreviousLibrariesFile8 = QStringLiteral("OrvLibraries8.mdb");
inline const QString kPreviousLibrariesFile = QStringLiteral("OrvLibraries.mdb");

// A path in the program folder: the folder, the separator, the name.
QString ProgramFile(const ProgramState& state, const QString& name);

// DriveRoot and the three database paths, from the program folder.
void SetDatabasePaths(ProgramState& state);

// Runs a query and hands back its rows; "nothing" when the data-access check or the
// connection failed (reported as the tables of this module say). A query the engine rejects
// gives a recordset that fails on its first use.
Recordset GetRecordset(ProgramState& state, const QString& sql, int selector = Db::Main, bool reportErrors = true);

// Runs a statement that returns no rows. False when it failed (and was reported); with Quiet
// a statement the engine rejects is passed over silently and counts as done.
bool ExecuteSQLCommand(ProgramState& state, const QString& sql, int selector = Db::Main, bool quiet = false);

// Reports of GetRecordset's and ExecuteSQLCommand's error traps.
void GetRecordsetErrorHandler(ProgramState& state, const RuntimeError& error, const QString& sql, bool reportErrors);
void ExecuteSQLCommandErrorHandler(ProgramState& state, const RuntimeError& error, const QString& sql);
// "cannot find the Music Library file": always names the main database.
void ShowNotFoundReport(ProgramState& state);

// Doubles every single quote, then trims blanks at both ends.
QString SqlQuote(const QString& text);
// Removes blanks (not other white space) at both ends.
QString TrimBlanks(const QString& text);
// A text value as it stands in SQL: between single quotes, through SqlQuote.
QString SqlText(const QString& text);
// Removes characters 0 to 31 (but keepCode) and 127.
QString StripControlChars(const QString& text, int keepCode = 0);

// The installed data-access version: the database engine's library version.
QString GetMDACVersion(const ProgramState& state);
// The leading number of a text ("2.70" gives 2.7, "" gives 0, "3.40.1" gives 3.4).
double LeadingNumber(const QString& text);
// The upgrade message, starting with the given first sentence.
QString MDACMessage(const QString& firstSentence, const QString& installedVersion);
inline const QString kMDACFirstSentence = QStringLiteral(
    "You will need to upgrade your version of the Microsoft Data Access Components (MDAC) on your computer or "
    "Orvella Configurator will not be able to access your Music Library.");
inline const QString kMDACStartupFirstSentence = QStringLiteral(
    "You will need to upgrade your version of the Microsoft Data Access Components (MDAC) on your computer or "
    "Orvella will not be able to access your Music Library.");
inline constexpr double kRequiredDataAccessVersion = 2.7;
// True when the installed version is recent enough; otherwise shows the upgrade message.
bool CheckDataAccessVersion(ProgramState& state);

bool FileExists(const QString& path);
QString AddBackslash(const QString& path);
QString TrimAtNull(const QString& text);
bool IsInternetConnected(const ProgramState& state);

// Closes the connections kept open between statements (the build run's shared one excepted).
void ReleasePooledConnections(ProgramState& state);

}  // namespace orv

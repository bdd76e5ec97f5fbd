#pragma once

#include <QString>

namespace orv {

struct ProgramState;

inline const QString kMainDatabaseFile = QStringLiteral("Orvella81.mdb");
inline const QString kSettingsDatabaseFile = QStringLiteral("OrvSettings.mdb");
inline const QString kLibrariesDatabaseFile = QStringLiteral("OrvLibraries81.mdb");
inline const QString kPreviousLibrariesFile8 = QStringLiteral("OrvLibraries8.mdb");
inline const QString kPreviousLibrariesFile = QStringLiteral("OrvLibraries.mdb");

// A path in the program folder: the folder, the separator, the name.
QString ProgramFile(const ProgramState& state, const QString& name);

// The previous version's libraries database: OrvLibraries8.mdb when it exists, else OrvLibraries.mdb.
QString previousLibrariesFile(const ProgramState& state);

// DriveRoot and the three database paths, from the program folder.
void setDatabasePaths(ProgramState& state);

// Makes the state stand for the program folder `folder`: its paths, and the data-access version
// the reports name.
void openProgramFolder(ProgramState& state, const QString& folder);

// True when the path names a regular file that can be opened for reading.
bool FileExists(const QString& path);
// The path with the platform's separator appended when it does not end in one.
QString AddBackslash(const QString& path);
// Whether the machine has a network connection other than the loopback.
bool IsInternetConnected(const ProgramState& state);

}  // namespace orv

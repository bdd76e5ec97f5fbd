#pragma once

#include <QString>
#include <QStringList>

namespace orv {

// Makes `folder` a ready program folder: the three databases with their first-use contents,
// the skin pictures, the dialog icons and an empty Playlists folder. What exists already is
// never overwritten. Returns the paths it created; throws RuntimeError when it cannot.
QStringList initializeProgramFolder(const QString& folder);

// For a database of the program folder (named by its file name) that was made elsewhere: the
// statements that add what a fresh one holds and it lacks (its tables, and their rows by key), in
// the engine's SQL.
QStringList firstUseCompletion(const QString& databaseFile);

struct ProgramState;

// The music folder as stored; the drive root of the program folder when none is.
QString storedMusicPath(ProgramState& state);

// The music and images folders the main window shows at start-up: on first use the drive root
// and the program's Images folder, otherwise the settings, with the same fallbacks when they are
// empty.
void readStartUpPaths(ProgramState& state);

// Gives the previous version's libraries databases their retired names, so that their
// libraries are offered for transfer only once. A rename that fails is passed over.
void renamePreviousLibraries(const ProgramState& state);

// The program folder the programs use when none is named. The folder that holds them
// (`installedFolder`) when the user may write there; otherwise (installed system-wide) the per-user
// folder, made whole on first start from the installed one (or not at all): a copy of its databases
// and data files, never of its programs, and what a fresh folder holds besides. Files the per-user
// folder holds already are kept. Throws RuntimeError, naming what could not be read or made, when
// it cannot be made.
QString programFolderToUse(const QString& installedFolder);

// The databases of the folder that exist but cannot be opened for reading and writing, each with
// the reason.
QStringList unusableDatabases(const QString& folder);

// The per-user program folder: "orvella-configurator" under the XDG data home
// ($XDG_DATA_HOME, by default ~/.local/share).
QString perUserProgramFolder();

// The name of the skin a fresh program folder uses.
inline const QString kDefaultSkin = QStringLiteral("Default");

}  // namespace orv

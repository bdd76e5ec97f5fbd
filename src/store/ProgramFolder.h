#pragma once

#include <QString>
#include <QStringList>

namespace orv {

// Makes `folder` a ready program folder: the three databases with their first-use contents,
// the skin pictures, the dialog icons and an empty Playlists folder. What exists already is
// never overwritten. Returns the paths it created; throws RuntimeError when it cannot.
QStringList initializeProgramFolder(const QString& folder);

struct ProgramState;

// The music and images folders at start-up: on first use the drive root and the program's
// Images folder, otherwise the settings, with the same fallbacks when they are empty.
void readStartUpPaths(ProgramState& state);

// Gives the previous version's libraries databases their retired names, so that their
// libraries are offered for transfer only once. A rename that fails is passed over.
void renamePreviousLibraries(const ProgramState& state);

// The name of the skin a fresh program folder uses.
inline const QString kDefaultSkin = QStringLiteral("Default");

}  // namespace orv

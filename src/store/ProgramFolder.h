#pragma once

#include <QString>
#include <QStringList>

namespace orv {

// Makes `folder` a ready program folder: the three databases with their first-use contents,
// the skin pictures, the dialog icons and an empty Playlists folder. What exists already is
// never overwritten. Returns the paths it created; throws RuntimeError when it cannot.
QStringList InitializeProgramFolder(const QString& folder);

// The name of the skin a fresh program folder uses.
inline const QString kDefaultSkin = QStringLiteral("Default");

}  // namespace orv

#pragma once

#include <QString>

namespace orv {

// The name of the first Music Library and the fallback current library.
inline const QString kFirstMusicLibrary = QStringLiteral("MusicLibrary1");

// "CREATE TABLE <name> (<the 25 column definitions>);" for a Music Library table.
QString musicLibraryCreateStatement(const QString& name);

}  // namespace orv

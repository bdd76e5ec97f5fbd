#pragma once

#include <QString>

namespace orv {

// The name of the first Music Library and the fallback current library.
inline const QString kFirstMusicLibrary = QStringLiteral("MusicLibrary1");

// The width of a text column of a Music Library table ("Artist" holds 255 characters); 0 for a
// column that is not text.
int textColumnWidth(const QString& column);
// The text cut to the width of the column (never inside a character); as it is when it fits.
QString fitColumn(const QString& text, const QString& column);

// "CREATE TABLE <name> (<the 25 column definitions>);" for a Music Library table.
QString musicLibraryCreateStatement(const QString& name);

}  // namespace orv

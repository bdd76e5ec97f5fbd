#pragma once

#include <QString>

namespace orv {

// Removes blanks (not other white space) at both ends.
QString trimBlanks(const QString& text);
// The text up to, not including, its first NUL character; the whole text when it has none.
QString TrimAtNull(const QString& text);
// Removes characters 0 to 31 (but keepCode) and 127; a keepCode of 0 keeps none of them.
QString StripControlChars(const QString& text, int keepCode = 0);
// The leading number of a text, with its sign ("2.70" gives 2.7, "" gives 0, "3.40.1" gives 3.4,
// "-3" gives -3).
double leadingNumber(const QString& text);
// Whether `text` ends with `ending`, letter case ignored as Qt::CaseInsensitive ignores it; plain
// ASCII, as in most file names, is compared without looking up the Unicode case tables.
bool endsWithIgnoringCase(QStringView text, QStringView ending);

}  // namespace orv

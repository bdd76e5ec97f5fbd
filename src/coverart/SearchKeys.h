#pragma once

#include <QString>

namespace orv {

// Text transformations that turn album and artist names into cover-art search keys and file
// names. Replacements are case-sensitive and replace every occurrence; "trimmed" means blanks
// removed at both ends afterwards.

// "/", "\", "?", "|", "<", ">", "*" and ":" become "_", then "''" becomes "'". Changes the
// caller's text as well and returns it. Not trimmed.
QString MakeSafeFileName(QString& text);
// "/" becomes "_", "?" is removed; trimmed.
QString MakeAlbumFileName(const QString& text);
// Blanks become "%20", nothing else is escaped. Not trimmed.
QString EncodeSpaces(const QString& text);
// "&" becomes "+"; trimmed.
QString AmpersandToPlus(const QString& text);
// ".", ",", "?", "!", "-", "(" and ")" are removed, then each pair of blanks becomes one; trimmed.
QString StripPunctuation(const QString& text);
// ".", ",", "?", "!" and "-" become blanks; trimmed.
QString PunctuationToSpaces(const QString& text);
// A digit followed by a blank becomes its word ("2 " gives "Two "); trimmed.
QString DigitsToWords(const QString& text);
// "One" to "Nine" and "Zero" become digits, also inside longer words; trimmed.
QString WordsToDigits(const QString& text);
// "Vol. " becomes "Volume ", "&" becomes "And"; trimmed.
QString ExpandVolumeAndAmpersand(const QString& text);
// Every occurrence of the word is removed (an empty word removes nothing); trimmed.
QString RemoveWord(const QString& text, const QString& word);
// "And" becomes "&"; trimmed.
QString AndToAmpersand(const QString& text);
// " Soundtrack" is removed, then "Soundtracks" becomes "Soundtrack"; trimmed.
QString DropSoundtrack(const QString& text);
// " Soundtrack" becomes "Various Artists", then "Soundtracks" becomes "Various Artists"; trimmed.
QString SoundtrackToVariousArtists(const QString& text);
// "III" becomes "3", then "II" becomes "2". Not trimmed.
QString RomanToDigits(const QString& text);
// "2" becomes "II", then "3" becomes "III". Not trimmed.
QString DigitsToRoman(const QString& text);

}  // namespace orv

#pragma once

#include "tags/SongFields.h"

#include <QString>
#include <QStringList>

namespace orv {

struct ProgramState;
class TagComponent;

// Null becomes the empty text; anything else loses its blanks at both ends.
QString NullToText(const QString& value);
// True when the text, blanks around it allowed, is a number.
bool isNumericText(const QString& text);
// The nearest whole number, halves to the even neighbour.
long long roundToEven(double value);

// The song fields of a file with an ID3v2 tag: its frames first, the ID3v1 tag for what they
// leave blank.
void ReadID3v2Tags(const TagComponent& tags, SongFields& song);
// The song fields of a file without an ID3v2 tag, from its ID3v1 tag. Compilation is left as it is.
void ReadID3v1Tags(const TagComponent& tags, SongFields& song);
// Gives a file that had no ID3v2 tag one copied from its ID3v1 tag: title, artist (also as the
// band), album, year (as recording and original year) and track, where no frame of that name was
// set already (the fill from the path wins). Everything set in the component goes into the file in
// this one write; a failed write throws.
void WriteID3v2FromID3v1(TagComponent& tags);
// The same frames set in the component, not yet written.
void setID3v2FromID3v1(TagComponent& tags);

// The decade of a year: "1980's" for 1987; empty without a year.
QString decadeOf(const QString& year);
// The track number before any "/", "\" or "of"; "0" when that is not a number.
QString NormaliseTrack(const QString& track);
// The genre name a genre text stands for: a number, or a number in parentheses, is looked up in
// the genre list (empty when it is not in the list); a name stays as it is.
QString GenreName(const QString& genre);
// The ID3v1 genre list with the Winamp extensions: 126 names, numbered from 0.
const QStringList& genreNames();

// A text as a label shows it: ampersands doubled; empty when it starts with a comma.
QString CaptionText(const QString& text);
// Shows artist, album and title of the file being processed.
void ShowSongDetails(ProgramState& state, const QString& artist, const QString& album, const QString& title);

}  // namespace orv

#pragma once

#include "tags/SongFields.h"

#include <QDateTime>
#include <QString>

namespace orv {

struct ProgramState;
class TagComponent;

// How many records of the current Music Library hold this file with this file stamp; 0 when the
// libraries database gave no answer.
int CountSongsWithFileStamp(ProgramState& state, const QString& fileName, const QString& lowText,
                            const QString& highText);
// How many records of the current Music Library hold this file.
int CountSongsWithFile(ProgramState& state, const QString& fileName);

// Add or rewrite the song record of a file in the current Music Library. The tag component is
// open on the file and gives the song length. The defaults for missing artist, title, album,
// band and track are applied to `song`. A record written counts as added (and the song count is
// shown anew) or updated; a failed statement is reported and counts as neither.
void InsertSongRecord(ProgramState& state, const TagComponent& tags, const QString& fileName, SongFields& song,
                      const QString& highText, const QString& lowText);
void UpdateSongRecord(ProgramState& state, const TagComponent& tags, const QString& fileName, SongFields& song,
                      const QString& highText, const QString& lowText);

// The statements the two writers run, for a song whose defaults are applied.
QString insertSongStatement(const QString& table, const QString& fileName, const SongFields& song, int seconds,
                            const QString& highText, const QString& lowText, const QDateTime& now);
QString updateSongStatement(const QString& table, const QString& fileName, const SongFields& song, int seconds,
                            const QString& highText, const QString& lowText, const QDateTime& now);

// Shows that the file is already in the library: the song details are hidden.
void ShowSongAlreadyInLibrary(ProgramState& state);

// Minutes and seconds ("4:05"), with the hours in front from one hour on ("1:05:30"); empty for
// no length.
QString FormatDuration(int seconds);
// The Duration column: the duration text, "0:00" for no length.
QString recordDuration(int seconds);
// The song length in whole seconds: the file's headers, or a walk over its frames when they give 0.
int ResolveSongLength(const TagComponent& tags);

}  // namespace orv

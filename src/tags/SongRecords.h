#pragma once

#include "tags/SongFields.h"

#include "store/Database.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <utility>
#include <vector>

namespace orv {

struct ProgramState;
class TagComponent;

// A song record made ready to be written: the statement, and whether it adds a record or rewrites
// the file's record.
struct SongRecordWrite {
    BoundStatement statement;
    bool added = false;
};
// Makes the song record of a file in the current Music Library ready, for a song whose length in
// whole seconds is known: the defaults for missing artist, title, album, band and track are applied
// to `song`, and the window says that the library is being updated.
SongRecordWrite songRecordWrite(ProgramState& state, bool added, int seconds, const QString& fileName, SongFields& song,
                                const QString& highText, const QString& lowText);
// Writes it. A record written counts as added (and the song count is shown anew) or updated, and
// gives true; a failed statement is reported and counts as neither.
bool WriteSongRecord(ProgramState& state, SongRecordWrite write);

// Add or rewrite the song record of a file, both steps at once. The tag component is open on the
// file and gives the song length.
void InsertSongRecord(ProgramState& state, const TagComponent& tags, const QString& fileName, SongFields& song,
                      const QString& highText, const QString& lowText);
void UpdateSongRecord(ProgramState& state, const TagComponent& tags, const QString& fileName, SongFields& song,
                      const QString& highText, const QString& lowText);

// The statements the two writers run, for a song whose defaults are applied, with their values
// bound.
BoundStatement insertSongStatement(const QString& table, const QString& fileName, const SongFields& song, int seconds,
                                   const QString& highText, const QString& lowText, const QDateTime& now);
BoundStatement updateSongStatement(const QString& table, const QString& fileName, const SongFields& song, int seconds,
                                   const QString& highText, const QString& lowText, const QDateTime& now);

// The pieces the song record statements share. A record's columns with their values, in order:
using RecordValues = std::vector<std::pair<const char*, QVariant>>;
// "INSERT INTO table (columns) VALUES (...)", and "UPDATE table SET ... WHERE FileName=" the file.
BoundStatement songInsertStatement(const QString& table, const RecordValues& values);
BoundStatement songUpdateStatement(const QString& table, const RecordValues& values, const QString& fileName);
// A text value, its blanks at both ends trimmed.
QVariant recordText(const QString& text);
// A comment: what fits in 254 characters once its quotes are doubled, as the Jet statements kept it
// (half of a character is dropped, and a quote whose double would not fit).
QVariant recordComment(const QString& text);
// The date, and the date and time, as the records hold them.
QVariant recordDate(const QDateTime& now);
QVariant recordDateTime(const QDateTime& now);
// A whole number; the leading number of a text (the insert's track), whole when it is one.
QVariant recordNumber(qint64 number);
QVariant recordLeadingNumber(const QString& text);
// The local time for the records being written now, to the second (the records hold no finer
// part): read from the system at most once a second on each thread, and counted on by a monotonic
// clock in between.
QDateTime recordTime();
// The defaults for what the tags left blank: "Unknown Artist", "Unknown Title", "Unknown Album",
// "Unknown Band", and track "0"; then every text trimmed and cut to the width of its column.
void applySongDefaults(SongFields& song);

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

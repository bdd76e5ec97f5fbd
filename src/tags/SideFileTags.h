#pragma once

#include "store/Database.h"
#include "tags/SongFields.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

namespace orv {

// What a ".tag" side file says about the media file beside it: the song fields (the year as both
// song and CD year, the decade from it) and the length as its Seconds and Duration texts.
struct SideFileSong {
    SongFields song;
    QString seconds;
    QString duration;
};

// The side file of a media file: its full name with ".tag" appended.
QString sideFilePath(const QString& mediaFile);

// Reads a side file's song: its text (UTF-8 when it is UTF-8, else single-byte) with every "&"
// written as "&amp;", parsed as XML; the root's child elements give the fields by their exact
// names, the later of two winning. Nothing, with `problem` saying why, when the side file cannot be
// read, is larger than 1 MiB, is empty, holds a NUL (UTF-16 text does), is not well-formed XML or is
// nested deeper than 64 levels.
std::optional<SideFileSong> readSideFile(const QString& sideFile, QString* problem = nullptr);
std::optional<SideFileSong> parseSideFile(const QByteArray& contents, QString* problem = nullptr);

// The song length in whole seconds the Seconds text gives (halves to even); 0 when it is no number.
int sideFileSeconds(const QString& seconds);

// The statements that add and rewrite a side-file song's record, for a song whose defaults are
// applied (applySongDefaults). Rating, Compilation and HasLyrics stay empty.
BoundStatement insertSideFileStatement(const QString& table, const QString& mediaFile, const SideFileSong& side,
                                       const QString& lowText, const QString& highText, const QDateTime& now);
BoundStatement updateSideFileStatement(const QString& table, const QString& mediaFile, const SideFileSong& side,
                                       const QString& lowText, const QString& highText, const QDateTime& now);

}  // namespace orv

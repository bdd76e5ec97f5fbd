#pragma once

#include <QString>

namespace orv {

// The text values the tag readers fill for one file and the record writers store; empty when
// unknown. Title, Artist, Album and Band may also be Null (no value at all), which counts as empty.
struct SongFields {
    QString Title;
    QString Artist;
    QString Album;
    QString Band;
    QString SongYear;
    QString CDYear;
    QString Track;
    QString Lyrics;
    QString Genre;
    QString Rating;
    QString CommentTitle;
    QString CommentText;
    QString SongDecade;
    QString Compilation;
};

}  // namespace orv

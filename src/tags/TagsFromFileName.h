#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace orv {

struct ProgramState;

// One placeholder of the blank-tag pattern: where it stands in the pattern, the field it fills
// ("Artist", "Title", "Album" or "Track"), and the text that ends it in a path.
struct PlaceholderRow {
    qsizetype position = 0;
    QString field;
    QString separator;
};

// What the blank-tag pattern takes from a file's path; a field the pattern does not name is empty.
struct PathTags {
    QString artist;
    QString album;
    QString title;
    QString track;
};

// The fields the pattern gives for the file's path, as TagFromFilename takes them (a track of 255
// is 0); nothing when the pattern is empty or the path does not match it.
std::optional<PathTags> TagsFromPath(const QString& fileName, const QString& pattern);

// Orders the rows by their position in the pattern.
void SortPlaceholders(std::vector<PlaceholderRow>& rows);

// With UpdateBlankTags on, fills what is empty of artist, title and album from the file's path
// by the blank-tag pattern; the track only when all three were empty. Everything the path gives
// is also written into the file's tags; a failed write throws (see TagFromFilename).
void FillBlankTagsFromFileName(ProgramState& state, const QString& fileName, QString& artist, QString& title,
                               QString& album, QString& track);

// Parses the file's path by the blank-tag pattern (BlankTagFormat), sets the fields the pattern
// names, and writes those that are not empty into the file's ID3v1 and ID3v2 tags. A path that
// does not match the pattern, or that has fewer folders than the pattern asks for, sets nothing
// and writes nothing; a file that cannot be read as MPEG audio gets nothing written. A track that
// is no ID3v1 track byte goes into TRCK only. Both tags are written in one write: when it fails, a
// RuntimeError is thrown after the fields were set, and the file is as it was.
void TagFromFilename(ProgramState& state, const QString& fileName, QString& artist, QString& title, QString& album,
                     QString& track);

}  // namespace orv

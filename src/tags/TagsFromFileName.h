#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace orv {

struct ProgramState;
struct SongFields;
class TagComponent;

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
std::optional<PathTags> tagsFromPath(const QString& fileName, const QString& pattern);

// Orders the rows by their position in the pattern.
void SortPlaceholders(std::vector<PlaceholderRow>& rows);

// With UpdateBlankTags on, fills what is empty of the song's artist, title and album from the file's
// path by the blank-tag pattern; the track only when all three were empty; an empty band takes the
// artist found. What it fills is also set in the component's ID3v1 and ID3v2 tags (TPE2 only where
// the band was empty), for the caller's one write of the file: the fields the song already had are
// neither changed nor written over.
void FillBlankTagsFromFileName(ProgramState& state, TagComponent& tags, SongFields& song);
// The same fill for a file that keeps its own tags (FLAC, Ogg, Opus, M4A, ...): only the song's
// fields get what the path gives, nothing is written into the file.
void fillBlankFieldsFromFileName(ProgramState& state, const QString& fileName, SongFields& song);

// Parses the file's path by the blank-tag pattern (BlankTagFormat), as tagsFromPath does, and sets
// the four fields (those the pattern does not name become empty). A path that does not match the
// pattern, or that has fewer folders than the pattern asks for, sets nothing: false.
bool TagFromFilename(ProgramState& state, const QString& fileName, QString& artist, QString& title, QString& album,
                     QString& track);

}  // namespace orv

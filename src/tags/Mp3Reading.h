#pragma once

#include "tags/SongFields.h"

#include <QString>
#include <optional>

namespace orv {

struct ProgramState;
class TagComponent;

// The song fields that the tags of the MP3 file open in the component hold: the ID3v2 frames (the
// ID3v1 tag filling what they leave blank) or, without an ID3v2 tag, the ID3v1 tag. It reads the
// component and nothing else, so any thread may call it for a component of its own.
SongFields readMp3Tags(const TagComponent& tags);

// Reads the song fields of the MP3 file open in the tag component as a build does: readMp3Tags (or
// what it gave for this component already, `tagsRead`), then fills blank artist, title and album
// from the path when that option is on (set in the component, for the caller's one write).
void readMp3SongFields(ProgramState& state, TagComponent& tags, SongFields& song,
                       std::optional<SongFields> tagsRead = std::nullopt);

}  // namespace orv

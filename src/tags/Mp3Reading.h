#pragma once

#include "tags/SongFields.h"

#include <QString>

namespace orv {

struct ProgramState;
class TagComponent;

// Reads the song fields of the MP3 file open in the tag component as a build does: takes the ID3v2
// frames (the ID3v1 tag filling what they leave blank) or, without an ID3v2 tag, the ID3v1 tag,
// then fills blank artist, title and album from the path when that option is on (which may write
// them into the file, through a component of its own).
void readMp3SongFields(ProgramState& state, const TagComponent& tags, SongFields& song);

}  // namespace orv

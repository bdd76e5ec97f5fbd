#pragma once

#include "tags/SongFields.h"

#include <QString>

namespace orv {

struct ProgramState;
class TagComponent;

// Reads an MP3 file's song fields as a build does: opens it in the tag component, takes the ID3v2
// frames (the ID3v1 tag filling what they leave blank) or, without an ID3v2 tag, the ID3v1 tag,
// then fills blank artist, title and album from the path when that option is on. False, with
// nothing read, when the file cannot be read as MPEG audio.
bool readMp3SongFields(ProgramState& state, TagComponent& tags, const QString& fileName, SongFields& song);

}  // namespace orv

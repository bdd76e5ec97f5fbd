#pragma once

#include <QString>

namespace orv {

struct ProgramState;

// The folder watch at start-up: compares the MP3 files under the music folder with the signature
// the last run stored (their count and the sums of their last-write times), stores the new
// signature at once, and when they differ offers to update the Music Library, which then runs
// here. Not watched: a signature of no songs or a zero total (a fresh program folder). Returns the
// walk's result, false when the watch stopped before it. The folder is taken by value: the
// update it may start reads the program's own copy of the music folder again.
bool WatchForMP3s(ProgramState& state, QString musicPath);

}  // namespace orv

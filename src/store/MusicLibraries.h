#pragma once

#include <QString>

namespace orv {

struct ProgramState;

// The number of rows of the current library, shown in "lblSongCount". No library database
// answer counts 0; a library table that cannot be read throws to the caller.
int RefreshSongCount(ProgramState& state);

}  // namespace orv

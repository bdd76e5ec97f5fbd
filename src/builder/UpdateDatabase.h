#pragma once

#include "builder/BuildOptions.h"

namespace orv {

struct ProgramState;

// How a build run ended, and what it did.
struct BuildSummary {
    enum class End { NotStarted, Completed, Cancelled, Failed };
    End end = End::NotStarted;
    int added = 0;
    int updated = 0;
    int orphaned = 0;
    qint64 unchanged = 0;
    int skipped = 0;        // files left out, each named on the front end and in the log
    int unwrittenTags = 0;  // files whose tags could not be written (their records were)
    double seconds = 0;
};

// Builds or updates the current Music Library from the Music Path: every media file under it is
// taken on (unchanged files passed over by their stamps, changed ones rewritten, new ones added),
// then the records whose files vanished are removed, the log is finished, the databases are
// compacted and the folder's signature is stored for the watch. Checks that fail show their
// message and change nothing; Cancel ends the walk after the current file; a run already going
// is not joined.
BuildSummary UpdateDatabase(ProgramState& state, const BuildOptions& options);

// Gives the main window back after a cancelled run: the song count and build button, the log,
// the locked controls, the options, and the Close button.
void restoreWindowAfterCancel(ProgramState& state);

}  // namespace orv

#pragma once

#include <QString>

namespace orv {

struct ProgramState;

// Compacts the main, settings and libraries databases, in that order, each in place (the engine's
// VACUUM, crash-safe through its journal): a crash leaves the database whole, and the connections
// other programs hold to it (the player's) stay valid. A leftover temporary file of an older
// compaction (the database's path + "2") is removed first. A database that another connection is
// reading or writing, that may not be written, or that cannot be compacted is left as it was.
// With `onlyWithFreePages` (a build's end), a database with no free pages is left as it is too:
// compacting it would rewrite the whole file and give nothing back.
void CompactDatabases(ProgramState& state, bool onlyWithFreePages = false);

// Compacts one database file; false when it was left as it was. With `onlyWithFreePages`, a
// database without free pages is left as it is.
bool compactDatabase(const QString& path, bool onlyWithFreePages = false);

}  // namespace orv

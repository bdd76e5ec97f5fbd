#pragma once

#include <QString>

namespace orv {

struct ProgramState;

// Compacts the main, settings and libraries databases, in that order. A leftover temporary
// file (the database's path + "2") is removed first. The compacted copy replaces the
// database in one atomic rename, so a crash leaves the old file or the new one; a file that
// a connection of this program still holds, or that cannot be compacted, is left as it was.
void CompactDatabases(ProgramState& state);

// Compacts one database file; false when it was left as it was.
bool compactDatabase(const QString& path);

}  // namespace orv

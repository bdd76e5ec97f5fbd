#pragma once

namespace orv {

// Some libraries take about as long to load as everything else a command loads, and most commands
// never use them. The programs reach each of them through a module of their own beside them, which
// they load only when that library is first needed.
//
// The function `entry` of the module `module` (a file name such as "liborvella-images.so"), found
// where the programs' run path says: beside them. Throws RuntimeError naming the module, what it
// holds (e.g. "image library") and why, when either cannot be found.
void* moduleEntry(const char* module, const char* entry, const char* holds);

}  // namespace orv

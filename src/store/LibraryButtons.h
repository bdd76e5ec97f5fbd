#pragma once

#include "store/MusicLibraries.h"

#include <QString>
#include <optional>

namespace orv {

struct ProgramState;

// The titles of the messages that tell a library was created or deleted.
inline const QString kLibraryCreatedTitle = QStringLiteral("Music Library Created");
inline const QString kLibraryDeletedTitle = QStringLiteral("Music Library Deleted");

// What a library button leaves for the window.
struct LibraryButtonResult {
    bool done = false;                          // the library was created or deleted
    std::optional<MusicLibraryList> libraries;  // the library box's new contents, when it changes
};

// The New button: asks for the name through the front end, then as newMusicLibraryNamed.
LibraryButtonResult newMusicLibrary(ProgramState& state);
// The New button with the typed answer: blanks become "_"; an empty name does nothing. Shows
// "Music Library Created" (and the refilled box selects the new library) or "Music Library NOT
// Created".
LibraryButtonResult newMusicLibraryNamed(ProgramState& state, const QString& typed);

// The Delete button on the selected entry of a box holding `entryCount` entries: refuses the
// only library, asks first, drops, compacts and refills the box.
LibraryButtonResult deleteMusicLibrary(ProgramState& state, const QString& selected, int entryCount);

// The Clear button on the selected entry: needs data-access version 2.70, asks first, deletes
// every record, shows the new count and compacts (only then: no change, no compaction). True when
// the records were deleted.
bool clearMusicLibrary(ProgramState& state, const QString& selected);

// A selection in the library box: the entry becomes CurrentMusicLibrary; outside start-up its
// count is shown (or, when it cannot be counted, the saving buttons are disabled).
void selectMusicLibrary(ProgramState& state, const QString& entry);

}  // namespace orv

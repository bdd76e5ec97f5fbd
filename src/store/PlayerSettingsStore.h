#pragma once

#include "core/PlayerSettings.h"

#include <QString>

namespace orv {

struct ProgramState;

// The "Now Playing" seconds of a text: its whole value when it is a number that fits, else 30.
qint16 nowPlayingSecondsValue(const QString& text);

// Reads every setting the main window shows into the program-wide copies. A Boolean setting
// that is empty or not convertible keeps the copy's previous value; "NowPlayingSeconds" that
// is not a number reads 30, "AlbumCoverMode" 0.
void readPlayerSettings(ProgramState& state);

// Saves all settings from the program-wide copies, each step's failure passed over: trailing
// separators on MusicPath and ImagesPath; "BlankTagFormat" when blank tags are updated;
// "WatchFolders", "CurrentMusicLibrary", "UseSkins" ("True"), "ActiveSkin" as read, "MusicPath"
// (the music folder box's text), the player settings in their order, "Password" and "Password1"
// to "Password12"; then the databases are compacted. "ImagesPath" is never written. True when
// every setting was stored.
bool saveAllSettings(ProgramState& state, const QString& musicPathText);

}  // namespace orv

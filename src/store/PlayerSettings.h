#pragma once

#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

namespace orv {

struct ProgramState;

// The program-wide copies of the player's settings that the main window edits. The ones start-up
// also needs (MusicPath, ImagesPath, ActiveSkin, CurrentMusicLibrary, WatchFolders,
// AutoCheckNewVersion, UpdateBlankTags, BlankTagFormat) are ProgramState's own members.
struct PlayerSettings {
    // Saved at once by their check boxes.
    bool AutoLaunch = false;
    bool DownloadCoverArt = false;
    bool CreateLog = false;
    bool NowPlayingScreen = false;
    bool ShowOptionsButton = false;

    // Saved with all settings.
    qint16 NowPlayingSeconds = 0;
    bool ListByTrack = false;  // cmdByTrack pressed; cmdAlpha otherwise
    bool Touchscreen = false;
    bool ShowAlbumCoverFrames = false;
    bool ShowToolTips = false;
    bool UseAllCaps = false;
    bool OneClickPlay = false;
    // No control edits these two: they are written back as they were read, and not at all
    // when they could not be read.
    std::optional<bool> Prefetch;
    std::optional<bool> FullScreen;
    bool EraseHistory = false;
    bool MouseOverSound = false;
    bool MouseClickSound = false;
    bool AllowRepeats = false;
    qint16 AlbumCoverMode = 0;  // 0 to 3
    QString AlbumCoverFileName;  // without folder and ".jpg"; empty when covers are named after their album
    bool AlbumCoverViewOnStartup = false;
    bool AutoRandomOnStartup = false;
    bool ExtractEmbeddedImages = false;
    QString Password;  // empty: no protection
    std::array<bool, 12> PasswordFlags{};  // "Password1" to "Password12" (chkPassword 1 to 12)

    bool operator==(const PlayerSettings&) const = default;
};

// The "Now Playing" seconds of a text: its whole value when it is a number that fits, else 30.
qint16 NowPlayingSecondsValue(const QString& text);

// Reads every setting the main window shows into the program-wide copies. A Boolean setting
// that is empty or not convertible keeps the copy's previous value; "NowPlayingSeconds" that
// is not a number reads 30, "AlbumCoverMode" 0.
void ReadPlayerSettings(ProgramState& state);

// Saves all settings from the program-wide copies, each step's failure passed over: trailing
// separators on MusicPath and ImagesPath; "BlankTagFormat" when blank tags are updated;
// "WatchFolders", "CurrentMusicLibrary", "UseSkins" ("True"), "ActiveSkin" as read, "MusicPath"
// (the music folder box's text), the player settings in their order, "Password" and "Password1"
// to "Password12"; then the databases are compacted. "ImagesPath" is never written.
void SaveAllSettings(ProgramState& state, const QString& musicPathText);

}  // namespace orv

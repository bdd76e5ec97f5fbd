#pragma once

#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

namespace orv {

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
    // "LogType": "XML" for an XML log, anything else a text log. Saved when lstLogType changes.
    QString LogType;

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
    qint16 AlbumCoverMode = 0;   // 0 to 3
    QString AlbumCoverFileName;  // without folder and ".jpg"; empty when covers are named after their album
    bool AlbumCoverViewOnStartup = false;
    bool AutoRandomOnStartup = false;
    bool ExtractEmbeddedImages = false;
    QString Password;                      // empty: no protection
    std::array<bool, 12> passwordFlags{};  // "Password1" to "Password12" (chkPassword 1 to 12)

    bool operator==(const PlayerSettings&) const = default;
};

}  // namespace orv

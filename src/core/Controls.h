#pragma once

#include <QList>

namespace orv {

// The main window's controls that the core names through the front end. The window holds their
// object names in one table (app/ControlNames.h).
enum class Control {
    frmStartUp,
    cmdDatabase,
    cmdOK,
    cmdCancel,
    cmdHelp,
    cmdLaunch,
    cmdBrowse,
    cmdClear,
    cmdNewLibrary,
    cmdDeleteLibrary,
    cmdViewLogFile,
    txtMusic,
    cboMusicLibrary,
    chkLogFile,
    lstLogType,
    lstFrames,
    chkAutoLaunch,
    fraBuild,
    fraBuildOptions,
    // What a build run shows in place of the build options: the current file, the song details and
    // the counts.
    fraBuildProgress,
    lblSongCount,
    lblDownloadStatus,
    lblBuildFile,
    lblCurrentFile,
    lblArtist,
    lblAlbum,
    lblTitle,
    lblBuildArtist,
    lblBuildAlbum,
    lblBuildTitle,
    lblAutoLaunch,
    // The build run's counts.
    lblBuildCount,
    imgBuildAlbumCover,
    wbAlbumCoverLarge,
    wbAlbumCoverMedium,
    wbAlbumCoverSmall,
    lblCreatingPlaylist,
    cmdArtistPlaylists,
    cmbPlaylistFormat,
    chkOverwritePlaylists,
};
inline constexpr int kControlCount = static_cast<int>(Control::chkOverwritePlaylists) + 1;

using Controls = QList<Control>;

// The controls that could start other work while a long run (a build, a carry-over) goes on: locked
// at its start and unlocked at its end.
inline const Controls& longRunLockedControls() {
    static const Controls controls{Control::cmdDatabase,      Control::cmdHelp,       Control::cmdBrowse,
                                   Control::cmdDeleteLibrary, Control::txtMusic,      Control::cboMusicLibrary,
                                   Control::cmdClear,         Control::cmdNewLibrary, Control::chkLogFile,
                                   Control::lstLogType,       Control::lstFrames};
    return controls;
}

// Locked too during a long run, but enabled after it only when the library has songs.
inline const Controls& songCountControls() {
    static const Controls controls{Control::cmdLaunch, Control::cmdOK};
    return controls;
}

// The controls of the Playlists panel that start or shape the writing of playlists.
inline const Controls& playlistControls() {
    static const Controls controls{Control::cmdArtistPlaylists, Control::cmbPlaylistFormat,
                                   Control::chkOverwritePlaylists};
    return controls;
}

// The six labels of the song details on the build panel: the captions and values of artist, album
// and title.
inline const Controls& songDetailLabels() {
    static const Controls labels{Control::lblArtist,     Control::lblBuildArtist, Control::lblAlbum,
                                 Control::lblBuildAlbum, Control::lblTitle,       Control::lblBuildTitle};
    return labels;
}

}  // namespace orv

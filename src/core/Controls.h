#pragma once

#include <QString>
#include <QStringList>

namespace orv {

// The main window's controls that the core names through the front end, by the names the window
// gives them.
namespace Control {
inline const QString frmStartUp = QStringLiteral("frmStartUp");
inline const QString cmdDatabase = QStringLiteral("cmdDatabase");
inline const QString cmdOK = QStringLiteral("cmdOK");
inline const QString cmdCancel = QStringLiteral("cmdCancel");
inline const QString cmdHelp = QStringLiteral("cmdHelp");
inline const QString cmdLaunch = QStringLiteral("cmdLaunch");
inline const QString cmdBrowse = QStringLiteral("cmdBrowse");
inline const QString cmdClear = QStringLiteral("cmdClear");
inline const QString cmdNewLibrary = QStringLiteral("cmdNewLibrary");
inline const QString cmdDeleteLibrary = QStringLiteral("cmdDeleteLibrary");
inline const QString cmdViewLogFile = QStringLiteral("cmdViewLogFile");
inline const QString txtMusic = QStringLiteral("txtMusic");
inline const QString cboMusicLibrary = QStringLiteral("cboMusicLibrary");
inline const QString chkLogFile = QStringLiteral("chkLogFile");
inline const QString lstLogType = QStringLiteral("lstLogType");
inline const QString lstFrames = QStringLiteral("lstFrames");
inline const QString chkAutoLaunch = QStringLiteral("chkAutoLaunch");
inline const QString fraBuild = QStringLiteral("fraBuild");
inline const QString fraBuildOptions = QStringLiteral("fraBuildOptions");
// What a build run shows in place of the build options: the current file, the song details, the
// counts and a busy bar.
inline const QString fraBuildProgress = QStringLiteral("fraBuildProgress");
inline const QString lblSongCount = QStringLiteral("lblSongCount");
inline const QString lblDownloadStatus = QStringLiteral("lblDownloadStatus");
inline const QString lblBuildFile = QStringLiteral("lblBuildFile");
inline const QString lblCurrentFile = QStringLiteral("lblCurrentFile");
inline const QString lblArtist = QStringLiteral("lblArtist");
inline const QString lblAlbum = QStringLiteral("lblAlbum");
inline const QString lblTitle = QStringLiteral("lblTitle");
inline const QString lblBuildArtist = QStringLiteral("lblBuildArtist");
inline const QString lblBuildAlbum = QStringLiteral("lblBuildAlbum");
inline const QString lblBuildTitle = QStringLiteral("lblBuildTitle");
inline const QString lblAutoLaunch = QStringLiteral("lblAutoLaunch");
// The build run's counts.
inline const QString lblBuildCount = QStringLiteral("lblBuildCount");
inline const QString imgBuildAlbumCover = QStringLiteral("imgBuildAlbumCover");
inline const QString wbAlbumCoverLarge = QStringLiteral("wbAlbumCoverLarge");
inline const QString wbAlbumCoverMedium = QStringLiteral("wbAlbumCoverMedium");
inline const QString wbAlbumCoverSmall = QStringLiteral("wbAlbumCoverSmall");
inline const QString lblCreatingPlaylist = QStringLiteral("lblCreatingPlaylist");
inline const QString cmdArtistPlaylists = QStringLiteral("cmdArtistPlaylists");
inline const QString cmbPlaylistFormat = QStringLiteral("cmbPlaylistFormat");
inline const QString chkOverwritePlaylists = QStringLiteral("chkOverwritePlaylists");
}  // namespace Control

// The controls that could start other work while a long run (a build, a carry-over) goes on: locked
// at its start and unlocked at its end.
inline const QStringList& longRunLockedControls() {
    static const QStringList controls{Control::cmdDatabase,      Control::cmdHelp,       Control::cmdBrowse,
                                      Control::cmdDeleteLibrary, Control::txtMusic,      Control::cboMusicLibrary,
                                      Control::cmdClear,         Control::cmdNewLibrary, Control::chkLogFile,
                                      Control::lstLogType,       Control::lstFrames};
    return controls;
}

// Locked too during a long run, but enabled after it only when the library has songs.
inline const QStringList& songCountControls() {
    static const QStringList controls{Control::cmdLaunch, Control::cmdOK};
    return controls;
}

// The controls of the Playlists panel that start or shape the writing of playlists.
inline const QStringList& playlistControls() {
    static const QStringList controls{Control::cmdArtistPlaylists, Control::cmbPlaylistFormat,
                                      Control::chkOverwritePlaylists};
    return controls;
}

// The six labels of the song details on the build panel: the captions and values of artist, album
// and title.
inline const QStringList& songDetailLabels() {
    static const QStringList labels{Control::lblArtist,     Control::lblBuildArtist, Control::lblAlbum,
                                    Control::lblBuildAlbum, Control::lblTitle,       Control::lblBuildTitle};
    return labels;
}

}  // namespace orv

#include "app/ControlNames.h"

#include <array>

namespace orv {

const QString& controlName(Control control) {
    static const std::array<QString, kControlCount> names{
        QStringLiteral("frmStartUp"),
        QStringLiteral("cmdDatabase"),
        QStringLiteral("cmdOK"),
        QStringLiteral("cmdCancel"),
        QStringLiteral("cmdHelp"),
        QStringLiteral("cmdLaunch"),
        QStringLiteral("cmdBrowse"),
        QStringLiteral("cmdClear"),
        QStringLiteral("cmdNewLibrary"),
        QStringLiteral("cmdDeleteLibrary"),
        QStringLiteral("cmdViewLogFile"),
        QStringLiteral("txtMusic"),
        QStringLiteral("cboMusicLibrary"),
        QStringLiteral("chkLogFile"),
        QStringLiteral("lstLogType"),
        QStringLiteral("lstFrames"),
        QStringLiteral("chkAutoLaunch"),
        QStringLiteral("fraBuild"),
        QStringLiteral("fraBuildOptions"),
        QStringLiteral("fraBuildProgress"),
        QStringLiteral("lblSongCount"),
        QStringLiteral("lblDownloadStatus"),
        QStringLiteral("lblBuildFile"),
        QStringLiteral("lblCurrentFile"),
        QStringLiteral("lblArtist"),
        QStringLiteral("lblAlbum"),
        QStringLiteral("lblTitle"),
        QStringLiteral("lblBuildArtist"),
        QStringLiteral("lblBuildAlbum"),
        QStringLiteral("lblBuildTitle"),
        QStringLiteral("lblAutoLaunch"),
        QStringLiteral("lblBuildCount"),
        QStringLiteral("imgBuildAlbumCover"),
        QStringLiteral("wbAlbumCoverLarge"),
        QStringLiteral("wbAlbumCoverMedium"),
        QStringLiteral("wbAlbumCoverSmall"),
        QStringLiteral("lblCreatingPlaylist"),
        QStringLiteral("cmdArtistPlaylists"),
        QStringLiteral("cmbPlaylistFormat"),
        QStringLiteral("chkOverwritePlaylists"),
    };
    return names[static_cast<std::size_t>(control)];
}

}  // namespace orv

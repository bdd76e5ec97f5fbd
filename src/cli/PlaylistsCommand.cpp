#include "cli/Commands.h"
#include "core/Controls.h"
#include "core/ProgramState.h"
#include "playlists/ArtistPlaylists.h"
#include "store/MusicLibraries.h"

namespace orv {

int runPlaylists(Command& c) {
    QString library;
    PlaylistOptions options{.format = QStringLiteral("b4s"), .overwrite = false};
    for (qsizetype i = 0; i < c.args.size(); ++i) {
        const QString& argument = c.args[i];
        const bool valued = i + 1 < c.args.size();
        if (argument == QLatin1String("--library") && valued && !c.args[i + 1].isEmpty()) {
            library = c.args[++i];
        } else if (argument == QLatin1String("--format") && valued &&
                   (c.args[i + 1] == QLatin1String("m3u") || c.args[i + 1] == QLatin1String("b4s"))) {
            options.format = c.args[++i];
        } else if (argument == QLatin1String("--overwrite")) {
            options.overwrite = true;
        } else {
            throw UsageError();
        }
    }
    c.state.CurrentMusicLibrary = listedLibrary(c, library.isEmpty() ? currentMusicLibrarySetting(c.state) : library);
    if (c.state.CurrentMusicLibrary.isEmpty()) return 1;
    c.ui.printCaptions(Control::lblCreatingPlaylist, c.out);
    createArtistPlaylists(c.state, options);
    return c.status();
}

}  // namespace orv

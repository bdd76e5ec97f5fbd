#include "builder/BuildOptions.h"

#include "core/ProgramState.h"
#include "store/LibrarySchema.h"
#include "store/PlayerSettingsStore.h"
#include "store/ProgramFolder.h"
#include "store/Settings.h"

namespace orv {

BuildOptions buildOptionsFromSettings(ProgramState& state) {
    readStartUpPaths(state);
    readPlayerSettings(state);
    BuildOptions options;
    options.musicPath = state.MusicPath;
    options.library = GetSetting(state, QStringLiteral("CurrentMusicLibrary"));
    if (options.library.isEmpty()) options.library = kFirstMusicLibrary;
    options.logEnabled = state.player.CreateLog;
    options.logIsXml = false;
    options.updateBlankTags = state.UpdateBlankTags;
    options.blankTagFormat = state.BlankTagFormat;
    options.downloadCoverArt = state.player.DownloadCoverArt;
    options.extractEmbeddedImages = state.player.ExtractEmbeddedImages;
    options.autoLaunch = state.player.AutoLaunch;
    return options;
}

}  // namespace orv

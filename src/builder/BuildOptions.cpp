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
    // The folder as stored, on first use too: the drive root that the main window then offers is
    // there for the user to see and change, and a run that nobody watches must not take it.
    options.musicPath = storedMusicPath(state);
    options.library = GetSetting(state, QStringLiteral("CurrentMusicLibrary"));
    if (options.library.isEmpty()) options.library = kFirstMusicLibrary;
    options.logEnabled = state.player.CreateLog;
    options.logIsXml = isXmlLogType(state.player.LogType);
    options.updateBlankTags = state.UpdateBlankTags;
    options.blankTagFormat = state.BlankTagFormat;
    options.downloadCoverArt = state.player.DownloadCoverArt;
    options.extractEmbeddedImages = state.player.ExtractEmbeddedImages;
    options.autoLaunch = state.player.AutoLaunch;
    options.extraMediaTypes = mediaTypesOf(state.ExtraMediaTypes);
    return options;
}

QStringList mediaTypesOf(const QString& text) {
    QStringList types;
    for (QString type : text.split(QLatin1Char(';'))) {
        type = type.trimmed().toLower();
        if (type.startsWith(QLatin1Char('*'))) type.remove(0, 1);
        if (type.startsWith(QLatin1Char('.'))) type.remove(0, 1);
        if (!type.isEmpty() && !types.contains(type)) types << type;
    }
    return types;
}

}  // namespace orv

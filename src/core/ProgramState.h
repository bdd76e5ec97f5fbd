#pragma once

#include "core/Version.h"
#include "store/PlayerSettings.h"

#include <QString>
#include <functional>
#include <map>
#include <memory>

namespace orv {

class FrontEnd;
class Connection;

// Everything that is program-wide: paths, flags, counters, the shared connection.
// Procedures take it by reference; a test builds its own over a temporary program folder.
struct ProgramState {
    // Where the program lives; the databases, skins, images and playlists are beside it.
    QString ProgramFolder;
    ProgramVersion Version = CurrentVersion;

    QString DriveRoot;
    QString MainDatabasePath;
    QString SettingsDatabasePath;
    QString LibrariesDatabasePath;
    QString OldLibrariesDatabasePath;

    QString MusicPath;
    QString ImagesPath;
    QString ActiveSkin;
    QString CurrentMusicLibrary;
    QString StartTime;

    QString ErrorModuleName;
    QString ErrorProcName;

    bool StartingUp = false;
    bool BuildRunning = false;
    bool CloseRequested = false;
    bool WatchPromptShowing = false;
    bool InternetConnected = false;
    bool AutoCheckNewVersion = false;
    bool WatchFolders = false;
    bool StyledCaptionFlag = false;

    int MessageAnswer = 7;

    // The player's settings as the main window edits them (ReadPlayerSettings, SaveAllSettings).
    PlayerSettings Player;

    // The build options of the Music Libraries panel: chkBlankTags, and the text of
    // txtBlankTagFormat as the window holds it.
    bool UpdateBlankTags = false;
    QString BlankTagFormat;

    // Song records added and updated during the current run.
    int AddedCount = 0;
    int UpdatedCount = 0;

    // The build run's connection to the libraries database; null outside a run.
    std::shared_ptr<Connection> SharedLibraryConnection;
    // Connections kept open between statements, by database path (see Database.h).
    std::map<QString, std::shared_ptr<Connection>> ConnectionPool;

    FrontEnd* UserInterface = nullptr;

    // Sources of facts about the machine; tests replace them.
    std::function<QString()> DataAccessVersionSource;
    std::function<bool()> InternetProbe;
};

}  // namespace orv

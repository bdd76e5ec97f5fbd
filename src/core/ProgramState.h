#pragma once

#include "core/PlayerSettings.h"
#include "core/Version.h"

#include <QDate>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace orv {

class FrontEnd;
class Connection;

// Where the program's files are: the program folder and the database paths beside it.
struct ProgramPaths {
    QString programFolder;
    QString DriveRoot;
    QString MainDatabasePath;
    QString SettingsDatabasePath;
    QString LibrariesDatabasePath;
    QString OldLibrariesDatabasePath;
};

// The program's ties to the world outside the core: the front end, the connections kept open
// between statements, and the sources of facts about the machine (tests replace them).
struct Session {
    FrontEnd* userInterface = nullptr;
    // Connections kept open between statements, by database path (see DataAccess.h).
    std::map<QString, std::shared_ptr<Connection>> connectionPool;
    // The installed data-access version; the database layer fills it in when the program folder
    // is opened.
    std::function<QString()> DataAccessVersionSource;
    std::function<bool()> internetProbe;
    // While the carry-over reads a previous libraries database that is a Jet file: the SQLite copy
    // of it that the previous-libraries selector reads instead.
    QString previousLibrariesCopy;
};

// What a long run (a build, a carry-over) shares with the window: the guards against re-entry,
// the counters and the run's own connection.
// What the cover-art steps did for a song's file.
enum class CoverArt : qint16 { ManuallyAssociated, AlreadyEmbedded, Downloaded, NotFound };

struct RunState {
    bool StartingUp = false;
    bool BuildRunning = false;
    bool CloseRequested = false;
    bool WatchPromptShowing = false;

    // Song records added, updated and removed (their files had vanished) during the current run.
    int AddedCount = 0;
    int UpdatedCount = 0;
    int OrphanedCount = 0;

    // What the cover-art steps did for the current file.
    CoverArt CoverArtState = CoverArt::ManuallyAssociated;
    // The day of an earlier build's search that found nothing for the current file's album, when that
    // search is why none was made now; null otherwise.
    QDate CoverSearchedBefore;

    // The build run's connection to the libraries database; null outside a run.
    std::shared_ptr<Connection> SharedLibraryConnection;

    // The build log of the current or last run: whether there is one, its form and its file.
    bool LogEnabled = false;
    bool LogIsXml = false;
    QString LogFilePath;

    // A build run is on the call stack (Cancel may have ended BuildRunning already): no second
    // run starts meanwhile.
    bool buildInProgress = false;
    // The current library's record count while a build run keeps it, so that adding a record
    // needs no count of the table.
    std::optional<int> librarySongCount;
};

// Everything that is program-wide. Procedures take it by reference; a test builds its own over a
// temporary program folder.
struct ProgramState {
    ProgramPaths paths;
    Session session;
    RunState run;

    ProgramVersion version = CurrentVersion;

    QString MusicPath;
    QString ImagesPath;
    QString ActiveSkin;
    QString CurrentMusicLibrary;
    // When the main window was opened, as "MMMM d, yyyy @ h:mm:ss am/pm".
    QString StartTime;

    QString ErrorModuleName;
    QString ErrorProcName;

    bool InternetConnected = false;
    bool AutoCheckNewVersion = false;
    bool WatchFolders = false;

    int MessageAnswer = 7;

    // The player's settings as the main window edits them (readPlayerSettings, saveAllSettings).
    PlayerSettings player;

    // The build options of the Music Libraries panel: chkBlankTags, and the text of
    // txtBlankTagFormat as the window holds it.
    bool UpdateBlankTags = false;
    QString BlankTagFormat;
    // "ExtraMediaTypes": the extensions of other formats that a build takes too, as stored.
    QString ExtraMediaTypes;

    // The front end, or one that shows nothing and answers No when there is none.
    FrontEnd& ui() const;
};

}  // namespace orv

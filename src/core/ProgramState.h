#pragma once

#include "core/PlayerSettings.h"
#include "core/Version.h"

#include <QDate>
#include <QString>
#include <atomic>
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

// What the cover-art steps did for a song's file.
enum class CoverArt : qint16 { ManuallyAssociated, AlreadyEmbedded, Downloaded, NotFound };

// What a long run (a build, a carry-over) shares with the window: the guards against re-entry,
// the counters and the run's own connection.
//
// The flags are read by the window while a run goes on on the runner's thread (core/WorkRunner.h);
// everything else belongs to the run while it goes on.
struct RunState {
    std::atomic<bool> StartingUp = false;
    std::atomic<bool> BuildRunning = false;
    // Cancel: the run stops at its next test.
    std::atomic<bool> CloseRequested = false;
    std::atomic<bool> WatchPromptShowing = false;

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
    std::atomic<bool> buildInProgress = false;
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

    // The player's settings as the main window edits them (readPlayerSettings, saveAllSettings).
    PlayerSettings player;

    // The build options of the Music Libraries panel: chkBlankTags, and the text of
    // txtBlankTagFormat as the window holds it.
    bool UpdateBlankTags = false;
    QString BlankTagFormat;
    // "ExtraMediaTypes": the extensions of other formats that a build takes too, as stored.
    QString ExtraMediaTypes;

    // The front end of this thread (see ThreadFrontEnd), else the session's, else one that shows
    // nothing and answers No.
    FrontEnd& ui() const;
};

// While one lives, ui() on the thread that made it gives `face` instead of the session's front end:
// a run on a worker thread reaches the user through a front end that hands its calls over.
class ThreadFrontEnd {
public:
    explicit ThreadFrontEnd(FrontEnd& face);
    ~ThreadFrontEnd();
    ThreadFrontEnd(const ThreadFrontEnd&) = delete;
    ThreadFrontEnd& operator=(const ThreadFrontEnd&) = delete;

private:
    FrontEnd* previous_;
};

}  // namespace orv

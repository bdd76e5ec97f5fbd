#include "builder/UpdateDatabase.h"

#include "builder/BuildRun.h"
#include "builder/FolderReader.h"
#include "core/Controls.h"
#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "core/Text.h"
#include "errors/ErrorReport.h"
#include "store/Compaction.h"
#include "store/Database.h"
#include "store/MusicLibraries.h"
#include "store/ProgramFiles.h"
#include "store/Settings.h"

#include <QFileInfo>

namespace orv {
namespace {

const QString kModule = QStringLiteral("frmStartUp");
const QString kCouldNotLocate = QStringLiteral(
    "Orvella could not locate the Music Library specified.  Please double check that the Library Path is correct "
    "and the file exists.");

// What the user is told of a music folder the run cannot walk, naming the folder.
QString musicFolderNotFound(const QString& folder) {
    if (trimBlanks(folder).isEmpty())
        return QStringLiteral(
            "No music folder has been chosen.  Please enter the folder that holds your music in the "
            "Music Folder box, or choose it with the '...' button.");
    return QStringLiteral("Orvella could not find or read the music folder '") + folder + QStringLiteral("'.") +
           QStringLiteral("\n\n") +
           QStringLiteral(
               "Please check that the folder exists and that its drive is connected, or choose another "
               "folder in the Music Folder box.");
}

bool isReadableFolder(const QString& path) {
    return QFileInfo(path).isDir() && FolderReader(path).isOpen();
}

// The options give way to the build panel again, and the window its usual caption.
void showBuildOptions(ProgramState& state) {
    state.ui().setVisible(Control::fraBuildProgress, false);
    state.ui().setVisible(Control::fraBuildOptions, true);
    state.ui().setWindowTitle(mainWindowCaption(state.version));
}

}  // namespace

BuildSummary UpdateDatabase(ProgramState& state, const BuildOptions& options) {
    if (state.run.buildInProgress) return {};
    BuildRun run(state, options);
    return run.run();
}

void restoreWindowAfterCancel(ProgramState& state) {
    FrontEnd& ui = state.ui();
    state.run.BuildRunning = false;
    showCurrentLibraryCount(state);
    showBuildOptions(state);
    if (state.run.LogEnabled) {
        ui.showLogFile(state.run.LogFilePath);
        ui.setVisible(Control::cmdViewLogFile, true);
    }
    ui.setAllEnabled(longRunLockedControls(), true);
    ui.setCaption(Control::cmdCancel, QStringLiteral("Close"));
    ui.setCaption(Control::lblDownloadStatus, QStringLiteral("Music Library Build/Update Cancelled"));
    tryStep([&] { SaveSetting(state, QStringLiteral("InitialUse"), QStringLiteral("False")); });
}

BuildRun::BuildRun(ProgramState& state, const BuildOptions& options) : state_(state), options_(options) {
    state_.run.buildInProgress = true;
    clock_.start();
}

BuildRun::~BuildRun() {
    releaseLibrary();
    log_.reset();
    state_.run.librarySongCount.reset();
    state_.run.buildInProgress = false;
    lock_.release();
}

void BuildRun::releaseLibrary() {
    commitWrites();
    batch_.reset();
    state_.run.SharedLibraryConnection.reset();
}

void BuildRun::commitWrites() {
    flushReplacements();
    if (batch_) batch_->commit();
}

void BuildRun::flushReplacements() {
    finishFlushing();
    reportFailedReplacements(replacements_.flush());
    groupsPlaced_ = ++groupsStarted_;
    writeRecordsInTurn();
}

void BuildRun::startFlushing() {
    finishFlushing();
    ++groupsStarted_;
    flushing_ = std::async(std::launch::async,
                           [group = ReplacementGroup(std::move(replacements_))]() mutable { return group.flush(); });
}

void BuildRun::finishFlushing() {
    if (!flushing_.valid()) return;
    reportFailedReplacements(flushing_.get());
    groupsPlaced_ = groupsStarted_;
}

void BuildRun::reportFailedReplacements(const std::vector<ReplacementGroup::Failure>& failures) {
    for (const ReplacementGroup::Failure& failure : failures) noteUnwrittenTags(failure.path, failure.reason);
}

BuildSummary BuildRun::run() {
    BuildSummary summary;
    const ErrorTrap trap(state_, kModule, QStringLiteral("cmdDatabase_Click"));
    state_.run.BuildRunning = true;
    try {
        if (!checkBeforeStart()) {
            state_.run.BuildRunning = false;
            return summary;
        }
        prepareWindow();
        walkMusicPath();
        finishLog();
        setStep("22");
        const ErrorTrap closing(state_, QStringLiteral("frmSplash"), QStringLiteral("cmdDatabase_Click"));
        if (state_.run.CloseRequested) {
            releaseLibrary();
            restoreWindowAfterCancel(state_);
            summary.end = BuildSummary::End::Cancelled;
        } else {
            finishRun();
            summary.end = BuildSummary::End::Completed;
        }
    } catch (const RuntimeError& error) {
        reportFailure(error);
        summary.end = BuildSummary::End::Failed;
    }
    summary.added = state_.run.AddedCount;
    summary.updated = state_.run.UpdatedCount;
    summary.orphaned = state_.run.OrphanedCount;
    summary.unchanged = unchanged_;
    summary.skipped = skipped_;
    summary.unwrittenTags = unwrittenTags_;
    summary.seconds = static_cast<double>(clock_.elapsed()) / 1000.0;
    return summary;
}

bool BuildRun::checkBeforeStart() {
    setStep("0");
    const bool current = checkDataAccessVersion(
        state_, QStringLiteral("You will need to upgrade your version of the Microsoft Data Access Components (MDAC) "
                               "on your computer before you can Build or Update your Music Library."));
    setStep("2");
    if (!current) return false;
    setStep("3");
    state_.MusicPath = AddBackslash(options_.musicPath);
    setStep("4");
    // An empty box, or a folder that is not there (an unmounted drive), is never taken for an empty
    // music folder.
    if (trimBlanks(options_.musicPath).isEmpty() || !isReadableFolder(state_.MusicPath)) {
        showPlainMessage(state_, musicFolderNotFound(options_.musicPath), QStringLiteral("Music Folder Not Found"));
        return false;
    }
    setStep("5");
    if (state_.paths.MainDatabasePath.isEmpty()) {
        showPlainMessage(state_,
                         QStringLiteral("The Library Path has not been specified.  Please enter the location where "
                                        "your Music Library file is located in the Library Path text box."),
                         QString());
        return false;
    }
    setStep("6");
    state_.CurrentMusicLibrary = options_.library;
    // A name that is not plain is refused here, before anything is written.
    const std::optional<int> count = countRows(state_, state_.CurrentMusicLibrary, Db::Libraries);
    setStep("7");
    // Without an answer the database layer has said why.
    if (!count || !takeBuildLock()) return false;
    setStep("8");
    if (!openSharedConnection()) return false;
    // Changed and vanished files are found by name: without the index each is a pass over the table.
    ensureFilenameIndex(state_, state_.CurrentMusicLibrary);
    batch_.emplace(state_);
    library_.load(state_, *count);
    state_.run.librarySongCount = *count;
    return true;
}

// One build at a time writes the libraries database; a second one says so and does nothing.
bool BuildRun::takeBuildLock() {
    QString holder;
    if (lock_.take(state_.paths.LibrariesDatabasePath, state_.CurrentMusicLibrary, holder)) return true;
    showPlainMessage(state_,
                     QStringLiteral("A build of the Music Library ") +
                         (holder.isEmpty() ? state_.CurrentMusicLibrary : holder) +
                         QStringLiteral(" is running.  Please wait until it has finished, then try again."),
                     QStringLiteral("Build Running"));
    return false;
}

bool BuildRun::openSharedConnection() {
    setStep("9");
    const QString path = state_.paths.LibrariesDatabasePath;
    setStep("10");
    try {
        state_.run.SharedLibraryConnection = std::make_shared<Connection>(path);
        // The player reads the library while it is written: in the write-ahead log's mode neither
        // waits for the other. A database that cannot change its mode now keeps the one it has.
        tryStep([&] { state_.run.SharedLibraryConnection->query(QStringLiteral("PRAGMA journal_mode = WAL")); });
    } catch (const RuntimeError& error) {
        setStep("12");
        if (error.number() != ErrorNumber::CannotOpen) throw;
        showPlainMessage(state_, kCouldNotLocate, QString());
        state_.run.SharedLibraryConnection.reset();
        return false;
    }
    setStep("12");
    return true;
}

void BuildRun::prepareWindow() {
    FrontEnd& ui = state_.ui();
    windowChanged_ = true;
    ui.setAllEnabled(longRunLockedControls(), false);
    ui.setAllEnabled(songCountControls(), false);
    ui.setVisible(Control::cmdViewLogFile, false);
    ui.setCaption(Control::cmdCancel, QStringLiteral("Cancel"));
    state_.run.AddedCount = state_.run.UpdatedCount = state_.run.OrphanedCount = 0;

    setStep("13");
    state_.run.LogEnabled = options_.logEnabled;
    state_.run.LogIsXml = options_.logIsXml;
    state_.run.LogFilePath.clear();
    if (state_.run.LogEnabled) startLog();

    setStep("15");
    ui.setWindowTitle(QStringLiteral("Orvella Configurator - Building/Updating Music Library... "));
    ui.setCaption(Control::lblBuildFile, QStringLiteral("Current File:"));
    ui.setAllVisible(songDetailLabels(), false);
    ui.setVisible(Control::imgBuildAlbumCover, false);
    // The options go before the build panel comes, so that the window never has to hold both.
    ui.setVisible(Control::fraBuildOptions, false);
    ui.setVisible(Control::fraBuildProgress, true);
    takeOptions();
}

void BuildRun::takeOptions() {
    state_.UpdateBlankTags = options_.updateBlankTags;
    state_.BlankTagFormat = options_.blankTagFormat;
    if (options_.updateBlankTags) SaveSetting(state_, QStringLiteral("BlankTagFormat"), options_.blankTagFormat);
    state_.player.ExtractEmbeddedImages = options_.extractEmbeddedImages;

    setStep("16");
    state_.player.DownloadCoverArt = options_.downloadCoverArt;
}

void BuildRun::startLog() {
    setStep(state_.run.LogIsXml ? "14a" : "14b");
    log_ = std::make_unique<BuildLog>(state_, state_.run.LogIsXml, QDateTime::currentDateTime());
    setStep("11");
    state_.run.LogFilePath = log_->path();
}

void BuildRun::walkMusicPath() {
    setStep("17");
    scan_.leftoversBefore = started_;
    scan_.filter = mediaFilter(options_.extraMediaTypes);
    scan_.onFile = [this](const MediaFile& file) { queueFile(file); };
    scan_.onSkipped = [this](const QString& path, const QString& reason) { queueSkippedFile(path, reason); };
    const bool ok = walkedWhole_ = ScanMediaFiles(state_, state_.MusicPath, scan_);
    processWalkedFiles();

    setStep("18");
    if (state_.run.CloseRequested) return;
    setStep("19");
    if (!ok || !confirmNothingFound(scan_)) return;
    setStep("20");
    state_.ui().setCaption(Control::lblBuildFile, QStringLiteral("Verifying File:"));
    state_.ui().setCaption(Control::lblDownloadStatus, QStringLiteral("Verifying All Songs In Music Library..."));
    CleanLibrary();
    library_.clear();
    commitWrites();
}

void BuildRun::processWalkedFiles() {
    // Cancel passes them over as it ends the walk.
    while (!walked_.empty() && !state_.run.CloseRequested) {
        processNextFile();
        state_.ui().yield();
    }
    walked_.clear();
    prefetch_.clear();
    refreshSharedStamps();
    commitWrites();
}

bool BuildRun::confirmNothingFound(const MediaScan& scan) {
    if (scan.mediaFilesSeen > 0) return true;
    const int songs = countRows(state_, state_.CurrentMusicLibrary, Db::Libraries).value_or(0);
    if (songs == 0) return true;
    return AskQuestion(state_,
                       QStringLiteral("No music files were found in ") + state_.MusicPath + QStringLiteral(".") +
                           QStringLiteral("\n\n") + QStringLiteral("Remove the ") + QString::number(songs) +
                           QStringLiteral(" songs of this Music Library whose files cannot be found?"),
                       QStringLiteral("Music Files Not Found")) == Answer::Yes;
}

void BuildRun::finishLog() {
    setStep("21");
    if (log_) log_->end();
}

void BuildRun::finishRun() {
    FrontEnd& ui = state_.ui();
    setStep("23");
    ui.setCaption(Control::cmdCancel, QStringLiteral("Close"));
    // Everything is committed and the run's connection closed before the count and the compaction.
    releaseLibrary();
    const int count = countRows(state_, state_.CurrentMusicLibrary, Db::Libraries).value_or(0);
    setStep("24");
    showLibraryCount(state_, count);

    setStep("25");
    CompactDatabases(state_, true);
    showBuildOptions(state_);
    ui.setCaption(Control::lblDownloadStatus, QStringLiteral("Music Library Build/Update Complete"));

    setStep("26");
    const bool logged = state_.run.LogEnabled;
    if (logged) {
        ui.showLogFile(state_.run.LogFilePath);
        ui.setVisible(Control::cmdViewLogFile, true);
    }
    ui.setVisible(Control::lblAutoLaunch, !logged);
    ui.setVisible(Control::chkAutoLaunch, !logged);

    setStep("27");
    ui.setAllEnabled(longRunLockedControls(), true);
    if (count > 0) ui.setAllEnabled(songCountControls(), true);

    storeFolderSignature();
    state_.run.BuildRunning = false;
    if (options_.autoLaunch) ui.startPlayer();
    setStep("28");
}

void BuildRun::storeFolderSignature() {
    // The walk's own signature, with the stamps the run's tag writes gave; none of a music folder
    // the walk could not read.
    if (!walkedWhole_) return;
    for (const auto& [name, value] : signatureSettings(scan_.signature)) SaveSetting(state_, name, value);
}

void BuildRun::reportFailure(const RuntimeError& error) {
    // What the run wrote is kept: the batch commits as the library is let go.
    releaseLibrary();
    if (log_ && log_->isXml()) tryStep([&] { log_->end(); });
    const ErrorTrap trap(state_, kModule, QStringLiteral("UpdateDatabase"));
    ShowErrorMessage(state_, trap.failure(error, kFatalErrorMessage, step_));
    if (!windowChanged_) state_.run.BuildRunning = false;
}

}  // namespace orv

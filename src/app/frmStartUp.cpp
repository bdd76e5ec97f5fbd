#include "app/frmStartUp.h"

#include "app/ControlNames.h"
#include "app/LogFileView.h"
#include "app/Look.h"
#include "app/MusicFolderFollower.h"
#include "app/WindowFrontEnd.h"
#include "app/WorkerFrontEnd.h"
#include "app/frmDownloadConfig.h"
#include "app/frmHelp.h"
#include "app/frmWelcome.h"
#include "builder/BuildLog.h"
#include "builder/UpdateDatabase.h"
#include "core/Controls.h"
#include "core/ProgramState.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "core/WorkRunner.h"
#include "coverart/CoverMisses.h"
#include "errors/ErrorReport.h"
#include "extras/Skins.h"
#include "extras/WebLinks.h"
#include "playlists/ArtistPlaylists.h"
#include "store/Compaction.h"
#include "store/DataAccess.h"
#include "store/LibraryButtons.h"
#include "store/LibraryTransfer.h"
#include "store/MusicLibraries.h"
#include "store/PlayerSettingsStore.h"
#include "store/ProgramFiles.h"
#include "store/ProgramFolder.h"
#include "store/Settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTextBrowser>

namespace orv {
namespace {

const QString kModule = QStringLiteral("frmStartUp");
const QString kSavingSettings = QStringLiteral("Saving Settings...");
const QString kReady = QStringLiteral("Ready...");

// A Windows colour number (red in the low byte) as a colour.
QColor windowsColour(const QString& number) {
    bool ok = false;
    const qint64 value = number.toLongLong(&ok);
    if (!ok) return {};
    return QColor(static_cast<int>(value & 0xff), static_cast<int>((value >> 8) & 0xff),
                  static_cast<int>((value >> 16) & 0xff));
}

}  // namespace

frmStartUp::frmStartUp(ProgramState& state)
    : QWidget(nullptr),
      state_(state),
      workerFace_(std::make_unique<WorkerFrontEnd>(state.ui(), this)),
      runner_(std::make_unique<WorkRunner>(state)) {
    setObjectName(QStringLiteral("frmStartUp"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildPanels();
    fitScreen();

    connect(lstFrames_, &QListWidget::itemSelectionChanged, this, &frmStartUp::lstFrames_Click);
    connect(cmdDatabase_, &QPushButton::clicked, this, &frmStartUp::cmdDatabase_Click);
    connect(cmdViewLogFile_, &QPushButton::clicked, this, &frmStartUp::cmdViewLogFile_Click);
    connect(cmdForgetCoverMisses_, &QPushButton::clicked, this, &frmStartUp::cmdForgetCoverMisses_Click);
    connect(cmdLaunch_, &QPushButton::clicked, this, &frmStartUp::cmdLaunch_Click);
    connect(cmdOK_, &QPushButton::clicked, this, &frmStartUp::cmdOK_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &frmStartUp::cmdCancel_Click);
    connect(cmdBrowse_, &QPushButton::clicked, this, &frmStartUp::cmdBrowse_Click);
    connect(cmdClearPassword_, &QPushButton::clicked, this, &frmStartUp::cmdClearPassword_Click);
    connect(cmdNewLibrary_, &QPushButton::clicked, this, &frmStartUp::cmdNewLibrary_Click);
    connect(cmdDeleteLibrary_, &QPushButton::clicked, this, &frmStartUp::cmdDeleteLibrary_Click);
    connect(cmdClear_, &QPushButton::clicked, this, &frmStartUp::cmdClear_Click);
    connect(cmdHelp_, &QPushButton::clicked, this, &frmStartUp::cmdHelp_Click);
    connect(cmdWebsite_, &QPushButton::clicked, this, &frmStartUp::cmdWebsite_Click);
    connect(cmdNewVersion_, &QPushButton::clicked, this, &frmStartUp::cmdNewVersion_Click);
    connect(cmdArtistPlaylists_, &QPushButton::clicked, this, &frmStartUp::cmdArtistPlaylists_Click);
    connect(cboMusicLibrary_, &QComboBox::currentIndexChanged, this, &frmStartUp::cboMusicLibrary_Click);
    connect(chkAutoLaunch_, &QCheckBox::toggled, this, &frmStartUp::chkAutoLaunch_Click);
    connect(chkBlankTags_, &QCheckBox::toggled, this, &frmStartUp::chkBlankTags_Click);
    connect(chkFollowMusicFolder_, &QCheckBox::toggled, this, &frmStartUp::chkFollowMusicFolder_Click);
    connect(chkExtraMediaTypes_, &QCheckBox::toggled, this, &frmStartUp::chkExtraMediaTypes_Click);
    connect(txtBlankTagFormat_, &QLineEdit::textChanged, this, &frmStartUp::showBlankTagPreview);
    connect(txtMusic_, &QLineEdit::editingFinished, this, &frmStartUp::findBlankTagSample);
    connect(chkDownloadCoverArt_, &QCheckBox::toggled, this, &frmStartUp::chkDownloadCoverArt_Click);
    connect(chkLogFile_, &QCheckBox::toggled, this, &frmStartUp::chkLogFile_Click);
    connect(lstLogType_, &QListWidget::currentRowChanged, this, &frmStartUp::lstLogType_Click);
    connect(chkNowPlaying_, &QCheckBox::toggled, this, &frmStartUp::chkNowPlaying_Click);
    connect(chkOptions_, &QCheckBox::toggled, this, &frmStartUp::chkOptions_Click);
    connect(chkExtractEmbeddedArt_, &QCheckBox::toggled, this, &frmStartUp::chkExtractEmbeddedArt_Click);
    // The list order is one choice of two.
    connect(cmdByTrack_, &QPushButton::clicked, this, [this] {
        setButtonValue(cmdByTrack_, true);
        setButtonValue(cmdAlpha_, false);
    });
    connect(cmdAlpha_, &QPushButton::clicked, this, [this] {
        setButtonValue(cmdAlpha_, true);
        setButtonValue(cmdByTrack_, false);
    });
}

QString frmStartUp::windowCaption(const ProgramState& state) {
    return mainWindowCaption(state.version);
}

const QStringList& frmStartUp::panelNames() {
    static const QStringList names{QStringLiteral("Music Libraries"), QStringLiteral("Album Covers"),
                                   QStringLiteral("Options"), QStringLiteral("Playlists"), QStringLiteral("Password")};
    return names;
}

QString frmStartUp::playerPath(const ProgramState& state) {
    const QString inProgramFolder = ProgramFile(state, QStringLiteral("Orvella"));
    if (QFileInfo(inProgramFolder).isExecutable()) return inProgramFolder;
    // An installed Configurator keeps its program folder per user; the player stays beside the programs.
    const QString besidePrograms = QCoreApplication::applicationDirPath() + QStringLiteral("/Orvella");
    return QFileInfo(besidePrograms).isExecutable() ? besidePrograms : inProgramFolder;
}

void frmStartUp::reportHandlerError(const char* procedure, const RuntimeError& error) {
    reportError(state_, kModule, QLatin1String(procedure), error);
}

void frmStartUp::saveSetting(const char* procedure, const QString& name, const QVariant& value) {
    try {
        SaveSetting(state_, name, value);
    } catch (const RuntimeError& error) {
        reportHandlerError(procedure, error);
    }
}

void frmStartUp::Form_Load() {
    state_.InternetConnected = IsInternetConnected(state_);
    if (state_.run.CloseRequested) {
        emit loadEnded(true);
        return;
    }
    state_.run.StartingUp = true;
    state_.run.BuildRunning = false;
    loading_ = true;

    // From here on a failing step is passed over.
    setDatabasePaths(state_);
    readStartUpPaths(state_);
    fillControls();

    state_.CurrentMusicLibrary = GetSetting(state_, QStringLiteral("CurrentMusicLibrary"));
    // The carry-over and the compaction, which takes a while over a large library, run in the
    // background; the load goes on once their end has been handled in full.
    const auto transfer = std::make_shared<TransferOutcome>(TransferOutcome::NoPreviousVersion);
    startLongRun(
        {},
        [this, transfer] {
            *transfer = TransferPreviousLibraries(state_);
            if (!state_.run.CloseRequested) CompactDatabases(state_);
        },
        [this, transfer] {
            QMetaObject::invokeMethod(
                this, [this, transfer] { finishLoad(*transfer); }, Qt::QueuedConnection);
        });
}

void frmStartUp::finishLoad(TransferOutcome transfer) {
    if (!closeDeferred_) {
        fillLibraryBox(GetMusicLibraries(state_));
        showCurrentLibraryCount(state_);

        if (booleanValue(GetSetting(state_, QStringLiteral("InitialUse"))).value_or(false)) {
            frmWelcome welcome(state_, this);
            welcome.exec();
        }

        // A carry-over that was stopped or failed is offered again at the next start.
        if (transfer != TransferOutcome::Cancelled && transfer != TransferOutcome::Incomplete)
            renamePreviousLibraries(state_);
    }
    state_.run.StartingUp = false;
    loading_ = false;
    if (closeIfDeferred()) {
        emit loadEnded(false);
        return;
    }
    if (chkFollowMusicFolder_->isChecked()) chkFollowMusicFolder_Click(true);
    emit loadEnded(true);
}

frmStartUp::~frmStartUp() {
    // Hidden while the window is whole: the focus it gives up ends an edit (txtMusic), whose
    // handler uses the window's members.
    hide();
    // A question the run waits on is not answered now; the run stops at its next test.
    workerFace_->abandon();
    runner_.reset();
    afterRun_ = nullptr;
}

bool frmStartUp::longRunBusy() const {
    return runner_->busy();
}

std::vector<QWidget*> frmStartUp::widgets(const Controls& controls) const {
    std::vector<QWidget*> found;
    for (const Control control : controls) found.push_back(findChild<QWidget*>(controlName(control)));
    return found;
}

bool frmStartUp::startLongRun(const std::vector<QWidget*>& locked, std::function<void()> work,
                              std::function<void()> after) {
    if (runner_->busy()) return false;
    // Locked at once, not once the run's first changes are shown: no click in between starts anything.
    // The Website button reads a setting, from the databases the run uses: it waits too.
    lockedForRun_.clear();
    focusBeforeRun_ = focusWidget();
    std::vector<QWidget*> controls = locked;
    controls.push_back(cmdWebsite_);
    for (QWidget* control : controls) {
        lockedForRun_.emplace_back(control, control->isEnabled());
        WindowFrontEnd::setControlEnabled(control, false);
    }
    afterRun_ = std::move(after);
    workerFace_->resume();
    return runner_->start(*workerFace_, std::move(work), [this] {
        QMetaObject::invokeMethod(this, &frmStartUp::finishLongRun, Qt::QueuedConnection);
    });
}

void frmStartUp::finishLongRun() {
    try {
        runner_->join();
    } catch (const ProgramEnd&) {
        // The run's report ended the program: its windows are closing.
    }
    workerFace_->showHandedOver();
    QSet<QWidget*> setByRun;
    for (const Control control : workerFace_->enabledByRun())
        setByRun.insert(findChild<QWidget*>(controlName(control)));
    for (const auto& [control, wasEnabled] : std::exchange(lockedForRun_, {}))
        if (!setByRun.contains(control)) control->setEnabled(wasEnabled);
    if (cancelLocked_) {
        cancelLocked_ = false;
        WindowFrontEnd::setControlEnabled(cmdCancel_, true);
    }
    // The window held the focus while its controls were locked; unless the user gave it to another
    // control meanwhile, it goes back to the one that had it, so that the keys work on from there.
    const QPointer<QWidget> refocus = std::exchange(focusBeforeRun_, nullptr);
    if (refocus && focusWidget() == this && refocus->isEnabled() && refocus->isVisible())
        refocus->setFocus(Qt::OtherFocusReason);
    if (const std::function<void()> after = std::exchange(afterRun_, nullptr)) after();
    emit longRunEnded();
    workerFace_->runAfterEnd();
    if (!loading_) closeIfDeferred();
}

std::vector<std::pair<QCheckBox*, bool PlayerSettings::*>> frmStartUp::optionBoxes() const {
    return {
        {chkTouchscreen_, &PlayerSettings::Touchscreen},
        {chkAlbumCoverFrames_, &PlayerSettings::ShowAlbumCoverFrames},
        {chkShowToolTips_, &PlayerSettings::ShowToolTips},
        {chkAllCaps_, &PlayerSettings::UseAllCaps},
        {chkOneClickPlay_, &PlayerSettings::OneClickPlay},
        {chkEraseHistory_, &PlayerSettings::EraseHistory},
        {chkMouseOverSound_, &PlayerSettings::MouseOverSound},
        {chkMouseClickSound_, &PlayerSettings::MouseClickSound},
        {chkAllowRepeats_, &PlayerSettings::AllowRepeats},
        {chkAlbumCoverOnStartup_, &PlayerSettings::AlbumCoverViewOnStartup},
        {chkAutoRandomOnStartup_, &PlayerSettings::AutoRandomOnStartup},
        {chkOptions_, &PlayerSettings::ShowOptionsButton},
        {chkNowPlaying_, &PlayerSettings::NowPlayingScreen},
        {chkExtractEmbeddedArt_, &PlayerSettings::ExtractEmbeddedImages},
    };
}

void frmStartUp::fillControls() {
    readPlayerSettings(state_);
    const PlayerSettings& player = state_.player;

    txtMusic_->setText(state_.MusicPath);
    chkWatchFolder_->setChecked(state_.WatchFolders);
    {
        // The follower starts once the window has loaded.
        const QSignalBlocker quiet(chkFollowMusicFolder_);
        chkFollowMusicFolder_->setChecked(
            booleanValue(GetSetting(state_, QStringLiteral("FollowMusicFolder"))).value_or(false));
    }

    const QColor accent = windowsColour(GetSkinSetting(state_, state_.ActiveSkin, QStringLiteral("ScrollbarColor")));
    if (accent.isValid()) {
        lstFrames_->setStyleSheet(
            lstFrames_->styleSheet() +
            QStringLiteral("QListWidget::item:selected { background: %1; color: white; }").arg(accent.name()));
        for (const char* name : {"lblCurrentFile", "lblBuildAlbum", "lblBuildArtist", "lblBuildTitle"})
            findChild<QLabel*>(QLatin1String(name))
                ->setStyleSheet(QStringLiteral("color: %1;").arg(accent.lighter(170).name()));
    }

    setWindowTitle(windowCaption(state_));

    if (const auto background = loadSkinPicture(state_, QStringLiteral("Background")))
        background_ = QPixmap::fromImage(*background);
    update();

    // The log type first: the log box, once ticked, would pick the first type when none is.
    {
        const QSignalBlocker quiet(lstLogType_);
        lstLogType_->setCurrentRow(isXmlLogType(player.LogType) ? 1 : 0);
    }
    chkLogFile_->setChecked(player.CreateLog);
    chkDownloadCoverArt_->setChecked(player.DownloadCoverArt);
    chkBlankTags_->setChecked(state_.UpdateBlankTags);
    chkAutoLaunch_->setChecked(player.AutoLaunch);
    txtBlankTagFormat_->setText(state_.BlankTagFormat);
    {
        // Ticked for any list: filling the box keeps a list of the user's own as it is.
        const QSignalBlocker quiet(chkExtraMediaTypes_);
        chkExtraMediaTypes_->setChecked(!mediaTypesOf(state_.ExtraMediaTypes).isEmpty());
    }
    findBlankTagSample();
    chkAutoCheckNewVersion_->setChecked(state_.AutoCheckNewVersion);

    const std::pair<QPushButton*, QString> captions[] = {
        {cmdDatabase_, QStringLiteral("Build Music Library")},
        {cmdClear_, QStringLiteral("Clear Selected Music Library")},
        {cmdNewLibrary_, QStringLiteral("Create New Music Library")},
        {cmdDeleteLibrary_, QStringLiteral("Delete Selected Music Library")},
        {cmdViewLogFile_, QStringLiteral("View Log File")},
        {cmdForgetCoverMisses_, QStringLiteral("Search Again For Covers Not Found")},
        {cmdBrowse_, QStringLiteral("...")},
        {cmdByTrack_, QStringLiteral("By Track #")},
        {cmdAlpha_, QStringLiteral("Alphabetically")},
        {cmdNewVersion_, QStringLiteral("Check For New Version  NOW")},
        {cmdArtistPlaylists_, QStringLiteral("Generate A Playlist For Every Artist")},
        {cmdClearPassword_, QStringLiteral("Clear Password")},
        {cmdOK_, QStringLiteral("Save && Close")},
        {cmdCancel_, QStringLiteral("Close")},
        {cmdHelp_, QStringLiteral("Help")},
        {cmdWebsite_, QStringLiteral("Website")},
        {cmdLaunch_, QStringLiteral("Save && Start Orvella")},
    };
    for (const auto& [windowButton, caption] : captions) FormatButton(windowButton, caption);

    for (const auto& [box, flag] : optionBoxes()) box->setChecked(player.*flag);
    showDependentControls();
    txtNowPlayingSeconds_->setText(QString::number(player.NowPlayingSeconds));
    setButtonValue(cmdByTrack_, player.ListByTrack);
    setButtonValue(cmdAlpha_, !player.ListByTrack);

    showAlbumCoverMode();
    cmbPlaylistFormat_->setCurrentText(QStringLiteral("b4s"));

    txtPassword_->setText(player.Password);
    for (std::size_t i = 0; i < chkPassword_.size(); ++i) chkPassword_[i]->setChecked(player.passwordFlags[i]);

    selectPanel(panelNames().first());
}

void frmStartUp::fillLibraryBox(const MusicLibraryList& list) {
    if (list.refill) {
        const QSignalBlocker quiet(cboMusicLibrary_);
        cboMusicLibrary_->clear();
        cboMusicLibrary_->addItems(list.names);
        cboMusicLibrary_->setCurrentIndex(-1);
    }
    QStringList entries;
    for (int i = 0; i < cboMusicLibrary_->count(); ++i) entries << cboMusicLibrary_->itemText(i);
    const int index = libraryEntryIndex(entries, list.select);
    if (index >= 0) cboMusicLibrary_->setCurrentIndex(index);
}

void frmStartUp::showAlbumCoverMode() {
    txtCoverName_->setEnabled(true);
    txtCoverName_->setText(state_.player.AlbumCoverFileName);
}

void frmStartUp::selectPanel(const QString& name) {
    const auto found = lstFrames_->findItems(name, Qt::MatchExactly);
    if (!found.isEmpty()) lstFrames_->setCurrentItem(found.first());
}

void frmStartUp::showLogFile(const QString& path) {
    wbLogFile_->showFile(path);
    const QString entry = QStringLiteral("Log File");
    if (lstFrames_->findItems(entry, Qt::MatchExactly).isEmpty()) lstFrames_->addItem(entry);
}

void frmStartUp::lstFrames_Click() {
    static const std::pair<const char*, const char*> frames[] = {
        {"Music Libraries", "fraPaths"}, {"Album Covers", "fraAlbumCovers"}, {"Options", "fraOptions"},
        {"Playlists", "fraPlaylists"},   {"Password", "fraPassword"},        {"Log File", "fraLogFile"}};
    for (const auto& [entry, frame] : frames) findChild<QFrame*>(QLatin1String(frame))->hide();
    const QString selected = lstFrames_->currentItem() ? lstFrames_->currentItem()->text() : QString();
    for (const auto& [entry, frame] : frames)
        if (selected == QLatin1String(entry)) findChild<QFrame*>(QLatin1String(frame))->show();
}

// The Music Library buttons.

void frmStartUp::cboMusicLibrary_Click(int index) {
    if (index < 0) return;
    selectMusicLibrary(state_, cboMusicLibrary_->itemText(index));
}

void frmStartUp::cmdNewLibrary_Click() {
    const LibraryButtonResult result = newMusicLibrary(state_);
    if (result.libraries) fillLibraryBox(*result.libraries);
}

void frmStartUp::cmdDeleteLibrary_Click() {
    const MusicFolderFollower::Pause paused(follower_.get());
    const LibraryButtonResult result =
        deleteMusicLibrary(state_, cboMusicLibrary_->currentText(), cboMusicLibrary_->count());
    if (!result.libraries) return;
    {
        const QSignalBlocker quiet(cboMusicLibrary_);
        cboMusicLibrary_->clear();
    }
    fillLibraryBox(*result.libraries);
}

void frmStartUp::cmdClear_Click() {
    const MusicFolderFollower::Pause paused(follower_.get());
    clearMusicLibrary(state_, cboMusicLibrary_->currentText());
}

BuildOptions frmStartUp::buildOptions() const {
    BuildOptions options;
    options.musicPath = txtMusic_->text();
    options.library = state_.CurrentMusicLibrary;
    options.logEnabled = chkLogFile_->isChecked();
    options.logIsXml = lstLogType_->currentItem() && lstLogType_->currentItem()->text() == QLatin1String("XML File");
    options.updateBlankTags = chkBlankTags_->isChecked();
    options.blankTagFormat = txtBlankTagFormat_->text();
    options.downloadCoverArt = chkDownloadCoverArt_->isChecked();
    options.extractEmbeddedImages = chkExtractEmbeddedArt_->isChecked();
    options.autoLaunch = chkAutoLaunch_->isChecked();
    options.extraMediaTypes = mediaTypesOf(state_.ExtraMediaTypes);
    return options;
}

void frmStartUp::cmdArtistPlaylists_Click() {
    // Nothing that starts other work can be used while the files are written, and a close waits
    // for them.
    std::vector<QWidget*> locked = widgets(longRunLockedControls() + songCountControls() + playlistControls());
    locked.push_back(cmdCancel_);
    const PlaylistOptions options{.format = cmbPlaylistFormat_->currentText(),
                                  .overwrite = chkOverwritePlaylists_->isChecked()};
    writingPlaylists_ = startLongRun(
        locked, [this, options] { createArtistPlaylists(state_, options); }, [this] { writingPlaylists_ = false; });
}

void frmStartUp::cmdDatabase_Click() {
    // The follower waits until the run has ended; it is not started meanwhile either.
    std::vector<QWidget*> locked = widgets(longRunLockedControls() + songCountControls());
    locked.push_back(chkFollowMusicFolder_);
    const auto paused = std::make_shared<MusicFolderFollower::Pause>(follower_.get());
    startLongRun(
        locked, [this, options = buildOptions()] { UpdateDatabase(state_, options); }, [paused] {});
}

void frmStartUp::cmdViewLogFile_Click() {
    // The newest log of the library, also one an earlier session wrote.
    const QString log = BuildLog::newestLog(state_, state_.CurrentMusicLibrary);
    if (log.isEmpty()) {
        showPlainMessage(state_,
                         QStringLiteral("There is no log file of the Music Library '") + state_.CurrentMusicLibrary +
                             QStringLiteral("' yet.  A log is written by every build while 'Create A Log File?' is "
                                            "ticked."),
                         QStringLiteral("No Log File"), DialogContent::Information);
        return;
    }
    showLogFile(log);
    selectPanel(QStringLiteral("Log File"));
    // The button is hidden with its panel: the keys go to the log.
    wbLogFile_->setFocus();
}

void frmStartUp::cmdForgetCoverMisses_Click() {
    if (!forgetMisses(state_)) return;
    showPlainMessage(state_,
                     QStringLiteral("The albums whose cover could not be found online will be searched again at the "
                                    "next build."),
                     QStringLiteral("Album Covers"), DialogContent::Information);
}

// Leaving the window.

void frmStartUp::readControlsIntoSettings() {
    PlayerSettings& player = state_.player;
    state_.WatchFolders = chkWatchFolder_->isChecked();
    state_.BlankTagFormat = txtBlankTagFormat_->text();
    state_.AutoCheckNewVersion = chkAutoCheckNewVersion_->isChecked();
    for (const auto& [box, flag] : optionBoxes()) player.*flag = box->isChecked();
    player.ListByTrack = getButtonValue(cmdByTrack_);
    player.AlbumCoverFileName = txtCoverName_->text();
    player.Password = txtPassword_->text();
    for (std::size_t i = 0; i < chkPassword_.size(); ++i) player.passwordFlags[i] = chkPassword_[i]->isChecked();
}

bool frmStartUp::saveFromControls() {
    readControlsIntoSettings();
    const bool saved = saveAllSettings(state_, txtMusic_->text());
    const bool marked = tryStep([&] {
                            return SaveSetting(state_, QStringLiteral("InitialUse"), QStringLiteral("False"));
                        }).value_or(false);
    if (saved && marked) return true;
    showPlainMessage(state_, QStringLiteral("Your settings could not be saved."), QStringLiteral("Settings Not Saved"));
    lblDownloadStatus_->setText(kReady);
    return false;
}

void frmStartUp::cmdOK_Click() {
    lblDownloadStatus_->setText(kSavingSettings);
    state_.player.NowPlayingSeconds = nowPlayingSecondsValue(txtNowPlayingSeconds_->text());
    // A library whose table is missing has no songs; without a libraries database (reported) nothing is done.
    const std::optional<std::optional<int>> counted =
        tryStep([&] { return countRows(state_, state_.CurrentMusicLibrary, Db::Libraries); });
    if (counted && !*counted) {
        lblDownloadStatus_->setText(kReady);
        return;
    }
    if (counted.value_or(0).value_or(0) > 0) {
        state_.MusicPath = txtMusic_->text();
        if (saveFromControls()) close();
        return;
    }
    showPlainMessage(state_,
                     QStringLiteral("There are no songs in your selected Music Library.  You must build your Music "
                                    "Library before attempting to start Orvella.  Click the 'Build Music Library' "
                                    "button to do this now."),
                     QStringLiteral("Music Library Is Empty"));
    lblDownloadStatus_->setText(kReady);
    selectPanel(QStringLiteral("Music Libraries"));
}

void frmStartUp::cmdLaunch_Click() {
    lblDownloadStatus_->setText(kSavingSettings);
    state_.player.NowPlayingSeconds = nowPlayingSecondsValue(txtNowPlayingSeconds_->text());
    if (!saveFromControls()) return;
    const QString player = playerPath(state_);
    if (!QFileInfo(player).isExecutable() || !QProcess::startDetached(player, {}, state_.paths.programFolder)) {
        showPlainMessage(state_,
                         QStringLiteral("Orvella could not be started. The player program was not found at:\n\n") +
                             player + QStringLiteral("\n\nYour settings have been saved."),
                         QStringLiteral("Orvella Not Found"), DialogContent::Information);
        lblDownloadStatus_->setText(kReady);
        return;
    }
    close();
}

void frmStartUp::cmdCancel_Click() {
    // The second click of a double click on Cancel belongs to the click that cancelled the run.
    if (!longRunBusy() && cancelClick_.isValid() && cancelClick_.elapsed() < QApplication::doubleClickInterval())
        return;
    state_.run.CloseRequested = true;
    if (!longRunBusy()) {
        close();
        return;
    }
    // The run stops after its current file and gives the window back itself; the button stays
    // locked until it has.
    cancelClick_.start();
    cancelLocked_ = true;
    WindowFrontEnd::setControlEnabled(cmdCancel_, false);
}

void frmStartUp::cmdHelp_Click() {
    frmHelp help(state_, this);
    help.exec();
}

void frmStartUp::cmdWebsite_Click() {
    OpenWebsite(state_, QDesktopServices::openUrl);
}

void frmStartUp::cmdNewVersion_Click() {
    state_.run.StartingUp = false;
    frmDownloadConfig::checkFromMainWindow(state_, this);
}

void frmStartUp::cmdClearPassword_Click() {
    txtPassword_->clear();
}

void frmStartUp::cmdBrowse_Click() {
    const QString folder = BrowseForFolder(this, QStringLiteral("Music Path"), txtMusic_->text());
    if (folder.isEmpty()) return;
    txtMusic_->setText(folder);
    findBlankTagSample();
}

QString frmStartUp::BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder) {
    QFileDialog picker(owner, title);
    picker.setObjectName(QStringLiteral("BrowseForFolder"));
    picker.setFileMode(QFileDialog::Directory);
    picker.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    // A stored folder ends in a separator; the picker opens in the folder above it, with it selected.
    const QFileInfo initial(QDir::cleanPath(initialFolder));
    if (!initialFolder.isEmpty() && initial.isDir()) {
        picker.setDirectory(initial.absolutePath());
        picker.selectFile(initial.absoluteFilePath());
    }
    if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty()) return QString();
    return TrimAtNull(picker.selectedFiles().first());
}

bool frmStartUp::closeIfDeferred() {
    if (!closeDeferred_) return false;
    closeDeferred_ = false;
    close();
    return true;
}

// The skin's colour under its picture, so that the window reads the same without one; the picture
// covers the window at any size, centred, its proportions kept.
void frmStartUp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kSkinBackgroundColour);
    if (background_.isNull()) return;
    const QSize covered = background_.size().scaled(size(), Qt::KeepAspectRatioByExpanding);
    if (scaledBackground_.size() != covered)
        scaledBackground_ = background_.scaled(covered, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.drawPixmap((width() - covered.width()) / 2, (height() - covered.height()) / 2, scaledBackground_);
}

void frmStartUp::closeEvent(QCloseEvent* event) {
    // The load, a long run or the writing of playlists is below this event on the call stack and goes
    // on using the window: the close happens once it has returned. It stops the load or the run, as
    // Cancel does; the playlists are finished first.
    if (loading_ || longRunBusy()) {
        if (!writingPlaylists_) state_.run.CloseRequested = true;
        closeDeferred_ = true;
        event->ignore();
        return;
    }
    follower_.reset();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible()) window->close();
    QWidget::closeEvent(event);
}

}  // namespace orv

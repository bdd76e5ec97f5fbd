#pragma once

#include "core/Controls.h"

#include <QElapsedTimer>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QFrame;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QVBoxLayout;

namespace orv {

struct ProgramState;
struct BuildOptions;
enum class TransferOutcome;
struct MusicLibraryList;
struct PlayerSettings;
class LogFileView;
class MusicFolderFollower;
class WorkRunner;
class WorkerFrontEnd;

// The Configurator's working window: a list of panels on the left, the panel on the right and
// the window-wide buttons below.
class frmStartUp : public QWidget {
    Q_OBJECT
public:
    explicit frmStartUp(ProgramState& state);
    ~frmStartUp() override;

    // Starts the start-up part of the window's load: paths, first use, the controls, and on the
    // runner the carry-over and the compaction; once they have ended, the Music Libraries and the
    // welcome. loadEnded tells when it is over.
    void Form_Load();
    // The load has started and not ended yet.
    bool loading() const { return loading_; }

    // The window caption: "Orvella Configurator - Version 8.1.9".
    static QString windowCaption(const ProgramState& state);
    // The panels of lstFrames, in list order ("Log File" is added when a log is offered).
    static const QStringList& panelNames();

    // Shows the folder picker owned by `owner`, titled `title`, opened on `initialFolder`;
    // the chosen folder, or the empty text when cancelled.
    static QString BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder);

    // Offers a build log in the "Log File" panel, adding the panel's entry when it is missing.
    void showLogFile(const QString& path);
    // What a build run is to do, as the controls show it.
    BuildOptions buildOptions() const;

    // Where the player program is: "Orvella" in the program folder, else beside the Configurator's
    // own programs (the program folder of an installed Configurator is the user's own).
    static QString playerPath(const ProgramState& state);

    // Long work (a build, a carry-over, the playlists) is under way on the window's runner.
    bool longRunBusy() const;

signals:
    // Long work has ended and the window is given back.
    void longRunEnded();
    // The load is over: `goOn` is false when the window was closed meanwhile (the load then stopped
    // after the carry-over, and the window closes now).
    void loadEnded(bool goOn);

public slots:
    // Builds or updates the current Music Library with the options the window shows.
    void cmdDatabase_Click();
    // Brings up the "Log File" panel.
    void cmdViewLogFile_Click();
    // Forgets the albums whose cover was searched online in vain, so that the next build asks again.
    void cmdForgetCoverMisses_Click();
    // Saves everything, starts the player and closes.
    void cmdLaunch_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdBrowse_Click();
    void cmdClearPassword_Click();
    void cmdNewLibrary_Click();
    void cmdDeleteLibrary_Click();
    void cmdClear_Click();
    // Writes one playlist per artist of the current Music Library.
    void cmdArtistPlaylists_Click();
    void lstFrames_Click();
    // The help window, the vendor's web site and the new-version check.
    void cmdHelp_Click();
    void cmdWebsite_Click();
    void cmdNewVersion_Click();

    // The album cover mode from a choice of two (2, 3) and from a choice of three (1, 2, 0).
    void setAlbumCoverModeOfTwo(int choice);
    void setAlbumCoverModeOfThree(int choice);

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void buildPanels();
    // Shrinks the window to the screen it is shown on, when that is smaller.
    void fitScreen();
    QFrame* buildPathsPanel();
    QFrame* buildBlankTagsFrame(QWidget* parent);
    QGroupBox* buildBuildOptions(QWidget* parent);
    QGroupBox* buildProgressFrame(QWidget* parent);
    QFrame* buildAlbumCoversPanel();
    QFrame* buildOptionsPanel();
    QFrame* buildPlaylistsPanel();
    QFrame* buildPasswordPanel();
    QFrame* buildLogFilePanel();
    QFrame* panel(const char* name);
    QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption);
    QPushButton* button(QWidget* parent, const char* name, const QString& caption);
    QLabel* label(QWidget* parent, const char* name, const QString& caption);
    // A panel's layout, headed by its title.
    QVBoxLayout* headedLayout(QFrame* frame, const char* headingName, const QString& heading);

    // The player's option boxes and the settings they stand for.
    std::vector<std::pair<QCheckBox*, bool PlayerSettings::*>> optionBoxes() const;
    void fillControls();
    // The controls that are available only while their box is ticked.
    void showDependentControls();
    // Takes a music file of the folder in txtMusic for the blank-tag preview, and shows it.
    void findBlankTagSample();
    // Shows what the blank-tag pattern gives for that file.
    void showBlankTagPreview();
    void fillLibraryBox(const MusicLibraryList& list);
    // Starts `work` on the runner with `locked` locked; once it has ended, each control it did not
    // lock or unlock itself gets the state it had, `after` runs, and a close put off meanwhile
    // happens. False when other work is under way.
    bool startLongRun(const std::vector<QWidget*>& locked, std::function<void()> work,
                      std::function<void()> after = {});
    void finishLongRun();
    // The load's part after the carry-over, which ended with `transfer`.
    void finishLoad(TransferOutcome transfer);
    std::vector<QWidget*> widgets(const Controls& controls) const;
    // Closes the window when a close was put off until the load or a long run returned; true then.
    bool closeIfDeferred();
    void showAlbumCoverMode();
    void selectPanel(const QString& name);
    void readControlsIntoSettings();
    // Saves every setting; when a step failed, says so and gives false.
    bool saveFromControls();
    void reportHandlerError(const char* procedure, const class RuntimeError& error);
    // Saves one setting; a failure is reported as the named handler's.
    void saveSetting(const char* procedure, const QString& name, const QVariant& value);

    void chkAutoLaunch_Click(bool ticked);
    void chkBlankTags_Click(bool ticked);
    // Starts or stops keeping the current Music Library up to date while the window is open.
    void chkFollowMusicFolder_Click(bool ticked);
    void chkExtraMediaTypes_Click(bool ticked);
    void chkDownloadCoverArt_Click(bool ticked);
    void chkLogFile_Click(bool ticked);
    void lstLogType_Click(int row);
    void chkNowPlaying_Click(bool ticked);
    void chkOptions_Click(bool ticked);
    void chkExtractEmbeddedArt_Click(bool ticked);
    void cboMusicLibrary_Click(int index);

    ProgramState& state_;
    bool loading_ = false;        // Form_Load is running
    bool closeDeferred_ = false;  // a close waits for the load or a long run to return
    bool cancelLocked_ = false;   // Cancel stopped a run and waits for its end
    QElapsedTimer cancelClick_;   // since Cancel last stopped a run
    // The long work runs on the runner and shows itself through the worker's face.
    std::unique_ptr<WorkerFrontEnd> workerFace_;
    std::unique_ptr<WorkRunner> runner_;
    std::vector<std::pair<QWidget*, bool>> lockedForRun_;  // with the state each had
    QPointer<QWidget> focusBeforeRun_;                     // gets the focus back once the run ends
    std::function<void()> afterRun_;
    // The skin's background picture, and the picture at the window's size.
    QPixmap background_;
    QPixmap scaledBackground_;

    QListWidget* lstFrames_;
    QLabel* lblDownloadStatus_;
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
    QPushButton* cmdHelp_;
    QPushButton* cmdWebsite_;
    QPushButton* cmdLaunch_;

    // Music Libraries
    QLineEdit* txtMusic_;
    QPushButton* cmdBrowse_;
    QCheckBox* chkWatchFolder_;
    QCheckBox* chkFollowMusicFolder_;
    std::unique_ptr<MusicFolderFollower> follower_;  // while chkFollowMusicFolder is ticked
    QComboBox* cboMusicLibrary_;
    QLabel* lblSongCount_;
    QPushButton* cmdDatabase_;
    QPushButton* cmdClear_;
    QPushButton* cmdNewLibrary_;
    QPushButton* cmdDeleteLibrary_;
    QCheckBox* chkBlankTags_;
    QFrame* frmBlankTags_;
    QLineEdit* txtBlankTagFormat_;
    QCheckBox* chkExtraMediaTypes_;
    QLabel* lblBlankTagPreview_;
    // The music file whose path the blank-tag pattern is shown on; empty when none was found.
    QString blankTagSample_;
    QCheckBox* chkDownloadCoverArt_;
    QPushButton* cmdForgetCoverMisses_;
    QCheckBox* chkLogFile_;
    QListWidget* lstLogType_;
    QCheckBox* chkAutoLaunch_;
    QPushButton* cmdViewLogFile_;

    // Album Covers
    QLineEdit* txtCoverName_;
    QCheckBox* chkExtractEmbeddedArt_;

    // Options
    QCheckBox* chkTouchscreen_;
    QCheckBox* chkAlbumCoverFrames_;
    QCheckBox* chkShowToolTips_;
    QCheckBox* chkAllCaps_;
    QCheckBox* chkOneClickPlay_;
    QCheckBox* chkEraseHistory_;
    QCheckBox* chkMouseOverSound_;
    QCheckBox* chkMouseClickSound_;
    QCheckBox* chkAllowRepeats_;
    QCheckBox* chkAlbumCoverOnStartup_;
    QCheckBox* chkAutoRandomOnStartup_;
    QCheckBox* chkNowPlaying_;
    QCheckBox* chkOptions_;
    QLineEdit* txtNowPlayingSeconds_;
    QLabel* lblWait_;
    QLabel* lblSeconds_;
    QPushButton* cmdByTrack_;
    QPushButton* cmdAlpha_;
    QCheckBox* chkAutoCheckNewVersion_;
    QPushButton* cmdNewVersion_;

    // Playlists
    QComboBox* cmbPlaylistFormat_;
    QCheckBox* chkOverwritePlaylists_;
    QPushButton* cmdArtistPlaylists_;
    QLabel* lblCreatingPlaylist_;
    // True while the playlists are written: a close waits for them without stopping them.
    bool writingPlaylists_ = false;

    // Password
    QLineEdit* txtPassword_;
    std::array<QCheckBox*, 12> chkPassword_{};
    QPushButton* cmdClearPassword_;

    // Log File
    LogFileView* wbLogFile_;
};

}  // namespace orv

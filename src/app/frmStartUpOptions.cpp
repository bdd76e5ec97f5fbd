// The main window's check boxes that save at once, the blank-tag preview, and the album cover mode.

#include "app/frmStartUp.h"

#include "app/MusicFolderFollower.h"
#include "builder/BuildOptions.h"
#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "errors/ErrorReport.h"
#include "tags/TagsFromFileName.h"

#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>

namespace orv {

void frmStartUp::chkAutoLaunch_Click(bool ticked) {
    state_.player.AutoLaunch = ticked;
    saveSetting("chkAutoLaunch_Click", QStringLiteral("AutoLaunch"), ticked);
}

void frmStartUp::showDependentControls() {
    frmBlankTags_->setEnabled(chkBlankTags_->isChecked());
    const bool logging = chkLogFile_->isChecked();
    lstLogType_->setEnabled(logging);
    lstLogType_->setVisible(logging);
    if (logging && !lstLogType_->currentItem()) lstLogType_->setCurrentRow(0);
    for (QWidget* control : std::initializer_list<QWidget*>{lblWait_, lblSeconds_, txtNowPlayingSeconds_})
        control->setEnabled(chkNowPlaying_->isChecked());
}

namespace {

// The first MP3 file a short walk of the folder meets; empty when it meets none. The walk stops
// after a few thousand entries, so that a drive root or a slow share does not hold up the window.
QString firstMusicFile(const QString& folder) {
    constexpr int kMostEntries = 5000;
    if (folder.trimmed().isEmpty()) return {};
    QDirIterator entries(folder, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    for (int seen = 0; seen < kMostEntries && entries.hasNext(); ++seen) {
        const QFileInfo entry = entries.nextFileInfo();
        if (entry.isFile() && entry.suffix().compare(QLatin1String("mp3"), Qt::CaseInsensitive) == 0)
            return entry.filePath();
    }
    return {};
}

QString shownField(const QString& value) {
    return value.isEmpty() ? QStringLiteral("(none)") : value;
}

}  // namespace

void frmStartUp::findBlankTagSample() {
    blankTagSample_ = firstMusicFile(txtMusic_->text());
    showBlankTagPreview();
}

void frmStartUp::showBlankTagPreview() {
    if (blankTagSample_.isEmpty()) {
        lblBlankTagPreview_->setText(
            QStringLiteral("No MP3 file was found in the music folder to show what this pattern gives."));
        return;
    }
    const QString shown = QDir(txtMusic_->text()).relativeFilePath(blankTagSample_);
    const std::optional<PathTags> parsed = tagsFromPath(blankTagSample_, txtBlankTagFormat_->text());
    if (!parsed) {
        lblBlankTagPreview_->setText(shown +
                                     QStringLiteral(" does not match this pattern: its blank tags stay blank."));
        return;
    }
    lblBlankTagPreview_->setText(shown + QStringLiteral(" gives   Artist: ") + shownField(parsed->artist) +
                                 QStringLiteral("   Album: ") + shownField(parsed->album) +
                                 QStringLiteral("   Title: ") + shownField(parsed->title) +
                                 QStringLiteral("   Track: ") + shownField(parsed->track));
}

void frmStartUp::chkBlankTags_Click(bool ticked) {
    state_.UpdateBlankTags = ticked;
    showDependentControls();
    saveSetting("chkBlankTags_Click", QStringLiteral("UpdateBlankTags"), ticked);
}

void frmStartUp::chkFollowMusicFolder_Click(bool ticked) {
    saveSetting("chkFollowMusicFolder_Click", QStringLiteral("FollowMusicFolder"), ticked);
    if (!ticked) {
        follower_.reset();
        return;
    }
    if (follower_) return;
    follower_ = std::make_unique<MusicFolderFollower>(state_, state_.ui());
    connect(follower_.get(), &MusicFolderFollower::changed, this,
            [this](const QString& status) { lblDownloadStatus_->setText(status); });
}

void frmStartUp::chkExtraMediaTypes_Click(bool ticked) {
    state_.ExtraMediaTypes = ticked ? kModernMediaTypes : QString();
    saveSetting("chkExtraMediaTypes_Click", QStringLiteral("ExtraMediaTypes"), state_.ExtraMediaTypes);
}

void frmStartUp::chkDownloadCoverArt_Click(bool ticked) {
    if (ticked && !state_.InternetConnected) {
        showPlainMessage(state_,
                         QStringLiteral("It does not appear that you have an active connection to the internet.\n\n"
                                        "Therefore, automatic downloading of Album Cover Art will be disabled."),
                         QStringLiteral("Internet Connection Not Available"));
        state_.player.DownloadCoverArt = false;
        const QSignalBlocker quiet(chkDownloadCoverArt_);
        chkDownloadCoverArt_->setChecked(false);
        return;
    }
    state_.player.DownloadCoverArt = ticked;
    saveSetting("chkDownloadCoverArt_Click", QStringLiteral("DownloadCoverArt"), ticked);
}

void frmStartUp::chkLogFile_Click(bool ticked) {
    state_.player.CreateLog = ticked;
    showDependentControls();
    saveSetting("chkLogFile_Click", QStringLiteral("CreateLog"), ticked);
}

void frmStartUp::lstLogType_Click(int row) {
    state_.player.LogType = row == 1 ? kXmlLogType : kTextLogType;
    saveSetting("lstLogType_Click", QStringLiteral("LogType"), state_.player.LogType);
}

void frmStartUp::chkNowPlaying_Click(bool ticked) {
    state_.player.NowPlayingScreen = ticked;
    showDependentControls();
    saveSetting("chkNowPlaying_Click", QStringLiteral("NowPlayingScreen"), ticked);
}

void frmStartUp::chkOptions_Click(bool ticked) {
    if (!ticked && !state_.run.StartingUp &&
        AskQuestion(
            state_,
            QStringLiteral("Be very careful when de-selecting this option.  If you uncheck this box, you will NOT "
                           "be able to view the Options screen within Orvella.\n\nYou will need to come back to "
                           "this screen and re-check this box to be able to show the Options button again.\n\n"
                           "Are you really sure this is what you want to do?"),
            QStringLiteral("Orvella"), Answer::No) != Answer::Yes) {
        const QSignalBlocker quiet(chkOptions_);
        chkOptions_->setChecked(true);
        return;
    }
    state_.player.ShowOptionsButton = ticked;
    if (state_.run.StartingUp) return;
    saveSetting("chkOptions_Click", QStringLiteral("ShowOptionsButton"), ticked);
}

void frmStartUp::chkExtractEmbeddedArt_Click(bool ticked) {
    state_.player.ExtractEmbeddedImages = ticked;
}

// Album cover mode, set from outside the Configurator.

void frmStartUp::setAlbumCoverModeOfTwo(int choice) {
    state_.player.AlbumCoverMode = choice == 0 ? 2 : 3;
    saveSetting("setAlbumCoverModeOfTwo", QStringLiteral("AlbumCoverMode"), state_.player.AlbumCoverMode);
    showAlbumCoverMode();
}

void frmStartUp::setAlbumCoverModeOfThree(int choice) {
    static const qint16 modes[] = {1, 2, 0};
    state_.player.AlbumCoverMode = modes[qBound(0, choice, 2)];
    if (!state_.run.StartingUp)
        saveSetting("setAlbumCoverModeOfThree", QStringLiteral("AlbumCoverMode"), state_.player.AlbumCoverMode);
    showAlbumCoverMode();
}

}  // namespace orv

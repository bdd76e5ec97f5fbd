#include "app/frmSplash.h"

#include "app/Look.h"
#include "app/WindowFrontEnd.h"
#include "app/frmStartUp.h"
#include "core/ProgramState.h"
#include "core/Text.h"
#include "errors/ErrorReport.h"
#include "store/DataAccess.h"
#include "store/ProgramFiles.h"
#include "store/ProgramFolder.h"
#include "store/Settings.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QScreen>
#include <QTimer>
#include <tuple>

namespace orv {

frmSplash::frmSplash(ProgramState& state, WindowFrontEnd& frontEnd, StartUpServices services, QString commandLine)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint),
      state_(state),
      frontEnd_(frontEnd),
      services_(std::move(services)),
      commandLine_(std::move(commandLine)) {
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(480, 300);
    setStyleSheet(QStringLiteral("QWidget#frmSplash { background-color: rgb(42, 0, 85); }"));

    imgBG_ = new QLabel(this);
    imgBG_->setObjectName(QStringLiteral("imgBG"));
    imgBG_->setGeometry(rect());
    imgBG_->setScaledContents(true);

    imgLogo_ = logoLabel(this, QRect(0, 70, width(), 110), 44);
    std::tie(lblVersion_, lblVersion2_) = versionLabels(this, QRect(0, 200, width(), 30), 13);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(750);
    connect(timer_, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
    frontEnd_.setSplash(this);
}

QString frmSplash::versionCaption(const ProgramState& state) {
    return QStringLiteral("Configurator - ") + QStringLiteral("Version ") + shortVersionText(state.version);
}

void frmSplash::Form_Load() {
    state_.run.StartingUp = true;
    state_.run.WatchPromptShowing = false;
    lblVersion_->setText(versionCaption(state_));
    lblVersion2_->setText(versionCaption(state_));
    try {
        setDatabasePaths(state_);
        state_.MusicPath = storedMusicPath(state_);
    } catch (const RuntimeError& error) {
        reportError(state_, QStringLiteral("frmSplash"), QStringLiteral("Form_Load"), error, kStartupFatalErrorMessage);
        return;
    }

    // From here on a failing step is passed over.
    state_.ActiveSkin = GetSetting(state_, QStringLiteral("ActiveSkin"));
    SkinPicture(state_, imgBG_, QStringLiteral("Background"));
    SkinPicture(state_, imgLogo_, QStringLiteral("Logo"));

    state_.AutoCheckNewVersion =
        booleanValue(GetSetting(state_, QStringLiteral("AutoCheckNewVersion"))).value_or(false);
    const bool checking = state_.AutoCheckNewVersion && services_.checkForNewVersion;
    if (!checking) showCentred();

    // The watch (its walk, its offer, the update it may start) runs on a thread of its own while
    // the splash handles its events; it has ended before the check or the main window begins.
    state_.WatchFolders = booleanValue(GetSetting(state_, QStringLiteral("WatchFolders"))).value_or(false);
    if (state_.WatchFolders && services_.watchForMP3s) {
        services_.watchForMP3s(state_.MusicPath, [this, checking] { goOnAfterWatch(checking); });
        return;
    }
    goOnAfterWatch(checking);
}

void frmSplash::goOnAfterWatch(bool checking) {
    if (checking) {
        timer_->stop();
        hide();
        services_.checkForNewVersion();
    } else {
        timer_->start();
    }
}

void frmSplash::showCentred() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    repaint();
}

void frmSplash::resumeStartUp() {
    if (!isVisible()) showCentred();
    timer_->start();
}

void frmSplash::Timer1_Timer() {
    const QString version = GetMDACVersion(state_);
    if (leadingNumber(version) < kRequiredDataAccessVersion) {
        timer_->stop();
        showPlainMessage(state_, mdacMessage(kMDACStartupFirstSentence, version),
                         QStringLiteral("For Your Information..."), DialogContent::Information);
        close();
        return;
    }
    state_.StartTime = QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("MMMM d, yyyy @ h:mm:ss ap"));
    if (state_.run.WatchPromptShowing) return;

    timer_->stop();
    mainWindow_ = new frmStartUp(state_);
    frontEnd_.setMainWindow(mainWindow_);
    emit mainWindowCreated(mainWindow_);
    connect(mainWindow_, &frmStartUp::loadEnded, this, &frmSplash::showMainWindow);
    mainWindow_->Form_Load();
}

void frmSplash::showMainWindow(bool loaded) {
    if (!loaded) {
        close();
        return;
    }
    mainWindow_->show();
    if (commandLine_ == QLatin1String("Y")) {
        // The run shows itself in the main window; the splash would stand in front of it.
        hide();
        mainWindow_->cmdDatabase_Click();
    }
    close();
}

}  // namespace orv

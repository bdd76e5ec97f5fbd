#pragma once

#include "extras/VersionCheck.h"

#include <QWidget>
#include <atomic>
#include <functional>

class QLabel;
class QProgressBar;

namespace orv {

struct ProgramState;
class frmSplash;

// The new-version window: the skin's pictures, the version, the check's status line and the
// download's progress bar. It is on screen while a check or a download runs, and keeps the other
// windows from taking clicks meanwhile.
class frmDownloadConfig : public QWidget, public VersionCheckDisplay {
    Q_OBJECT
public:
    // The window stays over `owner` (the splash or the main window), so that it never counts as the
    // program's last window.
    explicit frmDownloadConfig(ProgramState& state, QWidget* owner = nullptr);

    // Starts the check and, when the user wants it, the download, on a thread of their own; the
    // window shows what they hand over and calls `ended` with the outcome once they have ended (not
    // when a report ended the program, nor once the window is gone).
    void CheckForNewVersion(std::function<void(VersionCheckOutcome outcome)> ended);

    // The automatic check at start-up: runs once the event loop runs, then resumes the splash's
    // start-up, or ends the program when the user quits to install the new version.
    static void checkAtStartUp(ProgramState& state, frmSplash* splash);
    // The main window's check; the main window closes when the user quits to install.
    static void checkFromMainWindow(ProgramState& state, QWidget* mainWindow);

    // "Configurator - Version 8.1.9".
    static QString versionCaption(const ProgramState& state);

    void showStatus(const QString& text) override;
    QString pickFolder(const QString& prompt, const QString& initialFolder) override;
    void downloadStarted() override;
    void showProgress(int value, qint64 received) override;
    void downloadEnded() override;
    bool downloadCancelled() override { return cancelled_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The window's size without and with the progress area.
    void showProgressArea(bool shown);

    ProgramState& state_;
    QLabel* imgBG_;
    QLabel* imgLogo_;
    QLabel* lblVersion_;
    QLabel* lblVersion2_;
    QLabel* lblInitializing_;
    QProgressBar* ProgressBar1_;
    bool downloading_ = false;
    std::atomic<bool> cancelled_ = false;  // read by the check on the runner's thread
};

}  // namespace orv

#pragma once

#include <QString>
#include <QWidget>
#include <functional>

class QLabel;
class QTimer;

namespace orv {

struct ProgramState;
class WindowFrontEnd;
class frmStartUp;

// What start-up can start besides the main window. Each is optional: a program without it
// simply goes on.
struct StartUpServices {
    // The automatic new-version check; it resumes start-up by calling resumeStartUp().
    std::function<void()> checkForNewVersion;
    // Starts the folder watch over the music folder; start-up goes on with `then` once it has ended
    // (not when its report ended the program).
    std::function<void(const QString& musicPath, std::function<void()> then)> watchForMP3s;
};

// The splash window: works out the program's paths, shows the skin and the version, checks the
// data-access version and opens the main window.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    frmSplash(ProgramState& state, WindowFrontEnd& frontEnd, StartUpServices services, QString commandLine);

    void Form_Load();
    // Shows the splash again, when it is hidden, and starts the timer after the automatic version
    // check.
    void resumeStartUp();

    // The version text of the labels: "Configurator - Version 8.1.9" ("8.1" for revision 0).
    static QString versionCaption(const ProgramState& state);

    QTimer* Timer1() const { return timer_; }
    frmStartUp* mainWindow() const { return mainWindow_; }

public slots:
    void Timer1_Timer();

signals:
    // The main window exists and is about to load.
    void mainWindowCreated(frmStartUp* window);

private:
    // Shows the splash in the middle of the screen.
    void showCentred();
    // Once the main window has loaded: shows it, or closes when it was closed meanwhile.
    void showMainWindow(bool loaded);
    // After the folder watch: the automatic version check when `checking`, else the timer.
    void goOnAfterWatch(bool checking);

    ProgramState& state_;
    WindowFrontEnd& frontEnd_;
    StartUpServices services_;
    QString commandLine_;
    QLabel* imgBG_;
    QLabel* imgLogo_;
    QLabel* lblVersion_;
    QLabel* lblVersion2_;
    QTimer* timer_;
    frmStartUp* mainWindow_ = nullptr;
};

}  // namespace orv

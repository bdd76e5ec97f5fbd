#include "app/frmDownloadConfig.h"

#include "app/Look.h"
#include "app/WorkerFrontEnd.h"
#include "app/frmSplash.h"
#include "app/frmStartUp.h"
#include "core/ProgramState.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <memory>
#include <tuple>

namespace orv {
namespace {

constexpr int kWidth = 460;
constexpr int kSmallHeight = 250;
constexpr int kLargeHeight = 330;

// What the check on the runner's thread shows, handed to the window's thread.
class HandedDisplay : public VersionCheckDisplay {
public:
    HandedDisplay(frmDownloadConfig& window, WorkerFrontEnd& face) : window_(window), face_(face) {}
    void showStatus(const QString& text) override {
        face_.post([window = &window_, text] { window->showStatus(text); });
    }
    QString pickFolder(const QString& prompt, const QString& initialFolder) override {
        return face_.askText([this, prompt, initialFolder] { return window_.pickFolder(prompt, initialFolder); });
    }
    void downloadStarted() override {
        face_.post([window = &window_] { window->downloadStarted(); });
    }
    void showProgress(int value, qint64 received) override {
        face_.post([window = &window_, value, received] { window->showProgress(value, received); });
    }
    void downloadEnded() override {
        face_.post([window = &window_] { window->downloadEnded(); });
    }
    bool downloadCancelled() override { return window_.downloadCancelled(); }

private:
    frmDownloadConfig& window_;
    WorkerFrontEnd& face_;
};

// Starts one check in a window of its own over `owner`; the window goes when the check ends, and
// `ended` is then given the outcome.
void runCheck(ProgramState& state, QWidget* owner, std::function<void(VersionCheckOutcome outcome)> ended) {
    auto* window = new frmDownloadConfig(state, owner);
    window->show();
    window->CheckForNewVersion([window, ended = std::move(ended)](VersionCheckOutcome outcome) {
        // Deleted once the check's own end has returned.
        window->hide();
        window->deleteLater();
        ended(outcome);
    });
}

}  // namespace

frmDownloadConfig::frmDownloadConfig(ProgramState& state, QWidget* owner) : QWidget(owner, Qt::Dialog), state_(state) {
    setObjectName(QStringLiteral("frmDownloadConfig"));
    setWindowTitle(QStringLiteral("Orvella Configurator - New Version"));
    setWindowModality(Qt::ApplicationModal);
    setStyleSheet(QStringLiteral("QWidget#frmDownloadConfig { background-color: rgb(42, 0, 85); }"));

    imgBG_ = new QLabel(this);
    imgBG_->setObjectName(QStringLiteral("imgBG"));
    imgBG_->setScaledContents(true);
    SkinPicture(state_, imgBG_, QStringLiteral("Background"));

    imgLogo_ = logoLabel(this, QRect(0, 20, kWidth, 90), 36);
    SkinPicture(state_, imgLogo_, QStringLiteral("Logo"));
    std::tie(lblVersion_, lblVersion2_) = versionLabels(this, QRect(0, 120, kWidth, 28), 12);
    lblVersion_->setText(versionCaption(state_));
    lblVersion2_->setText(versionCaption(state_));

    lblInitializing_ = new QLabel(this);
    lblInitializing_->setObjectName(QStringLiteral("lblInitializing"));
    lblInitializing_->setAlignment(Qt::AlignCenter);
    lblInitializing_->setWordWrap(true);
    lblInitializing_->setStyleSheet(
        QStringLiteral("color: white; font: bold 9pt 'Liberation Sans'; background: rgba(0, 0, 0, 120);"
                       "border-radius: 6px; padding: 4px;"));

    ProgressBar1_ = new QProgressBar(this);
    ProgressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1_->setRange(0, 100);
    ProgressBar1_->setTextVisible(true);
    ProgressBar1_->setStyleSheet(
        QStringLiteral("QProgressBar { border: 1px solid white; border-radius: 5px; background: rgb(20, 0, 40);"
                       "  color: white; text-align: center; font: bold 9pt 'Liberation Sans'; }"
                       "QProgressBar::chunk { background-color: rgb(255, 0, 0); border-radius: 4px; }"));

    showProgressArea(false);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString frmDownloadConfig::versionCaption(const ProgramState& state) {
    return QStringLiteral("Configurator - Version ") + fullVersionText(state.version);
}

void frmDownloadConfig::showProgressArea(bool shown) {
    const int height = shown ? kLargeHeight : kSmallHeight;
    setFixedSize(kWidth, height);
    imgBG_->setGeometry(0, 0, kWidth, height);
    lblInitializing_->setGeometry(20, 165, kWidth - 40, shown ? 90 : 62);
    ProgressBar1_->setGeometry(30, 270, kWidth - 60, 26);
    ProgressBar1_->setVisible(shown);
}

void frmDownloadConfig::CheckForNewVersion(std::function<void(VersionCheckOutcome outcome)> ended) {
    const auto outcome = std::make_shared<VersionCheckOutcome>();
    runInBackground(
        state_, this,
        [this, outcome](WorkerFrontEnd& face) {
            HandedDisplay display(*this, face);
            *outcome = orv::CheckForNewVersion(state_, display);
        },
        [outcome, ended = std::move(ended)](bool programEnded) {
            if (!programEnded) ended(*outcome);
        });
}

void frmDownloadConfig::showStatus(const QString& text) {
    lblInitializing_->setText(text);
    lblInitializing_->repaint();
}

QString frmDownloadConfig::pickFolder(const QString& prompt, const QString& initialFolder) {
    return frmStartUp::BrowseForFolder(this, prompt, initialFolder);
}

void frmDownloadConfig::downloadStarted() {
    downloading_ = true;
    cancelled_ = false;
    ProgressBar1_->setRange(0, 100);
    ProgressBar1_->setValue(0);
    showProgressArea(true);
    show();
    repaint();
}

void frmDownloadConfig::showProgress(int value, qint64 received) {
    (void)received;
    if (value < 0) {
        // No size to measure against: the bar shows activity.
        ProgressBar1_->setRange(0, 0);
    } else {
        ProgressBar1_->setRange(0, 100);
        ProgressBar1_->setValue(value);
    }
    ProgressBar1_->repaint();
}

void frmDownloadConfig::downloadEnded() {
    downloading_ = false;
    showProgressArea(false);
    hide();
}

void frmDownloadConfig::closeEvent(QCloseEvent* event) {
    // Closing the window during a download stops it; the download then reports that it was stopped.
    if (downloading_) {
        cancelled_ = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void frmDownloadConfig::checkAtStartUp(ProgramState& state, frmSplash* splash) {
    const QPointer<frmSplash> waiting(splash);
    QTimer::singleShot(0, [&state, waiting] {
        runCheck(state, waiting, [waiting](VersionCheckOutcome outcome) {
            if (outcome == VersionCheckOutcome::QuitToInstall) {
                QApplication::closeAllWindows();
                QCoreApplication::quit();
            } else if (waiting) {
                waiting->resumeStartUp();
            }
        });
    });
}

void frmDownloadConfig::checkFromMainWindow(ProgramState& state, QWidget* mainWindow) {
    const QPointer<QWidget> window(mainWindow);
    runCheck(state, mainWindow, [window](VersionCheckOutcome outcome) {
        if (outcome == VersionCheckOutcome::QuitToInstall && window) window->close();
    });
}

}  // namespace orv

#include "app/WindowFrontEnd.h"
#include "app/frmDownloadConfig.h"
#include "app/frmHelp.h"
#include "app/frmSplash.h"
#include "app/frmStartUp.h"
#include "store/Settings.h"
#include "support/HttpServer.h"
#include "support/TestProgram.h"
#include "support/Windows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QTextBrowser>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>

namespace orv {
namespace {

using test::HttpReply;
using test::HttpServer;
using test::OpenWindow;
using test::TestProgram;

// Runs `action` on the next modal window of the given name that opens.
void OnNextModalNamed(const QString& name, std::function<void(QWidget*)> action) {
    test::OnNextModal(std::move(action), name);
}

void clickChild(QWidget* window, const char* name) {
    auto* button = window->findChild<QAbstractButton*>(QLatin1String(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

// A program folder with the windowed front end and an update site of the test's own.
struct windowProgram : TestProgram {
    windowProgram() : frontEnd(state) {
        SaveSetting(state, "InitialUse", "False");
        SaveSetting(state, "UpdateSite", "http://127.0.0.1:" + QString::number(server.port()));
        state.session.userInterface = &frontEnd;
        state.session.internetProbe = [] { return false; };
    }
    ~windowProgram() { test::CloseAllWindows(); }

    frmStartUp* mainWindow() {
        auto* window = new frmStartUp(state);
        frontEnd.setMainWindow(window);
        window->Form_Load();
        EXPECT_TRUE(test::WaitUntil([window] { return !window->loading(); }));
        window->show();
        return window;
    }
    // The texts of the message dialogs open now.
    static QStringList messages() {
        QStringList texts;
        for (QWidget* w : test::OpenMessageDialogs())
            texts << w->findChild<QLabel*>("lblTitle")->text() + ": " + w->findChild<QLabel*>("lblMessage")->text();
        return texts;
    }

    HttpServer server;
    WindowFrontEnd frontEnd;
};

TEST(helpWindow, HomeBackAndClose) {
    TestProgram p;
    frmHelp help(p.state);
    help.show();
    QTextBrowser* browser = help.WebBrowser1();
    EXPECT_EQ(help.windowTitle(), "Orvella Configurator Help");
    const QUrl page = QUrl::fromLocalFile(p.file("Orvella Help.html"));
    EXPECT_EQ(browser->source(), page);
    EXPECT_EQ(browser->documentTitle(), "Orvella Configurator Help");
    EXPECT_TRUE(browser->toPlainText().contains("The command line"));

    clickChild(&help, "cmdBack");
    EXPECT_EQ(browser->source(), page) << "Back on the first page does nothing";
    EXPECT_TRUE(help.isVisible());
    EXPECT_TRUE(windowProgram::messages().isEmpty());

    QUrl section = page;
    section.setFragment("cli");
    browser->setSource(section);
    clickChild(&help, "cmdBack");
    EXPECT_EQ(browser->source(), page);
    browser->setSource(section);
    clickChild(&help, "cmdHome");
    EXPECT_EQ(browser->source(), page);

    clickChild(&help, "cmdClose");
    EXPECT_FALSE(help.isVisible());
}

TEST(helpWindow, AMissingPageIsSaidSo) {
    TestProgram p;
    QFile::remove(p.file("Orvella Help.html"));
    frmHelp help(p.state);
    EXPECT_TRUE(help.WebBrowser1()->toPlainText().startsWith("Help is not available"));
}

TEST(mainWindow, HelpWebsiteAndNewVersionButtonsAnswer) {
    windowProgram p;
    p.server.route("/CurrentVersion.xml", {HttpReply{200, "<V><CurrentVersion>8.1.9</CurrentVersion></V>"}});
    frmStartUp* window = p.mainWindow();
    for (const char* name : {"cmdHelp", "cmdWebsite", "cmdNewVersion"}) {
        auto* button = window->findChild<QAbstractButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_TRUE(button->isEnabled()) << name;
    }
    EXPECT_EQ(window->findChild<QAbstractButton*>("cmdWebsite")->text(), "Website");

    bool helpShown = false;
    OnNextModalNamed("frmHelp", [&](QWidget* help) {
        helpShown = help->isVisible();
        clickChild(help, "cmdClose");
    });
    clickChild(window, "cmdHelp");
    EXPECT_TRUE(helpShown);

    clickChild(window, "cmdWebsite");
    EXPECT_EQ(p.messages(), QStringList{"URL Failed: Web Page not Opened"});
    test::CloseAllWindows();

    window = p.mainWindow();
    p.state.run.StartingUp = true;
    clickChild(window, "cmdNewVersion");
    EXPECT_FALSE(p.state.run.StartingUp);
    EXPECT_NE(OpenWindow("frmDownloadConfig"), nullptr) << "the check runs while the window handles its events";
    ASSERT_TRUE(test::WaitUntil([] { return OpenWindow("frmDownloadConfig") == nullptr; }));
    EXPECT_EQ(p.messages(), QStringList{"Orvella Configurator: No new updates are currently available."});
}

// The download window, watched as the bar moves.
struct watchedDownload : frmDownloadConfig {
    using frmDownloadConfig::frmDownloadConfig;
    void showProgress(int value, qint64 received) override {
        frmDownloadConfig::showProgress(value, received);
        const auto* bar = findChild<QProgressBar*>("ProgressBar1");
        seen << QString("%1%2").arg(bar->isVisible() ? "shown " : "hidden ").arg(bar->value());
    }
    QStringList seen;
};

TEST(downloadWindow, TheDownloadShowsItsBarAndTheFileArrives) {
    windowProgram p;
    p.server.route("/CurrentVersion.xml", {HttpReply{200,
                                                     "<V><CurrentVersion>8.2.0</CurrentVersion>"
                                                     "<ReleaseDate>May 1, 2026</ReleaseDate></V>"}});
    p.server.route("/OrvellaSetup.zip", {HttpReply{200, QByteArray(2560, 's')}});
    QTemporaryDir folder;
    p.state.ActiveSkin = "Default";

    watchedDownload window(p.state);
    EXPECT_EQ(window.findChild<QLabel*>("lblVersion")->text(), "Configurator - Version 8.1.9");
    EXPECT_EQ(window.findChild<QLabel*>("lblVersion2")->text(), "Configurator - Version 8.1.9");
    EXPECT_FALSE(window.findChild<QLabel*>("imgBG")->pixmap().isNull());
    window.show();
    EXPECT_FALSE(window.findChild<QProgressBar*>("ProgressBar1")->isVisible());

    QString finishQuestion;
    OnNextModalNamed("frmErrorMessage", [&](QWidget* question) {
        OnNextModalNamed("BrowseForFolder", [&](QWidget* picker) {
            EXPECT_EQ(picker->windowTitle(), "Select The Folder To Download The New Setup File To:");
            OnNextModalNamed("frmErrorMessage", [&](QWidget* finish) {
                finishQuestion = finish->findChild<QLabel*>("lblTitle")->text();
                clickChild(finish, "cmdNo");
            });
            qobject_cast<QFileDialog*>(picker)->selectFile(folder.path());
            QMetaObject::invokeMethod(picker, "accept");
        });
        clickChild(question, "cmdYes");
    });
    std::optional<VersionCheckOutcome> outcome;
    window.CheckForNewVersion([&](VersionCheckOutcome ended) { outcome = ended; });
    ASSERT_TRUE(test::WaitUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(*outcome, VersionCheckOutcome::Downloaded);
    EXPECT_EQ(window.seen, (QStringList{"shown 40", "shown 80", "shown 100"}));
    EXPECT_EQ(finishQuestion, "Download Successful!");
    EXPECT_FALSE(window.isVisible());
    QFile setup(folder.path() + "/OrvellaSetup.zip");
    ASSERT_TRUE(setup.open(QIODevice::ReadOnly));
    EXPECT_EQ(setup.readAll(), QByteArray(2560, 's'));
}

TEST(startUp, TheAutomaticCheckResumesTheSplash) {
    windowProgram p;
    p.server.route("/CurrentVersion.xml", {HttpReply{200, "<V><CurrentVersion>8.1.9</CurrentVersion></V>"}});
    SaveSetting(p.state, "AutoCheckNewVersion", "True");
    frmSplash* splash = nullptr;
    StartUpServices services;
    services.checkForNewVersion = [&] { frmDownloadConfig::checkAtStartUp(p.state, splash); };
    splash = new frmSplash(p.state, p.frontEnd, services, QString());
    splash->Form_Load();
    EXPECT_FALSE(splash->Timer1()->isActive()) << "start-up waits for the check";

    EXPECT_TRUE(test::WaitUntil([&] { return splash->Timer1()->isActive(); }));
    splash->Timer1()->stop();
    EXPECT_TRUE(splash->isVisible()) << "the splash is back, so the program does not end for want of a window";
    EXPECT_EQ(p.server.requests().size(), 1);
    EXPECT_TRUE(p.messages().isEmpty()) << "at start-up no update is no news";
    EXPECT_EQ(OpenWindow("frmDownloadConfig"), nullptr);
}

}  // namespace
}  // namespace orv

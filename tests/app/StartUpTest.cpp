#include "app/WindowFrontEnd.h"
#include "app/frmSplash.h"
#include "app/frmStartUp.h"
#include "errors/ErrorReport.h"
#include "store/Database.h"
#include "store/LibrarySchema.h"
#include "store/Settings.h"
#include "support/Files.h"
#include "support/TestProgram.h"
#include "support/Windows.h"
#include "tags/Mp3Fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::OnNextModal;
using test::OpenWindow;
using test::TestProgram;

// A program started the way the windowed program starts, over a temporary program folder.
struct StartedProgram : TestProgram {
    explicit StartedProgram(const QString& commandLine = QString(), bool firstUse = false) : frontEnd(state) {
        if (!firstUse) SaveSetting(state, "InitialUse", "False");
        state.session.userInterface = &frontEnd;
        splash = new frmSplash(state, frontEnd, StartUpServices{}, commandLine);
    }
    ~StartedProgram() { test::CloseAllWindows(); }
    // Runs the splash up to and including its first timer tick.
    frmStartUp* start() {
        splash->Form_Load();
        return tick();
    }
    // One timer tick, and the main window's load it may start; the main window, once shown.
    frmStartUp* tick() {
        splash->Timer1_Timer();
        const QPointer<frmStartUp> main = splash->mainWindow();
        EXPECT_TRUE(test::WaitUntil([&] { return !main || !main->loading(); }));
        return qobject_cast<frmStartUp*>(OpenWindow("frmStartUp"));
    }
    WindowFrontEnd frontEnd;
    frmSplash* splash = nullptr;
};

TEST(StartUp, VersionTexts) {
    TestProgram p;
    EXPECT_EQ(frmSplash::versionCaption(p.state), "Configurator - Version 8.1.9");
    EXPECT_EQ(frmStartUp::windowCaption(p.state), "Orvella Configurator - Version 8.1.9");
    p.state.version.revision = 0;
    EXPECT_EQ(frmSplash::versionCaption(p.state), "Configurator - Version 8.1");
    EXPECT_EQ(frmStartUp::windowCaption(p.state), "Orvella Configurator - Version 8.1.0");
}

TEST(StartUp, SplashThenMainWindow) {
    StartedProgram p;
    QPointer<frmSplash> splash(p.splash);
    p.splash->Form_Load();
    EXPECT_TRUE(p.state.run.StartingUp);
    EXPECT_TRUE(p.splash->isVisible());
    EXPECT_EQ(p.splash->findChild<QLabel*>("lblVersion")->text(), "Configurator - Version 8.1.9");
    EXPECT_EQ(p.splash->findChild<QLabel*>("lblVersion2")->text(), "Configurator - Version 8.1.9");
    EXPECT_FALSE(p.splash->findChild<QLabel*>("imgBG")->pixmap().isNull()) << "the default skin's background";
    EXPECT_TRUE(p.splash->Timer1()->isActive());
    EXPECT_EQ(p.splash->Timer1()->interval(), 750);
    EXPECT_EQ(p.state.ActiveSkin, "Default");

    QWidget* main = p.tick();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->windowTitle(), "Orvella Configurator - Version 8.1.9");
    EXPECT_TRUE(QRegularExpression("^[A-Z][a-z]+ \\d{1,2}, \\d{4} @ \\d{1,2}:\\d\\d:\\d\\d (am|pm)$")
                    .match(p.state.StartTime)
                    .hasMatch())
        << p.state.StartTime.toStdString();
    EXPECT_FALSE(p.state.run.StartingUp);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash.isNull()) << "the splash closes once the main window shows";
    EXPECT_EQ(OpenWindow("frmWelcome"), nullptr);
}

TEST(StartUp, OldDataAccessStopsBeforeTheMainWindow) {
    StartedProgram p;
    p.state.session.DataAccessVersionSource = [] { return QString("2.69"); };
    p.splash->Form_Load();
    p.splash->Timer1_Timer();
    EXPECT_EQ(OpenWindow("frmStartUp"), nullptr);
    // Every settings read on the way showed the access layer's own notice; the last word is start-up's.
    QStringList startUpNotices;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() != "frmErrorMessage" || !window->isVisible()) continue;
        EXPECT_EQ(window->findChild<QLabel*>("lblTitle")->text(), "For Your Information...");
        const QString text = window->findChild<QLabel*>("lblMessage")->text();
        if (text.contains("computer or Orvella will not be able")) startUpNotices << text;
    }
    ASSERT_EQ(startUpNotices.size(), 1);
    EXPECT_TRUE(startUpNotices[0].startsWith(
        "You will need to upgrade your version of the Microsoft Data Access Components (MDAC) on your computer or "
        "Orvella will not be able to access your Music Library.\n\nYour currently installed version of these "
        "components is:\n\n2.69\n\n"));
    EXPECT_FALSE(p.splash->Timer1()->isActive());
    EXPECT_FALSE(p.splash->isVisible());
}

TEST(StartUp, WaitsWhileTheWatchPromptShows) {
    StartedProgram p;
    p.splash->Form_Load();
    p.state.run.WatchPromptShowing = true;
    EXPECT_EQ(p.tick(), nullptr);
    EXPECT_TRUE(p.splash->Timer1()->isActive());
    p.state.run.WatchPromptShowing = false;
    EXPECT_NE(p.tick(), nullptr);
}

TEST(StartUp, OnlyAnUpperCaseYStartsABuild) {
    for (const QString& commandLine : {QString("Y"), QString("y"), QString("Y Y"), QString()}) {
        StartedProgram p(commandLine);
        QDir().mkpath(p.file("Music"));
        test::WriteMp3(p.file("Music/a.mp3"), test::ID3v2Bytes().text("TIT2", "A").bytes(), test::SilentFrames(3));
        SaveSetting(p.state, "MusicPath", p.file("Music") + "/");
        const QPointer<frmStartUp> main = p.start();
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(test::WaitUntil([&] { return !main->longRunBusy(); }));
        EXPECT_EQ(p.column("OrvLibraries81.mdb", "SELECT Count(*) FROM MusicLibrary1"),
                  QStringList{commandLine == "Y" ? "1" : "0"})
            << commandLine.toStdString();
    }
}

TEST(StartUp, FirstUseWelcomesAndRemembersIt) {
    StartedProgram p(QString(), true);
    QString title;
    OnNextModal([&](QWidget* welcome) {
        title = welcome->findChild<QLabel*>("lblTitle")->text();
        welcome->findChild<QAbstractButton*>("cmdOK")->click();
    });
    ASSERT_NE(p.start(), nullptr);
    EXPECT_EQ(title, "Welcome To Orvella 8.1.9!");
    EXPECT_EQ(GetSetting(p.state, "InitialUse"), "False");
    EXPECT_EQ(p.state.MusicPath, p.state.paths.DriveRoot);
    EXPECT_EQ(p.state.ImagesPath, p.file("Images"));
}

// The window manager closes the main window during the carry-over: it stops, the previous version's
// file stays for the next start, and the window goes once its load is over.
TEST(StartUp, ClosingTheWindowDuringTheCarryOverStopsItAndEndsCleanly) {
    StartedProgram p;
    ASSERT_TRUE(
        createDatabaseFile(p.file("OrvLibraries8.mdb"),
                           {musicLibraryCreateStatement("Jazz"),
                            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50) "
                            "INSERT INTO Jazz (Artist, Filename) SELECT 'A' || i, '/m/' || i || '.mp3' FROM n"}));
    // The window is closed as the carry-over is agreed to, while the run waits for the answer.
    QPointer<frmStartUp> window;
    QObject::connect(p.splash, &frmSplash::mainWindowCreated, [&](frmStartUp* main) { window = main; });
    OnNextModal([&](QWidget* question) {
        question->findChild<QAbstractButton*>("cmdYes")->click();
        window->close();
    });

    p.start();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(p.state.run.CloseRequested);
    EXPECT_FALSE(p.state.run.BuildRunning);
    EXPECT_TRUE(QFile::exists(p.file("OrvLibraries8.mdb")));
    EXPECT_FALSE(QFile::exists(p.file("OrvLibraries8OLD.mdb")));
    EXPECT_EQ(p.column("OrvLibraries81.mdb", "SELECT count(*) FROM sqlite_master WHERE name = 'Jazz'"),
              QStringList{"0"});
}

TEST(StartUp, ADamagedSettingsDatabaseShowsEachReportOnce) {
    StartedProgram p;
    ASSERT_TRUE(QFile::remove(p.file("OrvSettings.mdb")));
    ASSERT_TRUE(test::WriteFile(p.file("OrvSettings.mdb"), QByteArray(4096, '\x5a')));
    ASSERT_NE(p.start(), nullptr);
    QStringList shown;
    for (QWidget* window : test::OpenMessageDialogs())
        shown << window->findChild<QLabel*>("lblTitle")->text() + '|' +
                     window->findChild<QLabel*>("lblMessage")->text() + '|' +
                     window->findChild<QTextEdit*>("txtError")->toPlainText();
    ASSERT_FALSE(shown.isEmpty()) << "the failure is reported";
    EXPECT_EQ(shown.size(), QSet<QString>(shown.begin(), shown.end()).size()) << shown.join('\n').toStdString();
}

TEST(StartUp, CloseRequestedSkipsTheLoad) {
    StartedProgram p;
    p.state.run.CloseRequested = true;
    frmStartUp window(p.state);
    window.Form_Load();
    EXPECT_TRUE(window.windowTitle().isEmpty());
    EXPECT_FALSE(p.state.run.StartingUp);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// A report that ends the program, raised in a handler inside a modal dialog's event loop, leaves
// every event loop and makes the program's exec() return the failure status. Run in a child
// process: an application that was told to exit stays so.
TEST(StartUpDeathTest, AReportThatEndsTheProgramUnwindsToMain) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TestProgram p;
            WindowFrontEnd frontEnd(p.state);
            p.state.session.userInterface = &frontEnd;
            bool unwound = false;
            QTimer::singleShot(0, [&] {
                QDialog dialog;
                QTimer::singleShot(0, [&] {
                    struct Guard {
                        bool& flag;
                        ~Guard() { flag = true; }
                    } guard{unwound};
                    ShowErrorMessage(p.state, {.message = "Bye", .module = "m", .procedure = "p", .endProgram = true});
                });
                dialog.exec();
            });
            const int status = QApplication::exec();
            std::exit(unwound && p.state.run.CloseRequested ? status : 99);
        },
        testing::ExitedWithCode(EXIT_FAILURE), "");
}

}  // namespace
}  // namespace orv

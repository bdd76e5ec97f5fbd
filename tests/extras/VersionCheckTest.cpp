#include "extras/VersionCheck.h"
#include "store/Settings.h"
#include "support/Files.h"
#include "support/HttpServer.h"
#include "support/TestProgram.h"
#include "tags/Mp3Fixture.h"

#include <QFile>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::FileBytes;
using test::FilesIn;
using test::HttpReply;
using test::HttpServer;
using test::TestProgram;

const QString kNoUpdates = QStringLiteral("No new updates are currently available.");
const QString kTail = QStringLiteral(
    "\n\nWould you like to download this latest version?\n\n\n(Once the new version is downloaded, you will "
    "need to quit Orvella Configurator before you can install it successfully.)");

QByteArray versionFile(const QByteArray& version, const QByteArray& features = "New covers.") {
    return "<?xml version=\"1.0\"?>\n<OrvellaVersion>\n  <CurrentVersion>" + version +
           "</CurrentVersion>\n  <ReleaseDate>March 3, 2026</ReleaseDate>\n  <NewFeatures>" + features +
           "</NewFeatures>\n</OrvellaVersion>\n";
}

// What the check showed, and the folder it is given.
struct RecordingDisplay : VersionCheckDisplay {
    void showStatus(const QString& text) override { statuses << text; }
    QString pickFolder(const QString& prompt, const QString& initialFolder) override {
        prompts << prompt + " @ " + initialFolder;
        return folder;
    }
    void downloadStarted() override { ++started; }
    void showProgress(int value, qint64) override { progress << value; }
    void downloadEnded() override { ++ended; }
    bool downloadCancelled() override { return cancel; }

    QString folder;
    QStringList statuses;
    QStringList prompts;
    QList<int> progress;
    int started = 0;
    int ended = 0;
    bool cancel = false;
};

// A program folder whose update site is a server of the test's own.
struct UpdateSiteProgram : TestProgram {
    UpdateSiteProgram() {
        SaveSetting(state, "UpdateSite", "http://127.0.0.1:" + QString::number(server.port()));
        display.folder = download.path();
    }
    VersionCheckOutcome check() { return CheckForNewVersion(state, display, {3000, {}}); }
    void offer(const QByteArray& version, const QByteArray& features = "New covers.") {
        server.route("/CurrentVersion.xml", {HttpReply{200, versionFile(version, features)}});
    }
    QStringList messageTexts() const {
        QStringList texts;
        for (const DialogContent& message : ui.messages) texts << message.title + ": " + message.message;
        return texts;
    }

    HttpServer server;
    RecordingDisplay display;
    QTemporaryDir download;
};

TEST(versionCheck, VersionsCompareAsNumbersPartByPart) {
    const std::tuple<const char*, const char*, int> cases[] = {
        {"8.1.9", "8.1.9", 0}, {"8.1.10", "8.1.9", 1}, {"8.2.0", "8.1.9", 1}, {"9.0", "8.1.9", 1},
        {"8.1", "8.1.9", -1},  {"8.1.0", "8.1", 0},    {"", "8.1.9", -1},     {"8.0.99", "8.1.9", -1}};
    for (const auto& [a, b, sign] : cases) {
        const int order = compareVersions(a, b);
        EXPECT_EQ((order > 0) - (order < 0), sign) << a << " against " << b;
    }
}

TEST(versionCheck, TheSameVersionIsNoUpdateAndStartUpHearsNothingOfIt) {
    UpdateSiteProgram p;
    p.offer("8.1.9");
    EXPECT_EQ(p.check(), VersionCheckOutcome::NoUpdate);
    EXPECT_EQ(p.display.statuses, QStringList{"Please Wait...  Checking To See If New Version Is Available..."});
    EXPECT_EQ(p.messageTexts(), QStringList{"Orvella Configurator: " + kNoUpdates});
    EXPECT_EQ(p.ui.messages.value(0).icon, DialogContent::Information);
    EXPECT_TRUE(p.ui.questions.isEmpty());

    p.state.run.StartingUp = true;
    EXPECT_EQ(p.check(), VersionCheckOutcome::NoUpdate);
    EXPECT_EQ(p.ui.messages.size(), 1);
}

// Features lose carriage returns and tabs, and an empty list is left out.
TEST(versionCheck, NewerVersionsAreOfferedWithTheirFeatures) {
    const QString listed = "\n\nSome of the new features in this version include: \n";
    const std::tuple<QByteArray, QByteArray, QString> cases[] = {
        {"8.2.0", "Faster builds.\nCover art.", listed + "Faster builds.\nCover art.\n"},
        {"8.1.10", "Faster builds.\nCover art.", listed + "Faster builds.\nCover art.\n"},
        {"9.0", "Faster builds.\nCover art.", listed + "Faster builds.\nCover art.\n"},
        {"8.2.0", "One\r\nTwo&#13;\tThree&#9;\nFour", listed + "One\nTwoThree\nFour\n"},
        {"8.2.0", "", ""},
        {"8.2.0", "  \n  ", ""}};
    for (const auto& [version, features, expected] : cases) {
        UpdateSiteProgram p;
        p.offer(version, features);
        EXPECT_EQ(p.check(), VersionCheckOutcome::Declined) << version.constData();
        ASSERT_EQ(p.ui.questions.size(), 1);
        EXPECT_EQ(p.ui.questions[0].title, "A New Version Of Orvella Is Available!");
        EXPECT_EQ(p.ui.questions[0].message, "A new version, " + version +
                                                 ", is available for download.\nThis version was released on "
                                                 "March 3, 2026." +
                                                 expected + kTail)
            << features.constData();
        EXPECT_TRUE(p.ui.messages.isEmpty());
        EXPECT_TRUE(p.display.prompts.isEmpty());
    }
}

// Also a site that is not set (no request) or that nobody answers.
TEST(versionCheck, AnswersThatTellNothingGiveNoUpdate) {
    const test::ClosedPort closed;
    const QList<std::pair<HttpReply, std::optional<QString>>> cases{
        {HttpReply{200,
                   "<OrvellaVersion><ErrorMsg>Down for maintenance</ErrorMsg>"
                   "<CurrentVersion>9.9.9</CurrentVersion></OrvellaVersion>"},
         {}},
        {HttpReply{200, "<html><body>Version 9.9.9 is out<br></body></html>"}, {}},
        {HttpReply{200, "<OrvellaVersion><CurrentVersion>9.9.9</CurrentVersion>"}, {}},
        {HttpReply{200, "<OrvellaVersion/>"}, {}},
        {HttpReply{404, versionFile("9.9.9")}, {}},
        {HttpReply{500, versionFile("9.9.9")}, {}},
        {HttpReply{200, versionFile("9.9.9")}, ""},
        {HttpReply{200, versionFile("9.9.9")}, closed.url("/").toString()},
    };
    for (const auto& [answer, site] : cases) {
        UpdateSiteProgram p;
        p.server.route("/CurrentVersion.xml", {answer});
        if (site) SaveSetting(p.state, "UpdateSite", *site);
        EXPECT_EQ(p.check(), VersionCheckOutcome::NoUpdate) << answer.body.constData();
        EXPECT_EQ(p.messageTexts(), QStringList{"Orvella Configurator: " + kNoUpdates});
        EXPECT_TRUE(p.ui.questions.isEmpty());
        EXPECT_EQ(p.server.requests().isEmpty(), site.has_value()) << answer.body.constData();
    }
}

TEST(versionCheck, AnEmptyAnswerIsFetchedTenTimesAtMost) {
    UpdateSiteProgram p;
    p.server.route("/CurrentVersion.xml", {HttpReply{200, ""}});
    EXPECT_EQ(p.check(), VersionCheckOutcome::NoUpdate);
    EXPECT_EQ(p.server.requests().size(), 10);

    p.server.route("/CurrentVersion.xml",
                   {HttpReply{200, ""}, HttpReply{200, ""}, HttpReply{200, versionFile("8.2.0")}});
    EXPECT_EQ(p.check(), VersionCheckOutcome::Declined);
}

// The bar moves by pieces when the size is known, and is busy when it is not.
TEST(versionCheck, TheSetupFileArrivesWhole) {
    QByteArray setup(2560, '\0');
    for (int i = 0; i < setup.size(); ++i) setup[i] = static_cast<char>(i * 7);
    for (const bool sized : {true, false}) {
        UpdateSiteProgram p;
        p.offer("8.2.0");
        p.server.route("/OrvellaSetup.zip", {HttpReply{.body = setup, .sendLength = sized}});
        p.ui.answers = {Answer::Yes, Answer::No};

        EXPECT_EQ(p.check(), VersionCheckOutcome::Downloaded);
        EXPECT_EQ(p.display.prompts,
                  QStringList{"Select The Folder To Download The New Setup File To: @ " + p.state.paths.programFolder});
        EXPECT_EQ(p.display.progress, sized ? QList<int>({40, 80, 100}) : QList<int>({-1, -1, -1}));
        EXPECT_EQ(p.display.started, 1);
        EXPECT_EQ(p.display.ended, 1);
        const QString folder = p.download.path() + "/";
        EXPECT_EQ(p.display.statuses.last(), "Downloading Setup File For Version 8.2.0 To: \n" + folder + "...");
        EXPECT_EQ(FilesIn(p.download.path()), QStringList{"OrvellaSetup.zip"});
        EXPECT_EQ(FileBytes(folder + "OrvellaSetup.zip"), setup);
        ASSERT_EQ(p.ui.questions.size(), 2);
        EXPECT_EQ(p.ui.questions[1].title, "Download Successful!");
        EXPECT_EQ(p.ui.questions[1].message,
                  "The setup file for version 8.2.0 was successfully downloaded to:\n\n" + folder +
                      "\n\nWould you like to quit Orvella Configurator so you can install the new version now?");
        EXPECT_TRUE(p.ui.messages.isEmpty());

        p.ui.answers = {Answer::Yes, Answer::Yes};
        EXPECT_EQ(p.check(), VersionCheckOutcome::QuitToInstall);
    }
}

TEST(versionCheck, AFailedOrStoppedDownloadLeavesNoFileAndIsReported) {
    struct Case {
        const char* what;
        HttpReply setup;
        bool folderExists;
        bool cancel;
        QString reason;  // how the message's middle paragraph starts
    };
    const QByteArray setup(5000, 'x');
    const Case cases[] = {
        {"cut short", HttpReply{.body = setup, .cutAfter = 2048}, true, false, ""},
        {"not found", HttpReply{.status = 404, .body = "no such file"}, true, false,
         "The web site answered with HTTP status 404."},
        {"no folder", HttpReply{.body = setup}, false, false, "The file '"},
        {"stopped", HttpReply{.silent = true}, true, true, "The download was stopped before it was complete."},
    };
    for (const Case& c : cases) {
        UpdateSiteProgram p;
        p.offer("8.2.0");
        p.server.route("/OrvellaSetup.zip", {c.setup});
        if (!c.folderExists) p.display.folder = p.download.path() + "/gone";
        p.display.cancel = c.cancel;
        p.ui.answers = {Answer::Yes, Answer::Yes};

        EXPECT_EQ(p.check(), VersionCheckOutcome::DownloadFailed) << c.what;
        EXPECT_EQ(FilesIn(p.download.path()), QStringList{}) << c.what;
        EXPECT_FALSE(QFile::exists(p.display.folder + "/OrvellaSetup.zip")) << c.what;
        ASSERT_EQ(p.ui.questions.size(), 1) << c.what;
        ASSERT_EQ(p.ui.messages.size(), 1) << c.what;
        EXPECT_EQ(p.ui.messages[0].title, "Download Failed");
        const QString& message = p.ui.messages[0].message;
        EXPECT_TRUE(message.startsWith("The setup file for version 8.2.0 could not be downloaded.\n\n" + c.reason))
            << message.toStdString();
        EXPECT_TRUE(message.endsWith("\n\nNo setup file was saved.")) << c.what;
        EXPECT_EQ(p.display.ended, 1);
    }
}
TEST(versionCheck, NoFolderPickedDownloadsNothing) {
    UpdateSiteProgram p;
    p.offer("8.2.0");
    p.server.route("/OrvellaSetup.zip", {HttpReply{200, "zip"}});
    p.display.folder.clear();
    p.ui.answers = {Answer::Yes};
    EXPECT_EQ(p.check(), VersionCheckOutcome::NoFolder);
    EXPECT_EQ(p.server.requests().size(), 1);
    EXPECT_EQ(p.display.started, 0);
    EXPECT_TRUE(p.ui.messages.isEmpty());
}

}  // namespace
}  // namespace orv

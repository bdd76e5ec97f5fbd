#include "extras/VersionCheck.h"
#include "store/Settings.h"
#include "support/Files.h"
#include "support/HttpServer.h"
#include "support/TestProgram.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace orv {
namespace {

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
    VersionCheckOutcome check(const HttpOptions& o = {3000, {}}) { return CheckForNewVersion(state, display, o); }
    void offer(const QByteArray& version, const QByteArray& features = "New covers.") {
        server.route("/CurrentVersion.xml", {HttpReply{200, versionFile(version, features)}});
    }
    QStringList messageTexts() const {
        QStringList texts;
        for (const DialogContent& message : ui.messages) texts << message.title + ": " + message.message;
        return texts;
    }
    QStringList downloadFolderFiles() const { return QDir(download.path()).entryList(QDir::Files | QDir::Hidden); }

    HttpServer server;
    RecordingDisplay display;
    QTemporaryDir download;
};

TEST(versionCheck, VersionsCompareAsNumbersPartByPart) {
    EXPECT_EQ(compareVersions("8.1.9", "8.1.9"), 0);
    EXPECT_GT(compareVersions("8.1.10", "8.1.9"), 0);
    EXPECT_GT(compareVersions("8.2.0", "8.1.9"), 0);
    EXPECT_GT(compareVersions("9.0", "8.1.9"), 0);
    EXPECT_LT(compareVersions("8.1", "8.1.9"), 0);
    EXPECT_EQ(compareVersions("8.1.0", "8.1"), 0);
    EXPECT_LT(compareVersions("", "8.1.9"), 0);
    EXPECT_LT(compareVersions("8.0.99", "8.1.9"), 0);
}

TEST(versionCheck, TheSameVersionIsNoUpdateAndStartUpHearsNothingOfIt) {
    UpdateSiteProgram p;
    p.offer("8.1.9");
    EXPECT_EQ(p.check(), VersionCheckOutcome::NoUpdate);
    EXPECT_EQ(p.display.statuses, QStringList{"Please Wait...  Checking To See If New Version Is Available..."});
    ASSERT_EQ(p.ui.messages.size(), 1);
    EXPECT_EQ(p.ui.messages[0].message, kNoUpdates);
    EXPECT_EQ(p.ui.messages[0].title, "Orvella Configurator");
    EXPECT_EQ(p.ui.messages[0].icon, DialogContent::Information);
    EXPECT_TRUE(p.ui.questions.isEmpty());

    p.state.run.StartingUp = true;
    EXPECT_EQ(p.check(), VersionCheckOutcome::NoUpdate);
    EXPECT_EQ(p.ui.messages.size(), 1);
}

TEST(versionCheck, NewerVersionsAreOfferedWithTheirFeatures) {
    for (const QByteArray version : {"8.2.0", "8.1.10", "9.0"}) {
        UpdateSiteProgram p;
        p.offer(version, "Faster builds.\nCover art from two services.");
        EXPECT_EQ(p.check(), VersionCheckOutcome::Declined) << version.constData();
        ASSERT_EQ(p.ui.questions.size(), 1);
        EXPECT_EQ(p.ui.questions[0].title, "A New Version Of Orvella Is Available!");
        EXPECT_EQ(p.ui.questions[0].message,
                  "A new version, " + version + ", is available for download.\nThis version was released on " +
                      "March 3, 2026.\n\nSome of the new features in this version include: \nFaster builds.\n" +
                      "Cover art from two services.\n" + kTail);
        EXPECT_TRUE(p.ui.messages.isEmpty());
        EXPECT_TRUE(p.display.prompts.isEmpty());
    }
}

TEST(versionCheck, FeaturesLoseCarriageReturnsAndTabsAndAnEmptyListIsLeftOut) {
    UpdateSiteProgram p;
    p.offer("8.2.0", "One\r\nTwo&#13;\tThree&#9;\nFour");
    p.check();
    p.offer("8.2.0", "");
    p.check();
    p.offer("8.2.0", "  \n  ");
    p.check();
    ASSERT_EQ(p.ui.questions.size(), 3);
    const QString head =
        "A new version, 8.2.0, is available for download.\nThis version was released on March 3, 2026.";
    EXPECT_EQ(p.ui.questions[0].message,
              head + "\n\nSome of the new features in this version include: \nOne\nTwoThree\nFour\n" + kTail);
    EXPECT_EQ(p.ui.questions[1].message, head + kTail);
    EXPECT_EQ(p.ui.questions[2].message, head + kTail);
}

TEST(versionCheck, ACheckThatCannotBeMadeSaysWhyAndTheWindowKeepsItsText) {
    QByteArray tooLarge = versionFile("9.9.9");
    tooLarge.insert(tooLarge.indexOf("</NewFeatures>"), QByteArray(kMaxPageBytes, 'x'));
    const QList<HttpReply> answers{
        HttpReply{200,
                  "<OrvellaVersion><ErrorMsg>Down for maintenance</ErrorMsg>"
                  "<CurrentVersion>9.9.9</CurrentVersion></OrvellaVersion>"},
        HttpReply{200, "<html><body>Version 9.9.9 is out<br></body></html>"},
        HttpReply{200, "<OrvellaVersion><CurrentVersion>9.9.9</CurrentVersion>"},
        HttpReply{200, "<OrvellaVersion><ReleaseDate>May 1</ReleaseDate></OrvellaVersion>"},
        HttpReply{404, versionFile("9.9.9")},
        HttpReply{500, versionFile("9.9.9")},
        HttpReply{200, tooLarge},
        HttpReply{.body = versionFile("9.9.9"), .dripMs = 50},
    };
    for (const HttpReply& answer : answers) {
        UpdateSiteProgram p;
        p.server.route("/CurrentVersion.xml", {answer});
        const char* what = answer.body.constData();
        EXPECT_EQ(p.check({.timeoutMs = 300, .deadlineMs = 600}), VersionCheckOutcome::CheckFailed) << what;
        EXPECT_EQ(p.messageTexts(), QStringList{"Orvella Configurator: " + kNoUpdates}) << what;
        EXPECT_LE(p.server.requests().size(), 3) << what;
        EXPECT_TRUE(p.ui.questions.isEmpty());
    }
}

TEST(versionCheck, AnEmptyAnswerIsFetchedThreeTimesAtMost) {
    UpdateSiteProgram p;
    p.server.route("/CurrentVersion.xml", {HttpReply{200, ""}});
    EXPECT_EQ(p.check(), VersionCheckOutcome::CheckFailed);
    EXPECT_EQ(p.server.requests().size(), 3);

    p.server.route("/CurrentVersion.xml",
                   {HttpReply{200, ""}, HttpReply{200, ""}, HttpReply{200, versionFile("8.2.0")}});
    EXPECT_EQ(p.check(), VersionCheckOutcome::Declined);
}

TEST(versionCheck, NoSiteOrAnUnreachableOneIsAFailedCheck) {
    UpdateSiteProgram p;
    p.offer("8.2.0");
    SaveSetting(p.state, "UpdateSite", "");
    EXPECT_EQ(p.check(), VersionCheckOutcome::CheckFailed);
    EXPECT_TRUE(p.server.requests().isEmpty());

    const test::ClosedPort closed;
    SaveSetting(p.state, "UpdateSite", closed.url("/").toString());
    EXPECT_EQ(p.check(), VersionCheckOutcome::CheckFailed);
    EXPECT_EQ(p.messageTexts(), QStringList(2, "Orvella Configurator: " + kNoUpdates));

    // A query in the site's address changes neither what is asked for nor the saved file's name.
    SaveSetting(p.state, "UpdateSite", "http://127.0.0.1:" + QString::number(p.server.port()) + "/ok?x=");
    p.server.route("/ok", {HttpReply{200, versionFile("8.2.0")}, HttpReply{200, "setup"}});
    p.ui.answers = {Answer::Yes, Answer::No};
    EXPECT_EQ(p.check(), VersionCheckOutcome::Downloaded);
    EXPECT_EQ(p.downloadFolderFiles(), QStringList{"OrvellaSetup.zip"});
}

TEST(versionCheck, TheSetupFileArrivesWholeAndTheBarMovesByPieces) {
    UpdateSiteProgram p;
    p.offer("8.2.0");
    QByteArray setup(2560, '\0');
    for (int i = 0; i < setup.size(); ++i) setup[i] = static_cast<char>(i * 7);
    p.server.route("/OrvellaSetup.zip", {HttpReply{200, setup}});
    p.ui.answers = {Answer::Yes, Answer::No};

    EXPECT_EQ(p.check(), VersionCheckOutcome::Downloaded);
    EXPECT_EQ(p.display.prompts,
              QStringList{"Select The Folder To Download The New Setup File To: @ " + p.state.paths.programFolder});
    EXPECT_EQ(p.display.progress, (QList<int>{40, 80, 100}));
    EXPECT_EQ(p.display.started, 1);
    EXPECT_EQ(p.display.ended, 1);
    const QString folder = p.download.path() + "/";
    EXPECT_EQ(p.display.statuses.last(), "Downloading Setup File For Version 8.2.0 To: \n" + folder + "...");

    EXPECT_EQ(p.downloadFolderFiles(), QStringList{"OrvellaSetup.zip"});
    EXPECT_EQ(test::FileBytes(folder + "OrvellaSetup.zip"), setup);
    ASSERT_EQ(p.ui.questions.size(), 2);
    EXPECT_EQ(p.ui.questions[1].title, "Download Successful!");
    EXPECT_EQ(p.ui.questions[1].message,
              "The setup file for version 8.2.0 was successfully downloaded to:\n\n" + folder +
                  "\n\nWould you like to quit Orvella Configurator so you can install the new version now?");
    EXPECT_TRUE(p.ui.messages.isEmpty());

    p.ui.answers = {Answer::Yes, Answer::Yes};
    EXPECT_EQ(p.check(), VersionCheckOutcome::QuitToInstall);
}

TEST(versionCheck, ADownloadWithoutASizeCompletesWithABusyBar) {
    UpdateSiteProgram p;
    p.offer("8.2.0");
    const QByteArray setup(3000, 'z');
    p.server.route("/OrvellaSetup.zip", {HttpReply{.body = setup, .sendLength = false}});
    p.ui.answers = {Answer::Yes, Answer::No};

    EXPECT_EQ(p.check(), VersionCheckOutcome::Downloaded);
    EXPECT_EQ(p.display.progress, (QList<int>{-1, -1, -1}));
    EXPECT_EQ(test::FileBytes(p.download.path() + "/OrvellaSetup.zip"), setup);
}

TEST(versionCheck, AFailedDownloadLeavesNoFileAndIsReported) {
    struct Case {
        const char* what;
        HttpReply setup;
        bool folderExists;
    };
    const QByteArray setup(5000, 'x');
    const Case cases[] = {
        {"cut short", HttpReply{.body = setup, .cutAfter = 2048}, true},
        {"not found", HttpReply{.status = 404, .body = "no such file"}, true},
        {"no folder", HttpReply{.body = setup}, false},
        {"dripping", HttpReply{.body = setup, .dripMs = 50}, true},
    };
    for (const Case& c : cases) {
        UpdateSiteProgram p;
        p.offer("8.2.0");
        p.server.route("/OrvellaSetup.zip", {c.setup});
        if (!c.folderExists) p.display.folder = p.download.path() + "/gone";
        p.ui.answers = {Answer::Yes, Answer::Yes};

        EXPECT_EQ(p.check({.timeoutMs = 3000, .deadlineMs = 2000}), VersionCheckOutcome::DownloadFailed) << c.what;
        EXPECT_TRUE(p.downloadFolderFiles().isEmpty())
            << c.what << ": " << p.downloadFolderFiles().join(", ").toStdString();
        EXPECT_FALSE(QFile::exists(p.display.folder + "/OrvellaSetup.zip")) << c.what;
        ASSERT_EQ(p.ui.questions.size(), 1) << c.what;
        ASSERT_EQ(p.ui.messages.size(), 1) << c.what;
        EXPECT_EQ(p.ui.messages[0].title, "Download Failed");
        EXPECT_TRUE(
            p.ui.messages[0].message.startsWith("The setup file for version 8.2.0 could not be downloaded.\n\n"))
            << p.ui.messages[0].message.toStdString();
        EXPECT_TRUE(p.ui.messages[0].message.endsWith("\n\nNo setup file was saved."));
        EXPECT_EQ(p.display.ended, 1);
    }
}

TEST(versionCheck, AStoppedDownloadLeavesNoFile) {
    UpdateSiteProgram p;
    p.offer("8.2.0");
    p.server.route("/OrvellaSetup.zip", {HttpReply{.silent = true}});
    p.display.cancel = true;
    p.ui.answers = {Answer::Yes, Answer::Yes};
    EXPECT_EQ(p.check(), VersionCheckOutcome::DownloadFailed);
    EXPECT_TRUE(p.downloadFolderFiles().isEmpty());
    ASSERT_EQ(p.ui.messages.size(), 1);
    EXPECT_TRUE(p.ui.messages[0].message.contains("The download was stopped before it was complete."));
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

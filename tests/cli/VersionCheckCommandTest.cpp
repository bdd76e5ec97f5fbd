#include "support/Cli.h"
#include "support/HttpServer.h"
#include "tags/Mp3Fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using orv::test::Cli;
using orv::test::CliRun;
using orv::test::HttpReply;
using orv::test::HttpServer;

// A program folder whose update site offers 8.2.0 and a 3,000-byte setup file.
struct CliVersionCheck : orv::test::CliHome {
    void SetUp() override {
        CliHome::SetUp();
        ASSERT_EQ(Cli(home.path(), {"settings", "set", "UpdateSite", server.url("").toString()}).status, 0);
        server.route("/CurrentVersion.xml", {HttpReply{200,
                                                       "<V><CurrentVersion>8.2.0</CurrentVersion>"
                                                       "<ReleaseDate>May 1, 2026</ReleaseDate></V>"}});
        server.route("/OrvellaSetup.zip", {HttpReply{200, setup}});
    }
    CliRun check(const QStringList& options) {
        return Cli(home.path(), QStringList{"--yes", "version-check"} + options);
    }

    HttpServer server;
    QTemporaryDir folder;
    const QByteArray setup = QByteArray(3000, 'q');
};

TEST_F(CliVersionCheck, PrintsTheQuestionAndDownloadsIntoTheFolder) {
    const CliRun asked = Cli(home.path(), {"version-check"});
    EXPECT_EQ(asked.status, 0);
    EXPECT_TRUE(
        asked.err.contains("A New Version Of Orvella Is Available!\nA new version, 8.2.0, is available for "
                           "download.\nThis version was released on May 1, 2026."))
        << asked.err.toStdString();
    EXPECT_TRUE(asked.err.contains("[Yes/No] No"));

    const CliRun downloaded = check({"--download-to", folder.path()});
    EXPECT_EQ(downloaded.status, 0) << downloaded.err.toStdString();
    EXPECT_TRUE(
        downloaded.err.contains("Download Successful!\nThe setup file for version 8.2.0 was successfully "
                                "downloaded to:\n\n" +
                                folder.path() + "/\n\n"))
        << downloaded.err.toStdString();
    EXPECT_EQ(orv::test::FileBytes(folder.path() + "/OrvellaSetup.zip"), setup);
}

TEST_F(CliVersionCheck, AFailedDownloadEndsWithStatusOne) {
    server.route("/OrvellaSetup.zip", {HttpReply{.body = setup, .cutAfter = 1000}});
    const CliRun failed = check({"--download-to", folder.path()});
    EXPECT_EQ(failed.status, 1);
    EXPECT_TRUE(failed.err.contains("Download Failed\nThe setup file for version 8.2.0 could not be downloaded."))
        << failed.err.toStdString();
    EXPECT_FALSE(failed.err.contains("Download Successful!"));
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

TEST_F(CliVersionCheck, ACheckNotMadeSaysWhyWithStatusOneAndWrongUsage) {
    server.route("/CurrentVersion.xml", {HttpReply{200, "<V><ErrorMsg>Closed</ErrorMsg></V>"}});
    const CliRun malformed = check({});
    EXPECT_EQ(malformed.status, 1);
    EXPECT_TRUE(
        malformed.err.endsWith("Orvella Configurator\nThe update site could not be asked for a new version.\n\n" +
                               server.url("/CurrentVersion.xml").toString() + " holds no version.\n"))
        << malformed.err.toStdString();

    EXPECT_EQ(check({"--download-to"}).status, 2);
    EXPECT_EQ(check({"now"}).status, 2);
}

// The network module is loaded from beside the program; without it, the check says so and fails.
TEST_F(CliVersionCheck, TheNetworkModuleIsLoadedFromBesideTheProgram) {
    QTemporaryDir programs;
    const QString cli = programs.filePath("orvella-cli");
    ASSERT_TRUE(QFile::copy(ORVELLA_CLI, cli));
    const CliRun alone = Cli(home.path(), {"version-check"}, cli);
    EXPECT_EQ(alone.status, 1);
    EXPECT_TRUE(
        alone.err.contains("The update site could not be asked for a new version.\n\nThe network library "
                           "liborvella-network.so cannot be loaded: "))
        << alone.err.toStdString();
    EXPECT_TRUE(server.requests().isEmpty());

    ASSERT_TRUE(QFile::copy(QFileInfo(ORVELLA_CLI).path() + "/liborvella-network.so",
                            programs.filePath("liborvella-network.so")));
    const CliRun beside = Cli(home.path(), {"version-check"}, cli);
    EXPECT_EQ(beside.status, 0) << beside.err.toStdString();
    EXPECT_TRUE(beside.err.contains("A new version, 8.2.0, is available")) << beside.err.toStdString();
}

}  // namespace

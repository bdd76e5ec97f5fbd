#include "core/Network.h"
#include "support/HttpServer.h"

#include <QSslSocket>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::HttpReply;
using test::HttpServer;

HttpOptions shortWait(std::function<bool()> cancelled = {}) {
    return {300, std::move(cancelled)};
}

// What a download handed on: its pieces and every progress report.
struct Received {
    QList<QByteArray> pieces;
    QList<QPair<qint64, qint64>> progress;
    bool refuse = false;

    HttpAnswer download(Network& network, const QUrl& url, const HttpOptions& options = {}) {
        return network.download(
            url, [this](const QByteArray& piece) { return pieces.append(piece), !refuse; },
            [this](qint64 got, qint64 total) {
                progress.append({got, total});
            },
            options);
    }
};

TEST(Network, AnswerCarriesStatusBodyAndTheProgramsUserAgent) {
    HttpServer server;
    server.route("/onca/xml3", {HttpReply{200, "<ProductInfo/>"}});
    server.route("/missing", {HttpReply{404, "no such page"}});
    Network network;

    const HttpAnswer answer = network.get(server.url("/onca/xml3?t=orvella-20&ArtistSearch=Some%20Band"));
    EXPECT_TRUE(answer.succeeded());
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.body, "<ProductInfo/>");
    const HttpAnswer missing = network.get(server.url("/missing"));
    EXPECT_EQ(missing.outcome, HttpOutcome::Answered);
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(missing.body, "no such page");
    EXPECT_FALSE(missing.succeeded());

    const QList<test::HttpRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/onca/xml3?t=orvella-20&ArtistSearch=Some%20Band");
    EXPECT_EQ(requests[0].headers.value("user-agent"), "OrvellaConfigurator/8.1.9 ( https://www.orvella.example )");
}

TEST(Network, RedirectsAreFollowedAcrossHostsButNotForever) {
    HttpServer archive, imageHost;
    imageHost.route("/images/front.jpg", {HttpReply{200, "JPEG", {{"Content-Type", "image/jpeg"}}}});
    const QByteArray image = imageHost.url("/images/front.jpg").toEncoded();
    archive.route("/release/front", {HttpReply{307, {}, {{"Location", image}}}});
    archive.route("/moved", {HttpReply{302, {}, {{"Location", "/release/front"}}}});
    archive.route("/loop", {HttpReply{302, {}, {{"Location", "/loop"}}}});
    Network network;

    const HttpAnswer answer = network.get(archive.url("/moved"));
    EXPECT_TRUE(answer.succeeded()) << answer.error.toStdString();
    EXPECT_EQ(answer.body, "JPEG");
    EXPECT_EQ(answer.url, imageHost.url("/images/front.jpg"));
    ASSERT_EQ(imageHost.requests().size(), 1);
    EXPECT_EQ(imageHost.requests()[0].headers.value("user-agent"), Network::userAgent());

    const HttpAnswer loop = network.get(archive.url("/loop"), shortWait());
    EXPECT_EQ(loop.outcome, HttpOutcome::ConnectionFailed);
    EXPECT_FALSE(loop.error.isEmpty());
    // Followed a few times, then given up (Qt may send a request again on a new connection).
    const qsizetype loopRequests = archive.requests().size() - 2;
    EXPECT_GT(loopRequests, 1);
    EXPECT_LE(loopRequests, 2 * 11);
}

TEST(Network, NoAnswerIsAFailedConnection) {
    HttpServer server;
    server.route("/silent", {HttpReply{.silent = true}});
    Network network;

    const HttpAnswer refused = network.get(test::ClosedPort().url("/"));
    EXPECT_EQ(refused.outcome, HttpOutcome::ConnectionFailed);
    EXPECT_EQ(refused.status, 0);
    EXPECT_FALSE(refused.error.isEmpty());

    const HttpAnswer timedOut = network.get(server.url("/silent"), shortWait());
    EXPECT_EQ(timedOut.outcome, HttpOutcome::ConnectionFailed);
    EXPECT_FALSE(timedOut.error.isEmpty());

    // A server that does not speak TLS fails the handshake; the TLS backend itself loads.
    EXPECT_TRUE(QSslSocket::supportsSsl()) << QSslSocket::activeBackend().toStdString();
    QUrl secure = server.url("/silent");
    secure.setScheme("https");
    EXPECT_EQ(network.get(secure, shortWait()).outcome, HttpOutcome::ConnectionFailed);
}

TEST(Network, TriesRepeatOnlyWhileTheBodyIsEmpty) {
    HttpServer server;
    server.route("/CurrentVersion.xml", {HttpReply{200, ""}, HttpReply{200, ""}, HttpReply{200, "<V/>"}});
    server.route("/empty", {HttpReply{200, ""}});
    Network network;

    EXPECT_EQ(network.getWithTries(server.url("/CurrentVersion.xml"), 10).body, "<V/>");
    EXPECT_EQ(server.requests().size(), 3);
    const HttpAnswer empty = network.getWithTries(server.url("/empty"), 4);
    EXPECT_EQ(empty.outcome, HttpOutcome::Answered);
    EXPECT_TRUE(empty.body.isEmpty());
    EXPECT_EQ(server.requests().size(), 3 + 4);

    const test::ClosedPort nowhere;
    EXPECT_EQ(network.getWithTries(nowhere.url("/"), 3).outcome, HttpOutcome::ConnectionFailed);
}

TEST(Network, CancelTestAbortsTheWait) {
    HttpServer server;
    server.route("/slow", {HttpReply{200, "late", {}, true, -1, 60000}});
    Network network;

    // Polled while waiting: cancels once the server has the request; the time-out alone would take 10 s.
    const HttpAnswer answer = network.get(server.url("/slow"), {10000, [&] { return !server.requests().isEmpty(); }});
    EXPECT_EQ(answer.outcome, HttpOutcome::Cancelled);
    EXPECT_TRUE(answer.body.isEmpty());
    // Cancelled before it starts: nothing is sent.
    EXPECT_EQ(network.get(server.url("/slow"), {10000, [] { return true; }}).outcome, HttpOutcome::Cancelled);
    EXPECT_EQ(server.requests().size(), 1);
}

TEST(Network, ADownloadsDeadlineGrowsWithItsSizeAndABodyTooLargeIsNotTaken) {
    HttpServer server;
    server.route("/setup", {HttpReply{.body = QByteArray(20, 's'), .dripMs = 100}});
    server.route("/unsized", {HttpReply{.body = QByteArray(5000, 'u'), .sendLength = false}});
    Network network;
    // 20 bytes 100 ms apart take two seconds: past 700 ms, well within the 20 s that 1 s a byte adds.
    // (The 700 ms leave a busy machine time to send the headers.)
    Received cut, whole;
    EXPECT_FALSE(cut.download(network, server.url("/setup"), {.deadlineMs = 700}).succeeded());
    EXPECT_TRUE(
        whole.download(network, server.url("/setup"), {.deadlineMs = 700, .deadlineBytesPerSecond = 1}).succeeded());
    const HttpAnswer large = network.getWithTries(server.url("/unsized"), 3, {.maxBodyBytes = 4999});
    EXPECT_EQ(large.outcome, HttpOutcome::TooLarge);
    EXPECT_TRUE(large.body.isEmpty());
    // A body too large is not asked for again. (Only its own requests are counted: Qt may send a
    // download again on a fresh connection when the server closed the one it meant to reuse.)
    QByteArrayList targets;
    for (const test::HttpRequest& request : server.requests()) targets << request.target;
    EXPECT_EQ(targets.count("/unsized"), 1) << targets.join(' ').toStdString();
}

TEST(Network, DownloadHandsOnPiecesAndProgress) {
    HttpServer server;
    const QByteArray setup(2560, 'z');
    server.route("/OrvellaSetup.zip", {HttpReply{200, setup}});
    server.route("/unsized", {HttpReply{200, setup, {}, false}});
    Network network;

    Received sized;
    EXPECT_TRUE(sized.download(network, server.url("/OrvellaSetup.zip")).succeeded());
    EXPECT_EQ(sized.pieces, (QList<QByteArray>{setup.left(1024), setup.mid(1024, 1024), setup.right(512)}));
    EXPECT_EQ(sized.progress, (QList<QPair<qint64, qint64>>{{1024, 2560}, {2048, 2560}, {2560, 2560}}));

    Received unsized;
    const HttpAnswer answer = unsized.download(network, server.url("/unsized"));
    EXPECT_TRUE(answer.succeeded());
    EXPECT_EQ(answer.size, -1);
    EXPECT_EQ(unsized.pieces.join(), setup);
    ASSERT_FALSE(unsized.progress.isEmpty());
    EXPECT_EQ(unsized.progress.last(), (QPair<qint64, qint64>{2560, -1}));
}

TEST(Network, DownloadFailsOnShortBodyErrorStatusOrRefusedPiece) {
    HttpServer server;
    const QByteArray setup(5000, 'z');
    server.route("/half", {HttpReply{200, setup, {}, true, 3000}});
    server.route("/gone", {HttpReply{404, "Not Found"}});
    server.route("/whole", {HttpReply{200, setup}});
    Network network;

    Received half;
    const HttpAnswer cut = half.download(network, server.url("/half"));
    EXPECT_FALSE(cut.succeeded());
    EXPECT_FALSE(cut.complete);
    EXPECT_EQ(cut.size, 5000);
    EXPECT_LT(half.pieces.join().size(), 5000);
    EXPECT_FALSE(cut.error.isEmpty());

    Received gone;
    const HttpAnswer missing = gone.download(network, server.url("/gone"));
    EXPECT_EQ(missing.status, 404);
    EXPECT_FALSE(missing.succeeded());
    EXPECT_TRUE(gone.pieces.isEmpty());

    Received refused{.refuse = true};
    const HttpAnswer stopped = refused.download(network, server.url("/whole"));
    EXPECT_EQ(stopped.outcome, HttpOutcome::Cancelled);
    EXPECT_EQ(refused.pieces.size(), 1);
    EXPECT_TRUE(refused.progress.isEmpty());
}

}  // namespace
}  // namespace orv

#include "coverart/CoverFixture.h"
#include "coverart/CoverLookup.h"
#include "coverart/CoverMisses.h"
#include "coverart/MusicBrainzCatalogue.h"
#include "store/ProgramFiles.h"
#include "support/Cli.h"
#include "tags/Mp3Fixture.h"

#include <QFile>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::FileBytes;
using test::FilesIn;
using test::HttpReply;
using test::HttpServer;
using test::NoisePicture;

const char* const kFirstGroup = "0a1b2c3d-0000-4000-8000-000000000001";
const char* const kSecondGroup = "0a1b2c3d-0000-4000-8000-000000000002";
const QByteArray kSearchPath = "/ws/2/release-group/";

// A search answer as the web service writes it, with release groups of these identifiers.
QByteArray SearchAnswer(const QStringList& ids) {
    QByteArray groups;
    for (const QString& id : ids) {
        if (!groups.isEmpty()) groups += ",";
        groups += R"({"id":")" + id.toLatin1() +
                  R"(","type-id":"f529b476-6e62-324f-b0aa-1f3e33d313fc","score":100,"primary-type-id":)"
                  R"("f529b476-6e62-324f-b0aa-1f3e33d313fc","count":1,"title":"An Album",)"
                  R"("first-release-date":"1999-05-04","primary-type":"Album",)"
                  R"("artist-credit":[{"name":"An Artist","artist":{"id":"5b11f4ce-a62d-471e-81fc-a69a8278c7da",)"
                  R"("name":"An Artist","sort-name":"Artist, An"}}],"releases":[],"tags":[]})";
    }
    return R"({"created":"2024-01-05T10:00:00.000Z","count":)" + QByteArray::number(ids.size()) +
           R"(,"offset":0,"release-groups":[)" + groups + "]}";
}

// Time that passes only when the pacer pauses.
struct FakeTime {
    qint64 now = 0;
    QList<qint64> pauses;
    std::function<void()> onPause;

    RequestPacer pacer() {
        return RequestPacer([this] { return now; },
                            [this](qint64 ms) {
                                pauses << ms;
                                now += ms;
                                if (onPause) onPause();
                            });
    }
};

// The service the Settings name when they name none, on `server`.
class MusicBrainz : public test::CoverTest {
protected:
    MusicBrainz() {
        SaveSetting(state, kServiceSetting, QString());
        SaveSetting(state, kMusicBrainzHostSetting, musicBrainz.url({}).toString());
        SaveSetting(state, kCoverArtArchiveHostSetting, archive.url({}).toString());
    }

    // A run over the catalogue the Settings name, its requests paced by the fake clock.
    std::unique_ptr<CoverArtRun> newRun() {
        return std::make_unique<CoverArtRun>(
            state, std::make_unique<MusicBrainzCatalogue>(musicBrainz.url({}), archive.url({}), time.pacer()));
    }

    HttpServer& musicBrainz = server;
    HttpServer archive, imageHost;
    FakeTime time;
};

TEST_F(MusicBrainz, SearchesAskForTheReleaseGroupByTitleAndArtistWithQuotesEscaped) {
    musicBrainz.route(kSearchPath, {HttpReply{200, SearchAnswer({})}});
    const auto run = newRun();
    LookUpCoverArt(*run, R"(Guns "N" Roses & AC/DC)", R"(Use Your "Illusion" \ I)", "An Album");
    LookUpCoverArt(*run, {}, "Rock & Roll", "Rock & Roll");
    LookUpCoverArt(*run, "Only/Artist", " ", "Rock & Roll");
    LookUpCoverArt(*run, " ", {}, "Rock & Roll");  // nothing to search for: no request

    EXPECT_EQ(musicBrainz.targets(),
              QStringList({"/ws/2/release-group/?query=releasegroup%3A%22Use%20Your%20%5C%22Illusion%5C%22%20%5C%5C%20I"
                           "%22%20AND%20artist%3A%22Guns%20%5C%22N%5C%22%20Roses%20%26%20AC%2FDC%22&fmt=json&limit=5",
                           "/ws/2/release-group/?query=releasegroup%3A%22Rock%20%26%20Roll%22&fmt=json&limit=5",
                           "/ws/2/release-group/?query=artist%3A%22Only%2FArtist%22&fmt=json&limit=5"}));
    EXPECT_TRUE(musicBrainz.requests().first().headers.value("user-agent").startsWith("OrvellaConfigurator/8.1.9 ( "));
    EXPECT_TRUE(archive.requests().isEmpty());
}

TEST_F(MusicBrainz, TheFirstReleaseGroupWithFrontArtGivesTheCoverThroughTheArchivesRedirect) {
    const QByteArray front = NoisePicture(90, 11);
    musicBrainz.route(kSearchPath, {HttpReply{200, SearchAnswer({kFirstGroup, kSecondGroup})}});
    const QByteArray second = QByteArray("/release-group/") + kSecondGroup;
    archive.route(second + "/front-500",
                  {HttpReply{307, {}, {{"Location", imageHost.url("/front-500.jpg").toEncoded()}}}});
    archive.route(second + "/front-250",
                  {HttpReply{307, {}, {{"Location", imageHost.url("/front-250.jpg").toEncoded()}}}});
    imageHost.route("/front-500.jpg", {HttpReply{200, front, {{"Content-Type", "image/jpeg"}}}});
    imageHost.route("/front-250.jpg", {HttpReply{200, NoisePicture(50, 12), {{"Content-Type", "image/jpeg"}}}});
    const auto run = newRun();

    store(*run, "An Artist", "An Album");
    EXPECT_EQ(FileBytes(music.filePath("An Album.jpg")), front);
    EXPECT_EQ(state.run.CoverArtState, CoverArt::Downloaded);
    EXPECT_EQ(musicBrainz.requests().size(), 1);
    const QString first = QStringLiteral("/release-group/") + kFirstGroup;
    EXPECT_EQ(archive.targets(), QStringList({first + "/front-500", first + "/front-250", second + "/front-500",
                                              second + "/front-250"}));  // the first has no front: 404
    EXPECT_EQ(imageHost.targets(), QStringList({"/front-500.jpg", "/front-250.jpg"}));
    EXPECT_EQ(program.ui.pictures.value(Control::wbAlbumCoverSmall).size(), QSize(50, 50));
    EXPECT_EQ(FilesIn(program.dir.path()), programFiles);
    EXPECT_EQ(run->coversFound(), 1);
    EXPECT_EQ(run->coversNotFound(), 0);
}

TEST_F(MusicBrainz, EmptySearchesAndServerErrorsAreNotFoundAndTheSeriesGoesOnAtOneRequestASecond) {
    musicBrainz.route(kSearchPath,
                      {HttpReply{200, SearchAnswer({})}, HttpReply{500, "<html>Internal Error</html>"},
                       HttpReply{503, "rate limited"}, HttpReply{200, "not JSON"}, HttpReply{200, SearchAnswer({})}});
    const auto run = newRun();
    QStringList statusWhilePaused;
    time.onPause = [&] { statusWhilePaused << status(); };

    store(*run, "Artist", "Album");
    // Rows 1, 2, 8, 27, 28 and 30 of the series differ for these names; the rest repeat them.
    EXPECT_EQ(musicBrainz.requests().size(), 6);
    EXPECT_TRUE(archive.requests().isEmpty());
    EXPECT_EQ(state.run.CoverArtState, CoverArt::NotFound);
    EXPECT_EQ(status(), kNotFoundStatusText);
    EXPECT_EQ(run->coversNotFound(), 1);
    EXPECT_EQ(time.now, 5 * RequestPacer::kIntervalMs);
    EXPECT_FALSE(statusWhilePaused.isEmpty());
    EXPECT_EQ(statusWhilePaused.count(kLookingText), statusWhilePaused.size());
}

TEST(RequestPacer, EachRequestStartsASecondAfterThePreviousAndCancelEndsTheWait) {
    FakeTime time;
    RequestPacer pacer = time.pacer();
    bool cancelled = false;
    const auto cancel = [&] { return cancelled; };

    EXPECT_TRUE(pacer.awaitTurn(cancel));
    EXPECT_TRUE(time.pauses.isEmpty());
    time.now = 300;
    EXPECT_TRUE(pacer.awaitTurn(cancel));
    EXPECT_EQ(time.now, 1000);
    for (qint64 pause : time.pauses) EXPECT_LE(pause, RequestPacer::kPauseMs);
    time.now = 6000;  // a long download since: no wait
    time.pauses.clear();
    EXPECT_TRUE(pacer.awaitTurn(cancel));
    EXPECT_TRUE(time.pauses.isEmpty());

    time.onPause = [&] { cancelled = time.now >= 6200; };
    EXPECT_FALSE(pacer.awaitTurn(cancel));
    EXPECT_EQ(time.now, 6200);
}

TEST_F(MusicBrainz, CancelWhileWaitingMakesNoRequest) {
    musicBrainz.route(kSearchPath, {HttpReply{200, SearchAnswer({})}});
    const auto run = newRun();
    time.onPause = [&] { state.run.CloseRequested = true; };
    store(*run, "Artist", "Album");
    EXPECT_EQ(musicBrainz.requests().size(), 1);
    EXPECT_EQ(state.run.CoverArtState, CoverArt::NotFound);
}

TEST_F(MusicBrainz, AMissIsRememberedAcrossBuildsForThirtyDaysUntilForgotten) {
    musicBrainz.route(kSearchPath, {HttpReply{200, SearchAnswer({})}});
    const auto searchesOfABuild = [&] {
        const qsizetype before = musicBrainz.requests().size();
        state.run.CoverArtState = CoverArt::ManuallyAssociated;
        store(*newRun(), "Artist", "Album");
        EXPECT_EQ(state.run.CoverArtState, CoverArt::NotFound);
        return musicBrainz.requests().size() - before;
    };
    EXPECT_EQ(searchesOfABuild(), 6);
    EXPECT_EQ(searchesOfABuild(), 0);
    EXPECT_EQ(program.column(kMainDatabaseFile, "SELECT Service || '|' || Artist || '|' || Album FROM CoverArtMisses"),
              QStringList{"musicbrainz|Artist|Album"});

    // A cover that turns up beside the songs is used as always.
    ASSERT_TRUE(QImage(20, 20, QImage::Format_RGB32).save(music.filePath("Album.jpg")));
    state.run.CoverArtState = CoverArt::ManuallyAssociated;
    store(*newRun(), "Artist", "Album");
    EXPECT_EQ(state.run.CoverArtState, CoverArt::ManuallyAssociated);
    ASSERT_TRUE(QFile::remove(music.filePath("Album.jpg")));

    const test::CliRun forget = test::Cli(program.dir.path(), {"covers", "forget"});
    EXPECT_EQ(forget.status, 0) << forget.err.toStdString();
    EXPECT_TRUE(program.column(kMainDatabaseFile, "SELECT Album FROM CoverArtMisses").isEmpty());
    EXPECT_EQ(searchesOfABuild(), 6);

    program.sql(kMainDatabaseFile, "UPDATE CoverArtMisses SET MissedOn = '" +
                                       QDateTime::currentDateTime().addDays(-31).toString("yyyy-MM-dd HH:mm:ss") + "'");
    EXPECT_EQ(searchesOfABuild(), 6);
    EXPECT_EQ(program.column(kMainDatabaseFile, "SELECT COUNT(*) FROM CoverArtMisses"), QStringList{"1"});
    EXPECT_EQ(test::Cli(program.dir.path(), {"covers", "remember"}).status, 2);
}

TEST_F(MusicBrainz, TheSettingsChooseTheServiceAndItsHosts) {
    const auto searchUrl = [&] {
        const std::unique_ptr<CoverCatalogue> catalogue = makeCoverCatalogue(state);
        const auto* musicBrainzCatalogue = dynamic_cast<const MusicBrainzCatalogue*>(catalogue.get());
        return musicBrainzCatalogue ? QString::fromLatin1(musicBrainzCatalogue->searchUrl("A", "B").toEncoded())
                                    : QString("none");
    };
    EXPECT_EQ(searchUrl(), musicBrainz
                               .url("/ws/2/release-group/?query=releasegroup%3A%22B%22%20AND%20artist%3A%22A%22"
                                    "&fmt=json&limit=5")
                               .toEncoded());
    SaveSetting(state, kMusicBrainzHostSetting, QString());
    SaveSetting(state, kServiceSetting, "MusicBrainz");
    EXPECT_EQ(searchUrl(),
              "https://musicbrainz.org/ws/2/release-group/?query=releasegroup%3A%22B%22%20AND%20artist%3A%22A%22"
              "&fmt=json&limit=5");
    SaveSetting(state, kCoverArtArchiveHostSetting, "ftp://coverartarchive.org");
    EXPECT_EQ(makeCoverCatalogue(state), nullptr);

    SaveSetting(state, kServiceSetting, "catalogue");
    SaveSetting(state, kCatalogueSetting, "http://127.0.0.1:8080");
    EXPECT_EQ(makeCoverCatalogue(state)->name(), CatalogueService::kServiceName);
    SaveSetting(state, kServiceSetting, "another");
    EXPECT_EQ(makeCoverCatalogue(state), nullptr);
}

}  // namespace
}  // namespace orv

#include "coverart/CoverFixture.h"
#include "coverart/CoverLookup.h"
#include "coverart/MusicBrainzCatalogue.h"
#include "tags/Mp3Fixture.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::CatalogueAnswer;
using test::FileBytes;
using test::FilesIn;
using test::HttpReply;
using test::kPlaceholder;
using test::NoisePicture;
using test::Product;
using test::QueryTexts;

const QByteArray kNothingFound = "<?xml version=\"1.0\"?><ProductInfo></ProductInfo>";

class CoverLookup : public test::CoverTest {
protected:
    QList<QPair<QString, QString>> queries() const {
        QList<QPair<QString, QString>> list;
        for (const test::HttpRequest& request : server.requests()) list << QueryTexts(request);
        return list;
    }
};

TEST_F(CoverLookup, RequestsCarryTheQueryStringWithEveryReservedCharacterEscaped) {
    server.route("/onca/xml3", {HttpReply{200, kNothingFound}});
    CoverArtRun run(state);
    store(run, "Someone", "First Album", "Some Band");
    EXPECT_TRUE(LookUpCoverArt(run, " AC/DC & Friends ", "Rock & Roll? #1 100%", "Rock & Roll").isEmpty());

    const QStringList sent = server.targets();
    ASSERT_GE(sent.size(), 2);
    EXPECT_EQ(sent.first(),
              "/onca/xml3?t=orvella-20&dev-t=Q4N7TZ2K9RWB3X&ArtistSearch=Some%20Band&mode=music&type=lite"
              "&keywords=First%20Album&keyword-search=title&page=1&f=xml");
    EXPECT_EQ(sent.last(),
              "/onca/xml3?t=orvella-20&dev-t=Q4N7TZ2K9RWB3X&ArtistSearch=AC%2FDC%20%26%20Friends&mode=music"
              "&type=lite&keywords=Rock%20%26%20Roll%3F%20%231%20100%25&keyword-search=title&page=1&f=xml");
    EXPECT_EQ(server.requests().last().headers.value("user-agent"), Network::userAgent());
}

TEST_F(CoverLookup, TheSecondProductsLargePictureWinsAndTheNextSongOfTheAlbumFindsIt) {
    const QByteArray large = NoisePicture(80, 2);
    server.route("/onca/xml3", {HttpReply{200, CatalogueAnswer(server, {{"/p1/l.jpg", "/p1/m.jpg", "/p1/s.jpg"},
                                                                        {"/p2/l.jpg", "/p2/m.jpg", "/p2/s.jpg"}})}});
    for (const char* target : {"/p1/l.jpg", "/p1/m.jpg", "/p1/s.jpg"})
        server.route(target, {HttpReply{200, kPlaceholder}});
    server.route("/p2/l.jpg", {HttpReply{200, large}});
    server.route("/p2/m.jpg", {HttpReply{200, NoisePicture(50, 3)}});
    server.route("/p2/s.jpg", {HttpReply{200, NoisePicture(40, 4)}});
    CoverArtRun run(state);

    store(run, "An Artist", "An Album", "A Band");
    EXPECT_EQ(FileBytes(music.filePath("An Album.jpg")), large);
    EXPECT_EQ(state.run.CoverArtState, CoverArt::Downloaded);
    EXPECT_EQ(status(), kDownloadedStatusText);
    EXPECT_EQ(program.ui.pictures.value(Control::imgBuildAlbumCover).size(), QSize(80, 80));
    EXPECT_TRUE(program.ui.visibility.value(Control::imgBuildAlbumCover));
    EXPECT_EQ(program.ui.pictures.value(Control::wbAlbumCoverMedium).size(), QSize(50, 50));
    EXPECT_EQ(server.targets().mid(1),
              QStringList({"/p1/l.jpg", "/p1/m.jpg", "/p1/s.jpg", "/p2/l.jpg", "/p2/m.jpg", "/p2/s.jpg"}));
    EXPECT_EQ(FilesIn(program.dir.path()), programFiles);

    state.run.CoverArtState = CoverArt::ManuallyAssociated;
    store(run, "An Artist", "An Album", "A Band");
    EXPECT_EQ(server.requests().size(), 7);
    EXPECT_EQ(state.run.CoverArtState, CoverArt::ManuallyAssociated);
}

TEST_F(CoverLookup, TheMediumPictureWhenTheLargeIsAPlaceholder) {
    const QByteArray medium = NoisePicture(60, 5);
    server.route("/onca/xml3", {HttpReply{200, CatalogueAnswer(server, {{"/l.jpg", "/m.jpg", "/s.jpg"}})}});
    server.route("/l.jpg", {HttpReply{200, kPlaceholder}});
    server.route("/m.jpg", {HttpReply{200, medium}});
    server.route("/s.jpg", {HttpReply{200, NoisePicture(45, 6)}});
    CoverArtRun run(state);

    const QString found = FindCoverArt(run, "An Artist", "An Album", "A Band");
    EXPECT_EQ(found, program.file("A Band - An Album.jpg"));  // the first query asks for the band
    EXPECT_EQ(FileBytes(found), medium);
    QStringList expected = programFiles;
    expected << "A Band - An Album.jpg";
    expected.sort();
    EXPECT_EQ(FilesIn(program.dir.path()), expected);  // the large and small candidates are gone
}

TEST_F(CoverLookup, AnswersWithoutAUsableProductAreNotFound) {
    server.route("/l.jpg", {HttpReply{200, NoisePicture(80, 7)}});
    const QList<QPair<const char*, HttpReply>> answers{
        {"ErrorMsg", HttpReply{200, "<ProductInfo><ErrorMsg>No exact matches.</ErrorMsg><Details><ImageUrlLarge>" +
                                        server.url("/l.jpg").toEncoded() + "</ImageUrlLarge></Details></ProductInfo>"}},
        {"server error", HttpReply{500, CatalogueAnswer(server, {{"/l.jpg", {}, {}}})}},
        {"not XML", HttpReply{200, "<html><body>Service Unavailable"}},
        {"placeholders only", HttpReply{200, CatalogueAnswer(server, {{"/p.gif", "/p.gif", {}}})}},
        {"a page for a picture", HttpReply{200, CatalogueAnswer(server, {{"/page.jpg", {}, {}}})}},
        {"a picture cut short", HttpReply{200, CatalogueAnswer(server, {{"/cut.jpg", {}, {}}})}},
        {"larger than a page",
         HttpReply{200, CatalogueAnswer(server, {{"/l.jpg", {}, {}}}) + QByteArray(kMaxPageBytes, ' ')}},
    };
    server.route("/p.gif", {HttpReply{200, kPlaceholder}});
    server.route("/page.jpg", {HttpReply{200, QByteArray(5013, '<'), {{"Content-Type", "text/html"}}}});
    const QByteArray cut = NoisePicture(80, 8);
    server.route("/cut.jpg", {HttpReply{.body = cut, .cutAfter = cut.size() * 3 / 4}});
    CoverArtRun run(state);
    for (const auto& [what, answer] : answers) {
        const qsizetype before = server.requests().size();
        server.route("/onca/xml3", {answer});
        EXPECT_TRUE(LookUpCoverArt(run, "An Artist", "An Album", "An Album").isEmpty()) << what;
        EXPECT_FALSE(server.targets().mid(before).contains("/l.jpg")) << what;
    }
    EXPECT_EQ(server.targets().count("/p.gif"), 1);  // the same address twice in a product is fetched once
    EXPECT_EQ(FilesIn(program.dir.path()), programFiles);

    // An empty answer is asked again, three times in all.
    const qsizetype before = server.requests().size();
    server.route("/onca/xml3", {HttpReply{200, {}}});
    EXPECT_TRUE(LookUpCoverArt(run, "An Artist", "An Album", "An Album").isEmpty());
    EXPECT_EQ(server.requests().size() - before, 3);
}

TEST_F(CoverLookup, AnAlbumNeverFoundIsSearchedOnceWithEveryDistinctQueryInOrder) {
    server.route("/onca/xml3", {HttpReply{200, kNothingFound}});
    CoverArtRun run(state);
    store(run, "Big band", "Rock And Roll Vol. 2");

    const QList<QPair<QString, QString>> expected{
        {"", "Rock And Roll Vol. 2"},                      // 1: band, album
        {"Rock And Roll Vol. 2", ""},                      // 2: album, band
        {"Big band", "Rock And Roll Vol 2"},               // 8: punctuation stripped
        {"Big band", "Rock And Roll Vol  2"},              // 9: punctuation to blanks
        {"Big band", "Rock And Roll Vol. 2"},              // 10: the album as it is
        {"Big band", "Rock And Roll Vol. II"},             // 13: digits to Roman numerals
        {"Big band", "Rock And Roll Volume 2"},            // 15: "Vol." spelled out
        {"Big band", "Rock & Roll Vol. 2"},                // 16: "And" to "&"
        {"Big", "Rock And Roll Vol. 2"},                   // 21: "band" removed from the artist
        {"Big", "Rock And Roll Vol 2"},                    // 26: and punctuation stripped
        {"Rock And Roll Vol 2", "Rock And Roll Vol 2"},    // 27
        {"Various Artists", "Rock And Roll Vol. 2"},       // 28
        {"Rock And Roll Vol. 2", "Rock And Roll Vol. 2"},  // 29
        {"Big band", "Big band"},                          // 30
    };
    EXPECT_EQ(queries(), expected);
    EXPECT_EQ(state.run.CoverArtState, CoverArt::NotFound);
    EXPECT_EQ(coverArtStateText(state.run.CoverArtState), "Attempted Download Unsuccessful");  // in the build log
    EXPECT_EQ(status(), kNotFoundStatusText);
    EXPECT_EQ(FilesIn(program.dir.path()), programFiles);

    // Another song of the album: the same outcome, without a request.
    state.run.CoverArtState = CoverArt::ManuallyAssociated;
    program.ui.captions.clear();
    store(run, "Big band", "Rock And Roll Vol. 2");
    EXPECT_EQ(server.requests().size(), expected.size());
    EXPECT_EQ(state.run.CoverArtState, CoverArt::NotFound);
    EXPECT_EQ(status(), kNotFoundStatusText);
    EXPECT_FALSE(QFile::exists(music.filePath("Rock And Roll Vol. 2.jpg")));
}

// Counts the queries that reach the catalogue.
class CountingCatalogue : public CoverCatalogue {
public:
    explicit CountingCatalogue(std::unique_ptr<CoverCatalogue> inner) : inner_(std::move(inner)) {}
    std::vector<CoverImages> search(CoverArtRun& run, const QString& artist, const QString& keywords) override {
        ++searches;
        return inner_->search(run, artist, keywords);
    }
    QString name() const override { return inner_->name(); }
    int searches = 0;

private:
    std::unique_ptr<CoverCatalogue> inner_;
};

TEST_F(CoverLookup, AnUnreachableCatalogueEndsEachSeriesAndAfterThreeTheRunsRequests) {
    const test::ClosedPort closed;
    useCatalogue(closed.url({}).toString());
    auto counting = std::make_unique<CountingCatalogue>(makeCoverCatalogue(state));
    CountingCatalogue& catalogue = *counting;
    CoverArtRun run(state, std::move(counting));

    const QStringList expectedStatus{kNotFoundStatusText, kNotFoundStatusText, kOfflineStatusText, kNotFoundStatusText,
                                     kNotFoundStatusText};
    for (int song = 0; song < 5; ++song) {
        state.run.CoverArtState = CoverArt::ManuallyAssociated;
        store(run, "An Artist", QStringLiteral("Album %1").arg(song));
        EXPECT_EQ(state.run.CoverArtState, CoverArt::NotFound) << song;
        EXPECT_EQ(status(), expectedStatus[song]) << song;
        EXPECT_EQ(catalogue.searches, std::min(song + 1, 3)) << song;
    }
    EXPECT_FALSE(run.online());
    EXPECT_EQ(FilesIn(program.dir.path()), programFiles);
}

TEST_F(CoverLookup, NoSearchWithoutACatalogueADownloadOptionOrASongArtist) {
    CoverArtRun run(state);
    state.player.DownloadCoverArt = false;
    store(run, "An Artist", "An Album");
    EXPECT_EQ(state.run.CoverArtState, CoverArt::ManuallyAssociated);
    state.player.DownloadCoverArt = true;
    store(run, "  ", "An Album");
    EXPECT_EQ(state.run.CoverArtState, CoverArt::ManuallyAssociated);
    EXPECT_TRUE(status().isEmpty());

    useCatalogue({});
    CoverArtRun withoutCatalogue(state);
    EXPECT_EQ(withoutCatalogue.catalogue(), nullptr);
    store(withoutCatalogue, "An Artist", "An Album");
    EXPECT_EQ(state.run.CoverArtState, CoverArt::NotFound);
    EXPECT_EQ(status(), kNotFoundStatusText);
    EXPECT_TRUE(server.requests().isEmpty());

    for (const char* address : {"ftp://127.0.0.1", "http://", "127.0.0.1:8080", "http://h/onca?x=1"})
        EXPECT_TRUE(serviceBase(address).isEmpty()) << address;
    EXPECT_EQ(serviceBase(" http://127.0.0.1:8080/ ").toString(), "http://127.0.0.1:8080");
}

TEST_F(CoverLookup, CancelEndsTheSeries) {
    server.route("/onca/xml3", {HttpReply{200, kNothingFound}});
    CoverArtRun run(state);
    state.run.CloseRequested = true;
    store(run, "An Artist", "An Album");
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_EQ(state.run.CoverArtState, CoverArt::NotFound);

    // A cancelled series is not remembered as one that found nothing.
    state.run.CloseRequested = false;
    store(run, "An Artist", "An Album");
    EXPECT_FALSE(server.requests().isEmpty());
}

}  // namespace
}  // namespace orv

#include "builder/BuildFixture.h"
#include "coverart/CoverCatalogue.h"
#include "coverart/CoverFixture.h"
#include "coverart/MusicBrainzCatalogue.h"
#include "store/Settings.h"

namespace orv {
namespace {

using namespace test;

// Builds with the cover steps on, over a catalogue that the test serves.
struct BuildCovers : BuildFixture {
    BuildCovers() {
        SaveSetting(program.state, kServiceSetting, CatalogueService::kServiceName);
        SaveSetting(program.state, kCatalogueSetting, catalogue.url({}).toString());
    }
    BuildOptions coverOptions() const {
        BuildOptions o = options();
        o.logEnabled = true;
        o.downloadCoverArt = true;
        o.extractEmbeddedImages = true;
        return o;
    }
    // What the log says of each song's cover, by the song's path in the music folder.
    QMap<QString, QString> coverLines() const {
        QMap<QString, QString> covers;
        QString song;
        for (const QString& line : QString::fromUtf8(FileBytes(program.state.run.LogFilePath)).split("\r\n")) {
            if (line.startsWith("    FILENAME: ")) song = line.mid(14).mid(music().size());
            if (line.startsWith("    COVER ART: ")) covers.insert(song, line.mid(15));
        }
        return covers;
    }
    HttpServer catalogue;
};

TEST_F(BuildCovers, EachSongGetsItsCoverFromTheFolderTheFileOrTheCatalogueOnce) {
    const QByteArray cover = NoisePicture(80, 1);
    const QByteArray embedded = NoisePicture(60, 2);
    catalogue.route("/onca/xml3", {HttpReply{200, CatalogueAnswer(catalogue, {{"/large.jpg", {}, {}}})}});
    catalogue.route("/large.jpg", {HttpReply{200, cover, {{"Content-Type", "image/jpeg"}}}});
    // Whichever song of the album comes first fetches the cover; the other finds it.
    mp3("Online/1.mp3", "One");
    mp3("Online/2.mp3", "Two");
    put("Pictured/1.mp3", ID3v2Bytes()
                                  .text("TIT2", "Three")
                                  .text("TPE1", "A")
                                  .text("TALB", "Pictured")
                                  .picture(embedded, "image/jpeg")
                                  .bytes() +
                              SilentFrames(3));
    const QByteArray pictured = FileBytes(music("Pictured/1.mp3"));

    ASSERT_EQ(build(coverOptions()).added, 3);
    const QMap<QString, QString> covers = coverLines();
    QStringList online = {covers.value("Online/1.mp3"), covers.value("Online/2.mp3")};
    online.sort();
    EXPECT_EQ(online, QStringList({"Already Embedded", "Successfully Downloaded And Embedded"}));
    EXPECT_EQ(covers.value("Pictured/1.mp3"), "Already Embedded");
    EXPECT_EQ(FileBytes(music("Online/An Album.jpg")), cover);
    EXPECT_EQ(FileBytes(music("Pictured/Pictured.jpg")), embedded);
    EXPECT_EQ(FileBytes(music("Pictured/1.mp3")), pictured) << "no picture goes into a song";
    // One search for the album without a cover, none for the others, and nothing left behind.
    int searches = 0;
    for (const HttpRequest& request : catalogue.requests()) searches += request.target.startsWith("/onca/xml3");
    EXPECT_EQ(searches, 1);
    EXPECT_FALSE(program.ui.pictures.value(Control::imgBuildAlbumCover).isNull());
}

TEST_F(BuildCovers, WithDownloadsOffNoRequestIsMadeAndSideFileSongsAreCovered) {
    mp3("Online/1.mp3", "One");
    put("Video/clip.mpeg", "not read");
    put("Video/clip.mpeg.tag", "<song><Artist>A</Artist><Album>B</Album></song>");
    put("Video/clip.jpg", NoisePicture(40, 3));
    BuildOptions o = coverOptions();
    o.downloadCoverArt = false;

    ASSERT_EQ(build(o).added, 2);
    EXPECT_EQ(coverLines(), (QMap<QString, QString>{{"Online/1.mp3", "Manually Associated"},
                                                    {"Video/clip.mpeg", "Already Embedded"}}));
    EXPECT_TRUE(catalogue.requests().isEmpty());
    EXPECT_FALSE(QFile::exists(music("Online/An Album.jpg")));
}

TEST_F(BuildCovers, AnAlbumSearchedInVainIsLoggedWithTheDayOfThatSearchAndNotAskedAgain) {
    catalogue.route("/onca/xml3", {HttpReply{200, CatalogueAnswer(catalogue, {})}});
    const QString song = mp3("Online/1.mp3", "One");
    ASSERT_EQ(build(coverOptions()).added, 1);
    EXPECT_EQ(coverLines().value("Online/1.mp3"), "Attempted Download Unsuccessful");
    const qsizetype searches = catalogue.requests().size();
    ASSERT_GT(searches, 0);

    setTime(song, 1700000000);
    ASSERT_EQ(build(coverOptions()).updated, 1);
    EXPECT_EQ(coverLines().value("Online/1.mp3"), "Attempted Download Unsuccessful (searched before, on " +
                                                      QDate::currentDate().toString("MM/dd/yyyy") + ")");
    EXPECT_EQ(catalogue.requests().size(), searches);
}

}  // namespace
}  // namespace orv

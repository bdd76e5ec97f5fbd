#pragma once

#include "core/Controls.h"
#include "coverart/CoverArtRun.h"
#include "coverart/CoverCatalogue.h"
#include "coverart/CoverStorage.h"
#include "coverart/MusicBrainzCatalogue.h"
#include "store/Settings.h"
#include "support/Files.h"
#include "support/HttpServer.h"
#include "support/TestProgram.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <gtest/gtest.h>

namespace orv::test {

// A picture of noise, `side` pixels square, in the given format: a JPEG of a few kilobytes for
// sides from 40 on. The seed makes each picture's bytes its own.
inline QByteArray NoisePicture(int side, quint32 seed, const char* format = "JPG") {
    QImage image(side, side, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) image.setPixel(x, y, random.generate() | 0xFF000000u);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 95);
    return bytes;
}

// What a catalogue stands in for a missing picture: a tiny answer.
inline const QByteArray kPlaceholder(807, 'P');

// One product of a catalogue answer, its picture addresses on the server.
struct Product {
    QByteArray large, medium, small;  // targets on the server; empty: the element is left out
};

// A catalogue answer with these products, the picture addresses on `server`.
inline QByteArray CatalogueAnswer(const HttpServer& server, const QList<Product>& products) {
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ProductInfo>\n";
    for (const Product& product : products) {
        xml += "  <Details url=\"http://catalogue.example/item\">\n    <ProductName>An Album</ProductName>\n";
        const auto image = [&](const char* element, const QByteArray& target) {
            if (!target.isEmpty())
                xml += QByteArray("    <") + element + ">" + server.url(target).toEncoded() + "</" + element + ">\n";
        };
        image("ImageUrlSmall", product.small);
        image("ImageUrlMedium", product.medium);
        image("ImageUrlLarge", product.large);
        xml += "  </Details>\n";
    }
    return xml + "</ProductInfo>\n";
}

// The artist and keyword texts of a catalogue request, decoded.
inline QPair<QString, QString> QueryTexts(const HttpRequest& request) {
    const QUrlQuery query(QUrl::fromEncoded(request.target).query(QUrl::FullyEncoded));
    return {query.queryItemValue("ArtistSearch", QUrl::FullyDecoded),
            query.queryItemValue("keywords", QUrl::FullyDecoded)};
}

// A program folder with cover downloads on, whose Settings name the catalogue on `server`, and a
// music folder.
class CoverTest : public ::testing::Test {
protected:
    CoverTest() {
        useCatalogue(server.url({}).toString());
        state.player.DownloadCoverArt = true;
    }
    void useCatalogue(const QString& address) {
        SaveSetting(state, kServiceSetting, CatalogueService::kServiceName);
        SaveSetting(state, kCatalogueSetting, address);
    }
    // The cover step for a song of the music folder, as a build runs it for a file without tags.
    void store(CoverArtRun& run, const QString& artist, const QString& album, const QString& band = {}) {
        StoreCoverArt(state, run, music.path(), music.filePath("song.wma"), artist, album, "A Title", band, nullptr);
    }
    QString status() const { return program.ui.captions.value(Control::lblDownloadStatus); }

    TestProgram program;
    ProgramState& state = program.state;
    HttpServer server;
    QTemporaryDir music;
    const QStringList programFiles = FilesIn(program.dir.path());
};

}  // namespace orv::test

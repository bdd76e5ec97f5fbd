#pragma once

#include "support/HttpServer.h"
#include "support/TestProgram.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUrlQuery>

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

// The files a folder holds, by name.
inline QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

}  // namespace orv::test

#include "coverart/CoverCatalogue.h"

#include "core/Text.h"
#include "coverart/CoverArtRun.h"
#include "coverart/MusicBrainzCatalogue.h"
#include "store/Settings.h"

#include <QXmlStreamReader>

namespace orv {
namespace {

const QByteArray kRequestPath = "/onca/xml3?";
const QByteArray kAssociateTag = "orvella-20";
const QByteArray kDeveloperToken = "Q4N7TZ2K9RWB3X";

// The text of the element the reader stands on; its child elements' texts are left out.
QString elementText(QXmlStreamReader& xml) {
    return xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
}

CoverImages readDetails(QXmlStreamReader& xml) {
    CoverImages images;
    while (xml.readNextStartElement()) {
        const QStringView name = xml.name();
        if (name == QLatin1String("ImageUrlLarge")) {
            images.large = QUrl(elementText(xml));
        } else if (name == QLatin1String("ImageUrlMedium")) {
            images.medium = QUrl(elementText(xml));
        } else if (name == QLatin1String("ImageUrlSmall")) {
            images.small = QUrl(elementText(xml));
        } else {
            xml.skipCurrentElement();
        }
    }
    return images;
}

// A Settings row's text; the compiled-in default when the row is missing or empty.
QString settingOr(ProgramState& state, const QString& name, const QString& fallback) {
    const QString text = trimBlanks(GetSetting(state, name));
    return text.isEmpty() ? fallback : text;
}

}  // namespace

QByteArray queryValue(const QString& text) {
    return QUrl::toPercentEncoding(text);
}

QUrl serviceBase(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const bool web = url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
    const bool bare = url.userInfo().isEmpty() && !url.hasQuery() && !url.hasFragment() &&
                      (url.path().isEmpty() || url.path() == QLatin1String("/"));
    if (!url.isValid() || !web || url.host().isEmpty() || !bare) return {};
    return url.adjusted(QUrl::RemovePath);
}

CatalogueService::CatalogueService(const QUrl& base) : base_(base.toEncoded()) {}

QUrl CatalogueService::requestUrl(const QString& artist, const QString& keywords) const {
    const QByteArray query =
        "t=" + kAssociateTag + "&dev-t=" + kDeveloperToken + "&ArtistSearch=" + queryValue(artist) +
        "&mode=music&type=lite&keywords=" + queryValue(keywords) + "&keyword-search=title&page=1&f=xml";
    return QUrl::fromEncoded(base_ + kRequestPath + query, QUrl::StrictMode);
}

std::vector<CoverImages> CatalogueService::search(CoverArtRun& run, const QString& artist, const QString& keywords) {
    const HttpAnswer answer = run.get(requestUrl(artist, keywords), kTries);
    if (!answer.succeeded()) return {};
    return catalogueProducts(answer.body);
}

std::vector<CoverImages> catalogueProducts(const QByteArray& answer) {
    QXmlStreamReader xml(answer);
    std::vector<CoverImages> products;
    if (!xml.readNextStartElement()) return {};
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("ErrorMsg")) return {};
        if (xml.name() == QLatin1String("Details")) {
            products.push_back(readDetails(xml));
        } else {
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError()) return {};
    return products;
}

std::unique_ptr<CoverCatalogue> makeCoverCatalogue(ProgramState& state) {
    const QString service = trimBlanks(GetSetting(state, kServiceSetting)).toLower();
    if (service == CatalogueService::kServiceName) {
        const QUrl base = serviceBase(GetSetting(state, kCatalogueSetting));
        if (base.isEmpty()) return nullptr;
        return std::make_unique<CatalogueService>(base);
    }
    if (!service.isEmpty() && service != MusicBrainzCatalogue::kServiceName) return nullptr;
    const QUrl musicBrainz = serviceBase(settingOr(state, kMusicBrainzHostSetting, kDefaultMusicBrainzHost));
    const QUrl archive = serviceBase(settingOr(state, kCoverArtArchiveHostSetting, kDefaultCoverArtArchiveHost));
    if (musicBrainz.isEmpty() || archive.isEmpty()) return nullptr;
    return std::make_unique<MusicBrainzCatalogue>(musicBrainz, archive, responsivePacer(state));
}

}  // namespace orv

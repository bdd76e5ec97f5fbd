#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <memory>
#include <vector>

namespace orv {

struct ProgramState;
class CoverArtRun;

// One product of a catalogue's answer: the addresses of its cover picture in three sizes. An
// address the answer did not give is empty.
struct CoverImages {
    QUrl large;
    QUrl medium;
    QUrl small;
};

// An online catalogue of album covers, asked one query at a time.
class CoverCatalogue {
public:
    virtual ~CoverCatalogue() = default;
    // The products the catalogue lists for the artist and keyword texts (blanks at both ends
    // already removed), in its order. None when it found nothing, answered with an error or could
    // not be reached. Requests go through the run, which keeps count of how the host answers.
    virtual std::vector<CoverImages> search(CoverArtRun& run, const QString& artist, const QString& keywords) = 0;
    // The service's name as the Settings row "CoverArtService" gives it.
    virtual QString name() const = 0;
};

// The XML product catalogue, version 3 lite, at a base address (scheme, host and port).
class CatalogueService : public CoverCatalogue {
public:
    explicit CatalogueService(const QUrl& base);
    // The request for one query: the base address, "/onca/xml3?" and the query string.
    QUrl requestUrl(const QString& artist, const QString& keywords) const;
    std::vector<CoverImages> search(CoverArtRun& run, const QString& artist, const QString& keywords) override;
    QString name() const override { return kServiceName; }

    // Tries of one query while the answer is empty.
    static constexpr int kTries = 3;
    inline static const QString kServiceName = QStringLiteral("catalogue");

private:
    QByteArray base_;
};

// The products of a catalogue answer: one per "Details" element of the root, in document order.
// None when the answer is not XML or its root has an "ErrorMsg" element.
std::vector<CoverImages> catalogueProducts(const QByteArray& answer);

// A query value as it goes into a request: UTF-8, every byte outside the unreserved characters
// (letters, digits, "-", ".", "_", "~") percent-encoded, blanks as "%20".
QByteArray queryValue(const QString& text);

// The base address of a Settings row: http or https, a host, optionally a port; nothing else.
// Empty when the text is empty or not such an address.
QUrl serviceBase(const QString& text);

// The catalogue the Settings name: "CoverArtService" is "musicbrainz" (the default, at the hosts
// "MusicBrainzHost" and "CoverArtArchiveHost") or "catalogue" (at "CoverArtCatalogue"). Null when
// the service is neither or its address is not set up.
std::unique_ptr<CoverCatalogue> makeCoverCatalogue(ProgramState& state);

inline const QString kCatalogueSetting = QStringLiteral("CoverArtCatalogue");

}  // namespace orv

#pragma once

#include "coverart/CoverCatalogue.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

namespace orv {

struct ProgramState;

// Spaces the requests to one host: each may start only `intervalMs` after the one before it.
// While a request waits for its turn, time passes in short pauses, and the wait ends early when
// the caller cancels.
class RequestPacer {
public:
    using Clock = std::function<qint64()>;         // milliseconds, never going back
    using Pause = std::function<void(qint64 ms)>;  // lets about this much time pass
    RequestPacer(Clock clock, Pause pause, qint64 intervalMs = kIntervalMs);

    // Waits until the next request may start; false when `cancelled` said so meanwhile.
    bool awaitTurn(const std::function<bool()>& cancelled);

    static constexpr qint64 kIntervalMs = 1000;
    static constexpr qint64 kPauseMs = 50;

private:
    Clock clock_;
    Pause pause_;
    qint64 intervalMs_;
    std::optional<qint64> lastStart_;
};

// The pacer of a build: the system's steady clock, and pauses during which the window processes
// its events (so it repaints and its Cancel button works).
RequestPacer responsivePacer(ProgramState& state);

// The open MusicBrainz database (web service version 2) for the release groups, and the Cover
// Art Archive for their front pictures. Each query is one release-group search; each release
// group found is one product, its pictures the archive's 500 and 250 pixel fronts.
class MusicBrainzCatalogue : public CoverCatalogue {
public:
    MusicBrainzCatalogue(const QUrl& musicBrainz, const QUrl& archive, RequestPacer pacer);

    // The search request; empty when both texts are empty.
    QUrl searchUrl(const QString& artist, const QString& keywords) const;
    std::vector<CoverImages> search(CoverArtRun& run, const QString& artist, const QString& keywords) override;
    QString name() const override { return kServiceName; }

    static constexpr int kResults = 5;
    inline static const QString kServiceName = QStringLiteral("musicbrainz");

private:
    QByteArray musicBrainz_;
    QByteArray archive_;
    RequestPacer pacer_;
};

// The search text: releasegroup:"KEYWORDS" AND artist:"ARTIST", a part left out when its text is
// empty, quotes and backslashes inside a phrase escaped with a backslash.
QString releaseGroupQuery(const QString& artist, const QString& keywords);

// The identifiers of the release groups of a search answer, in its order; none when the answer is
// not one. Identifiers that are not MusicBrainz identifiers are left out.
QStringList releaseGroupIds(const QByteArray& answer);

inline const QString kServiceSetting = QStringLiteral("CoverArtService");
inline const QString kMusicBrainzHostSetting = QStringLiteral("MusicBrainzHost");
inline const QString kCoverArtArchiveHostSetting = QStringLiteral("CoverArtArchiveHost");
inline const QString kDefaultMusicBrainzHost = QStringLiteral("https://musicbrainz.org");
inline const QString kDefaultCoverArtArchiveHost = QStringLiteral("https://coverartarchive.org");

}  // namespace orv

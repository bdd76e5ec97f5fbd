#include "coverart/MusicBrainzCatalogue.h"

#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "coverart/CoverArtRun.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>
#include <chrono>
#include <thread>

namespace orv {
namespace {

// A phrase of the search syntax: in double quotes, a quote or backslash inside escaped.
QString phrase(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\")).replace(QLatin1String("\""), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

bool isMusicBrainzId(const QString& id) {
    static const QRegularExpression uuid(
        QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"),
        QRegularExpression::CaseInsensitiveOption);
    return uuid.match(id).hasMatch();
}

}  // namespace

RequestPacer::RequestPacer(Clock clock, Pause pause, qint64 intervalMs)
    : clock_(std::move(clock)), pause_(std::move(pause)), intervalMs_(intervalMs) {}

bool RequestPacer::awaitTurn(const std::function<bool()>& cancelled) {
    if (lastStart_) {
        const qint64 due = *lastStart_ + intervalMs_;
        for (qint64 now = clock_(); now < due; now = clock_()) {
            if (cancelled()) return false;
            pause_(std::min(due - now, kPauseMs));
        }
    }
    if (cancelled()) return false;
    lastStart_ = clock_();
    return true;
}

RequestPacer responsivePacer(ProgramState& state) {
    const auto started = std::make_shared<QElapsedTimer>();
    started->start();
    return RequestPacer([started] { return started->elapsed(); },
                        [&state](qint64 ms) {
                            // The run's own thread waits; the window goes on meanwhile.
                            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                            state.ui().yield();
                        });
}

QString releaseGroupQuery(const QString& artist, const QString& keywords) {
    QStringList parts;
    if (!keywords.isEmpty()) parts << QLatin1String("releasegroup:") + phrase(keywords);
    if (!artist.isEmpty()) parts << QLatin1String("artist:") + phrase(artist);
    return parts.join(QLatin1String(" AND "));
}

QStringList releaseGroupIds(const QByteArray& answer) {
    const QJsonValue groups = QJsonDocument::fromJson(answer).object().value(QLatin1String("release-groups"));
    QStringList ids;
    for (const QJsonValue& group : groups.toArray()) {
        const QString id = group.toObject().value(QLatin1String("id")).toString();
        if (isMusicBrainzId(id)) ids << id.toLower();
    }
    return ids;
}

MusicBrainzCatalogue::MusicBrainzCatalogue(const QUrl& musicBrainz, const QUrl& archive, RequestPacer pacer)
    : musicBrainz_(musicBrainz.toEncoded()), archive_(archive.toEncoded()), pacer_(std::move(pacer)) {}

QUrl MusicBrainzCatalogue::searchUrl(const QString& artist, const QString& keywords) const {
    const QString query = releaseGroupQuery(artist, keywords);
    if (query.isEmpty()) return {};
    return QUrl::fromEncoded(musicBrainz_ + "/ws/2/release-group/?query=" + queryValue(query) +
                                 "&fmt=json&limit=" + QByteArray::number(kResults),
                             QUrl::StrictMode);
}

std::vector<CoverImages> MusicBrainzCatalogue::search(CoverArtRun& run, const QString& artist,
                                                      const QString& keywords) {
    const QUrl url = searchUrl(artist, keywords);
    if (url.isEmpty() || !run.online()) return {};
    if (!pacer_.awaitTurn([&run] { return run.state().run.CloseRequested.load(); })) return {};
    const HttpAnswer answer = run.get(url, 1);
    if (!answer.succeeded()) return {};
    std::vector<CoverImages> products;
    for (const QString& id : releaseGroupIds(answer.body)) {
        const QByteArray group = archive_ + "/release-group/" + id.toLatin1();
        const QUrl large = QUrl::fromEncoded(group + "/front-500", QUrl::StrictMode);
        const QUrl front250 = QUrl::fromEncoded(group + "/front-250", QUrl::StrictMode);
        products.push_back({large, front250, front250});
    }
    return products;
}

}  // namespace orv

#include "core/Network.h"

#include "core/Module.h"
#include "core/RuntimeError.h"
#include "core/Vendor.h"
#include "core/Version.h"
#include "core/WebSession.h"

#include <algorithm>

namespace orv {

Network::Network() = default;

Network::~Network() = default;

QByteArray Network::userAgent() {
    return QStringLiteral("OrvellaConfigurator/%1 ( https://%2 )")
        .arg(fullVersionText(CurrentVersion), kVendorWebSite)
        .toUtf8();
}

HttpAnswer Network::get(const QUrl& url, const HttpOptions& options) {
    return perform(url, options, nullptr);
}

HttpAnswer Network::getWithTries(const QUrl& url, int tries, const HttpOptions& options) {
    HttpAnswer answer = get(url, options);
    for (int done = 1; done < tries && answer.outcome == HttpOutcome::Answered && answer.body.isEmpty(); ++done) {
        answer = get(url, options);
    }
    return answer;
}

HttpAnswer Network::download(const QUrl& url, const PieceSink& sink, const Progress& progress,
                             const HttpOptions& options, qint64 pieceSize) {
    const BodyStream stream{sink, progress, std::max<qint64>(pieceSize, 1)};
    return perform(url, options, &stream);
}

HttpAnswer Network::perform(const QUrl& url, const HttpOptions& options, const BodyStream* stream) {
    if (!session_) {
        try {
            using Entry = decltype(&orvellaWebSession);
            static const Entry entry =
                reinterpret_cast<Entry>(moduleEntry("liborvella-network.so", "orvellaWebSession", "network library"));
            session_.reset(entry(userAgent()));
        } catch (const RuntimeError& error) {
            HttpAnswer failed;
            failed.url = url;
            failed.error = error.description();
            return failed;
        }
    }
    return session_->perform(url, options, stream);
}

}  // namespace orv

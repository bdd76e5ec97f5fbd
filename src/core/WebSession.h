#pragma once

#include "core/Network.h"

namespace orv {

// Where a download's body goes, piece by piece.
struct BodyStream {
    const Network::PieceSink& sink;
    const Network::Progress& progress;
    qint64 pieceSize;
};

// The side of Network that needs the network library: the requests of one session, made by the
// module "liborvella-network.so" (core/Module.h). A session belongs to the thread that made it.
class WebSession {
public:
    virtual ~WebSession() = default;
    // One GET as Network describes it; with a stream, a 2xx answer's body goes to the stream.
    virtual HttpAnswer perform(const QUrl& url, const HttpOptions& options, const BodyStream* stream) = 0;
};

}  // namespace orv

// What the module gives: a new session whose requests send this User-Agent.
extern "C" orv::WebSession* orvellaWebSession(const QByteArray& userAgent);

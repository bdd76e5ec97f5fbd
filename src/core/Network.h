#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

namespace orv {

struct BodyStream;
class WebSession;

// The most a page may hold (the version file, a catalogue's answer); pictures and the setup file
// have limits of their own.
inline constexpr qint64 kMaxPageBytes = qint64(1) << 20;

// How a web request ended.
enum class HttpOutcome {
    Answered,          // the server answered with a status; a 404 is an answer too
    ConnectionFailed,  // no answer: refused, host not found, time-out, TLS failure, redirect loop
    Cancelled,         // the caller's cancel test said so, or a download's sink refused a piece
    TooLarge,          // the body was larger than the caller takes; it was dropped
};

struct HttpAnswer {
    HttpOutcome outcome = HttpOutcome::ConnectionFailed;
    int status = 0;         // HTTP status of the final answer after redirects; 0 without an answer
    QByteArray body;        // the whole body (get); empty for a download, whose pieces went to the sink
    qint64 received = 0;    // body bytes received (for a download: handed to the sink)
    qint64 size = -1;       // body size the answer announced (Content-Length); -1 when it named none
    bool complete = false;  // answered, no fault during the body, and as many bytes as announced
    QString error;          // why the request failed, in words; empty when it completed
    QUrl url;               // the address that answered, after redirects

    // The request got the whole body of a 2xx answer.
    bool succeeded() const { return outcome == HttpOutcome::Answered && complete && status / 100 == 2; }
};

struct HttpOptions {
    // The request fails (ConnectionFailed) when nothing arrives for this long: neither a
    // connection, an answer's headers nor a piece of its body.
    int timeoutMs = 10000;
    // Polled every 50 ms while the request waits; true aborts it (Cancelled).
    std::function<bool()> cancelled;
    // The whole request, redirects and body included, fails once it has taken this long, however
    // steadily its bytes arrive: without an answer it is ConnectionFailed, with one it is Answered
    // but not complete.
    int deadlineMs = 30000;
    // Above 0: the deadline grows by one second for every this many bytes of the announced size
    // (of the bytes received so far, when the answer announces none), so that a large download
    // gets time in proportion to its size.
    qint64 deadlineBytesPerSecond = 0;
    // A body larger than this is not taken (TooLarge), whatever the status; -1 takes any size.
    qint64 maxBodyBytes = -1;
};

// The program's one way to the web: blocking GET requests that run their own event loop,
// so that windows repaint and a Cancel button stays live while they wait. Needs an
// application object (QCoreApplication or QApplication) and its thread. The network library is
// loaded at the first request (core/WebSession.h); when it cannot be, the request ends as
// ConnectionFailed, its error naming the module and why.
//
// Every request goes straight to the address given (never through a proxy), sends the
// program's User-Agent, follows up to 10 redirects (also http to https and to other hosts,
// never https to http) and asks for the body uncompressed, so that Content-Length counts
// the bytes that arrive.
class Network {
public:
    // Takes each piece of a download's body in order; false stops the download.
    using PieceSink = std::function<bool(const QByteArray& piece)>;
    // Told after each piece: body bytes so far, and the announced size or -1 when the
    // answer named none (or named 0).
    using Progress = std::function<void(qint64 received, qint64 total)>;

    Network();
    ~Network();
    Network(const Network&) = delete;
    Network& operator=(const Network&) = delete;

    // One GET; the answer holds the whole body, whatever the status.
    HttpAnswer get(const QUrl& url, const HttpOptions& options = {});

    // GET repeated while the server answers with an empty body, at most `tries` times in all.
    // A failed connection, a cancel or a body too large ends the tries at once.
    HttpAnswer getWithTries(const QUrl& url, int tries, const HttpOptions& options = {});

    // GET whose body goes to the sink in pieces of `pieceSize` bytes (the last may be shorter)
    // as it arrives. Only a 2xx answer's body reaches the sink. The download worked when
    // the answer succeeded(): a short body, a lost connection or an error status fail it.
    HttpAnswer download(const QUrl& url, const PieceSink& sink, const Progress& progress,
                        const HttpOptions& options = {}, qint64 pieceSize = 1024);

    // "OrvellaConfigurator/8.1.9 ( https://www.orvella.example )"
    static QByteArray userAgent();

private:
    HttpAnswer perform(const QUrl& url, const HttpOptions& options, const BodyStream* stream);

    std::unique_ptr<WebSession> session_;  // made at the first request
};

}  // namespace orv

// The module "liborvella-network.so": the network library's side of Network.

#include "core/WebSession.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTimer>
#include <algorithm>

namespace orv {
namespace {

constexpr int kCancelPollMs = 50;
constexpr int kMaxRedirects = 10;

enum class Stop { None, TimedOut, DeadlinePassed, Cancelled, Refused, TooLarge };

// A fault during the transfer itself, not an error status the server answered with
// (Qt reports 4xx and 5xx answers as content and server errors).
bool isTransferFault(QNetworkReply::NetworkError error) {
    using R = QNetworkReply;
    const bool fromStatus = (error >= R::ContentAccessDenied && error <= R::UnknownContentError) ||
                            (error >= R::InternalServerError && error <= R::UnknownServerError);
    return error != QNetworkReply::NoError && !fromStatus;
}

int statusOf(const QNetworkReply& reply) {
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

// The final answer's Content-Length. After a redirect, Qt 6.4 may keep the redirect's headers and
// join a repeated header's values ("0, 4"); the final answer's value is the last one.
qint64 announcedSize(const QNetworkReply& reply) {
    if (!reply.hasRawHeader("Content-Length")) return -1;
    bool isNumber = false;
    const qint64 size = reply.rawHeader("Content-Length").split(',').last().trimmed().toLongLong(&isNumber);
    return isNumber ? size : -1;
}

QNetworkRequest requestFor(const QUrl& url, const QByteArray& userAgent) {
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent);
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    return request;
}

// Sorts a finished reply into the answer's outcome, status and completeness.
void classify(const QNetworkReply& reply, Stop stop, const HttpOptions& options, HttpAnswer& answer) {
    answer.status = statusOf(reply);
    answer.size = announcedSize(reply);
    answer.url = reply.url();
    const QNetworkReply::NetworkError error = reply.error();
    const bool redirectFault =
        error == QNetworkReply::TooManyRedirectsError || error == QNetworkReply::InsecureRedirectError;
    if (stop == Stop::Cancelled || stop == Stop::Refused) {
        answer.outcome = HttpOutcome::Cancelled;
        answer.error = stop == Stop::Cancelled ? QStringLiteral("The request was cancelled.")
                                               : QStringLiteral("The download was stopped.");
        return;
    }
    if (stop == Stop::TooLarge) {
        answer.outcome = HttpOutcome::TooLarge;
        answer.error = QStringLiteral("The answer from %1 is larger than %2 bytes.")
                           .arg(reply.url().host())
                           .arg(options.maxBodyBytes);
        return;
    }
    answer.outcome = answer.status == 0 || redirectFault ? HttpOutcome::ConnectionFailed : HttpOutcome::Answered;
    if (stop == Stop::TimedOut) {
        answer.error = QStringLiteral("No answer from %1 within %2 seconds.")
                           .arg(reply.url().host())
                           .arg(options.timeoutMs / 1000.0);
    } else if (stop == Stop::DeadlinePassed) {
        answer.error = QStringLiteral("The answer from %1 did not arrive in the time allowed.").arg(reply.url().host());
    } else if (isTransferFault(error)) {
        answer.error = reply.errorString();
    }
    const bool wholeBody = answer.size < 0 || answer.received == answer.size;
    answer.complete = answer.outcome == HttpOutcome::Answered && answer.error.isEmpty() && wholeBody;
    if (answer.outcome == HttpOutcome::Answered && answer.error.isEmpty() && !wholeBody) {
        answer.error = QStringLiteral("The answer ended after %1 of %2 bytes.").arg(answer.received).arg(answer.size);
    }
}

class QtWebSession final : public WebSession {
public:
    explicit QtWebSession(const QByteArray& userAgent) : userAgent_(userAgent) {
        manager_.setProxy(QNetworkProxy::NoProxy);
    }

    HttpAnswer perform(const QUrl& url, const HttpOptions& options, const BodyStream* stream) override;

private:
    QNetworkAccessManager manager_;
    QByteArray userAgent_;
};

}  // namespace

HttpAnswer QtWebSession::perform(const QUrl& url, const HttpOptions& options, const BodyStream* stream) {
    HttpAnswer answer;
    answer.url = url;
    if (options.cancelled && options.cancelled()) {
        answer.outcome = HttpOutcome::Cancelled;
        answer.error = QStringLiteral("The request was cancelled.");
        return answer;
    }
    const std::unique_ptr<QNetworkReply> reply(manager_.get(requestFor(url, userAgent_)));
    Stop stop = Stop::None;
    const auto abortWith = [&](Stop why) {
        if (stop != Stop::None) return;
        stop = why;
        reply->abort();
    };
    // Hands the buffered body to the sink in whole pieces; at the end also the last, short one.
    const auto deliver = [&](bool atEnd) {
        if (!stream || stop != Stop::None || statusOf(*reply) / 100 != 2) return;
        const qint64 announced = announcedSize(*reply);
        const qint64 total = announced > 0 ? announced : -1;
        while (reply->bytesAvailable() >= stream->pieceSize || (atEnd && reply->bytesAvailable() > 0)) {
            const QByteArray piece = reply->read(stream->pieceSize);
            answer.received += piece.size();
            if (!stream->sink(piece)) return abortWith(Stop::Refused);
            if (stream->progress) stream->progress(answer.received, total);
        }
    };

    // The body's bytes so far, handed on or waiting in the reply.
    const auto bodyBytes = [&] { return answer.received + reply->bytesAvailable(); };
    const auto tooLarge = [&] {
        if (options.maxBodyBytes < 0) return false;
        return announcedSize(*reply) > options.maxBodyBytes || bodyBytes() > options.maxBodyBytes;
    };
    QElapsedTimer started;
    started.start();
    const auto pastDeadline = [&] {
        qint64 allowedMs = options.deadlineMs;
        if (options.deadlineBytesPerSecond > 0) {
            const qint64 announced = announcedSize(*reply);
            allowedMs += (announced > 0 ? announced : bodyBytes()) * 1000 / options.deadlineBytesPerSecond;
        }
        return started.elapsed() > allowedMs;
    };

    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(std::max(options.timeoutMs, 1));
    QObject::connect(&idle, &QTimer::timeout, [&] { abortWith(Stop::TimedOut); });
    QTimer poll;
    poll.setInterval(std::clamp(options.deadlineMs, 1, kCancelPollMs));
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (options.cancelled && options.cancelled()) abortWith(Stop::Cancelled);
        if (pastDeadline()) abortWith(Stop::DeadlinePassed);
    });
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, [&] {
        idle.start();
        if (tooLarge()) abortWith(Stop::TooLarge);
    });
    QObject::connect(reply.get(), &QNetworkReply::redirected, [&] { idle.start(); });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, [&] {
        idle.start();
        if (tooLarge()) return abortWith(Stop::TooLarge);
        deliver(false);
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    idle.start();
    poll.start();
    if (!reply->isFinished()) loop.exec();

    if (stop == Stop::None && tooLarge()) abortWith(Stop::TooLarge);
    deliver(true);
    if (!stream && reply->isOpen() && stop != Stop::TooLarge) {
        answer.body = reply->readAll();
        answer.received = answer.body.size();
    }
    classify(*reply, stop, options, answer);
    return answer;
}

}  // namespace orv

extern "C" __attribute__((visibility("default"))) orv::WebSession* orvellaWebSession(const QByteArray& userAgent) {
    return new orv::QtWebSession(userAgent);
}

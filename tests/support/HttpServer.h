#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QStringList>
#include <QUrl>
#include <mutex>
#include <thread>
#include <vector>

namespace orv::test {

// One canned answer of the test server. Every answer says "Connection: close".
struct HttpReply {
    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;  // Content-Type, Location, ...
    bool sendLength = true;                        // announce Content-Length (the whole body's size)
    qint64 cutAfter = -1;                          // send only this many bytes of the body, then close
    int delayMs = 0;                               // wait this long before answering (less if the server stops)
    bool silent = false;                           // never answer; the connection stays open until the client leaves
    int dripMs = 0;                                // send the body one byte at a time, this long apart
};

// A request as the server got it.
struct HttpRequest {
    QByteArray method;
    QByteArray target;                     // path with query, exactly as sent
    QMap<QByteArray, QByteArray> headers;  // names in lower case
};

// A plain HTTP/1.1 server on 127.0.0.1 at a free port. It answers from its own threads, so
// it answers also while the test's thread blocks (on a child process, say).
class HttpServer {
public:
    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Requests for the target get the replies in turn, the last one again and again. A target
    // without "?" matches its path with any query. Unrouted targets get a 404.
    void route(const QByteArray& target, const QList<HttpReply>& replies);
    QUrl url(const QByteArray& target) const;
    quint16 port() const { return port_; }
    // Every request so far, in arrival order; and the targets alone.
    QList<HttpRequest> requests() const;
    QStringList targets() const;

private:
    void acceptLoop();
    void serve(int socket);
    HttpReply replyFor(const QByteArray& target);

    int listener_ = -1;
    quint16 port_ = 0;
    int stop_[2] = {-1, -1};  // a pipe; readable once the server stops, which wakes every waiting thread
    mutable std::mutex mutex_;
    QMap<QByteArray, QList<HttpReply>> routes_;
    QMap<QByteArray, int> served_;
    QList<HttpRequest> requests_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

// A port on 127.0.0.1 where nothing listens, for as long as this lives: its socket is bound but never
// listens, so connecting is refused, and no other program can take the port meanwhile.
class ClosedPort {
public:
    ClosedPort();
    ~ClosedPort();
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;
    quint16 port() const { return port_; }
    QUrl url(const QByteArray& target) const;

private:
    int socket_ = -1;
    quint16 port_ = 0;
};

}  // namespace orv::test

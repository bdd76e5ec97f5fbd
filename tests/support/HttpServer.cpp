#include "support/HttpServer.h"

#include <arpa/inet.h>
#include <cctype>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace orv::test {
namespace {

// A socket bound to 127.0.0.1 at a port the system picks; its port is stored in `port`.
int boundSocket(quint16& port) {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (socket < 0 || ::bind(socket, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("no socket on 127.0.0.1");
    }
    port = ntohs(address.sin_port);
    return socket;
}

// Waits until the socket can be read; false when the server stops first (its stop pipe hangs up).
bool waitReadable(int socket, int stop) {
    pollfd entries[2] = {{socket, POLLIN, 0}, {stop, POLLIN, 0}};
    return ::poll(entries, 2, -1) > 0 && entries[1].revents == 0;
}

// Waits up to `timeoutMs` for the server to stop; true when it did.
bool stopsWithin(int stop, int timeoutMs) {
    pollfd entry{stop, POLLIN, 0};
    return ::poll(&entry, 1, timeoutMs) > 0;
}

// The request head up to its blank line; empty when the client sends no HTTP request
// (a TLS greeting, say) or leaves first.
QByteArray readHead(int socket, int stop) {
    QByteArray head;
    char buffer[4096];
    while (!head.contains("\r\n\r\n") && waitReadable(socket, stop)) {
        const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
        if (got <= 0) return {};
        head.append(buffer, got);
        if (!std::isupper(static_cast<unsigned char>(head[0]))) return {};
    }
    return head.contains("\r\n\r\n") ? head.left(head.indexOf("\r\n\r\n")) : QByteArray();
}

HttpRequest parseHead(const QByteArray& head) {
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> words = lines.value(0).trimmed().split(' ');
    HttpRequest request{words.value(0), words.value(1), {}};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon <= 0) continue;
        request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    return request;
}

QByteArray reasonOf(int status) {
    static const QMap<int, QByteArray> reasons{
        {200, "OK"}, {301, "Moved Permanently"}, {302, "Found"}, {404, "Not Found"}, {500, "Internal Server Error"}};
    return reasons.value(status, "Status");
}

bool sendAll(int socket, const QByteArray& bytes) {
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t done = ::send(socket, bytes.constData() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (done <= 0) return false;
        sent += done;
    }
    return true;
}

void sendAnswer(int socket, const HttpReply& reply) {
    QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + " " + reasonOf(reply.status) + "\r\n";
    for (const auto& [name, value] : reply.headers) out += name + ": " + value + "\r\n";
    if (reply.sendLength) out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    const QByteArray body = reply.cutAfter < 0 ? reply.body : reply.body.left(reply.cutAfter);
    sendAll(socket, reply.dripMs > 0 ? out : out + body);
    // A drip ends once the client has gone: a send after its close fails.
    for (qsizetype i = 0; reply.dripMs > 0 && i < body.size(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(reply.dripMs));
        if (!sendAll(socket, body.mid(i, 1))) return;
    }
}

}  // namespace

HttpServer::HttpServer() {
    listener_ = boundSocket(port_);
    if (::listen(listener_, 16) != 0 || ::pipe(stop_) != 0) throw std::runtime_error("cannot listen on 127.0.0.1");
    acceptor_ = std::thread([this] { acceptLoop(); });
}

HttpServer::~HttpServer() {
    ::close(stop_[1]);  // the read end turns readable: every waiting thread wakes and ends
    acceptor_.join();
    for (std::thread& connection : connections_) connection.join();
    ::close(listener_);
    ::close(stop_[0]);
}

void HttpServer::route(const QByteArray& target, const QList<HttpReply>& replies) {
    const std::lock_guard lock(mutex_);
    routes_.insert(target, replies);
    served_.remove(target);
}

QUrl HttpServer::url(const QByteArray& target) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port_) + QString::fromUtf8(target));
}

QList<HttpRequest> HttpServer::requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

QStringList HttpServer::targets() const {
    QStringList list;
    for (const HttpRequest& request : requests()) list << QString::fromUtf8(request.target);
    return list;
}

void HttpServer::acceptLoop() {
    while (waitReadable(listener_, stop_[0])) {
        const int socket = ::accept(listener_, nullptr, nullptr);
        if (socket >= 0) connections_.emplace_back([this, socket] { serve(socket); });
    }
}

HttpReply HttpServer::replyFor(const QByteArray& target) {
    const std::lock_guard lock(mutex_);
    const QByteArray key = routes_.contains(target) ? target : target.left(target.indexOf('?'));
    const auto found = routes_.constFind(key);
    if (found == routes_.constEnd() || found->isEmpty()) return HttpReply{404, "Not Found"};
    const int turn = served_[key]++;
    return found->value(std::min<int>(turn, found->size() - 1));
}

void HttpServer::serve(int socket) {
    const QByteArray head = readHead(socket, stop_[0]);
    if (!head.isEmpty()) {
        const HttpRequest request = parseHead(head);
        {
            const std::lock_guard lock(mutex_);
            requests_.append(request);
        }
        const HttpReply reply = replyFor(request.target);
        const bool stopped = stopsWithin(stop_[0], reply.delayMs);
        char byte;
        if (reply.silent) {
            while (waitReadable(socket, stop_[0]) && ::recv(socket, &byte, 1, 0) > 0) {
            }
        } else if (!stopped) {
            sendAnswer(socket, reply);
        }
    }
    ::shutdown(socket, SHUT_WR);
    ::close(socket);
}

ClosedPort::ClosedPort() : socket_(boundSocket(port_)) {}

ClosedPort::~ClosedPort() {
    ::close(socket_);
}

QUrl ClosedPort::url(const QByteArray& target) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port_) + QString::fromUtf8(target));
}

}  // namespace orv::test

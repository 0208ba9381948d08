#include "net/sock.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QHash>
#include <QMetaMethod>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <optional>

#include "core/errornotice.h"
#include "net/namelookup.h"
#include "net/protocol.h"
#include "net/wsaerrors.h"

namespace mb {

namespace {

constexpr int kListenBacklog = 5;

// Resolved host names (IPv4, host byte order) are shared by every component of the process.
QHash<QString, quint32>& hostCache() {
    static QHash<QString, quint32> cache;
    return cache;
}

bool startsWithDigit(const QString& s) {
    return !s.isEmpty() && s.front().isDigit();
}

// Every message is one small write that the other side waits for: send it now rather than
// hold it back until the previous segment is acknowledged.
void sendImmediately(int fd) {
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
}

}  // namespace

Sock::Sock(QObject* parent) : QObject(parent) {}

Sock::~Sock() {
    // Destruction closes quietly: the owner is going away and must not be called back.
    abandonLookup();
    if (fd_ >= 0) ::close(fd_);
}

void Sock::retireNotifiers() {
    for (QPointer<QSocketNotifier>* n : {&readNotifier_, &writeNotifier_}) {
        if (!*n) continue;
        (*n)->setEnabled(false);
        (*n)->deleteLater();
        *n = nullptr;
    }
}

void Sock::report(InfoCode code, const QString& text) {
    static const QMetaMethod infoSignal = QMetaMethod::fromSignal(&Sock::info);
    if (isSignalConnected(infoSignal)) emit info(code, text);
}

void Sock::reportError(int wsa) {
    report(InfoCode::Error, wsaErrorText(wsa));
}

void Sock::setHostName(const QString& name) {
    if (connected_) {
        report(InfoCode::Lookup, QStringLiteral("Setting HostName While Connected Has No Effect"));
        return;
    }
    hostName_ = name;
}

void Sock::setPortName(const QString& name) {
    if (connected_) {
        report(InfoCode::Lookup, QStringLiteral("Setting PortName While Connected Has No Effect"));
        return;
    }
    portName_ = name;
}

namespace {

quint16 resolvePort(const QString& portName) {
    if (startsWithDigit(portName)) {
        bool ok = false;
        const uint port = portName.toUInt(&ok);
        if (ok && port <= 0xFFFF) return quint16(port);
        throw SockError("Port Lookup - Could Not Find Service Entry");
    }
    const servent* entry = ::getservbyname(portName.toLocal8Bit().constData(), "tcp");
    if (!entry) throw SockError("Port Lookup - Could Not Find Service Entry");
    return ntohs(quint16(entry->s_port));
}

constexpr char kHostNotFound[] = "Host Lookup - Could Not Find Host Entry";

// An empty host, a dotted address (a name starting with a digit) and a name found before need
// no look-up; the address is in host byte order.
std::optional<quint32> knownHost(const QString& hostName) {
    if (hostName.isEmpty()) return INADDR_ANY;
    if (startsWithDigit(hostName)) {
        in_addr addr{};
        if (::inet_pton(AF_INET, hostName.toLatin1().constData(), &addr) != 1)
            throw SockError(kHostNotFound);
        return ntohl(addr.s_addr);
    }
    if (auto it = hostCache().constFind(hostName); it != hostCache().constEnd()) return *it;
    return std::nullopt;
}

}  // namespace

bool Sock::open() {
    if (fd_ >= 0 || isResolving()) return connected_;
    report(InfoCode::Lookup, QStringLiteral("Lookup Of Port ") + portName_);
    const quint16 port = resolvePort(portName_);
    if (!hostName_.isEmpty() && !startsWithDigit(hostName_))
        report(InfoCode::Lookup, QStringLiteral("Lookup Of Host ") + hostName_);
    if (const std::optional<quint32> host = knownHost(hostName_)) {
        connectTo(*host, port);
        return false;
    }
    lookupName_ = hostName_;
    lookupPort_ = port;
    // The result is always delivered later from the event loop, never inside this call.
    const int serial = ++lookupSerial_;
    const auto done = [this, serial](std::optional<quint32> address) {
        hostLookedUp(serial, address);
    };
    if (NameLookup* names = nameLookup()) {
        lookupId_ = names->start(hostName_, this, done);
    } else {
        // Nothing to look names up with: not found, reported from the event loop as usual.
        lookupId_ = 0;
        QTimer::singleShot(0, this, [done] { done(std::nullopt); });
    }
    return false;
}

void Sock::hostLookedUp(int lookup, std::optional<quint32> address) {
    if (lookup != lookupSerial_ || !isResolving()) return;  // abandoned by close()
    lookupId_ = -1;
    if (!address) {
        QPointer<Sock> self(this);
        showErrorNotice(QString::fromLatin1(kHostNotFound));
        if (self) emit connectFailed(0);
        return;
    }
    hostCache().insert(lookupName_, *address);
    connectTo(*address, lookupPort_);
}

void Sock::abandonLookup() {
    if (!isResolving()) return;
    if (NameLookup* names = nameLookup()) names->abort(lookupId_);
    lookupId_ = -1;
    ++lookupSerial_;
}

void Sock::connectTo(quint32 address, quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        reportError(errnoToWsa(errno));
        return;
    }
    fd_ = fd;
    sendImmediately(fd_);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(address);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0 &&
        errno != EINPROGRESS) {
        failConnection(errno);
        return;
    }
    // Completion, immediate or not, is reported from the event loop, like every other event.
    connecting_ = true;
    watch(false, true);
}

void Sock::failConnection(int err) {
    // A failed connect is only reported; the component stays unconnected and quiet.
    retireNotifiers();
    ::close(fd_);
    fd_ = -1;
    connecting_ = false;
    QPointer<Sock> self(this);
    reportError(errnoToWsa(err));
    if (self) emit connectFailed(err);
}

bool Sock::close() {
    const bool wasListening = listening_;
    bool ok = false;
    abandonLookup();
    retireNotifiers();
    if (fd_ >= 0) ok = ::close(fd_) == 0;
    fd_ = -1;
    connected_ = false;
    connecting_ = false;
    listening_ = false;
    outbound_.clear();
    if (!wasListening) {
        try {
            report(InfoCode::Close, QString::fromLatin1(kSocketClosed));
        } catch (...) {
            // A handler's failure must not escape a close.
        }
    }
    return ok;
}

bool Sock::send(QByteArrayView bytes) {
    if (fd_ < 0) throw SockError("Send - Socket Not Connected");
    if (listening_) throw SockError("Send - Cannot Send On A Listener Socket");
    outbound_.append(bytes);
    if (outbound_.isEmpty() || connecting_) return true;
    flush();
    return true;
}

void Sock::flush() {
    if (outbound_.isEmpty()) {
        watch(true, false);
        return;
    }
    report(InfoCode::Send, QStringLiteral("Non-Blocking Outgoing Data"));
    const ssize_t sent = ::send(fd_, outbound_.constData(), size_t(outbound_.size()), MSG_NOSIGNAL);
    if (sent > 0) {
        outbound_.remove(0, qsizetype(sent));
    } else if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        // The connection is failing; the read side reports the loss. Stop asking to write so
        // the broken socket cannot spin the event loop.
        watch(true, false);
        return;
    }
    watch(true, !outbound_.isEmpty());
}

QByteArray Sock::receive(qsizetype count) {
    if (fd_ < 0 && inbound_.isEmpty()) throw SockError("Receive - Socket Not Connected");
    if (listening_) throw SockError("Receive - Cannot Receive On A Listener Socket");
    if (count < 0 || count >= inbound_.size()) return std::exchange(inbound_, QByteArray());
    QByteArray head = inbound_.first(count);
    inbound_.remove(0, count);
    return head;
}

void Sock::setListen(bool listen) {
    if (!listen) {
        if (!listening_) return;
        close();
        report(InfoCode::Listen, QStringLiteral("Listening Stopped"));
        return;
    }
    if (listening_) {
        report(InfoCode::Listen, QStringLiteral("Listening Already Running"));
        return;
    }
    if (fd_ >= 0) throw SockError("Listen - Socket Already In Use");
    report(InfoCode::Lookup, QStringLiteral("Lookup Of Port ") + portName_);
    const quint16 port = resolvePort(portName_);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) throw SockError("Listen - Error Binding Socket");
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        throw SockError("Listen - Error Binding Socket");
    }
    if (::listen(fd, kListenBacklog) != 0) {
        ::close(fd);
        throw SockError("Listen - Error Starting Listen");
    }
    fd_ = fd;
    listening_ = true;
    watch(true, false);
    report(InfoCode::Listen, QStringLiteral("Listening Started"));
}

Sock* Sock::accept() {
    if (!listening_) throw SockError("Accept - Socket Not In Listening Mode");
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    const int fd =
        ::accept4(fd_, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        report(InfoCode::Accept, QStringLiteral("Could Not Accept Connection"));
        return nullptr;
    }
    sendImmediately(fd);
    auto* conn = new Sock(this);
    conn->fd_ = fd;
    conn->connected_ = true;
    conn->portName_ = portName_;
    char dotted[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &peer.sin_addr, dotted, sizeof dotted);
    conn->hostName_ = QString::fromLatin1(dotted);
    conn->watch(true, false);
    report(InfoCode::Accept, QStringLiteral("Created New TAsyncSock Structure"));
    return conn;
}

quint16 Sock::localPort() const {
    if (fd_ < 0) return 0;
    sockaddr_in local{};
    socklen_t len = sizeof local;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &len) != 0) return 0;
    return ntohs(local.sin_port);
}

bool Sock::setKeepAlive(int idleSeconds, int intervalSeconds, int probes) {
    if (fd_ < 0 || listening_) return false;
    const int yes = 1;
    return ::setsockopt(fd_, SOL_SOCKET, SO_KEEPALIVE, &yes, sizeof yes) == 0 &&
           ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds) == 0 &&
           ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds,
                        sizeof intervalSeconds) == 0 &&
           ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes) == 0;
}

void Sock::watch(bool read, bool write) {
    if (fd_ < 0) return;
    if (read && !readNotifier_) {
        readNotifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(readNotifier_, &QSocketNotifier::activated, this, &Sock::onReadable);
    }
    if (readNotifier_) readNotifier_->setEnabled(read);
    if (write && !writeNotifier_) {
        writeNotifier_ = new QSocketNotifier(fd_, QSocketNotifier::Write, this);
        connect(writeNotifier_, &QSocketNotifier::activated, this, &Sock::onWritable);
    }
    if (writeNotifier_) writeNotifier_->setEnabled(write);
}

void Sock::onReadable() {
    if (fd_ < 0) return;
    if (listening_) {
        emit acceptPending();
        return;
    }
    char buffer[kReadChunk];
    const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
    QPointer<Sock> self(this);
    if (got > 0) {
        inbound_.append(buffer, qsizetype(got));
        report(InfoCode::Receive, QStringLiteral("Non-Blocking Incoming Data"));
        if (self) emit readyRead(inbound_.size());
        return;
    }
    if (got < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
        // A reset connection is reported as an error, and then closed like any lost
        // connection, so the owner learns of the loss and the dead handle stops firing.
        reportError(errnoToWsa(errno));
        if (self) peerClosed();
        return;
    }
    emit readyRead(inbound_.size());
    if (self) peerClosed();
}

void Sock::peerClosed() {
    QPointer<Sock> self(this);
    retireNotifiers();
    emit disconnected();
    if (self) close();
}

void Sock::onWritable() {
    if (fd_ < 0) return;
    if (connecting_) {
        int err = 0;
        socklen_t len = sizeof err;
        ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len);
        if (err != 0) {
            failConnection(err);
            return;
        }
        connecting_ = false;
        connected_ = true;
        watch(true, !outbound_.isEmpty());
        QPointer<Sock> self(this);
        report(InfoCode::Connect, QStringLiteral("Non-Blocking Socket Connected"));
        if (self) emit connected();
        if (self && !outbound_.isEmpty()) flush();
        return;
    }
    flush();
    emit writable();
}

}  // namespace mb

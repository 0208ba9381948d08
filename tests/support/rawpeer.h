#pragma once
// Bare ends of the wire format for tests: plain Qt Network framing what it sends and cutting
// what it receives at the 0xFF terminator, so the program's own socket component is checked
// against an independent one. RawClient dials a host; RawHost stands in for a host (or a lobby)
// and keeps a RawPeer for every connection made to it. Every wait keeps the event loop running,
// so a host or client in the same thread is served meanwhile, and ends once its condition holds.
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <memory>
#include <vector>

namespace mbtest {

// How long a wait may take on a loaded machine before the test gives up.
inline constexpr int kNetWaitMs = 10'000;

// One end of a connection, recording every message it receives.
class RawPeer : public QObject {
public:
    // Takes `socket` over, whether it is connected already or still connecting.
    explicit RawPeer(QTcpSocket* socket) : socket_(socket) {
        socket_->setParent(this);
        wasConnected_ = socket_->state() == QAbstractSocket::ConnectedState;
        connect(socket_, &QTcpSocket::connected, this, [this] { wasConnected_ = true; });
        connect(socket_, &QTcpSocket::readyRead, this, [this] { cut(); });
        connect(socket_, &QTcpSocket::disconnected, this, [this] { closed_ = true; });
    }

    void send(const QByteArray& message) { sendRaw(message + '\xFF'); }
    void sendRaw(const QByteArray& bytes) {
        socket_->write(bytes);
        socket_->flush();
    }

    QTcpSocket* socket() const { return socket_; }
    // Every whole message so far, terminators removed.
    const QList<QByteArray>& messages() const { return messages_; }
    // Every byte received so far, exactly as it came.
    const QByteArray& raw() const { return raw_; }
    // The connection was up and has ended.
    bool closed() const {
        return closed_ || (wasConnected_ && socket_->state() == QAbstractSocket::UnconnectedState);
    }
    // All messages with this command received so far.
    QList<QByteArray> all(const QByteArray& command) const {
        QList<QByteArray> out;
        for (const QByteArray& m : messages_)
            if (m.startsWith(command + '+')) out.append(m);
        return out;
    }

    // Waits for the next message, after those already taken, that starts with `command` + "+".
    // Returns it, or an empty text on time-out.
    QByteArray next(const QByteArray& command, int ms = kNetWaitMs) {
        QByteArray found;
        const bool arrived = QTest::qWaitFor(
            [&] {
                for (; taken_ < messages_.size(); ++taken_) {
                    if (messages_[taken_].startsWith(command + '+')) {
                        found = messages_[taken_++];
                        return true;
                    }
                }
                return false;
            },
            ms);
        return arrived ? found : QByteArray();
    }
    // Waits until a message equal to `message` has arrived, whenever it came.
    bool waitFor(const QByteArray& message, int ms = kNetWaitMs) {
        return QTest::qWaitFor([&] { return messages_.contains(message); }, ms);
    }
    bool waitForPrefix(const QByteArray& prefix, int ms = kNetWaitMs) {
        return QTest::qWaitFor(
            [&] {
                for (const QByteArray& m : messages_)
                    if (m.startsWith(prefix)) return true;
                return false;
            },
            ms);
    }
    bool waitClosed(int ms = kNetWaitMs) {
        return QTest::qWaitFor([this] { return closed(); }, ms);
    }

private:
    void cut() {
        raw_ += socket_->readAll();
        for (qsizetype end; (end = raw_.indexOf('\xFF', cutAt_)) >= 0; cutAt_ = end + 1)
            messages_.append(raw_.sliced(cutAt_, end - cutAt_));
    }

    QTcpSocket* socket_;
    QByteArray raw_;
    qsizetype cutAt_ = 0;  // where the message not yet whole begins in raw_
    QList<QByteArray> messages_;
    qsizetype taken_ = 0;  // messages already returned by next() or passed over by it
    bool wasConnected_ = false;
    bool closed_ = false;
};

// A client that dials a host on this machine.
class RawClient : public RawPeer {
public:
    // `from` picks the local end, e.g. another loopback address such as 127.0.0.2.
    explicit RawClient(quint16 port, const QHostAddress& from = {}) : RawPeer(new QTcpSocket) {
        if (!from.isNull()) socket()->bind(from);
        socket()->connectToHost(QHostAddress::LocalHost, port);
    }

    bool waitConnected(int ms = kNetWaitMs) { return socket()->waitForConnected(ms); }
    // The seat from CMD_sendlogininfo, then the login answer as a real client gives it.
    int login(const QByteArray& name) {
        const QByteArray ask = next("CMD_sendlogininfo");
        if (ask.isEmpty()) return 0;
        const QByteArray seat = ask.mid(ask.indexOf('+') + 1);
        // The client's stored name carries its own terminator, so an empty message follows.
        send("CMD_logininfo+" + seat + "+1.0.0+" + name + '\xFF');
        return seat.toInt();
    }
};

// A stand-in host (or lobby) that records every connection made to it.
class RawHost : public QObject {
public:
    explicit RawHost(quint16 port = 0) {
        server_.listen(QHostAddress::LocalHost, port);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection())
                connections_.push_back(std::make_unique<RawPeer>(s));
        });
    }
    bool listening() const { return server_.isListening(); }
    quint16 port() const { return server_.serverPort(); }
    size_t count() const { return connections_.size(); }
    RawPeer& at(size_t i) { return *connections_.at(i); }
    bool waitForConnection(size_t n = 1, int ms = kNetWaitMs) {
        return QTest::qWaitFor([&] { return connections_.size() >= n; }, ms);
    }

private:
    QTcpServer server_;
    std::vector<std::unique_ptr<RawPeer>> connections_;
};

}  // namespace mbtest

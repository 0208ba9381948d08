#pragma once
// A stand-in host for black-box tests of the client: plain Qt Network speaking the wire format
// directly, so the program's own socket component is checked against an independent one.
// Its client-side counterpart is tests/support/rawclient.h.
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <memory>
#include <vector>

namespace testpeer {

// Cuts a byte stream into messages at the 0xFF terminator.
class RawConnection : public QObject {
public:
    explicit RawConnection(QTcpSocket* socket) : socket_(socket) {
        connect(socket_, &QTcpSocket::readyRead, this, [this] {
            raw_ += socket_->readAll();
            qsizetype end;
            while ((end = raw_.indexOf('\xff', consumed_)) >= 0) {
                messages_ << raw_.sliced(consumed_, end - consumed_);
                consumed_ = end + 1;
            }
        });
        connect(socket_, &QTcpSocket::disconnected, this, [this] { closed_ = true; });
    }
    void send(const QByteArray& message) { socket_->write(message + '\xff'); }
    const QList<QByteArray>& messages() const { return messages_; }
    const QByteArray& raw() const { return raw_; }
    bool closed() const { return closed_; }
    QTcpSocket* socket() const { return socket_; }
    // Waits until a message equal to `message` has arrived.
    bool waitFor(const QByteArray& message, int ms = 5000) {
        return QTest::qWaitFor([&] { return messages_.contains(message); }, ms);
    }
    bool waitForPrefix(const QByteArray& prefix, int ms = 5000) {
        return QTest::qWaitFor(
            [&] {
                for (const auto& m : messages_)
                    if (m.startsWith(prefix)) return true;
                return false;
            },
            ms);
    }
    bool waitClosed(int ms = 5000) {
        return QTest::qWaitFor(
            [&] { return closed_ || socket_->state() == QAbstractSocket::UnconnectedState; }, ms);
    }

private:
    QTcpSocket* socket_;
    QByteArray raw_;
    qsizetype consumed_ = 0;
    QList<QByteArray> messages_;
    bool closed_ = false;
};

// A stand-in host (or lobby) that records every connection made to it.
class RawHost : public QObject {
public:
    explicit RawHost(quint16 port = 0) {
        server_.listen(QHostAddress::LocalHost, port);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection())
                connections_.push_back(std::make_unique<RawConnection>(s));
        });
    }
    bool listening() const { return server_.isListening(); }
    quint16 port() const { return server_.serverPort(); }
    size_t count() const { return connections_.size(); }
    RawConnection& at(size_t i) { return *connections_.at(i); }
    bool waitForConnection(size_t n = 1, int ms = 5000) {
        return QTest::qWaitFor([&] { return connections_.size() >= n; }, ms);
    }

private:
    QTcpServer server_;
    std::vector<std::unique_ptr<RawConnection>> connections_;
};

}  // namespace testpeer

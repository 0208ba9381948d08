#pragma once
// A bare protocol client for tests: a plain TCP socket that frames what it sends and
// cuts what it receives at the terminator, recording every message. It keeps the event loop
// running while it waits, so a host in the same thread is served meanwhile.
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QTcpSocket>
#include <QTest>
#include <functional>

namespace mbtest {

inline constexpr int kNetWaitMs = 10'000;

class RawClient {
public:
    // `from` picks the local end, e.g. another loopback address such as 127.0.0.2.
    explicit RawClient(quint16 port, const QHostAddress& from = {}) {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { readAll(); });
        QObject::connect(&socket, &QTcpSocket::disconnected, [this] { closed = true; });
        if (!from.isNull()) socket.bind(from);
        socket.connectToHost(QHostAddress::LocalHost, port);
    }

    void send(const QByteArray& message) {
        socket.write(message + '\xFF');
        socket.flush();
    }
    void sendRaw(const QByteArray& bytes) {
        socket.write(bytes);
        socket.flush();
    }

    // Waits for the next message, after those already taken, that starts with `command` + "+".
    // Returns it, or an empty text on time-out.
    QByteArray next(const QByteArray& command, int timeoutMs = kNetWaitMs) {
        QByteArray found;
        const bool arrived = QTest::qWaitFor(
            [&] {
                for (; cursor < messages.size(); ++cursor) {
                    if (messages[cursor].startsWith(command + '+')) {
                        found = messages[cursor++];
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
        return arrived ? found : QByteArray();
    }
    // The seat from CMD_sendlogininfo, then the login answer as a real client gives it.
    int login(const QByteArray& name) {
        const QByteArray ask = next("CMD_sendlogininfo");
        if (ask.isEmpty()) return 0;
        const QByteArray seat = ask.mid(ask.indexOf('+') + 1);
        // The client's stored name carries its own terminator, so an empty message follows.
        send("CMD_logininfo+" + seat + "+1.0.0+" + name + '\xFF');
        return seat.toInt();
    }
    bool waitConnected(int timeoutMs = kNetWaitMs) { return socket.waitForConnected(timeoutMs); }
    // Waits until a message equal to `message` has arrived, whenever it came.
    bool waitFor(const QByteArray& message, int timeoutMs = kNetWaitMs) {
        return QTest::qWaitFor([&] { return messages.contains(message); }, timeoutMs);
    }
    bool waitClosed(int timeoutMs = kNetWaitMs) {
        return QTest::qWaitFor([this] { return closed; }, timeoutMs);
    }
    // All messages with this command received so far.
    QList<QByteArray> all(const QByteArray& command) const {
        QList<QByteArray> out;
        for (const QByteArray& m : messages)
            if (m.startsWith(command + '+')) out.append(m);
        return out;
    }

    QTcpSocket socket;
    QList<QByteArray> messages;
    qsizetype cursor = 0;
    bool closed = false;

private:
    void readAll() {
        buffer += socket.readAll();
        for (qsizetype end; (end = buffer.indexOf('\xFF')) >= 0;) {
            messages.append(buffer.left(end));
            buffer.remove(0, end + 1);
        }
    }
    QByteArray buffer;
};

}  // namespace mbtest

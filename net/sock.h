#pragma once
// The program's own TCP socket component: non-blocking stream sockets over the platform's
// BSD sockets, with readiness delivered on the UI thread by the Qt event loop.
//
// Events are Qt signals emitted in the order the platform reports readiness. Info codes and
// texts follow the component's classic catalogue (see InfoCode); callers act only on
// "Socket Closed".
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QString>
#include <optional>
#include <stdexcept>

namespace mb {

enum class InfoCode { Lookup = 0, Connect, Close, Listen, Receive, Send, Accept, Error };

inline constexpr char kSocketClosed[] = "Socket Closed";

class SockError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Sock : public QObject {
    Q_OBJECT
public:
    explicit Sock(QObject* parent = nullptr);
    ~Sock() override;

    QString hostName() const { return hostName_; }
    void setHostName(const QString& name);
    QString portName() const { return portName_; }
    void setPortName(const QString& name);

    bool isConnected() const { return connected_; }
    bool isListening() const { return listening_; }
    bool isOpen() const { return fd_ >= 0; }
    // The general-purpose tag every component carries (the host keeps the seat number here).
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    // Starts a connect; success arrives later as connected(). Returns the Connected flag.
    // A dotted address, or a name found before, connects at once. Any other name is looked up
    // first without blocking the caller (a slow name server must not freeze the window); the
    // connect starts when the address is known (through nameLookup(), net/namelookup.h). Throws
    // SockError on a failed port lookup or a malformed dotted address. A name that cannot be found
    // is reported when its look-up ends, as an error raised inside an event: the standard error
    // notice shows "Host Lookup - Could Not Find Host Entry", and the component stays closed with
    // no other event.
    bool open();
    // A host name is being looked up for open(); close() abandons it.
    bool isResolving() const { return lookupId_ >= 0; }
    // Closes the handle; reports "Socket Closed" unless it was listening. Returns whether the
    // platform closed a valid handle without error. Never throws.
    bool close();
    // Queues the bytes and sends what the network takes now; the rest follows on write
    // readiness. Never blocks, never reorders. Throws when not connected or listening.
    bool send(QByteArrayView bytes);
    // Returns buffered inbound bytes: count < 0 or >= buffered returns all.
    QByteArray receive(qsizetype count = -1);
    // Listening on any local address at portName(); port "0" picks a free port.
    void setListen(bool listen);
    // Accepts one pending connection into a new component owned by this listener; nullptr when
    // the platform refused (reported as "Could Not Accept Connection").
    Sock* accept();

    // The bound local port (useful after listening on port 0).
    quint16 localPort() const;
    // The platform handle, for socket options; -1 while closed.
    int handle() const { return fd_; }
    // Probes an idle connection so that a peer whose machine vanished is noticed as a lost
    // connection. Returns whether every option was taken.
    bool setKeepAlive(int idleSeconds, int intervalSeconds, int probes);
    qsizetype pendingOutput() const { return outbound_.size(); }
    qsizetype bufferedInput() const { return inbound_.size(); }

signals:
    void connected();
    // The peer closed the connection; emitted before the component closes its own side.
    void disconnected();
    // An open() came to nothing: `error` is the errno of the failed connect, or 0 when the
    // host's name was not found. Besides the reports above, for owners that must tell the user.
    void connectFailed(int error);
    // After every read notification; count = inbound buffer length after the read.
    void readyRead(qsizetype count);
    void writable();
    void acceptPending();
    void info(mb::InfoCode code, const QString& text);

private:
    void report(InfoCode code, const QString& text);
    void reportError(int wsa);
    void watch(bool read, bool write);
    void onReadable();
    void onWritable();
    void flush();
    void peerClosed();
    void failConnection(int err);
    void connectTo(quint32 address, quint16 port);
    void hostLookedUp(int lookup, std::optional<quint32> address);
    void abandonLookup();
    void retireNotifiers();

    int fd_ = -1;
    bool connected_ = false;
    bool connecting_ = false;
    bool listening_ = false;
    int tag_ = 0;
    int lookupId_ = -1;     // the pending host look-up, -1 when none
    int lookupSerial_ = 0;  // tells an abandoned look-up's answer from the pending one's
    quint16 lookupPort_ = 0;
    QString lookupName_;
    QString hostName_;
    QString portName_;
    QByteArray inbound_;
    QByteArray outbound_;
    // Children, retired with deleteLater: a notifier may be dropped from inside its own signal.
    QPointer<QSocketNotifier> readNotifier_;
    QPointer<QSocketNotifier> writeNotifier_;
};

}  // namespace mb

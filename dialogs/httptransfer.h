#pragma once
// One GET on the wire, as the HTTP client (httpclient.h) drives it. The one transport, on Qt
// Network, lives in the services library (core/backends.h): a game that never downloads does
// not load Qt Network, its TLS and proxy libraries and Kerberos before its first frame.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

class QObject;

namespace mb {

class HttpTransfer {
public:
    // Called from the event loop while the transfer runs. `redirect` answers whether to follow
    // a redirect to the address; not following it ends the transfer.
    struct Hooks {
        std::function<bool(const QUrl& target)> redirect;
        std::function<void()> headersChanged;
        std::function<void()> readyRead;
        std::function<void()> finished;
    };

    virtual ~HttpTransfer() = default;
    virtual bool isFinished() const = 0;
    virtual bool isRunning() const = 0;
    virtual void abort() = 0;
    virtual QByteArray readAll() = 0;
    virtual int status() const = 0;  // 0 before a status line
    virtual QString reasonPhrase() const = 0;
    virtual QList<QPair<QByteArray, QByteArray>> rawHeaders() const = 0;
    virtual bool hasRawHeader(const QByteArray& name) const = 0;
    virtual std::optional<qint64> announcedLength() const = 0;
    // The network's description of a failed transfer; nothing when it went through.
    virtual std::optional<QString> failure() const = 0;
};

struct HttpRequest {
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headers;
    int maxRedirects = 0;
    int stallTimeoutMs = 0;
};

class HttpTransport {
public:
    virtual ~HttpTransport() = default;
    // Starts a GET: no cache, no proxy, no HTTP/2, no transparent decompression, and every
    // redirect put to the hooks.
    virtual std::unique_ptr<HttpTransfer> get(const HttpRequest& request,
                                              HttpTransfer::Hooks hooks) = 0;
};

// The services library's entry point that makes a transport; the caller owns it, and its
// network objects are children of `owner`.
inline constexpr char kMakeHttpTransportSymbol[] = "marrowby_make_http_transport";
using MakeHttpTransport = HttpTransport* (*)(QObject* owner);

}  // namespace mb

#include "dialogs/httpclient.h"

#include <arpa/inet.h>

#include <QEventLoop>
#include <QIODevice>
#include <cstring>

#include "core/backends.h"
#include "dialogs/httptransfer.h"

namespace mb {
namespace {

QString printablePrefix(const QString& text) {
    QString out;
    for (const QChar c : text.left(kHttpMaxReasonLength)) out += c.isPrint() ? c : QLatin1Char('?');
    return out;
}

// Whether `host`, as a URL gives it (IPv4 in dotted quads, IPv6 compressed and without
// brackets), is a loopback address: 127.0.0.0/8, ::1, or 127.0.0.0/8 mapped into IPv6.
bool isLoopbackAddress(const QString& host) {
    const QByteArray text = host.toLatin1();
    in_addr v4{};
    if (::inet_pton(AF_INET, text.constData(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (::inet_pton(AF_INET6, text.constData(), &v6) != 1) return false;
    static constexpr unsigned char kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (std::memcmp(v6.s6_addr, kMappedPrefix, sizeof kMappedPrefix) == 0)
        return v6.s6_addr[12] == 127;
    return IN6_IS_ADDR_LOOPBACK(&v6);
}

}  // namespace

HttpError::HttpError(int status, const QString& reason)
    : std::runtime_error(QStringLiteral("HTTP %1: %2").arg(status).arg(reason).toStdString()),
      status_(status),
      reason_(reason) {}

HttpStreamError::HttpStreamError(const QString& text) : std::runtime_error(text.toStdString()) {}

bool isSafeDownloadUrl(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty()) return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https")) return true;
    if (scheme != QLatin1String("http")) return false;
    const QString host = url.host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) return true;
    return isLoopbackAddress(host);
}

THttpClient::THttpClient(QObject* parent) : QObject(parent) {}

THttpClient::~THttpClient() = default;

void THttpClient::Get() {
    if (transfer_) throw HttpError(kHttpFailureStatus, QStringLiteral("A transfer is running"));
    count_ = 0;
    failure_ = Failure::None;
    begun_ = false;
    const QUrl url(url_);
    if (!isSafeDownloadUrl(url))
        throw HttpError(kHttpFailureStatus, QStringLiteral("Only https addresses are fetched"));

    HttpRequest request;
    request.url = url;
    request.headers = {{"User-Agent", kHttpUserAgent},
                       {"Accept", kHttpAccept},
                       // The body is saved as sent, and its length is checked against the
                       // announced one: no transparent decompression in between.
                       {"Accept-Encoding", "identity"}};
    // No cache directive is sent: the transport has no cache, so nothing is served from one.
    request.maxRedirects = kHttpMaxRedirects;
    request.stallTimeoutMs = kHttpStallTimeoutMs;

    // Made for the first transfer: most games never download, and the transport costs a solo
    // start its library and about 2 MiB.
    if (!transport_) {
        const auto make = backends::entry<MakeHttpTransport>(kMakeHttpTransportSymbol);
        if (!make) throw HttpError(kHttpFailureStatus, printablePrefix(backends::problem()));
        transport_.reset(make(this));
    }
    QEventLoop wait;
    HttpTransfer::Hooks hooks;
    // Every hop of a redirect must pass the same test as the first address.
    hooks.redirect = [this](const QUrl& target) {
        if (isSafeDownloadUrl(target)) return true;
        fail(Failure::UnsafeRedirect);
        return false;
    };
    hooks.headersChanged = [this] { announceHeaders(); };
    hooks.readyRead = [this] { receive(); };
    hooks.finished = [&wait] { wait.quit(); };
    transfer_ = transport_->get(request, std::move(hooks));

    wait.exec();
    // The loop also ends when the program quits; the transfer must not outlive that.
    if (!transfer_->isFinished()) fail(Failure::Aborted);
    if (failure_ == Failure::None) receive();

    const std::unique_ptr<HttpTransfer> done = std::move(transfer_);
    const int status = done->status();
    const QString phrase = printablePrefix(done->reasonPhrase());
    switch (failure_) {
        case Failure::None:
            break;
        case Failure::Aborted:
            throw HttpError(kHttpFailureStatus, QString::fromLatin1(kHttpAbortReason));
        case Failure::TooLarge:
            throw HttpError(kHttpFailureStatus, QStringLiteral("The file is too large"));
        case Failure::UnsafeRedirect:
            throw HttpError(kHttpFailureStatus, QStringLiteral("Redirected to an unsafe address"));
        case Failure::Stream:
            throw HttpStreamError(stream_ ? stream_->errorString()
                                          : QStringLiteral("No stream for the data"));
    }
    if (status >= 400) throw HttpError(status, phrase);
    if (const std::optional<QString> failure = done->failure())
        throw HttpError(kHttpFailureStatus, printablePrefix(*failure));
    // A connection cut short ends like a complete answer: only the count tells them apart.
    const std::optional<qint64> announced = done->announcedLength();
    if (announced && *announced != count_)
        throw HttpError(kHttpFailureStatus,
                        QStringLiteral("Received %1 of %2 bytes").arg(count_).arg(*announced));
}

void THttpClient::Abort() {
    if (transfer_) fail(Failure::Aborted);
}

void THttpClient::fail(Failure why) {
    if (failure_ == Failure::None) failure_ = why;
    if (transfer_ && transfer_->isRunning()) transfer_->abort();
}

void THttpClient::announceHeaders() {
    if (!transfer_ || begun_) return;
    // A redirect's own headers are not the document's.
    const int status = transfer_->status();
    if (status >= 300 && status < 400 && transfer_->hasRawHeader("Location")) return;
    begun_ = true;
    for (const auto& [name, value] : transfer_->rawHeaders()) {
        emit HeaderData(name + ": " + value);
        if (failure_ != Failure::None) return;  // a handler aborted
    }
    emit DocBegin();
}

void THttpClient::receive() {
    if (!transfer_ || failure_ != Failure::None) return;
    const QByteArray data = transfer_->readAll();
    if (data.isEmpty()) return;
    if (!begun_) announceHeaders();
    if (count_ + data.size() > kHttpMaxBodyBytes) {
        fail(Failure::TooLarge);
        return;
    }
    if (!stream_ || stream_->write(data) != data.size()) {
        fail(Failure::Stream);
        return;
    }
    count_ += data.size();
    emit DocData();
}

}  // namespace mb

#include "dialogs/httpclient.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <memory>

namespace mb {
namespace {

QString printablePrefix(const QString& text) {
    QString out;
    for (const QChar c : text.left(kHttpMaxReasonLength)) out += c.isPrint() ? c : QLatin1Char('?');
    return out;
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
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

THttpClient::THttpClient(QObject* parent) : QObject(parent) {}

THttpClient::~THttpClient() = default;

void THttpClient::Get() {
    if (reply_) throw HttpError(kHttpFailureStatus, QStringLiteral("A transfer is running"));
    count_ = 0;
    failure_ = Failure::None;
    begun_ = false;
    const QUrl url(url_);
    if (!isSafeDownloadUrl(url))
        throw HttpError(kHttpFailureStatus, QStringLiteral("Only https addresses are fetched"));

    QNetworkRequest request(url);
    request.setRawHeader("User-Agent", kHttpUserAgent);
    request.setRawHeader("Accept", kHttpAccept);
    // The body is saved as sent, and its length is checked against the announced one: no
    // transparent decompression in between.
    request.setRawHeader("Accept-Encoding", "identity");
    // No cache directive is sent: the manager has no cache, so nothing is served from one.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    // Every hop of a redirect must pass the same test as the first address.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(kHttpMaxRedirects);
    request.setTransferTimeout(kHttpStallTimeoutMs);

    // Made for the first transfer: most games never download, and the manager costs a
    // solo start about 2 MiB.
    if (!manager_) {
        manager_ = new QNetworkAccessManager(this);
        manager_->setProxy(QNetworkProxy::NoProxy);
    }
    QNetworkReply* reply = manager_->get(request);
    reply_ = reply;
    connect(reply, &QNetworkReply::redirected, this, [this, reply](const QUrl& target) {
        if (isSafeDownloadUrl(target))
            emit reply->redirectAllowed();
        else
            fail(Failure::UnsafeRedirect);
    });
    connect(reply, &QNetworkReply::metaDataChanged, this, &THttpClient::announceHeaders);
    connect(reply, &QNetworkReply::readyRead, this, &THttpClient::receive);

    QEventLoop wait;
    connect(reply, &QNetworkReply::finished, &wait, &QEventLoop::quit);
    wait.exec();
    // The loop also ends when the program quits; the transfer must not outlive that.
    if (!reply->isFinished()) fail(Failure::Aborted);
    if (failure_ == Failure::None) receive();

    const std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> done(
        reply, [](QNetworkReply* r) { r->deleteLater(); });
    reply_ = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString phrase =
        printablePrefix(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
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
    if (reply->error() != QNetworkReply::NoError)
        throw HttpError(kHttpFailureStatus, printablePrefix(reply->errorString()));
    // A connection cut short ends like a complete answer: only the count tells them apart.
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    if (announced.isValid() && announced.toLongLong() != count_)
        throw HttpError(
            kHttpFailureStatus,
            QStringLiteral("Received %1 of %2 bytes").arg(count_).arg(announced.toLongLong()));
}

void THttpClient::Abort() {
    if (reply_) fail(Failure::Aborted);
}

void THttpClient::fail(Failure why) {
    if (failure_ == Failure::None) failure_ = why;
    if (reply_ && reply_->isRunning()) reply_->abort();
}

void THttpClient::announceHeaders() {
    if (!reply_ || begun_) return;
    // A redirect's own headers are not the document's.
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status < 400 && reply_->hasRawHeader("Location")) return;
    begun_ = true;
    const QPointer<QNetworkReply> reply = reply_;
    for (const auto& [name, value] : reply_->rawHeaderPairs()) {
        emit HeaderData(name + ": " + value);
        if (!reply || reply_ != reply) return;  // a handler aborted
    }
    emit DocBegin();
}

void THttpClient::receive() {
    if (!reply_ || failure_ != Failure::None) return;
    const QByteArray data = reply_->readAll();
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

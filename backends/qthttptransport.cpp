#include "backends/qthttptransport.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace mb {
namespace {

class QtHttpTransfer final : public HttpTransfer {
public:
    QtHttpTransfer(QNetworkReply* reply, Hooks hooks) : reply_(reply), hooks_(std::move(hooks)) {
        QObject::connect(reply, &QNetworkReply::redirected, reply, [this](const QUrl& target) {
            if (hooks_.redirect(target)) emit reply_->redirectAllowed();
        });
        QObject::connect(reply, &QNetworkReply::metaDataChanged, reply,
                         [this] { hooks_.headersChanged(); });
        QObject::connect(reply, &QNetworkReply::readyRead, reply, [this] { hooks_.readyRead(); });
        QObject::connect(reply, &QNetworkReply::finished, reply, [this] { hooks_.finished(); });
    }
    ~QtHttpTransfer() override {
        // Later: the reply may be in the middle of emitting the signal that ended the wait.
        QObject::disconnect(reply_, nullptr, nullptr, nullptr);
        reply_->deleteLater();
    }

    bool isFinished() const override { return reply_->isFinished(); }
    bool isRunning() const override { return reply_->isRunning(); }
    void abort() override { reply_->abort(); }
    QByteArray readAll() override { return reply_->readAll(); }
    int status() const override {
        return reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    }
    QString reasonPhrase() const override {
        return reply_->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    }
    QList<QPair<QByteArray, QByteArray>> rawHeaders() const override {
        return reply_->rawHeaderPairs();
    }
    bool hasRawHeader(const QByteArray& name) const override { return reply_->hasRawHeader(name); }
    std::optional<qint64> announcedLength() const override {
        const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
        if (!length.isValid()) return std::nullopt;
        return length.toLongLong();
    }
    std::optional<QString> failure() const override {
        if (reply_->error() == QNetworkReply::NoError) return std::nullopt;
        return reply_->errorString();
    }

private:
    QNetworkReply* reply_;
    Hooks hooks_;
};

}  // namespace

QtHttpTransport::QtHttpTransport(QObject* owner) : manager_(new QNetworkAccessManager(owner)) {
    manager_->setProxy(QNetworkProxy::NoProxy);
}

std::unique_ptr<HttpTransfer> QtHttpTransport::get(const HttpRequest& request,
                                                   HttpTransfer::Hooks hooks) {
    QNetworkRequest wire(request.url);
    for (const auto& [name, value] : request.headers) wire.setRawHeader(name, value);
    wire.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    wire.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                      QNetworkRequest::UserVerifiedRedirectPolicy);
    wire.setMaximumRedirectsAllowed(request.maxRedirects);
    wire.setTransferTimeout(request.stallTimeoutMs);
    return std::make_unique<QtHttpTransfer>(manager_->get(wire), std::move(hooks));
}

}  // namespace mb

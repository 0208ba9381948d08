#pragma once
// A small HTTP client for one download at a time: the body goes into a stream the caller owns,
// and the GET waits in a local event loop so the windows stay alive meanwhile.
#include <QObject>
#include <QString>
#include <QUrl>
#include <memory>
#include <stdexcept>

class QIODevice;

namespace mb {

class HttpTransfer;
class HttpTransport;

// Every way a transfer can fail on the network side, and an abort, ends in this.
class HttpError : public std::runtime_error {
public:
    HttpError(int status, const QString& reason);
    int status() const { return status_; }
    const QString& reason() const { return reason_; }

private:
    int status_;
    QString reason_;
};

// The receive stream refused the data (a full disk, say): not the server's fault.
class HttpStreamError : public std::runtime_error {
public:
    explicit HttpStreamError(const QString& text);
};

inline constexpr int kHttpFailureStatus = 404;
inline constexpr char kHttpAbortReason[] = "Connection aborted on request";
inline constexpr char kHttpUserAgent[] = "Mozilla/3.0 (compatible)";
inline constexpr char kHttpAccept[] = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
// A lobby installer is a few megabytes; anything far beyond is not one.
inline constexpr qint64 kHttpMaxBodyBytes = 256LL * 1024 * 1024;
// A server that sends nothing for this long has gone away.
inline constexpr int kHttpStallTimeoutMs = 60'000;
inline constexpr int kHttpMaxRedirects = 5;
// Reason texts come from the server: keep only a short printable prefix.
inline constexpr int kHttpMaxReasonLength = 120;

// Downloaded code must not be replaceable on the way: https only, except plain http to this
// machine's loopback address, where nobody sits in between.
bool isSafeDownloadUrl(const QUrl& url);

class THttpClient : public QObject {
    Q_OBJECT
public:
    explicit THttpClient(QObject* parent = nullptr);
    ~THttpClient() override;

    QString URL() const { return url_; }
    void setURL(const QString& url) { url_ = url; }
    // The stream that takes the response body; the caller opens and closes it.
    QIODevice* RcvdStream() const { return stream_; }
    void setRcvdStream(QIODevice* stream) { stream_ = stream; }
    qint64 RcvdCount() const { return count_; }
    bool busy() const { return transfer_ != nullptr; }

    // Returns when the transfer has ended; events go on being handled while it waits. Throws
    // HttpError for a status of 400 or more, a failed lookup or connection, a failed TLS check,
    // a body whose length differs from the announced one, and an abort (also when the program
    // quits meanwhile); HttpStreamError when the stream cannot take the data.
    void Get();
    // May be called while Get() waits; does nothing otherwise.
    void Abort();

signals:
    void HeaderData(const QByteArray& line);
    void DocBegin();
    void DocData();

private:
    enum class Failure { None, Aborted, TooLarge, UnsafeRedirect, Stream };
    void receive();
    void fail(Failure why);
    void announceHeaders();

    std::unique_ptr<HttpTransport> transport_;  // made by the first Get()
    std::unique_ptr<HttpTransfer> transfer_;    // while Get() waits
    QString url_;
    QIODevice* stream_ = nullptr;
    qint64 count_ = 0;
    Failure failure_ = Failure::None;
    bool begun_ = false;
};

}  // namespace mb

// Takes a picture of the lobby download window in the middle of a transfer:
// `marrowby-download-screenshot OUT.png`. A local server hands out part of a file and then
// waits, so the window shows its running state.
#include <QApplication>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "dialogs/downloadform.h"
#include "dialogs/httpclient.h"
#include "widgets/gamestyle.h"

namespace {
constexpr qint64 kAnnouncedBytes = 4'718'592;
constexpr qint64 kSentBytes = 1'572'864;
constexpr int kSettleMs = 400;
constexpr int kTimeoutMs = 20000;
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    mb::useGameStyle();  // as the game's main does
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("download.png");
    QTemporaryDir dir;
    QTcpServer server;
    if (!dir.isValid() || !server.listen(QHostAddress::LocalHost)) return 1;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        QTcpSocket* s = server.nextPendingConnection();
        s->setParent(&server);
        QObject::connect(s, &QTcpSocket::readyRead, s, [s] {
            if (!s->readAll().contains("\r\n\r\n")) return;
            s->write(
                "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
                "Content-Length: " +
                QByteArray::number(kAnnouncedBytes) + "\r\n\r\n" + QByteArray(kSentBytes, '\0'));
        });
    });

    Tdownload window;
    window.setPlaces(
        {QStringLiteral("http://127.0.0.1:%1/lobby/kestrolobby-setup.run").arg(server.serverPort()),
         dir.path(),
         dir.filePath(QStringLiteral("kestrolobby")),
         {}});
    window.show();

    int result = 1;
    bool shot = false;
    QObject::connect(&window.httpClient(), &mb::THttpClient::DocData, &window, [&] {
        if (shot || window.httpClient().RcvdCount() < kSentBytes) return;
        shot = true;
        QTimer::singleShot(kSettleMs, &window, [&] {
            if (window.grab().save(out)) {
                std::printf("%s\n", qPrintable(out));
                result = 0;
            }
            window.findChild<QPushButton*>(QStringLiteral("abortbutton"))->click();
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
        });
    });
    QTimer::singleShot(0, window.findChild<QPushButton*>(QStringLiteral("getbutton")),
                       &QPushButton::click);
    QTimer::singleShot(kTimeoutMs, &app, &QCoreApplication::quit);
    app.exec();
    return result;
}

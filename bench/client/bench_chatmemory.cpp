// Feeds the real client chat lines from a stand-in host over loopback and prints its resident
// memory every 10,000 lines and after Clear Main Chat: 100,000 short lines, then 20,000 long
// ones of plain words, of web addresses or of smileys. The chat log keeps its newest lines
// within a bound, so memory should stay flat once the bound is reached.
//
//   QT_QPA_PLATFORM=offscreen build/bench/client/bench_chatmemory [SHORT] [LONG] [KIND]
// KIND is words, links (the default: "www." addresses), http (addresses with a scheme) or
// smileys.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <cstdio>

#include "client/application.h"
#include "client/chatpanel.h"
#include "peakmemory.h"

namespace {

// Lines sent before waiting for the client to show them: well under its queue bound.
constexpr int kBatch = 100;
constexpr int kReportEvery = 10'000;
constexpr int kWaitMs = 20'000;

// Runs the event loop until `done` holds; QTest::qWaitFor would sleep between its checks and
// so hold the client's 1 ms tick back.
template <typename Done>
bool waitUntil(Done done, int ms = kWaitMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

void report(const char* phase, int lines) {
    std::printf("%-6s %7d lines  %8.1f MB resident\n", phase, lines, residentKiB() / 1024.0);
    std::fflush(stdout);
}

enum class Kind { Words, Links, Http, Smileys };

QByteArray chatLine(int i, int bytes, Kind kind) {
    QByteArray text = "Bob chats: ";
    while (text.size() < bytes) {
        switch (kind) {
            case Kind::Words:
                text += "chatter ";
                break;
            case Kind::Links:
                text += "www.site" + QByteArray::number(i % 1000) + ".example ";
                break;
            case Kind::Http:
                text += "http://site" + QByteArray::number(i % 1000) + ".example/p ";
                break;
            case Kind::Smileys:
                text += ":)#" + QByteArray::number(10 + i % 18);
                break;
        }
    }
    text.truncate(bytes);
    return "CMD_chat+2+" + text + "|clBlack\xFF";
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int shortLines = argc > 1 ? std::atoi(argv[1]) : 100'000;
    const int longLines = argc > 2 ? std::atoi(argv[2]) : 20'000;
    const QByteArray kindName = argc > 3 ? QByteArray(argv[3]) : QByteArray("links");
    const Kind kind = kindName == "words"     ? Kind::Words
                      : kindName == "http"    ? Kind::Http
                      : kindName == "smileys" ? Kind::Smileys
                                              : Kind::Links;

    QTcpServer host;
    host.listen(QHostAddress::LocalHost, 0);
    Application windows(
        {QStringLiteral("Reader"), QStringLiteral("127.0.0.1"), QStringLiteral("false")},
        Tchat::Ports{host.serverPort(), 1});
    windows.main().setSettingsFile(QDir::temp().filePath(QStringLiteral("bench_chatmemory.ini")));
    windows.main().show();
    int shown = 0;
    auto* panel = windows.main().findChild<ChatPanel*>();
    QObject::connect(panel, &ChatPanel::lineAdded, [&] { ++shown; });
    if (!waitUntil([&] { return host.hasPendingConnections(); }, kWaitMs)) {
        std::fprintf(stderr, "the client did not connect\n");
        return 1;
    }
    QTcpSocket* peer = host.nextPendingConnection();
    peer->write("CMD_sendlogininfo+2\xFF");
    if (!waitUntil([&] { return windows.main().state().isconnected; }, kWaitMs)) {
        std::fprintf(stderr, "the client did not log in\n");
        return 1;
    }
    report("start", 0);

    QElapsedTimer clock;
    clock.start();
    auto feed = [&](const char* phase, int count, int bytes, Kind lineKind) {
        const int base = shown;
        for (int sent = 0; sent < count;) {
            QByteArray batch;
            for (int i = 0; i < kBatch && sent < count; ++i, ++sent)
                batch += chatLine(sent, bytes, lineKind);
            peer->write(batch);
            if (!waitUntil([&] { return shown - base >= sent; }, kWaitMs)) {
                std::fprintf(stderr, "%d of %d lines shown\n", shown - base, sent);
                return false;
            }
            if (sent % kReportEvery == 0) report(phase, sent);
        }
        return true;
    };
    if (!feed("short", shortLines, 48, Kind::Words) || !feed("long", longLines, 4000, kind)) {
        std::fprintf(stderr, "the client stopped showing lines\n");
        return 1;
    }
    windows.main().findChild<QAction*>(QStringLiteral("ClearMainChat2"))->trigger();
    QTest::qWait(100);
    report("clear", 0);
    std::printf("%.1f s in all\n", clock.elapsed() / 1000.0);
    return 0;
}

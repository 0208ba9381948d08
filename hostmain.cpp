// Dedicated host: the game host without a table of its own. The first connection becomes
// seat 1 and with it the hosting player's rights. Needs no display.
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <cstdio>
#include <optional>

#include "host/gamerandom.h"
#include "host/serverform.h"
#include "net/protocol.h"

namespace {

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    // Only async-signal-safe work here; the event loop does the rest.
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

bool installSignalHandlers() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return false;
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 &&
           ::sigaction(SIGTERM, &action, nullptr) == 0;
}

std::optional<std::chrono::milliseconds> parseBotSpeed(const QString& text) {
    const QString t = text.toLower();
    if (t == QLatin1String("fast")) return mb::kBotSpeedFast;
    if (t == QLatin1String("normal")) return mb::kBotSpeedNormal;
    if (t == QLatin1String("slow")) return mb::kBotSpeedSlow;
    bool ok = false;
    const int ms = text.toInt(&ok);
    if (ok && ms > 0) return std::chrono::milliseconds{ms};
    return std::nullopt;
}

QString shown(const QString& name) {
    return name.isEmpty() ? QStringLiteral("(computer)") : name;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marrowby-host"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(mb::kProgramVersion));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Marrowby dedicated game host"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("TCP port to listen on (default 7772)."),
                                        QStringLiteral("N"), QString::number(mb::kGamePort));
    const QCommandLineOption speedOption(
        QStringLiteral("bot-speed"),
        QStringLiteral("Computer move delay: fast, normal, slow or milliseconds (default normal)."),
        QStringLiteral("speed"), QStringLiteral("normal"));
    parser.addOption(portOption);
    parser.addOption(speedOption);
    parser.process(app);

    QTextStream err(stderr);
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 0xFFFF) {
        err << "marrowby-host: invalid port '" << parser.value(portOption) << "'\n";
        return 2;
    }
    const auto botSpeed = parseBotSpeed(parser.value(speedOption));
    if (!botSpeed) {
        err << "marrowby-host: invalid bot speed '" << parser.value(speedOption) << "'\n";
        return 2;
    }

    mb::ServerOptions options;
    options.port = QString::number(port);
    options.botSpeed = [speed = *botSpeed] { return speed; };
    options.seed = mb::clockSeed();
    mb::TServer server(options);

    QTextStream out(stdout);
    auto log = [&out](const QString& line) {
        out << line << '\n';
        out.flush();
    };
    QObject::connect(&server, &mb::TServer::connectionAccepted, [&](int seat, const QString& peer) {
        log(QStringLiteral("Connection from %1 in seat %2").arg(peer).arg(seat));
    });
    QObject::connect(&server, &mb::TServer::connectionRefused, [&](const QString& peer) {
        log(QStringLiteral("Connection from %1 refused: all seats taken").arg(peer));
    });
    QObject::connect(&server, &mb::TServer::connectionClosed, [&](int seat, const QString& name) {
        log(QStringLiteral("Seat %1 left (%2)").arg(seat).arg(name));
    });
    QObject::connect(
        &server, &mb::TServer::playerLoggedIn,
        [&](int seat, const QString& name, bool sameVersion) {
            log(QStringLiteral("Seat %1 logged in as %2%3")
                    .arg(seat)
                    .arg(name, sameVersion ? QString() : QStringLiteral(" (other version)")));
        });
    QObject::connect(&server, &mb::TServer::gameStarted, [&](const QString& starter, int playTo) {
        log(QStringLiteral("Game started by %1, playing to %2").arg(starter).arg(playTo));
    });
    QObject::connect(&server, &mb::TServer::roundOver, [&](int seat, int points, int total) {
        log(QStringLiteral("Round %1 won by seat %2 %3: %4 points, total %5")
                .arg(server.core().roundNumber())
                .arg(seat)
                .arg(shown(QString::fromUtf8(server.core().seat(seat).name)))
                .arg(points)
                .arg(total));
    });
    QObject::connect(&server, &mb::TServer::winner, [&](int seat, int total) {
        log(QStringLiteral("Winner: seat %1 %2 with %3 points")
                .arg(seat)
                .arg(shown(QString::fromUtf8(server.core().seat(seat).name)))
                .arg(total));
    });

    if (!installSignalHandlers()) {
        err << "marrowby-host: cannot install signal handlers\n";
        return 1;
    }
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &byte, 1);
        log(QStringLiteral("Shutting down"));
        QCoreApplication::quit();
    });

    try {
        server.startListening();
    } catch (const mb::SockError& e) {
        err << "marrowby-host: cannot listen on port " << port << ": " << e.what() << '\n';
        return 1;
    }
    log(QStringLiteral("Marrowby host %1 listening on port %2")
            .arg(QString::fromLatin1(mb::kProgramVersion))
            .arg(server.listenPort()));
    return app.exec();
}

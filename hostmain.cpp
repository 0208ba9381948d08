// Dedicated host: the game host without a table of its own. The first connection becomes
// seat 1 and with it the hosting player's rights. Needs no display. Whatever peers send is
// made printable before it reaches the log.
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QSysInfo>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>

#include "core/errornotice.h"
#include "core/version.h"
#include "host/logtext.h"
#include "host/serverform.h"
#include "host/tableannouncer.h"
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

QString shown(const QByteArray& name) {
    return name.isEmpty() ? QStringLiteral("(computer)") : mb::printableText(name);
}

constexpr int kUsageError = 2;
// Longest turn limit accepted: a day.
constexpr int kMaxTurnLimitSeconds = 24 * 60 * 60;

const char kUsage[] =
    "Usage: marrowby-host [--port N] [--bot-speed fast|normal|slow|MS] [--turn-limit SECONDS]\n"
    "                     [--name TEXT] [--no-announce]\n"
    "\n"
    "Runs a Marrowby game host without a table of its own; players join it with\n"
    "\"marrowby NAME HOST false\". Needs no display.\n"
    "\n"
    "Options:\n"
    "  --port N              TCP port to listen on (default 7772)\n"
    "  --bot-speed SPEED     computer move delay: fast (500 ms), normal (1000 ms),\n"
    "                        slow (2000 ms) or a number of milliseconds (default normal)\n"
    "  --turn-limit SECONDS  a player who has not moved SECONDS after the turn began has\n"
    "                        the move made by the computer's rule (default 60; 0: no limit)\n"
    "  --name TEXT           the table's name on the local network (default: the\n"
    "                        machine's name)\n"
    "  --no-announce         do not announce the table on the local network\n"
    "  -h, --help            show this help and exit\n"
    "  -v, --version         show the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marrowby-host"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(mb::kProgramVersion));

    QTextStream out(stdout);
    QTextStream err(stderr);
    QCommandLineParser parser;
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(
        QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption portOption(QStringLiteral("port"), QString(), QStringLiteral("N"),
                                        QString::number(mb::kGamePort));
    const QCommandLineOption speedOption(QStringLiteral("bot-speed"), QString(),
                                         QStringLiteral("speed"), QStringLiteral("normal"));
    const QCommandLineOption turnLimitOption(QStringLiteral("turn-limit"), QString(),
                                             QStringLiteral("seconds"));
    const QCommandLineOption nameOption(QStringLiteral("name"), QString(), QStringLiteral("text"));
    const QCommandLineOption noAnnounceOption(QStringLiteral("no-announce"));
    parser.addOptions({helpOption, versionOption, portOption, speedOption, turnLimitOption,
                       nameOption, noAnnounceOption});
    if (!parser.parse(QCoreApplication::arguments()) || !parser.positionalArguments().isEmpty()) {
        const QString problem = parser.errorText().isEmpty()
                                    ? QStringLiteral("unexpected argument '%1'")
                                          .arg(parser.positionalArguments().value(0))
                                    : parser.errorText();
        err << "marrowby-host: " << problem << "\n" << kUsage;
        return kUsageError;
    }
    if (parser.isSet(helpOption)) {
        out << kUsage;
        return 0;
    }
    if (parser.isSet(versionOption)) {
        out << "marrowby-host " << mb::kProgramVersion << '\n';
        return 0;
    }

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 0xFFFF) {
        err << "marrowby-host: invalid port '" << parser.value(portOption) << "'\n";
        return kUsageError;
    }
    const auto botSpeed = parseBotSpeed(parser.value(speedOption));
    if (!botSpeed) {
        err << "marrowby-host: invalid bot speed '" << parser.value(speedOption) << "'\n";
        return kUsageError;
    }
    // Nobody sits at a dedicated host to wait for an idle player, so it has a limit unless
    // told otherwise; 0 waits for ever.
    int turnLimitSeconds = int(mb::kDedicatedTurnLimit.count());
    if (parser.isSet(turnLimitOption)) {
        bool ok = false;
        turnLimitSeconds = parser.value(turnLimitOption).toInt(&ok);
        if (!ok || turnLimitSeconds < 0 || turnLimitSeconds > kMaxTurnLimitSeconds) {
            err << "marrowby-host: invalid turn limit '" << parser.value(turnLimitOption)
                << "' (0 to " << kMaxTurnLimitSeconds << " seconds)\n";
            return kUsageError;
        }
    }

    mb::ServerOptions options;
    options.port = QString::number(port);
    options.botSpeed = [speed = *botSpeed] { return speed; };
    options.turnLimit = std::chrono::seconds(turnLimitSeconds);
    // Nobody plays at the host itself: seat 1 is whoever connects first, and its rights must
    // not pass to a newcomer while a game runs.
    options.keepHostSeatInGame = true;
    mb::TServer server(options);

    auto log = [&out](const QString& line) {
        out << line << '\n';
        out.flush();
    };
    // Malformed numbers from peers: a few lines, then one summary a minute.
    mb::NoticeThrottle notices;
    mb::setErrorSink([&](const QString& text) {
        if (notices.admit())
            log(QStringLiteral("Error notice: %1").arg(mb::printableText(text.toUtf8())));
    });
    QTimer noticeSummary;
    noticeSummary.setInterval(mb::kNoticePeriod);
    QObject::connect(&noticeSummary, &QTimer::timeout, [&] {
        if (const int held = notices.endPeriod(); held > 0)
            log(QStringLiteral("%1 more error notices in the last minute not shown").arg(held));
    });
    noticeSummary.start();
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
                .arg(shown(server.core().seat(seat).name))
                .arg(points)
                .arg(total));
    });
    QObject::connect(&server, &mb::TServer::winner, [&](int seat, int total) {
        log(QStringLiteral("Winner: seat %1 %2 with %3 points")
                .arg(seat)
                .arg(shown(server.core().seat(seat).name))
                .arg(total));
    });

    QObject::connect(&server, &mb::TServer::connectionsThrottled, [&](const QString& peer) {
        log(QStringLiteral("Connections from %1 refused for %2 s: more than %3 in %4 s")
                .arg(peer)
                .arg(std::chrono::duration_cast<std::chrono::seconds>(mb::kConnectBan).count())
                .arg(mb::kMaxConnectsPerWindow)
                .arg(std::chrono::duration_cast<std::chrono::seconds>(mb::kConnectWindow).count()));
    });
    QObject::connect(&server, &mb::TServer::loginTimedOut, [&](int seat, const QString& peer) {
        log(QStringLiteral("Seat %1 closed: %2 did not log in within %3 s")
                .arg(seat)
                .arg(peer)
                .arg(std::chrono::duration_cast<std::chrono::seconds>(mb::kLoginDeadline).count()));
    });
    QObject::connect(&server, &mb::TServer::relaysDropped, [&](int seat, const QString& name) {
        log(QStringLiteral("Seat %1 (%2) sends too fast: its chat, actions and sounds are dropped")
                .arg(seat)
                .arg(name));
    });
    QObject::connect(&server, &mb::TServer::bareConnectionReplaced,
                     [&](int seat, const QString& peer) {
                         log(QStringLiteral("Seat %1 closed: the table is full and %2 had not "
                                            "logged in, so a newcomer takes its place")
                                 .arg(seat)
                                 .arg(peer));
                     });
    QObject::connect(
        &server, &mb::TServer::malformedFlood,
        [&](int seat, const QString& peer, const QString& name) {
            log(QStringLiteral(
                    "Seat %1 closed: %2 (%3) sent more than %4 malformed messages in %5 s")
                    .arg(seat)
                    .arg(peer, name)
                    .arg(mb::kMaxMalformedPerWindow)
                    .arg(std::chrono::duration_cast<std::chrono::seconds>(mb::kMalformedWindow)
                             .count()));
        });
    QObject::connect(&server, &mb::TServer::turnTimedOut, [&](int seat, const QString& name) {
        log(QStringLiteral("Seat %1 (%2) did not move in time: the computer moved for it")
                .arg(seat)
                .arg(name));
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

    // Players on this network find the table in their lobby.
    std::unique_ptr<mb::TableAnnouncer> announcer;
    if (!parser.isSet(noAnnounceOption)) {
        QString name = parser.value(nameOption).trimmed();
        if (name.isEmpty()) name = QSysInfo::machineHostName();
        announcer = std::make_unique<mb::TableAnnouncer>(server, name);
        QObject::connect(
            announcer.get(), &mb::TableAnnouncer::unavailable, [&](const QString& reason) {
                log(QStringLiteral("Not announced on the local network: %1").arg(reason));
            });
    }

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

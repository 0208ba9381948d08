// The lobby: finds the tables on this network and starts the game to join one, to host one
// or to play alone. One lobby runs at a time; starting another brings the first to the front.
#include <unistd.h>

#include <QApplication>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <cstdio>
#include <cstring>

#include "core/appfiles.h"
#include "core/version.h"
#include "lobby/lobbysettings.h"
#include "lobby/lobbywindow.h"
#include "widgets/blinkrest.h"
#include "widgets/fontsahead.h"
#include "widgets/programicons.h"
#include "widgets/storeahead.h"

namespace {

// How long a second lobby waits for the first to take its call.
constexpr int kFrontCallMs = 1000;

const char kUsage[] =
    "Usage: marrowby-lobby\n"
    "\n"
    "Lists the Marrowby tables on this network and starts the game to join one, to host\n"
    "a table or to play solo. A second lobby brings the running one to the front.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "  -v, --version  show the version and exit\n";

// The call point of the running lobby: in the user's own runtime directory, which nobody else
// can write, so that another user cannot hold the name first and keep this user's lobby from
// starting; without one, in the shared temporary directory under the user's number.
QString instanceName() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        const QFileInfo dir(QString::fromLocal8Bit(runtime));
        if (dir.isDir() && dir.isAbsolute() && dir.ownerId() == ::getuid())
            return dir.absoluteFilePath() + QStringLiteral("/marrowby-lobby");
    }
    return QStringLiteral("marrowby-lobby-%1").arg(::getuid());
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && (!std::strcmp(argv[1], "--version") || !std::strcmp(argv[1], "-v"))) {
        std::printf("marrowby-lobby %s\n", mb::kProgramVersion);
        return 0;
    }
    if (argc > 1) {
        std::fprintf(stderr, "marrowby-lobby: unexpected argument '%s'\n%s", argv[1], kUsage);
        return 2;
    }
    mb::FontsAhead fonts;
    QApplication app(argc, argv);
    fonts.wait();
    QApplication::setApplicationName(QStringLiteral("Marrowby Lobby"));
    QApplication::setDesktopFileName(QStringLiteral("marrowby-lobby"));
    QApplication::setWindowIcon(mb::compiledIcon(mb::lobbyIconData()));
    // A lobby left open beside the game must not wake for its name field's cursor.
    mb::BlinkRest blinkRest;
    // Its window's first frame is painted into memory already given to it.
    mb::StoreAhead storeAhead;

    {
        QLocalSocket first;
        first.connectToServer(instanceName());
        if (first.waitForConnected(kFrontCallMs)) {
            first.write("front\n");
            first.waitForBytesWritten(kFrontCallMs);
            return 0;
        }
    }
    QLocalServer calls;
    QLocalServer::removeServer(instanceName());  // left behind by a lobby that crashed
    calls.listen(instanceName());

    mb::LobbyWindow window(
        mb::appFilePath(QString::fromLatin1(mb::kLobbySettingsFile), mb::AppFileKind::Config),
        mb::LobbyWindow::gameIn(QCoreApplication::applicationDirPath()));
    QObject::connect(&calls, &QLocalServer::newConnection, &window, [&] {
        while (QLocalSocket* call = calls.nextPendingConnection()) {
            // Whatever the caller says, the answer is the same: come to the front.
            call->deleteLater();
            window.bringToFront();
        }
    });
    window.show();
    return app.exec();
}

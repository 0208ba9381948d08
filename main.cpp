// The game program: one window per player, hosting, joining or playing solo.
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPointer>
#include <cstdio>
#include <cstring>

#include "assets/art.h"
#include "client/application.h"
#include "net/errornotice.h"
#include "net/protocol.h"

namespace {

constexpr char kUsage[] =
    "Usage: marrowby [NAME HOST true|false]\n"
    "A card game for up to four players and five onlookers.\n"
    "\n"
    "  marrowby                   solo game against the computer, hosted on this machine\n"
    "  marrowby NAME HOST true    host a game on port 7772 as NAME\n"
    "  marrowby NAME HOST false   join the game hosted at HOST as NAME\n"
    "  marrowby -h, --help        show this help and exit\n"
    "  marrowby --version         show the version and exit\n";

constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};

// Only these exact single arguments are answered here; every other command line is the game's.
// Answered before any window exists, so they work without a display.
bool answeredInfoRequest(int argc, char* argv[]) {
    if (argc != 2) return false;
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, stdout);
        return true;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("marrowby %s\n", mb::kProgramVersion);
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (answeredInfoRequest(argc, argv)) return 0;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marrowby"));
    QApplication::setQuitOnLastWindowClosed(false);  // the main window alone decides
    QGuiApplication::setDesktopFileName(QStringLiteral("marrowby"));
    QIcon icon;
    for (const int size : kIconSizes) icon.addPixmap(QPixmap::fromImage(mb::art::appIcon(size)));
    QApplication::setWindowIcon(icon);

    Application windows(QApplication::arguments().mid(1));
    QPointer<Tchat> main = &windows.main();
    // A bad message is reported without stopping the game: the box is not modal.
    mb::setErrorSink([main](const QString& text) {
        auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Marrowby"), text,
                                    QMessageBox::Ok, main);
        box->setTextFormat(Qt::PlainText);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
    windows.main().show();
    return app.exec();
}

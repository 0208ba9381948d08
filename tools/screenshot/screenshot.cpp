// Takes a picture of a solo game in progress: `marrowby-screenshot OUT.png [maximised]`. Run it
// under a real X server (the `make screenshot` target uses Xvfb) to see what a player sees.
// With "maximised" the window fills the screen's work area, as a maximised window does (Xvfb
// has no window manager that would maximise it).
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <cstdio>

#include "client/application.h"
#include "dialogs/downloadform.h"
#include "dialogs/gamestartform.h"
#include "tests/support/mainwindow.h"
#include "tests/support/scratchsettings.h"
#include "tests/support/tabledriver.h"
#include "widgets/gamestyle.h"

namespace {
constexpr int kTurnsBeforeShot = 4;
constexpr int kTimeoutMs = 120000;
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    mb::useGameStyle();  // as the game's main does
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("table.png");
    Application windows({}, Tchat::Ports{0, 1});
    Tchat& chat = windows.main();
    chat.setSettingsFile(mbtest::scratchSettingsFile());
    chat.show();
    if (!mbtest::closeLobbyOffer(chat, kTimeoutMs)) return 1;
    QTest::qWait(200);
    // After the login, which places the window where the settings say.
    if (argc > 2 && QByteArrayView(argv[2]) == "maximised" && chat.screen())
        chat.setGeometry(chat.screen()->availableGeometry());
    mbtest::action(&chat, QStringLiteral("Fast1"))->trigger();
    mbtest::quickInstructionsPanel(&chat)->hide();
    QTest::mouseClick(mbtest::startButton(&chat), Qt::LeftButton);
    windows.gamestart().button_startClick();

    int turns = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kTimeoutMs) {
        if (!QTest::qWaitFor([&] { return testdriver::myTurn(chat); }, kTimeoutMs)) return 1;
        const testdriver::Move m = testdriver::pickPile(chat, 2);
        if (++turns == kTurnsBeforeShot) break;
        QTest::qWait(300);
        testdriver::replace(chat, m);
        QTest::qWait(100);
    }
    QTest::qWait(300);
    if (!chat.grab().save(out)) return 1;
    std::printf("%s\n", qPrintable(out));
    return 0;
}

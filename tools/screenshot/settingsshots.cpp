// Pictures of the settings and side windows: `marrowby-settings-screenshot OUTDIR` saves
// options.png (the Options menu open), quickinstructions.png, help.png, about.png and
// phrases.png. Run it
// under a real X server (`make screenshot` uses Xvfb): the menu is a window of its own.
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <cstdio>

#include "client/application.h"
#include "dialogs/aboutform.h"
#include "dialogs/downloadform.h"
#include "dialogs/helpform.h"
#include "dialogs/phrasesform.h"
#include "tests/support/mainwindow.h"
#include "tests/support/scratchsettings.h"
#include "widgets/gamestyle.h"

namespace {
constexpr int kTimeoutMs = 60000;
constexpr int kSettleMs = 300;

bool save(const QPixmap& picture, const QDir& out, const char* name) {
    const QString path = out.filePath(QLatin1String(name));
    if (!picture.save(path)) return false;
    std::printf("%s\n", qPrintable(path));
    return true;
}
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    mb::useGameStyle();  // as the game's main does
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    Application windows({}, Tchat::Ports{0, 1});
    Tchat& chat = windows.main();
    chat.setSettingsFile(mbtest::scratchSettingsFile());
    chat.show();
    if (!mbtest::closeLobbyOffer(chat, kTimeoutMs)) return 1;
    // A first start: the quick instructions are shown once the settings were read.
    if (!QTest::qWaitFor([&] { return mbtest::quickInstructionsPanel(&chat)->isVisible(); },
                         kTimeoutMs))
        return 1;
    QTest::qWait(kSettleMs);
    if (!save(chat.grab(), out, "quickinstructions.png")) return 1;
    mbtest::quickInstructionsPanel(&chat)->hide();

    QAction* options = nullptr;
    for (QAction* a : chat.menuBar()->actions())
        if (a->text() == QLatin1String("&Options")) options = a;
    if (!options) return 1;
    chat.menuBar()->setActiveAction(options);
    QTest::qWait(kSettleMs);
    const QRect menu = options->menu()->geometry();
    const QRect area(chat.frameGeometry().topLeft(), menu.bottomRight() + QPoint(24, 24));
    const QPixmap shot =
        chat.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    options->menu()->close();
    if (!save(shot, out, "options.png")) return 1;

    mbtest::action(&chat, QStringLiteral("Content1"))->trigger();
    windows.help().SelButton1Click(3);
    QTest::qWait(kSettleMs);
    if (!save(windows.help().grab(), out, "help.png")) return 1;
    mbtest::action(&chat, QStringLiteral("About1"))->trigger();
    QTest::qWait(kSettleMs);
    if (!save(windows.about().grab(), out, "about.png")) return 1;
    mbtest::action(&chat, QStringLiteral("PrhaseList1"))->trigger();
    QTest::qWait(kSettleMs);
    if (!save(windows.phrases().grab(), out, "phrases.png")) return 1;
    return 0;
}

// Takes a picture of the chat of a hosting copy while three more copies talk to it:
// `marrowby-chatshot OUT.png`. Lines of several seats in their colours, smileys, a web address
// and a selection made with the mouse. Run it under a real X server (Xvfb).
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QTest>
#include <cstdio>

#include "client/application.h"
#include "dialogs/downloadform.h"
#include "host/serverform.h"
#include "tests/support/mainwindow.h"
#include "tests/support/scratchsettings.h"
#include "widgets/gamestyle.h"

namespace {

constexpr int kTimeoutMs = 20000;
constexpr int kTopMargin = 6;  // board shown above the log

bool say(Tchat& chat, const QString& text) {
    QTest::keyClicks(mbtest::chatEntry(&chat), text);
    QTest::keyClick(mbtest::chatEntry(&chat), Qt::Key_Return);
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    mb::useGameStyle();  // as the game's main does
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("chat.png");
    Application host({}, Tchat::Ports{0, 1});
    Tchat& you = host.main();
    // A player who has seen the quick instructions before, so they do not cover the log.
    const QString yourSettings = mbtest::scratchSettingsFile();
    QFile seen(yourSettings);
    if (!seen.open(QIODevice::WriteOnly) || seen.write("[Marrowby]\nHelp=2\n") < 0) return 1;
    seen.close();
    you.setSettingsFile(yourSettings);
    you.show();
    if (!mbtest::closeLobbyOffer(you, kTimeoutMs)) return 1;

    const quint16 port = host.server().listenPort();
    std::vector<std::unique_ptr<Application>> guests;
    for (const char* name : {"Bob", "Cleo", "Spy"}) {
        guests.push_back(std::make_unique<Application>(
            QStringList{QLatin1String(name), "127.0.0.1", "false"}, Tchat::Ports{port, 1}));
        guests.back()->main().setSettingsFile(mbtest::scratchSettingsFile());
        guests.back()->main().show();
        // Connected, and its settings read (they set the chat colour).
        if (!QTest::qWaitFor(
                [&] {
                    return mbtest::chatLines(&guests.back()->main())
                        .contains(QStringLiteral("0+Click Control-i for Quick Instructions."));
                },
                kTimeoutMs))
            return 1;
        guests.back()->main().hide();
    }
    Tchat& bob = guests[0]->main();
    Tchat& cleo = guests[1]->main();
    Tchat& spy = guests[2]->main();
    mbtest::chatPanel(&you)->setChatColour(0x00800000);   // navy
    mbtest::chatPanel(&bob)->setChatColour(0x000000C0);   // dark red
    mbtest::chatPanel(&cleo)->setChatColour(0x00800080);  // purple
    mbtest::chatPanel(&spy)->setChatColour(0x00007050);   // olive brown

    say(bob, "Hi all :)#10 good luck everyone!");
    QTest::qWait(150);
    say(cleo, "/me waves to everyone");
    QTest::qWait(150);
    say(you, "The rules are at www.marrowby.example/rules if anyone needs them");
    QTest::qWait(150);
    QTest::mouseClick(mbtest::phraseButton(&bob, 2), Qt::LeftButton);
    QTest::qWait(150);
    say(spy, "Watching from the rail :)#21 :)#22");
    QTest::qWait(150);
    say(cleo, "thanks :)#12");
    if (!QTest::qWaitFor([&] { return mbtest::chatLines(&you).size() >= 9; }, kTimeoutMs)) return 1;
    QTest::qWait(300);

    // Select from the middle of the link line into the next line, as a player would.
    QWidget* viewport = mbtest::chatLog(&you)->viewport();
    const int lineHeight = mbtest::chatLog(&you)->fontMetrics().height() + 3;
    const int bottom =
        mbtest::chatLog(&you)->documentHeight() -
        mbtest::chatLog(&you)->scrollPosition() * mbtest::chatLog(&you)->scrollStepPixels();
    const QPoint from(120, bottom - 3 * lineHeight + lineHeight / 2);
    const QPoint to(260, bottom - 2 * lineHeight + lineHeight / 2);
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewport, (from + to) / 2);
    QTest::mouseMove(viewport, to);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
    mbtest::chatEntry(&you)->setFocus();
    QTest::keyClicks(mbtest::chatEntry(&you), "gl :)#11");
    QTest::qWait(300);

    const QPixmap window = you.grab();
    const QPoint logTop = mbtest::chatLog(&you)->mapTo(&you, QPoint(0, 0));
    const QRect part(0, logTop.y() - kTopMargin, window.width() / window.devicePixelRatio(),
                     you.height() - logTop.y() + kTopMargin);
    if (!you.grab(part).save(out)) return 1;
    std::printf("%s\n", qPrintable(out));
    return 0;
}

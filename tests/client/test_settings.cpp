// The main window's settings in a real solo game: loading when the host announces the player,
// the Options and Help menus, the phrase list, closing, and a settings file that cannot be
// written.
#include <QActionGroup>
#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "chatview/chatlogview.h"
#include "client/application.h"
#include "client/noticebox.h"
#include "core/errornotice.h"
#include "dialogs/downloadform.h"
#include "dialogs/gamestartform.h"
#include "dialogs/phrasesform.h"
#include "tests/support/mainwindow.h"
#include "tests/support/testfiles.h"

namespace {

using mbtest::readAll;
using mbtest::writeAll;

constexpr int kTimeoutMs = 15000;

// A solo game whose settings file lives in a temporary directory.
struct Game {
    explicit Game(const QString& ini, QStringList args = {}) {
        app = std::make_unique<Application>(std::move(args), Tchat::Ports{0, 1});
        chat().setSettingsFile(ini);
        chat().show();
        mbtest::closeLobbyOffer(chat());
    }
    Tchat& chat() { return app->main(); }
    // The settings are read right after the player's own arrival is announced.
    bool loaded() {
        return QTest::qWaitFor(
            [&] {
                return mbtest::chatLines(&chat()).contains(
                    QStringLiteral("0+Click Control-i for Quick Instructions."));
            },
            kTimeoutMs);
    }
    bool checked(const char* name) {
        return mbtest::action(&chat(), QLatin1String(name))->isChecked();
    }
    std::unique_ptr<Application> app;
};

QStringList menuCaptions(QMenu* menu) {
    QStringList captions;
    for (QAction* a : menu->actions()) captions << (a->isSeparator() ? "-" : a->text());
    return captions;
}

// The next widget the Tab key reaches.
QWidget* tabNext(QWidget* w) {
    QWidget* next = w->nextInFocusChain();
    while (next != w && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
    return next;
}

QMenu* topMenu(Tchat& chat, const QString& caption) {
    for (QAction* a : chat.menuBar()->actions())
        if (a->text().remove('&') == caption) return a->menu();
    return nullptr;
}

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(dir_.isValid()); }

    void firstStartUsesDefaultsAndShowsInstructionsOnce() {
        const QString ini = dir_.filePath("first.ini");
        Game g(ini);
        g.chat().move(50, 60);
        QVERIFY(g.loaded());
        QCOMPARE(g.chat().pos(), QPoint(3, 3));
        QCOMPARE(g.chat().width(), 772);
        for (const char* on : {"N8", "Normal1", "Classic1", "PlaySounds1", "PlayerPhraseSounds1"})
            QVERIFY2(g.checked(on), on);
        QCOMPARE(g.app->gamestart().playToScore(), 600);
        QVERIFY(mbtest::quickInstructionsPanel(&g.chat())->isVisible());
        QCOMPARE(readAll(ini), QByteArray("[Marrowby]\nHelp=2\n"));

        // The panel's Done hides it; Ctrl+I brings it back.
        mbtest::quickInstructionsPanel(&g.chat())->findChild<QPushButton*>("button_done")->click();
        QVERIFY(!mbtest::quickInstructionsPanel(&g.chat())->isVisible());
        g.chat().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&g.chat()));
        QTest::keyClick(&g.chat(), Qt::Key_I, Qt::ControlModifier);
        QVERIFY(mbtest::quickInstructionsPanel(&g.chat())->isVisible());

        // The first option changed writes every key, in order.
        mbtest::action(&g.chat(), "Fast1")->trigger();
        QCOMPARE(g.chat().botSpeed(), 500);
        const QByteArray all = "[Marrowby]\nHelp=2\nTextsize=8\nTop=3\nLeft=3\nWidth=772\nHeight=" +
                               QByteArray::number(g.chat().height()) +
                               "\nTextcolor=clBlack\nPlaytoscore=600\nBotspeed=500\nTurnsound=0\n"
                               "Playerphrasesounds=true\nPlaysounds=true\n";
        QCOMPARE(readAll(ini), all);

        // Closing an unmoved window writes nothing, even if the file was changed meanwhile.
        writeAll(ini, "[Marrowby]\nHelp=2\n");
        g.chat().close();
        QCOMPARE(readAll(ini), QByteArray("[Marrowby]\nHelp=2\n"));
    }

    void storedValuesAreReadAsTheGameReadsThem() {
        const QString ini = dir_.filePath("values.ini");
        writeAll(ini,
                 "[Marrowby]\r\nTextsize=11\r\nLeft=5\r\nTop=30\r\nWidth=790\r\nHeight=580\r\n"
                 "Textcolor=clred\r\nPlaytoscore=50000\r\nBotspeed=1500\r\nTurnsound=1\r\n"
                 "Phrase3=Hi there\r\nPhrase4=\r\nPlaysounds=False\r\n"
                 "Playerphrasesounds=false\r\nHelp=2\r\n");
        Game g(ini);
        const QString builtIn = mbtest::chatPanel(&g.chat())->phrase(4);
        QVERIFY(g.loaded());
        QCOMPARE(mbtest::chatLog(&g.chat())->styles().style(0).size, 11);
        QCOMPARE(mbtest::chatLog(&g.chat())->styles().style(14).size, 11);  // all 15 log styles
        QVERIFY(
            !mbtest::action(&g.chat(), "N8")->actionGroup()->checkedAction());  // no item for 11
        QCOMPARE(g.chat().pos(), QPoint(5, 30));
        QCOMPARE(g.chat().size(), QSize(790, 580));
        QCOMPARE(mbtest::chatPanel(&g.chat())->chatColour(), mb::WinColor(0x0000FF));
        QCOMPARE(g.app->gamestart().playToScore(), 10000);  // brought into range
        QVERIFY(g.checked("Normal1"));
        QVERIFY(g.checked("New1"));
        QCOMPARE(mbtest::chatPanel(&g.chat())->phrase(3), QString("Hi there"));
        QCOMPARE(mbtest::chatPanel(&g.chat())->phrase(4),
                 builtIn);                  // an empty phrase keeps the built-in one
        QVERIFY(g.checked("PlaySounds1"));  // only "false" switches it off
        QVERIFY(!g.checked("PlayerPhraseSounds1"));
        QVERIFY(!mbtest::quickInstructionsPanel(&g.chat())->isVisible());

        // Text size and colour through the menu; the colour dialog can be cancelled.
        mbtest::action(&g.chat(), "N14")->trigger();
        QCOMPARE(mbtest::chatLog(&g.chat())->styles().style(0).size, 14);
        mbtest::action(&g.chat(), "TextColor1")->trigger();
        auto* dialog = g.chat().findChild<QColorDialog*>(QStringLiteral("ColorDialog"));
        QTRY_VERIFY(dialog->isVisible());
        QCOMPARE(dialog->currentColor(), QColor(Qt::red));
        dialog->setCurrentColor(QColor(0, 0x80, 0));
        dialog->reject();
        QCOMPARE(mbtest::chatPanel(&g.chat())->chatColour(), mb::WinColor(0x0000FF));
        mbtest::action(&g.chat(), "TextColor1")->trigger();
        dialog->setCurrentColor(QColor(0, 0x80, 0));
        dialog->accept();
        QCOMPARE(mbtest::chatPanel(&g.chat())->chatColour(), mb::WinColor(0x008000));
        QCOMPARE(mbtest::chatEntry(&g.chat())->palette().color(QPalette::Text), QColor(0, 0x80, 0));
        QVERIFY(mbtest::phraseButton(&g.chat(), 3)->toolTip().contains("Hi there"));
        mbtest::action(&g.chat(), "PlayerPhraseSounds1")->trigger();
        QVERIFY(readAll(ini).contains("Playerphrasesounds=true\r\n"));
        const QByteArray saved = readAll(ini);
        QVERIFY(saved.contains("Textsize=14\r\n"));
        QVERIFY(saved.contains("Textcolor=clGreen\r\n"));
        QVERIFY(saved.contains("Phrase3=Hi there\r\nPhrase4=\r\n"));  // phrases are not saved here

        // Reset Screen Location moves the window back without saving; closing then saves.
        mbtest::action(&g.chat(), "ResetScreenLocation1")->trigger();
        QCOMPARE(g.chat().pos(), QPoint(3, 3));
        QCOMPARE(readAll(ini), saved);
        g.chat().close();
        QVERIFY(readAll(ini).contains("Left=3\r\n"));
    }

    void windowBoundsStayWithinTheDesktop() {
        const QString ini = dir_.filePath("huge.ini");
        writeAll(ini, "[Marrowby]\nLeft=2147483647\nTop=-2147483648\nWidth=100000\nHeight=-5\n");
        Game g(ini);
        QVERIFY(g.loaded());
        const QRect area = g.chat().screen()->availableGeometry();
        // Brought back so that its title bar lies on the screen: as wide as the screen, its
        // left end at the screen's.
        QCOMPARE(g.chat().pos(), area.topLeft());
        QCOMPARE(g.chat().width(), area.width());
        QVERIFY(g.chat().height() < area.height());  // as small as the board allows
    }

    void noticesOpenedDuringStartFollowTheWindow() {
        const QString ini = dir_.filePath("placed.ini");
        writeAll(ini, "[Marrowby]\nHelp=2\nLeft=24\nTop=40\n");
        Game g(ini);
        const QPoint first = g.chat().pos();
        QMessageBox* early = mb::showMessage(&g.chat(), QStringLiteral("Early notice"));
        QVERIFY(g.loaded());
        QCOMPARE(g.chat().pos(), QPoint(24, 40));
        QVERIFY(first != QPoint(24, 40));
        const QPoint off = early->geometry().center() - g.chat().frameGeometry().center();
        QVERIFY2(off.manhattanLength() <= 4,
                 qPrintable(QStringLiteral("%1,%2").arg(off.x()).arg(off.y())));
        early->close();
    }

    void tallWindowIsSavedSmallerAndOptionsAreInOrder() {
        const QString ini = dir_.filePath("tall.ini");
        Game g(ini);
        QVERIFY(g.loaded());
        QCOMPARE(menuCaptions(topMenu(g.chat(), "Options")),
                 (QStringList{"Play Sounds", "Player Phrase Sounds", "Turn Sound", "Bot Speed",
                              "Text Color", "Text Size", "-", "Scroll Chat Off", "Clear Main Chat",
                              "-", "Reset Screen Location", "Just Watch"}));
        QCOMPARE(menuCaptions(topMenu(g.chat(), "Help")),
                 (QStringList{"Content", "About", "Quick Instructions"}));
        const QRect area = g.chat().screen()->availableGeometry();
        g.chat().resize(772, area.height() + 100);
        g.chat().close();
        QVERIFY(readAll(ini).contains("Height=" + QByteArray::number(area.height() + 85) + "\n"));
        QVERIFY(readAll(ini).contains("Width=772\n"));
    }

    void phraseListAppliesAndStoresEveryPhrase() {
        const QString ini = dir_.filePath("phrases.ini");
        QString builtInTwo;
        {
            Game g(ini);
            QVERIFY(g.loaded());
            builtInTwo = mbtest::chatPanel(&g.chat())->phrase(2);
            Tphrases* w = &g.app->phrases();
            mbtest::action(&g.chat(), "PrhaseList1")->trigger();
            QVERIFY(w->isVisible());
            QCOMPARE(w->windowTitle(), QString("Marrowby - Phrase Buttons "));
            QCOMPARE(w->phraseEdit(2)->text(), builtInTwo);
            QCOMPARE(tabNext(w->phraseEdit(5)), w->phraseEdit(9));
            QCOMPARE(tabNext(w->phraseEdit(7)), w->phraseEdit(6));

            // Closed by the title bar: nothing changes, and the next opening shows the buttons.
            w->phraseEdit(1)->setText("Changed");
            w->close();
            QCOMPARE(mbtest::chatPanel(&g.chat())->phrase(1), QString("Way To Go!"));
            mbtest::action(&g.chat(), "PrhaseList1")->trigger();
            QCOMPARE(w->phraseEdit(1)->text(), QString("Way To Go!"));
            QCOMPARE(w->phraseEdit(1)->cursorPosition(), 0);  // a long phrase shows its start

            w->phraseEdit(2)->clear();
            w->phraseEdit(4)->setText("/me waves");
            w->findChild<QPushButton*>("button_done")->click();
            QVERIFY(!w->isVisible());
            QCOMPARE(mbtest::chatPanel(&g.chat())->phrase(2), QString());
            QCOMPARE(mbtest::chatPanel(&g.chat())->phrase(4), QString("/me waves"));
            const QByteArray saved = readAll(ini);
            QVERIFY(saved.contains("\nPhrase1=Way To Go!\nPhrase2=\nPhrase3=Nice Try!\n"));
            QVERIFY(saved.contains("\nPhrase4=/me waves\n"));
            QVERIFY(saved.contains("\nPhrase9=Good Game Everyone!\n"));
        }
        Game next(ini);
        QVERIFY(next.loaded());
        QCOMPARE(mbtest::chatPanel(&next.chat())->phrase(2), builtInTwo);
        QCOMPARE(mbtest::chatPanel(&next.chat())->phrase(4), QString("/me waves"));
    }

    void unwritableFileIsReportedAndTheGameGoesOn() {
        const QString ini = dir_.filePath("blocked.ini");
        QVERIFY(QDir().mkpath(ini));  // a directory cannot be written as a file
        QStringList errors;
        const mb::ErrorSink previous =
            mb::setErrorSink([&](const QString& text) { errors << text; });
        Game g(ini);
        QVERIFY(g.loaded());
        QCOMPARE(errors, QStringList{"Unable to write to " + ini});
        mbtest::action(&g.chat(), "Slow1")->trigger();
        QCOMPARE(errors.size(), 2);  // one report per pass, not one per key
        QCOMPARE(g.chat().botSpeed(), 2000);
        QVERIFY(g.chat().state().isconnected);
        QTest::mouseClick(mbtest::startButton(&g.chat()), Qt::LeftButton);
        QTRY_VERIFY(g.app->gamestart().isVisible());
        mb::setErrorSink(previous);
    }

    void nothingIsSavedBeforeTheSettingsWereRead() {
        const QString ini = dir_.filePath("idle.ini");
        writeAll(ini, "[Marrowby]\nBotspeed=2000\n");
        Game g(ini, {"Ann"});  // one argument: no connection, so no settings are read
        mbtest::action(&g.chat(), "Fast1")->trigger();
        g.chat().move(40, 40);
        g.chat().close();
        QCOMPARE(readAll(ini), QByteArray("[Marrowby]\nBotspeed=2000\n"));
    }

private:
    QTemporaryDir dir_;
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"

// The table window with real copies of the program in one process: a hosting copy and joining
// copies on an ephemeral port, clicked like a person would.
#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QTest>

#include "assets/art.h"
#include "client/application.h"
#include "client/spylistform.h"
#include "client/tableboard.h"
#include "client/tablemodel.h"
#include "dialogs/gamestartform.h"
#include "dialogs/helpform.h"
#include "dialogs/phrasesform.h"
#include "host/hostlimits.h"
#include "host/serverform.h"
#include "records/tallylistform.h"
#include "tests/support/mainwindow.h"
#include "tests/support/messageboxes.h"
#include "tests/support/rawpeer.h"
#include "tests/support/scratchsettings.h"

using mbtest::RawClient;

namespace {

std::unique_ptr<Application> hostCopy() {
    auto app = std::make_unique<Application>(QStringList{}, Tchat::Ports{0, 1});
    app->main().setSettingsFile(mbtest::scratchSettingsFile());
    app->main().show();
    return app;
}

std::unique_ptr<Application> joinCopy(const QString& name, quint16 port) {
    auto app = std::make_unique<Application>(QStringList{name, "127.0.0.1", "false"},
                                             Tchat::Ports{port, 1});
    app->main().setSettingsFile(mbtest::scratchSettingsFile());
    app->main().show();
    return app;
}

bool connected(Application& app) {
    return QTest::qWaitFor([&] { return app.main().state().isconnected; }, 5000);
}

QMessageBox* findBox(const QString& text) {
    return mbtest::findBox(text, mbtest::BoxState::Visible);
}

}  // namespace

class TestTableWindow : public QObject {
    Q_OBJECT
private slots:
    void startNeedsAConnection() {
        auto idle = std::make_unique<Application>(QStringList{"Ann"}, Tchat::Ports{1, 1});
        idle->main().show();
        idle->main().button_startClick();
        QTRY_VERIFY(findBox(QStringLiteral("You are not connected")));
        QVERIFY(!idle->gamestart().isVisible());
        findBox(QStringLiteral("You are not connected"))->accept();
    }

    // The side windows the first frame does not show are not made for it; each is made when
    // first asked for. A copy that never logs in still reads and keeps its tally.
    void sideWindowsAreMadeWhenFirstAskedFor() {
        const auto made = [] {
            QStringList names;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<Thelp*>(w) || qobject_cast<Tphrases*>(w) ||
                    qobject_cast<Tspylist*>(w) || qobject_cast<Ttallylist*>(w))
                    names << QString::fromLatin1(w->metaObject()->className());
            names.sort();
            return names;
        };
        {
            auto host = hostCopy();
            QVERIFY(connected(*host));
            // The roster, and with it the settings, have come in.
            QTRY_COMPARE(mbtest::nameLabel(&host->main(), 1)->text(), QStringLiteral("You"));
            QCOMPARE(made(), QStringList{});
            mbtest::action(&host->main(), QStringLiteral("SpyList1"))->trigger();
            QVERIFY(host->spylist().isVisible());
            QVERIFY(host->spylist().removeAction()->isEnabled());  // as the host's
            QCOMPARE(made(), QStringList{"Tspylist"});
        }
        auto idle = std::make_unique<Application>(QStringList{"Ann"}, Tchat::Ports{1, 1});
        idle->main().show();
        QCOMPARE(made(), QStringList{});
        idle->main().close();
        QCOMPARE(made(), QStringList{"Ttallylist"});
    }

    void gameStartDialogSendsTheScore() {
        auto host = hostCopy();
        QVERIFY(connected(*host));
        QVERIFY(mbtest::startButton(&host->main())->isVisible());
        QTest::mouseClick(mbtest::startButton(&host->main()), Qt::LeftButton);
        QVERIFY(host->gamestart().isVisible());
        auto* spin = host->gamestart().findChild<QAbstractSpinBox*>("edit_playtoscore");
        QVERIFY(spin);
        QCOMPARE(host->gamestart().playToScore(), 600);  // the stored default
        host->gamestart().setPlayToScore(100);
        spin->stepDown();  // already at the bottom
        QCOMPARE(host->gamestart().playToScore(), 100);
        spin->stepUp();
        spin->stepUp();
        QCOMPARE(host->gamestart().playToScore(), 300);
        host->gamestart().setPlayToScore(10000);
        spin->stepUp();
        QCOMPARE(host->gamestart().playToScore(), 10000);
        host->gamestart().setPlayToScore(300);
        host->gamestart().button_startClick();
        QVERIFY(!host->gamestart().isVisible());
        QTRY_COMPARE(host->main().table().playToScore, QStringLiteral("Play to Score: 300"));
        QVERIFY(!mbtest::startButton(&host->main())->isVisible());
        QVERIFY(mbtest::chatLines(&host->main()).contains("0+You have started a game."));
        QVERIFY(mbtest::chatLines(&host->main()).contains("0+I am Duro the bot. Good Luck!"));

        // Mid-game, File > Start Game asks before the game's scores are thrown away.
        QStringList asked;
        bool answer = false;
        host->main().confirm = [&](const QString& q) {
            asked << q;
            return answer;
        };
        QVERIFY(host->main().table().gameRunning);
        host->gamestart().setPlayToScore(500);
        host->gamestart().button_startClick();
        QCOMPARE(asked.size(), 1);
        QTest::qWait(50);  // a start that is not sent has no event to wait for
        QCOMPARE(host->main().table().playToScore, QStringLiteral("Play to Score: 300"));
        answer = true;
        host->gamestart().button_startClick();
        QTRY_COMPARE(host->main().table().playToScore, QStringLiteral("Play to Score: 500"));
    }

    void othersTextIsPlainEverywhere() {
        auto host = hostCopy();
        QVERIFY(connected(*host));
        const quint16 port = host->server().listenPort();
        std::vector<std::unique_ptr<RawClient>> clients;
        const QList<QByteArray> names = {"<b>Bob</b>", "<img src=x>", "<i>Cy</i>", "<u>Spy</u>"};
        for (int i = 0; i < names.size(); ++i) {
            clients.push_back(std::make_unique<RawClient>(port));
            const QByteArray seat = QByteArray::number(i + 2);
            QVERIFY(clients.back()->waitFor("CMD_sendlogininfo+" + seat));
            clients.back()->send("CMD_logininfo+" + seat + "+1.0.0+" + names[i]);
        }
        Tchat& chat = host->main();
        QTRY_COMPARE(mbtest::nameLabel(&chat, 2)->text(), QStringLiteral("<b>Bob</b>"));
        QTRY_COMPARE(mbtest::nameLabel(&chat, 3)->text(), QStringLiteral("<img src=x>"));
        for (int s = 1; s <= 4; ++s)
            QCOMPARE(mbtest::nameLabel(&chat, s)->textFormat(), Qt::PlainText);
        QTRY_COMPARE(host->spylist().listbox()->count(), 1);
        QCOMPARE(host->spylist().listbox()->item(0)->text(), QStringLiteral("5: <u>Spy</u>"));
        // The start of a game puts the first player's name into the status line.
        host->gamestart().button_startClick();
        QTRY_VERIFY(chat.state().currentturn != 0);
        clients[0]->send("CMD_justwatch+2+1");  // the status names seat 2 later
        QCOMPARE(mbtest::statusLabel(&chat)->textFormat(), Qt::PlainText);
        const QSize plainSize = mbtest::nameLabel(&chat, 2)->sizeHint();
        QVERIFY(plainSize.width() > chat.fontMetrics().horizontalAdvance("Bob"));
    }

    void hostOnlyMenus() {
        auto host = hostCopy();
        QVERIFY(connected(*host));
        auto guest = joinCopy("Bob", host->server().listenPort());
        QVERIFY(connected(*guest));
        QTRY_COMPARE(mbtest::nameLabel(&host->main(), 2)->text(), QStringLiteral("Bob"));
        QTRY_COMPARE(mbtest::nameLabel(&guest->main(), 1)->text(), QStringLiteral("You"));

        QVERIFY(host->spylist().removeAction()->isEnabled());
        QVERIFY(!guest->spylist().removeAction()->isEnabled());
        const auto enabled = [](QMenu* m) {
            QList<bool> e;
            for (QAction* a : m->actions()) e << a->isEnabled();
            return e;
        };
        QCOMPARE(enabled(mbtest::seatMenu(&host->main(), 2)), (QList<bool>{true, true, true}));
        QCOMPARE(enabled(mbtest::seatMenu(&host->main(), 3)), (QList<bool>{false, true, true}));
        QCOMPARE(enabled(mbtest::seatMenu(&guest->main(), 1)), (QList<bool>{false, false, false}));
        mbtest::seatMenu(&host->main(), 2)->close();
        mbtest::seatMenu(&guest->main(), 1)->close();
        QVERIFY(!mbtest::startButton(&guest->main())->isVisible());

        // The tally's opponents: the other occupied seats, ticked when already tallied.
        host->tallylist().listbox_tally->addItem(QStringLiteral("Bob"));
        mbtest::action(&host->main(), "ViewTally1")->trigger();
        QListWidget* checklist = host->tallylist().checklist;
        QCOMPARE(checklist->count(), 1);
        QCOMPARE(checklist->item(0)->text(), QStringLiteral("Bob"));
        QCOMPARE(checklist->item(0)->checkState(), Qt::Checked);
        mbtest::action(&guest->main(), "ViewTally1")->trigger();
        QCOMPARE(guest->tallylist().checklist->count(), 1);
        QCOMPARE(guest->tallylist().checklist->item(0)->text(), QStringLiteral("You"));
        QCOMPARE(guest->tallylist().checklist->item(0)->checkState(), Qt::Unchecked);
    }

    void justWatchAndKickBetweenCopies() {
        auto host = hostCopy();
        QVERIFY(connected(*host));
        auto guest = joinCopy("Bob", host->server().listenPort());
        QVERIFY(connected(*guest));
        QTRY_COMPARE(mbtest::nameLabel(&host->main(), 2)->text(), QStringLiteral("Bob"));

        // Before a game the host ignores a request to just watch.
        mbtest::action(&guest->main(), "JustWatch1")->trigger();
        // The host answers in order: once the guest's next line comes back, an answer to the
        // request would have come before it.
        QTest::keyClicks(mbtest::chatEntry(&guest->main()), "ready");
        QTest::keyClick(mbtest::chatEntry(&guest->main()), Qt::Key_Return);
        QTRY_VERIFY(mbtest::lastChatLine(&guest->main()).endsWith(QStringLiteral(": ready")));
        QVERIFY(!mbtest::action(&guest->main(), "JustWatch1")->isChecked());

        host->gamestart().button_startClick();
        QTRY_VERIFY(guest->main().table().roundNumber == QStringLiteral("Round: 1"));
        mbtest::action(&guest->main(), "JustWatch1")->trigger();
        QTRY_VERIFY(mbtest::action(&guest->main(), "JustWatch1")->isChecked());
        QTRY_VERIFY(mbtest::chatLines(&host->main()).contains("0+Bob is just watching"));
        QVERIFY(host->main().findChild<QLabel*>("image_eyes2")->isVisible());

        // The host sets the guest playing again from the seat menu.
        mbtest::seatMenu(&host->main(), 2)->actions().at(2)->trigger();
        QTRY_VERIFY(!mbtest::action(&guest->main(), "JustWatch1")->isChecked());
        QTRY_VERIFY(mbtest::chatLines(&host->main()).contains("0+Bob is now playing again"));

        // Removing the guest closes its program and tells the host's table.
        QPointer<Tchat> guestWindow = &guest->main();
        mbtest::seatMenu(&host->main(), 2)->actions().at(0)->trigger();
        QTRY_VERIFY(!guestWindow->isVisible());
        QTRY_VERIFY(mbtest::chatLines(&host->main()).contains("0+Bob disconnected."));
        QTRY_COMPARE(mbtest::nameLabel(&host->main(), 2)->text(), QStringLiteral("<Waiting>"));
    }

    void spyListRemovesTheEntryUnderThePointer() {
        auto host = hostCopy();
        QVERIFY(connected(*host));
        const quint16 port = host->server().listenPort();
        std::vector<std::unique_ptr<RawClient>> clients;
        for (int seat = 2; seat <= 6; ++seat) {
            clients.push_back(std::make_unique<RawClient>(port));
            QVERIFY(clients.back()->waitFor("CMD_sendlogininfo+" + QByteArray::number(seat)));
            clients.back()->send("CMD_logininfo+" + QByteArray::number(seat) + "+1.0.0+P" +
                                 QByteArray::number(seat));
        }
        Tspylist& spies = host->spylist();
        QTRY_COMPARE(spies.listbox()->count(), 2);
        spies.show();
        QListWidget* list = spies.listbox();
        list->setCurrentRow(0);  // the selection does not matter, the pointer does
        spies.listbox_spysMouseMove(list->visualItemRect(list->item(1)).center());
        QCOMPARE(spies.hoverIndex(), 1);
        spies.popup_kickhimClick();
        QVERIFY(clients[4]->waitClosed());
        QTRY_COMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("5: P5"));
        // Below the last entry nothing is under the pointer.
        spies.listbox_spysMouseMove(QPoint(5, list->viewport()->height() - 2));
        QCOMPARE(spies.hoverIndex(), -1);
        spies.popup_kickhimClick();
        QTest::qWait(100);  // a kick that is never sent has no event to wait for
        QCOMPARE(list->count(), 1);
    }

    // A long name is never covered or cut: a seat that sits out shows its mark in the score's
    // column or after a name too long for it, and the winner's banner shrinks to hold it.
    void longNamesStayWhole() {
        struct Quiet : mb::TableEffects {
            void sendToHost(const QByteArray&) override {}
            void playsounds(const QString&) override {}
            void addSystemLine(const QString&) override {}
            void addcounter(int) override {}
            void addgame(const mb::GameWinner&) override {}
            void loadinifile() override {}
            int turnSound() const override { return 0; }
            void myTurnBegins() override {}
        } effects;
        mb::ClientState st;
        st.myseat = 2;
        mb::TableModel table(st, effects);
        table.newplayerinfo("1+Al+0");
        table.newplayerinfo("3+" + QByteArray(mb::kMaxNameBytes, 'W') + "+0");
        table.roundstart("1+1+0+2+1+3+0+4+0");
        QWidget window;
        TableBoard board(table, &window);
        board.render();
        const auto right = [&](const QString& name) {
            return board.findChild<QWidget*>(name)->geometry().right();
        };
        const auto mark = [&](int seat) {
            return board.findChild<QWidget*>(QStringLiteral("image_playing%1").arg(seat));
        };
        QVERIFY(mark(1)->isVisibleTo(&board) && mark(3)->isVisibleTo(&board));
        QCOMPARE(mark(1)->x(), 583);
        QVERIFY(mark(3)->x() > right("label_playername3"));
        // That name gives way to what follows it on the row, and is told whole on hovering.
        const auto* name = board.findChild<QLabel*>(QStringLiteral("label_playername3"));
        QVERIFY(name->text().endsWith(QChar(0x2026)));
        QCOMPARE(name->toolTip(), QString(mb::kMaxNameBytes, 'W'));
        QVERIFY(mark(3)->geometry().right() <= 757);

        // The banner of a winner with that name holds the whole of it; the local player's
        // short one keeps the full size.
        const auto* words = board.findChild<QLabel*>(QStringLiteral("label_winner1"));
        const auto fits = [&] {
            return QFontMetrics(words->font()).horizontalAdvance(words->text()) <= words->width();
        };
        table.winner("3+");
        board.render();
        QVERIFY(words->text().startsWith("WWW") && fits());
        table.winner("2+");
        board.render();
        QVERIFY(fits());
        QCOMPARE(words->font().pixelSize(), 26);
    }

    void boardGrowsWithTheWindow() {
        auto host = hostCopy();
        QVERIFY(connected(*host));
        Tchat& chat = host->main();
        const QSize classicSize = chat.size();
        QWidget* board = chat.findChild<QWidget*>(QStringLiteral("panel_board"));
        QWidget* panel = chat.findChild<QWidget*>(QStringLiteral("chatpanel"));
        QVERIFY(board && panel);
        auto at = [&](const char* name) {
            const QWidget* w = board->findChild<QWidget*>(QLatin1String(name));
            return w ? QRect(w->mapTo(board, QPoint(0, 0)), w->size()) : QRect();
        };
        // Everything drawn on the board, the chat's parts included (menus are windows).
        auto geometries = [&] {
            QHash<QString, QRect> all;
            for (const QWidget* w : board->findChildren<QWidget*>())
                if (!w->objectName().isEmpty() && !w->isWindow())
                    all.insert(w->objectName(), QRect(w->mapTo(board, QPoint(0, 0)), w->size()));
            return all;
        };
        auto onTable = [&](const QString& name) {
            const QWidget* w = board->findChild<QWidget*>(name);
            return w && w != panel && !panel->isAncestorOf(w) && !name.startsWith("qt_");
        };
        // At the default size every piece stands where it always stood.
        QCOMPARE(board->geometry(), QRect(2, 2, 764, 526));
        QCOMPARE(at("image_card1"), QRect(QPoint(6, 116), mb::art::cardSize()));
        QCOMPARE(at("image_card10"), QRect(QPoint(686, 116), mb::art::cardSize()));
        QCOMPARE(at("image_drawpile").topLeft(), QPoint(308, 12));
        QCOMPARE(at("label_playername1").topLeft(), QPoint(512, 13));
        QCOMPARE(at("label_status"), QRect(135, 218, 493, 20));
        QCOMPARE(at("panel_winnercards"), QRect(6, 114, 752, 129));
        QCOMPARE(at("chatpanel"), QRect(6, 248, 752, 272));
        QCOMPARE(at("mainchat"), QRect(6, 248, 752, 216));
        QCOMPARE(at("mychat"), QRect(6, 468, 692, 23));
        QCOMPARE(at("b_phrase1"), QRect(6, 495, 80, 25));
        QCOMPARE(at("b_phrase9"), QRect(678, 495, 80, 25));
        const QHash<QString, QRect> classic = geometries();

        // At twice the size the table is twice as far from the board's corner and twice as
        // large; the chat takes the room below it, its rows as high as before.
        chat.resize(chat.size() + board->size());
        QTRY_COMPARE(board->size(), QSize(1528, 1052));
        const QHash<QString, QRect> doubled = geometries();
        for (auto it = classic.begin(); it != classic.end(); ++it) {
            if (!onTable(it.key())) continue;
            const QRect now = doubled.value(it.key());
            // Labels as wide as their text follow the text before them to the pixel.
            const int slack = it.key().startsWith("label_score") ||
                                      it.key().startsWith("label_bonus") ||
                                      it.key().startsWith("image_playing")
                                  ? 2
                                  : 0;
            QVERIFY2((now.topLeft() - 2 * it->topLeft()).manhattanLength() <= slack,
                     qPrintable(it.key()));
        }
        QCOMPARE(at("image_card1"), QRect(QPoint(12, 232), 2 * mb::art::cardSize()));
        QCOMPARE(at("panel_winnercards"), QRect(12, 228, 1504, 258));
        QCOMPARE(at("chatpanel"), QRect(6, 496, 1516, 550));
        QCOMPARE(at("b_phrase9").bottom(), at("chatpanel").bottom());
        QCOMPARE(at("b_phrase9").height(), 25);
        QCOMPARE(at("b_phrase9").right(), at("chatpanel").right());
        // The pictures are drawn again for the scale, not stretched.
        const auto* mark = board->findChild<QLabel*>(QStringLiteral("image_playing1"));
        QCOMPARE(mark->pixmap().deviceIndependentSize().toSize(), 2 * mb::art::notPlayingSize());
        QCOMPARE(mark->pixmap().size(), 2 * mb::art::notPlayingSize() * mark->devicePixelRatioF());

        // Back at the default size nothing has moved for good.
        chat.resize(classicSize);
        QTRY_COMPARE(board->size(), QSize(764, 526));
        QCOMPARE(geometries(), classic);
    }
};

QTEST_MAIN(TestTableWindow)
#include "test_tablewindow.moc"

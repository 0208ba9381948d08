// The chat of the main window, with a real copy of the program: against a stand-in host that
// records every byte the copy sends, and end to end with a real host and two copies.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "assets/soundplayer.h"
#include "client/application.h"
#include "core/errornotice.h"
#include "host/serverform.h"
#include "tests/support/mainwindow.h"
#include "tests/support/messageboxes.h"
#include "tests/support/rawpeer.h"
#include "tests/support/scratchsettings.h"
#include "widgets/blinkrest.h"
#include "widgets/weblink.h"

namespace {

const QString kPlaceholder = QStringLiteral("<Enter Chat Here>");

QMessageBox* findBox(const QString& text) {
    return mbtest::findBox(text, mbtest::BoxState::Visible);
}

void closeBoxes() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) box->accept();
}

// One copy of the program joined to a stand-in host as seat `seat`.
struct Guest {
    mbtest::RawHost host;
    std::unique_ptr<Application> app;
    mbtest::RawPeer* link = nullptr;
    QList<QUrl> opened;
    mb::WebOpener previousOpener;

    explicit Guest(int seat = 3) {
        app = std::make_unique<Application>(QStringList{"Ann", "127.0.0.1", "false"},
                                            Tchat::Ports{host.port(), 1});
        previousOpener = mb::setWebOpener([this](const QUrl& url) {
            opened << url;
            return true;
        });
        app->main().setSettingsFile(mbtest::scratchSettingsFile());
        app->main().show();
        if (!host.waitForConnection()) qFatal("the copy did not connect");
        link = &host.at(0);
        link->send("CMD_sendlogininfo+" + QByteArray::number(seat));
        if (!link->waitForPrefix("CMD_logininfo+")) qFatal("no login");
    }
    ~Guest() { mb::setWebOpener(std::move(previousOpener)); }
    Guest(const Guest&) = delete;
    Guest& operator=(const Guest&) = delete;
    Tchat& chat() { return app->main(); }
    // What the copy sent after its login, in order.
    QList<QByteArray> sent() const {
        QList<QByteArray> out;
        for (const QByteArray& m : link->messages())
            if (!m.startsWith("CMD_logininfo") && !m.isEmpty()) out << m;
        return out;
    }
    bool waitSent(qsizetype count) {
        return QTest::qWaitFor([&] { return sent().size() >= count; }, 5000);
    }
    void type(const QString& text) {
        QTest::keyClicks(mbtest::chatEntry(&chat()), text);
        QTest::keyClick(mbtest::chatEntry(&chat()), Qt::Key_Return);
    }
    // Feeds host messages and waits until the copy has shown `lines` more lines.
    void receive(const QList<QByteArray>& messages, int lines) {
        const qsizetype before = mbtest::chatLines(&chat()).size();
        for (const QByteArray& m : messages) link->send(m);
        QTRY_COMPARE_WITH_TIMEOUT(mbtest::chatLines(&chat()).size(), before + lines, 5000);
    }
    QAction* action(const char* name) { return mbtest::action(&chat(), QLatin1String(name)); }
};

}  // namespace

class TestChatWindow : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { closeBoxes(); }

    void typedLines() {
        Guest g;
        QLineEdit* entry = mbtest::chatEntry(&g.chat());
        QCOMPARE(entry->text(), kPlaceholder);
        g.type("hi");  // the first key empties the placeholder
        g.type("/me waves");
        g.type("/mewaves");
        g.type("/who");
        QCOMPARE(entry->text(), QString());
        QTest::keyClick(entry, Qt::Key_Return);  // empty: nothing
        mbtest::chatPanel(&g.chat())->setChatColour(0x000080FF);
        QCOMPARE(entry->palette().color(QPalette::Text), QColor(0xFF, 0x80, 0x00));
        g.type("a|b");
        // The last line has arrived, and with it whatever the copy sent before it.
        QVERIFY(g.link->waitFor("CMD_chat+3+a|b|$000080FF"));
        QCOMPARE(g.sent(),
                 (QList<QByteArray>{"CMD_chat+3+hi|clBlack", "CMD_action+3+waves|clBlack",
                                    "CMD_action+3+aves|clBlack", "CMD_chat+3+a|b|$000080FF"}));
        // Not shown until it comes back from the host.
        QVERIFY(!mbtest::chatLines(&g.chat()).join('\n').contains("hi"));

        // A copy that never logged in keeps what was typed.
        Application idle(QStringList{"Cy"}, Tchat::Ports{1, 1});
        idle.main().show();
        QTest::keyClicks(mbtest::chatEntry(&idle.main()), "hello");
        QTest::keyClick(mbtest::chatEntry(&idle.main()), Qt::Key_Return);
        QCOMPARE(mbtest::chatEntry(&idle.main())->text(), QStringLiteral("hello"));
    }

    void entryBoxPasteAndSmileys() {
        Guest g;
        QLineEdit* entry = mbtest::chatEntry(&g.chat());
        QApplication::clipboard()->setText("pasted\ntext");
        g.action("Paste1")->trigger();  // from the menu the placeholder stays
        QCOMPARE(entry->text(), kPlaceholder + "pasted text");
        QCOMPARE(entry->cursorPosition(), entry->text().size());
        QVERIFY(!entry->hasSelectedText());
        entry->setText(kPlaceholder);
        QTest::keyClick(entry, Qt::Key_V, Qt::ControlModifier);  // keys empty it first
        QCOMPARE(entry->text(), QStringLiteral("pasted text"));

        entry->setText(kPlaceholder);
        QMenu* smileys = mbtest::child<QMenu>(&g.chat(), "popup_smilies");
        QCOMPARE(smileys->actions().size(), 18);
        QCOMPARE(smileys->actions().first()->text(), QStringLiteral(":)#10"));
        QVERIFY(!smileys->actions().first()->icon().isNull());
        mbtest::action(&g.chat(), "N271")->trigger();
        QCOMPARE(entry->text(), QStringLiteral(":)#27"));
        mbtest::action(&g.chat(), "MenuItem3")->trigger();
        QCOMPARE(entry->text(), QStringLiteral(":)#27:)#12"));
        QCOMPARE(entry->cursorPosition(), entry->text().size());
        QTest::mouseClick(mbtest::child<QAbstractButton>(&g.chat(), "button_smilies"),
                          Qt::LeftButton);
        QTRY_VERIFY(smileys->isVisible());
        smileys->hide();
    }

    void entryKeepsTheFocusAndTheClientKeepsTheHostsPace() {
        Guest g;
        QLineEdit* entry = mbtest::chatEntry(&g.chat());
        QVERIFY(QTest::qWaitForWindowActive(&g.chat()));
        QTRY_VERIFY(entry->hasFocus());  // typing can start at once

        // A key typed while the log has the focus goes into the entry box, and the focus too.
        mbtest::chatLog(&g.chat())->setFocus();
        QTest::keyClicks(mbtest::chatLog(&g.chat()), "ok");
        QCOMPARE(entry->text(), QStringLiteral("ok"));
        QVERIFY(entry->hasFocus());
        entry->clear();

        // A pasted CR LF is one space, not two.
        QApplication::clipboard()->setText("one\r\ntwo");
        QTest::keyClick(entry, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(entry->text(), QStringLiteral("one two"));
        entry->clear();

        // The host relays ten lines in five seconds: the eleventh is not sent but said, once
        // for the whole burst, and stays in the box to be sent later.
        for (int i = 1; i <= 12; ++i) g.type(QStringLiteral("line%1").arg(i));
        QVERIFY(g.waitSent(10));
        QCOMPARE(entry->text(), QStringLiteral("line11line12"));
        const QStringList lines = mbtest::chatLines(&g.chat());
        QCOMPARE(lines.filter(QStringLiteral("You are sending too fast: wait a moment.")).size(),
                 1);
        QCOMPARE(g.sent().size(), 10);
        QCOMPARE(g.sent().last(), QByteArray("CMD_chat+3+line10|clBlack"));
        QVERIFY(entry->hasFocus());
    }

    void phraseButtonsAndTheirGate() {
        Guest g(2);
        QAbstractButton* one = mbtest::phraseButton(&g.chat(), 1);
        QCOMPARE(mbtest::chatPanel(&g.chat())->phrase(1), QStringLiteral("Way To Go!"));
        QCOMPARE(mbtest::chatPanel(&g.chat())->phrase(9), QStringLiteral("Good Game Everyone!"));
        QVERIFY(one->toolTip().contains("Way To Go!"));
        mbtest::chatPanel(&g.chat())->setPhrase(2, QStringLiteral("/me bows <b>low</b> & smiles"));
        QVERIFY(mbtest::phraseButton(&g.chat(), 2)->toolTip().contains("&lt;b&gt;"));

        QAbstractButton* two = mbtest::phraseButton(&g.chat(), 2);
        QTimer* gate = mbtest::child<QTimer>(&g.chat(), "phraseGate");
        QTest::mouseClick(one, Qt::LeftButton);
        QCOMPARE(gate->interval(), 2000);        // closed for two seconds from the click
        QTest::mouseClick(two, Qt::LeftButton);  // within the gate
        QVERIFY(g.waitSent(1));
        // A machine that stalled past the gate cannot tell us anything about it.
        if (!gate->isActive()) QSKIP("too slow to click within the gate");
        QSignalSpy opened(gate, &QTimer::timeout);
        QTest::mouseClick(one, Qt::LeftButton);  // still within the gate
        QVERIFY(opened.wait(5000));
        QTest::mouseClick(two, Qt::LeftButton);  // past it
        QVERIFY(g.link->waitFor("CMD_action+2+bows <b>low</b> & smiles|clBlack"));
        QCOMPARE(g.sent(), (QList<QByteArray>{"CMD_action+2+says: Way To Go!|clBlack",
                                              "CMD_action+2+bows <b>low</b> & smiles|clBlack"}));
    }

    void chatterSounds() {
        Guest g;
        QMenu* sounds = mbtest::child<QMenu>(&g.chat(), "popup_sounds");
        QCOMPARE(sounds->actions().size(), 21);
        QCOMPARE(sounds->actions()[5]->text(), QStringLiteral("Where have you been?"));
        // Any mouse button released over the button opens the menu at its bottom right.
        QAbstractButton* button = mbtest::phraseButton(&g.chat(), 10);
        QTest::mouseClick(button, Qt::RightButton);
        QTRY_VERIFY(sounds->isVisible());
        sounds->hide();
        g.action("Cancel1")->trigger();
        g.action("wave4")->trigger();
        QVERIFY(g.waitSent(1));
        QCOMPARE(g.sent(), QList<QByteArray>{"CMD_playasound+3+wave4+"});

        mb::SoundPlayer& player = g.chat().soundPlayer();
        g.link->send("CMD_newplayerinfo+1+Bob+0");
        g.link->send("CMD_playasound+1+wave7+");
        QTRY_COMPARE(player.lastRequested(), QStringLiteral("wave7"));
        g.action("PlayerPhraseSounds1")->trigger();  // off: the sound becomes a system line
        const qsizetype lines = mbtest::chatLines(&g.chat()).size();
        g.receive({"CMD_playasound+6+wave2+", "CMD_playasound+1+turn+", "CMD_playasound+1+wave1+"},
                  1);
        QCOMPARE(mbtest::chatLines(&g.chat()).mid(lines),
                 QStringList{"0+Bob: <Chatter Sound> Doh"});
        QCOMPARE(mbtest::chatLog(&g.chat())->styles().style(0).color, QColor(0, 0, 0xFF));
        QCOMPARE(player.lastRequested(), QStringLiteral("wave7"));
    }

    void receivedLinesAndTheirColours() {
        Guest g;
        const mb::TChatStyleSet& styles = mbtest::chatLog(&g.chat())->styles();
        g.receive({"CMD_chat+2+Bob chats: hi|$000080FF"}, 1);
        QCOMPARE(styles.style(7).color, QColor(0xFF, 0x80, 0x00));
        QVERIFY(styles.style(7).bold);
        g.receive({"CMD_chat+2+Bob chats: a|b|clBlack", "CMD_action+4+Di waves"}, 2);
        QCOMPARE(mbtest::chatLines(&g.chat()).last(), QStringLiteral("4+Di waves"));
        QCOMPARE(styles.style(7).color, QColor(0xFF, 0, 0));  // every line of seat 2, now red
        QCOMPARE(styles.style(9).color, QColor(0xFF, 0, 0));

        // A style field that is not a number is a malformed message; one that names no seat
        // would reach past the style set. Neither adds anything.
        QStringList notices;
        const mb::ErrorSink old = mb::setErrorSink([&](const QString& t) { notices << t; });
        const int items = mbtest::chatLog(&g.chat())->itemCount();
        g.link->send("CMD_chat+x+Eve chats: boo|clBlack");
        g.link->send("CMD_chat+15+Eve chats: boo|clBlack");
        g.receive({"CMD_chat+1+Ann chats: ok|clBlack"}, 1);
        mb::setErrorSink(old);
        QCOMPARE(notices, QStringList{"'x' is not a valid integer value"});
        QCOMPARE(mbtest::chatLog(&g.chat())->itemCount(), items + 2);

        // Two lines with smileys copy as two text lines and no picture text.
        g.action("ClearMainChat1")->trigger();
        g.receive({"CMD_chat+2+Bob chats: hello:)#12world|clBlack",
                   "CMD_chat+2+Bob chats: :)#99x|clBlack"},
                  2);
        g.action("SelectAll1")->trigger();
        QCOMPARE(mbtest::chatLog(&g.chat())->selectedText(),
                 QStringLiteral("Bob chats:  hello world \r\nBob chats:   x "));
    }

    void webAddresses() {
        Guest g;
        g.receive(
            {"CMD_chat+2+Bob chats: see www.site.org now|clBlack",
             "CMD_chat+2+Bob chats: file:///etc/passwd#http:// and HTTP://Safe.org/a|clBlack"},
            2);
        QCOMPARE(
            mbtest::chatPanel(&g.chat())->urlList(),
            (QStringList{"www.site.org ", "file:///etc/passwd#http:// ", "HTTP://Safe.org/a "}));
        emit mbtest::chatLog(&g.chat())->jump(0);
        emit mbtest::chatLog(&g.chat())->jump(2);
        QCOMPARE(g.opened, (QList<QUrl>{QUrl("http://www.site.org"), QUrl("http://safe.org/a")}));
        emit mbtest::chatLog(&g.chat())->jump(1);  // drawn as a link, but not a web address
        QTRY_VERIFY(findBox("Cannot open Webpage"));
        closeBoxes();
        emit mbtest::chatLog(&g.chat())->jump(7);
        QTRY_VERIFY(findBox("Cannot open Webpage"));
        closeBoxes();
        QCOMPARE(g.opened.size(), 2);

        // After a clear, jump numbers start again and lead to the new addresses.
        g.action("ClearMainChat2")->trigger();
        QCOMPARE(mbtest::chatLog(&g.chat())->itemCount(), 0);
        QVERIFY(mbtest::chatPanel(&g.chat())->urlList().isEmpty());
        QCOMPARE(QApplication::focusWidget(), mbtest::chatEntry(&g.chat()));
        g.receive({"CMD_chat+2+Bob chats: http://new.org|clBlack"}, 1);
        // A real click on the address: press and release on it.
        const mb::TChatTextStyle& style = mbtest::chatLog(&g.chat())->styles().style(7);
        QFont font(style.fontName, style.size);
        font.setBold(true);
        const QFontMetrics metrics(font);
        const QPoint onLink(mb::TChatLogView::kMargin +
                                metrics.horizontalAdvance(QStringLiteral("Bob chats:  ")) + 15,
                            metrics.height() / 2);
        QWidget* viewport = mbtest::chatLog(&g.chat())->viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, onLink);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, onLink + QPoint(300, 0));  // elsewhere
        QCOMPARE(g.opened.size(), 2);
        QTest::mouseClick(viewport, Qt::LeftButton, {}, onLink);
        QCOMPARE(g.opened.size(), 3);
        QCOMPARE(g.opened.last(), QUrl("http://new.org"));
    }

    void longLinesKeepTheLogWithinItsBound() {
        // Lines of 4 KB, each with an address of its own, well past what the log keeps; fed in
        // batches, as the copy reads one message a tick and drops a host that floods it.
        Guest g;
        constexpr int kLines = 1300;
        constexpr int kBatch = 100;
        QByteArray filler;
        while (filler.size() < 3950) filler += "lorem ipsum ";
        for (int first = 0; first < kLines; first += kBatch) {
            for (int n = first; n < first + kBatch; ++n)
                g.link->send("CMD_chat+2+Bob chats: http://site" + QByteArray::number(n) +
                             ".example/ " + filler + "|clBlack");
            const QString last = QStringLiteral("site%1.example").arg(first + kBatch - 1);
            QTRY_VERIFY_WITH_TIMEOUT(mbtest::lastChatLine(&g.chat()).contains(last), 20000);
        }
        const QStringList kept = mbtest::chatLines(&g.chat());
        QVERIFY(kept.size() < kLines);  // the oldest lines are gone, whole
        qsizetype text = 0;
        for (const QString& line : kept) text += line.size() * qsizetype(sizeof(QChar));
        QVERIFY(text <= mb::kMaxLogTextBytes);
        // Every kept line's link still opens its own address, the oldest and the newest alike.
        const QStringList& urls = mbtest::chatPanel(&g.chat())->urlList();
        QCOMPARE(urls.size(), kept.size());
        const int oldest = kLines - int(kept.size());
        QCOMPARE(urls.first(), QStringLiteral("http://site%1.example/ ").arg(oldest));
        emit mbtest::chatLog(&g.chat())->jump(0);
        emit mbtest::chatLog(&g.chat())->jump(int(urls.size()) - 1);
        QCOMPARE(g.opened,
                 (QList<QUrl>{QUrl(QStringLiteral("http://site%1.example/").arg(oldest)),
                              QUrl(QStringLiteral("http://site%1.example/").arg(kLines - 1))}));
    }

    // The entry's cursor stops blinking when nobody types, so an idle table does not wake twice
    // a second, and blinks again from the next key; keys still reach the entry meanwhile.
    void cursorBlinkRestsUntilTheNextKey() {
        Guest g;
        QLineEdit* entry = mbtest::chatEntry(&g.chat());
        const int blink = QApplication::cursorFlashTime();
        QVERIFY(blink > 0);
        {
            mb::BlinkRest rest(nullptr, std::chrono::milliseconds(30));
            QTRY_VERIFY(rest.resting());
            QCOMPARE(QApplication::cursorFlashTime(), 0);
            // Only pointing, not typing: the rest goes on.
            QTest::mouseMove(entry, entry->rect().center());
            QCoreApplication::processEvents();
            QVERIFY(rest.resting());
            // Another rest made while this one rests still knows the platform's rate.
            {
                mb::BlinkRest second(nullptr, std::chrono::hours(1));
                QTest::keyClick(entry, Qt::Key_Backspace);
                QCOMPARE(QApplication::cursorFlashTime(), blink);
                QVERIFY(!rest.resting());
            }
            g.type("still typed");
            QVERIFY(g.link->waitFor("CMD_chat+3+still typed|clBlack"));
            QTRY_VERIFY(rest.resting());
        }
        // Gone while resting: the blink is the platform's again.
        QCOMPARE(QApplication::cursorFlashTime(), blink);
    }

    void scrollChatOff() {
        Guest g;
        mb::TChatLogView* log = mbtest::chatLog(&g.chat());
        QList<QByteArray> many;
        for (int i = 0; i < 40; ++i) many << "CMD_chat+2+Bob chats: line " + QByteArray::number(i);
        g.receive(many, 40);
        QVERIFY(log->maxScrollPosition() > 0);
        QCOMPARE(log->scrollPosition(), log->maxScrollPosition());
        QAction* popupItem = g.action("ScrollChatOff1");
        QAction* optionsItem = g.action("ScrollChatOff2");
        QVERIFY(!popupItem->isChecked());
        popupItem->trigger();
        QVERIFY(optionsItem->isChecked());
        g.receive({"CMD_chat+2+Bob chats: more"}, 1);
        QCOMPARE(log->scrollPosition(), 0);  // a layout shows the beginning
        optionsItem->trigger();
        QVERIFY(!popupItem->isChecked());
        g.receive({"CMD_chat+2+Bob chats: end"}, 1);
        QCOMPARE(log->scrollPosition(), log->maxScrollPosition());
        QCOMPARE(log->popupMenu(), mbtest::child<QMenu>(&g.chat(), "popup_mainchat"));
        // Ctrl+S works from anywhere in the window, once, though both menus show it.
        g.chat().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&g.chat()));
        QTest::keyClick(mbtest::chatEntry(&g.chat()), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(popupItem->isChecked() && optionsItem->isChecked());
        QCOMPARE(mbtest::chatEntry(&g.chat())->text(), QString());
    }

    void relayedThroughARealHost() {
        auto host = std::make_unique<Application>(QStringList{}, Tchat::Ports{0, 1});
        host->main().setSettingsFile(mbtest::scratchSettingsFile());
        host->main().show();
        QTRY_VERIFY_WITH_TIMEOUT(host->main().state().isconnected, 5000);
        auto guest = std::make_unique<Application>(QStringList{"Bob", "127.0.0.1", "false"},
                                                   Tchat::Ports{host->server().listenPort(), 1});
        guest->main().setSettingsFile(mbtest::scratchSettingsFile());
        guest->main().show();
        QTRY_VERIFY_WITH_TIMEOUT(guest->main().state().isconnected, 5000);
        // The settings read on arrival set the chat colour; ours comes after them.
        QTRY_VERIFY_WITH_TIMEOUT(
            mbtest::chatLines(&guest->main()).contains("0+Click Control-i for Quick Instructions."),
            5000);
        mbtest::chatPanel(&guest->main())->setChatColour(0x00008000);  // clGreen

        QTest::keyClicks(mbtest::chatEntry(&guest->main()), "hello :)#12 www.x.org");
        QTest::keyClick(mbtest::chatEntry(&guest->main()), Qt::Key_Return);
        const QString line = QStringLiteral("2+Bob chats: hello :)#12 www.x.org");
        for (Application* copy : {host.get(), guest.get()}) {
            QTRY_VERIFY_WITH_TIMEOUT(mbtest::chatLines(&copy->main()).contains(line), 5000);
            const mb::TChatTextStyle& style = mbtest::chatLog(&copy->main())->styles().style(7);
            QCOMPARE(style.color, QColor(0, 0x80, 0));
            QVERIFY(style.bold);
            QCOMPARE(mbtest::chatPanel(&copy->main())->urlList(), QStringList{"www.x.org "});
            mbtest::chatLog(&copy->main())->selectAll();
            QVERIFY(mbtest::chatLog(&copy->main())
                        ->selectedText()
                        .contains("\r\nBob chats:  hello   www.x.org "));
        }
    }
};

QTEST_MAIN(TestChatWindow)
#include "test_chatwindow.moc"

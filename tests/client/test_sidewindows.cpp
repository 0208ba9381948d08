// The help and about windows, and what may be handed to the desktop to open.
#include <QApplication>
#include <QDate>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "dialogs/aboutform.h"
#include "dialogs/helpform.h"
#include "widgets/sidewindow.h"
#include "widgets/weblink.h"

class TestSideWindows : public QObject {
    Q_OBJECT
private slots:
    // A side window opens on the table wherever the table stands, in front, at its own size;
    // one that is not there is no fault.
    void sideWindowsOpenCentredOnTheTable() {
        QWidget table;
        table.setGeometry(300, 200, 772, 535);
        QWidget side;
        side.resize(200, 100);
        mb::centreOn(&side, &table);
        QCOMPARE(side.geometry().center(), table.geometry().center());
        QVERIFY(!side.isVisible());  // placing alone does not open it
        table.move(20, 40);
        mb::showCentredOn(&side, &table);
        QVERIFY(side.isVisible());
        QCOMPARE(side.size(), QSize(200, 100));
        // Its frame, once shown, is what stands centred.
        QCOMPARE(side.pos(), table.geometry().center() - side.rect().center());
        mb::centreOn(nullptr, &table);
        mb::showCentredOn(nullptr, &table);
    }

    void helpTopicsComeToTheFront() {
        Thelp help;
        QCOMPARE(help.windowTitle(), QString("Marrowby - Help File"));
        QCOMPARE(help.currentTopic(), 1);
        QCOMPARE(help.captionText(), QString("Overview"));
        const QStringList order{"Overview", "Connecting",    "Game Play", "Scoring",
                                "Options",  "Documentation", "License",   "Kestro Lobby"};
        const QList<int> tags{1, 2, 3, 4, 7, 5, 6, 8};
        QStringList captions;
        for (int tag : tags) captions << help.topicButton(tag)->text();
        QCOMPARE(captions, order);
        for (int tag = 1; tag <= Thelp::kTopicCount; ++tag) {
            QVERIFY(help.memo(tag)->isReadOnly());
            QVERIFY(help.memo(tag)->toPlainText().size() > 40);
        }
        QTest::mouseClick(help.topicButton(3), Qt::LeftButton);
        QCOMPARE(help.currentTopic(), 3);
        QCOMPARE(help.captionText(), QString("Game Play"));
        QVERIFY(help.memo(3)->toPlainText().contains("lowest on the left"));
        QVERIFY(help.memo(2)->toPlainText().contains("7772"));
        QSignalSpy about(&help, &Thelp::aboutRequested);
        help.findChild<QPushButton*>("button_about")->click();
        QCOMPARE(about.size(), 1);
        help.show();
        help.findChild<QPushButton*>("button_done")->click();
        QVERIFY(!help.isVisible());
        const QString year = QString::number(QDate::currentDate().year());
        QVERIFY(help.findChild<QLabel*>("label_year")->text().contains(year));
    }

    // However small the window is made, and whatever the desktop's font, every topic caption
    // fits its button; the texts wrap between words.
    void helpCaptionsStayReadable() {
        const QFont normal = QApplication::font();
        for (const int points : {normal.pointSize(), 20}) {
            QFont font = normal;
            font.setPointSize(points);
            QApplication::setFont(font);
            Thelp help;
            help.show();
            QVERIFY(QTest::qWaitForWindowExposed(&help));
            help.resize(1, 1);
            QTRY_COMPARE(help.size(), help.minimumSize());
            QVERIFY(help.width() >= 137);
            for (int tag = 1; tag <= Thelp::kTopicCount; ++tag) {
                QPushButton* b = help.topicButton(tag);
                const int text = b->fontMetrics().horizontalAdvance(b->text());
                QVERIFY2(b->width() >= b->sizeHint().width() && b->width() > text,
                         qPrintable(b->text() + " at " + QString::number(points)));
                QVERIFY(b->geometry().bottom() < b->parentWidget()->height());
                QCOMPARE(help.memo(tag)->wordWrapMode(), QTextOption::WordWrap);
            }
            const auto* caption = help.findChild<QLabel*>("label_caption");
            help.SelButton1Click(5);
            QVERIFY(caption->width() >= caption->fontMetrics().horizontalAdvance(caption->text()));
        }
        QApplication::setFont(normal);
    }

    void aboutShowsVersionAndOpensTheWebSite() {
        QList<QUrl> opened;
        const mb::WebOpener previous = mb::setWebOpener([&](const QUrl& url) {
            opened << url;
            return true;
        });
        Tabout about;
        QCOMPARE(about.windowTitle(), QString("Marrowby - About"));
        QCOMPARE(about.versionText(), QString("1.0.0"));
        QCOMPARE(about.findChild<QLabel*>("label_build")->text(), QString(".0"));
        QCOMPARE(about.findChild<QLabel*>("label_year")->text(),
                 QString::number(QDate::currentDate().year()));
        about.show();
        QVERIFY(!about.findChild<QLabel*>("image_aboutlogo")->pixmap().isNull());
        QTest::mouseClick(about.findChild<QLabel*>("image_aboutlogo"), Qt::LeftButton);
        QTest::mouseClick(about.findChild<QLabel*>("label_url"), Qt::LeftButton);
        const QUrl site = Tabout::webSite();
        QCOMPARE(site.scheme(), QStringLiteral("https"));
        QCOMPARE(opened, (QList<QUrl>{site, site}));

        // Only web pages are ever handed to the desktop.
        for (const char* bad : {"file:///etc/passwd", "javascript:alert(1)", "ftp://host/x",
                                "smb://host/share", "http://", "www.example.com"})
            QVERIFY2(!mb::openWebAddress(QUrl(QLatin1String(bad))), bad);
        QVERIFY(mb::openWebAddress(QUrl("HTTPS://example.com/a")));
        QCOMPARE(opened.size(), 3);
        about.findChild<QPushButton*>("button_done")->click();
        QVERIFY(!about.isVisible());
        mb::setWebOpener(previous);
    }
};

QTEST_MAIN(TestSideWindows)
#include "test_sidewindows.moc"

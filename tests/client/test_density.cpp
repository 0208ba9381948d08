// Pictures follow the density of the screen they show on: a window opened on, or moved to, a
// screen of another density shows pictures drawn for it rather than ones drawn for the screen
// the table started on. The offscreen platform is given two screens, the second at twice the
// density.
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>
#include <vector>

#include "client/application.h"
#include "client/chatform.h"
#include "client/quickinstructions.h"
#include "dialogs/aboutform.h"
#include "widgets/backgroundpanel.h"
#include "widgets/followdensity.h"

namespace {

constexpr QByteArrayView kScreens =
    R"({"screens": [{"name": "one", "x": 0, "y": 0, "width": 800, "height": 600, "dpr": 1},
                    {"name": "two", "x": 800, "y": 0, "width": 800, "height": 600, "dpr": 2}]})";

QScreen* screen(int i) {
    return QGuiApplication::screens().value(i);
}

void moveTo(QWidget& window, QScreen* to) {
    window.winId();  // a window not yet shown has no handle to move
    window.windowHandle()->setScreen(to);
    window.move(to->geometry().topLeft() + QPoint(10, 10));
}

qreal pictureDensity(const QWidget& window, const char* name) {
    const auto* label = window.findChild<QLabel*>(QLatin1String(name));
    return label ? label->pixmap().devicePixelRatio() : 0;
}

}  // namespace

class DensityTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::screens().size(), 2); }

    void aPanelDrawsItsTileForTheScreenItPaintsOn() {
        std::vector<qreal> asked;
        mb::BackgroundPanel panel;
        panel.resize(120, 80);
        panel.setTile([&asked](qreal dpr) {
            asked.push_back(dpr);
            QPixmap tile(QSize(8, 8) * dpr);
            tile.setDevicePixelRatio(dpr);
            tile.fill(dpr > 1 ? Qt::red : Qt::blue);
            return tile;
        });
        QVERIFY(asked.empty());  // a window never shown draws no tile
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QTRY_COMPARE(asked, std::vector<qreal>{1.0});
        panel.repaint();
        QCOMPARE(asked.size(), size_t(1));  // the same density is not drawn again

        moveTo(panel, screen(1));
        QTRY_COMPARE(panel.devicePixelRatioF(), 2.0);
        panel.repaint();
        QCOMPARE(asked, (std::vector<qreal>{1.0, 2.0}));
        const QImage shot = panel.grab().toImage();
        QCOMPARE(shot.devicePixelRatio(), 2.0);
        QCOMPARE(shot.pixelColor(shot.width() / 2, shot.height() / 2), QColor(Qt::red));
    }

    void picturesAreRedrawnWhenShownAtAnotherDensity() {
        QWidget window;
        window.resize(100, 100);
        auto* part = new QWidget(&window);
        std::vector<qreal> applied;
        mb::followDensity(part, [&applied](qreal dpr) { applied.push_back(dpr); });
        QVERIFY(applied.empty());  // nothing is drawn before it shows
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(applied, std::vector<qreal>{1.0});
        window.hide();
        window.show();
        QCOMPARE(applied.size(), size_t(1));  // shown again at the same density

        // Hidden, it draws nothing when its window moves; shown, it catches up.
        part->hide();
        moveTo(window, screen(1));
        QTRY_COMPARE(window.devicePixelRatioF(), 2.0);
        QCOMPARE(applied.size(), size_t(1));
        part->show();
        QCOMPARE(applied, (std::vector<qreal>{1.0, 2.0}));
        // Shown, it follows its window back at once.
        moveTo(window, screen(0));
        QTRY_COMPARE(applied, (std::vector<qreal>{1.0, 2.0, 1.0}));
    }

    void theGamesWindowsFollowTheirScreen() {
        // The About window is made at the start, on the table's screen; it opens elsewhere.
        Tabout about;
        moveTo(about, screen(1));
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(pictureDensity(about, "image_aboutlogo"), 2.0);
        moveTo(about, screen(0));
        QTRY_COMPARE(pictureDensity(about, "image_aboutlogo"), 1.0);

        // The table itself, in a copy that connects nowhere.
        Application idle(QStringList{"Ann"}, Tchat::Ports{1, 1});
        idle.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&idle.main()));
        QCOMPARE(pictureDensity(idle.main(), "image_Turn"), 1.0);
        moveTo(idle.main(), screen(1));
        QTRY_COMPARE(pictureDensity(idle.main(), "image_Turn"), 2.0);

        // The quick instructions belong to the table and move with it.
        QWidget table;
        table.resize(780, 560);
        auto* quick = new QuickInstructions(&table, QPoint(0, 0));
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        quick->showInstructions();
        QCOMPARE(pictureDensity(table, "image_help"), 1.0);
        moveTo(table, screen(1));
        QTRY_COMPARE(pictureDensity(table, "image_help"), 2.0);
    }
};

int main(int argc, char* argv[]) {
    QTemporaryDir dir;
    QFile config(dir.filePath("screens.json"));
    if (!config.open(QIODevice::WriteOnly) || config.write(kScreens.data(), kScreens.size()) < 0)
        return 1;
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    DensityTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_density.moc"

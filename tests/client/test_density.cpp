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
#include "tests/support/scratchsettings.h"
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

    void tilesAndPicturesAreDrawnForTheScreenTheyShowOn() {
        std::vector<qreal> tiles, pictures;  // outlive the window that draws into them
        QWidget window;
        window.resize(120, 80);
        auto* panel = new mb::BackgroundPanel(&window);
        panel->resize(window.size());
        panel->setTile([&tiles](qreal dpr) {
            tiles.push_back(dpr);
            QPixmap tile(QSize(8, 8) * dpr);
            tile.setDevicePixelRatio(dpr);
            tile.fill(dpr > 1 ? Qt::red : Qt::blue);
            return tile;
        });
        auto* part = new QWidget(panel);
        mb::followDensity(part, [&pictures](qreal dpr) { pictures.push_back(dpr); });
        QVERIFY(tiles.empty() && pictures.empty());  // nothing is drawn before it shows
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(tiles, std::vector<qreal>{1.0});
        QCOMPARE(pictures, std::vector<qreal>{1.0});
        window.hide();
        window.show();
        panel->repaint();
        QCOMPARE(tiles.size() + pictures.size(), size_t(2));  // the same density: nothing new

        // A hidden part draws nothing when its window moves; shown, it catches up.
        part->hide();
        moveTo(window, screen(1));
        QTRY_COMPARE(window.devicePixelRatioF(), 2.0);
        QTRY_COMPARE(tiles, (std::vector<qreal>{1.0, 2.0}));  // the move repaints the window
        QCOMPARE(panel->grab().toImage().pixelColor(60, 40), QColor(Qt::red));
        QCOMPARE(pictures.size(), size_t(1));
        part->show();
        QCOMPARE(pictures, (std::vector<qreal>{1.0, 2.0}));
        moveTo(window, screen(0));  // shown, it follows its window back at once
        QTRY_COMPARE(pictures, (std::vector<qreal>{1.0, 2.0, 1.0}));
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

        // The table, in a copy that connects nowhere, and its quick instructions.
        Application idle(QStringList{"Ann"}, Tchat::Ports{1, 1});
        Tchat& table = idle.main();
        table.setSettingsFile(mbtest::scratchSettingsFile());
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        auto* quick = table.findChild<QuickInstructions*>();
        QVERIFY(quick);
        quick->showInstructions();
        QCOMPARE(pictureDensity(table, "image_Turn"), 1.0);
        QCOMPARE(pictureDensity(table, "image_help"), 1.0);
        moveTo(table, screen(1));
        QTRY_COMPARE(pictureDensity(table, "image_Turn"), 2.0);
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

// A panel's tile follows the density of the screen it is painted on, so a side window opened on,
// or moved to, a screen of another density shows a tile drawn for it rather than one captured
// for the main window's screen. The offscreen platform is given two screens, the second at
// twice the density.
#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>
#include <vector>

#include "widgets/backgroundpanel.h"

namespace {

constexpr QByteArrayView kScreens =
    R"({"screens": [{"name": "one", "x": 0, "y": 0, "width": 800, "height": 600, "dpr": 1},
                    {"name": "two", "x": 800, "y": 0, "width": 800, "height": 600, "dpr": 2}]})";

}  // namespace

class BackgroundPanelTest : public QObject {
    Q_OBJECT
private slots:
    void theTileIsDrawnForTheScreenThePanelPaintsOn() {
        const QList<QScreen*> screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 2);
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

        panel.windowHandle()->setScreen(screens[1]);
        panel.move(screens[1]->geometry().topLeft());
        QTRY_COMPARE(panel.devicePixelRatioF(), 2.0);
        panel.repaint();
        QCOMPARE(asked, (std::vector<qreal>{1.0, 2.0}));
        const QImage shot = panel.grab().toImage();
        QCOMPARE(shot.devicePixelRatio(), 2.0);
        QCOMPARE(shot.pixelColor(shot.width() / 2, shot.height() / 2), QColor(Qt::red));
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
    BackgroundPanelTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_backgroundpanel.moc"

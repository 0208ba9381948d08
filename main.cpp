// The game program: one window per player, hosting, joining or playing solo.
#include <QApplication>
#include <QPointer>

#include "client/application.h"
#include "client/noticebox.h"
#include "client/programinfo.h"
#include "core/errornotice.h"
#include "widgets/fontsahead.h"
#include "widgets/gamestyle.h"

int main(int argc, char* argv[]) {
    if (mb::answerInformationRequest(argc, argv)) return 0;
    mb::FontsAhead fonts;
    QApplication app(argc, argv);
    fonts.wait();
    mb::useGameStyle();
    QApplication::setApplicationName(QStringLiteral("Marrowby"));
    QApplication::setQuitOnLastWindowClosed(false);  // the main window alone decides
    mb::setApplicationIdentity();

    Application windows(QApplication::arguments().mid(1));
    // A bad message is reported without stopping the game, in one box at a time.
    QPointer<mb::NoticeBox> notices = new mb::NoticeBox(&windows.main());
    mb::setErrorSink([notices](const QString& text) {
        if (notices) notices->show(text);
    });
    windows.main().show();
    return app.exec();
}

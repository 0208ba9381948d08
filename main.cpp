// The game program: one window per player, hosting, joining or playing solo.
#include <QApplication>
#include <QMessageBox>
#include <QPointer>

#include "client/application.h"
#include "client/programinfo.h"
#include "net/errornotice.h"

int main(int argc, char* argv[]) {
    if (mb::answerInformationRequest(argc, argv)) return 0;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marrowby"));
    QApplication::setQuitOnLastWindowClosed(false);  // the main window alone decides
    mb::setApplicationIdentity();

    Application windows(QApplication::arguments().mid(1));
    QPointer<Tchat> main = &windows.main();
    // A bad message is reported without stopping the game: the box is not modal.
    mb::setErrorSink([main](const QString& text) {
        auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Marrowby"), text,
                                    QMessageBox::Ok, main);
        box->setTextFormat(Qt::PlainText);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
    windows.main().show();
    return app.exec();
}

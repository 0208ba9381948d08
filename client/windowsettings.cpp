#include "client/windowsettings.h"

#include <QAction>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "client/chatpanel.h"
#include "client/settingsmenu.h"
#include "client/windowplace.h"
#include "core/appfiles.h"
#include "dialogs/gamestartform.h"
#include "dialogs/phrasesform.h"

namespace {

constexpr char kSettingsFileName[] = "kestrolobby.ini";

}  // namespace

WindowSettings::WindowSettings(QWidget* window, SettingsMenu* menu, ChatPanel* chat)
    : QObject(window), window_(window), menu_(menu), chat_(chat) {}

QString WindowSettings::file() const {
    if (path_.isEmpty())
        return mb::appFilePath(QLatin1String(kSettingsFileName), mb::AppFileKind::Config);
    return path_;
}

void WindowSettings::buildOptions(QMenu* options) {
    menu_->buildOptions(options);
    QAction* scrollOff = menu_->scrollChatOffItem();
    connect(menu_, &SettingsMenu::scrollChatOffToggled, chat_, &ChatPanel::ScrollChatOff1Click);
    connect(chat_, &ChatPanel::scrollOffChanged, scrollOff, &QAction::setChecked);
    connect(menu_, &SettingsMenu::clearChatChosen, chat_, &ChatPanel::ClearMainChat1Click);
    connect(menu_, &SettingsMenu::resetLocationChosen, this, [this] {
        window_->move(mb::kDefaultWindowBounds.topLeft());
        window_->resize(mb::kDefaultWindowBounds.size());
    });
    connect(menu_, &SettingsMenu::textSizeChosen, this,
            [this](int points) { chat_->setTextSize(points, false); });
    connect(menu_, &SettingsMenu::colourChosen, chat_, &ChatPanel::setChatColour);
    menu_->setGather([this](mb::GameSettings& values, int& playToScore) {
        values.bounds = QRect(window_->pos(), window_->size());
        values.textColour = chat_->chatColour();
        if (Tgamestart* start = gamestart_ ? gamestart_() : nullptr)
            playToScore = start->playToScore();
    });
}

const mb::GameSettings& WindowSettings::load() {
    menu_->setPath(file());
    const QScreen* screen = window_->screen();
    const QSize largest =
        screen ? screen->availableGeometry().size() : mb::kDefaultWindowBounds.size();
    const mb::GameSettings& values = menu_->load(largest);
    chat_->setTextSize(values.textSize, true);

    window_->resize(values.bounds.size());
    // A stored place on a screen that has gone or shrunk would open the table out of sight:
    // the title bar is kept on an available screen, so the window can always be dragged.
    QList<QRect> areas;
    for (const QScreen* s : QGuiApplication::screens()) areas << s->availableGeometry();
    const int titleBar =
        std::max(window_->frameGeometry().height() - window_->height(), mb::kAssumedTitleBarHeight);
    window_->move(mb::keepTitleBarOnScreen(
        QRect(values.bounds.topLeft(), window_->frameGeometry().size()), titleBar, areas));
    // The window cannot be smaller than the board: the record holds what it became, so that
    // closing it unmoved writes nothing.
    menu_->setBounds(QRect(window_->pos(), window_->size()));
    // A notice that opened while the window still stood at its first place follows it.
    for (QMessageBox* box : window_->findChildren<QMessageBox*>(Qt::FindDirectChildrenOnly))
        if (box->isVisible()) box->move(window_->frameGeometry().center() - box->rect().center());

    chat_->setChatColour(values.textColour);
    if (Tgamestart* start = values.playToScore && gamestart_ ? gamestart_() : nullptr)
        start->setPlayToScore(int(std::clamp<qlonglong>(*values.playToScore, Tgamestart::kMinScore,
                                                        Tgamestart::kMaxScore)));
    for (int n = 1; n <= Tphrases::kPhraseCount; ++n)
        if (!values.phrases[size_t(n)].isEmpty()) chat_->setPhrase(n, values.phrases[size_t(n)]);
    return values;
}

void WindowSettings::saveOnClose() {
    // Before the settings were read there is nothing of ours to keep.
    if (!menu_->loaded()) return;
    QRect now(window_->pos(), window_->size());
    if (now == menu_->values().bounds) return;
    if (const QScreen* s = window_->screen())
        now.setSize(mb::sizeToKeep(now.size(), s->availableGeometry().size()));
    menu_->setBounds(now);
    // The saved bounds are the window's own, so the window takes the shrunk size first.
    window_->resize(now.size());
    menu_->save();
}

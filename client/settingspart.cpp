// The main window's settings: the settings file, the Options and Help menus, the quick
// instructions and the side windows they open.
#include <QActionGroup>
#include <QColorDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "assets/art.h"
#include "chatview/chatlogview.h"
#include "client/chatform.h"
#include "client/chatpanel.h"
#include "client/settingsmenu.h"
#include "client/windowplace.h"
#include "core/appfiles.h"
#include "core/errornotice.h"
#include "dialogs/aboutform.h"
#include "dialogs/gamestartform.h"
#include "dialogs/helpform.h"
#include "dialogs/phrasesform.h"
#include "widgets/backgroundpanel.h"

namespace {

constexpr char kSettingsFileName[] = "kestrolobby.ini";
constexpr int kOversizeShrink = 15;
constexpr QRect kHelpPanelRect{80, 8, 604, 398};
constexpr int kHelpPictureMargin = 8;

}  // namespace

QString Tchat::settingsFile() const {
    if (settingsPath_.isEmpty())
        return mb::appFilePath(QLatin1String(kSettingsFileName), mb::AppFileKind::Config);
    return settingsPath_;
}

void Tchat::createSettingsMenus(QMenu* view, QMenu* options) {
    auto* phraseList = view->addAction(QStringLiteral("Phrase List"));
    phraseList->setObjectName(QStringLiteral("PrhaseList1"));
    connect(phraseList, &QAction::triggered, this, &Tchat::PrhaseList1Click);

    settings_->buildOptions(options);
    QAction* scrollOff = settings_->scrollChatOffItem();
    connect(settings_, &SettingsMenu::scrollChatOffToggled, chat_, &ChatPanel::ScrollChatOff1Click);
    connect(chat_, &ChatPanel::scrollOffChanged, scrollOff, &QAction::setChecked);
    connect(settings_, &SettingsMenu::clearChatChosen, chat_, &ChatPanel::ClearMainChat1Click);
    connect(settings_, &SettingsMenu::resetLocationChosen, this, [this] {
        move(mb::kDefaultWindowBounds.topLeft());
        resize(mb::kDefaultWindowBounds.size());
    });
    connect(settings_, &SettingsMenu::justWatchChosen, this, [this] {
        table_.JustWatch1Click();
        render();
    });
    connect(settings_, &SettingsMenu::textSizeChosen, this,
            [this](int points) { chat_->setTextSize(points, false); });
    connect(settings_, &SettingsMenu::colourChosen, chat_, &ChatPanel::setChatColour);
    settings_->setGather([this](mb::GameSettings& values, int& playToScore) {
        values.bounds = QRect(pos(), size());
        values.textColour = chat_->chatColour();
        if (w_.gamestart) playToScore = w_.gamestart->playToScore();
    });

    auto* help = menuBar()->addMenu(QStringLiteral("&Help"));
    auto* content = help->addAction(QStringLiteral("Content"));
    content->setObjectName(QStringLiteral("Content1"));
    content->setShortcut(QKeySequence(Qt::Key_F1));
    connect(content, &QAction::triggered, this, [this] {
        if (!w_.help) return;
        w_.help->move(geometry().center() - w_.help->rect().center());
        w_.help->show();
        w_.help->raise();
    });
    auto* about = help->addAction(QStringLiteral("About"));
    about->setObjectName(QStringLiteral("About1"));
    connect(about, &QAction::triggered, this, [this] {
        if (!w_.about) return;
        w_.about->move(geometry().center() - w_.about->rect().center());
        w_.about->show();
        w_.about->raise();
    });
    auto* quick = help->addAction(QStringLiteral("Quick Instructions"));
    quick->setObjectName(QStringLiteral("QuickInstructions1"));
    quick->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(quick, &QAction::triggered, this, &Tchat::QuickInstructions1Click);
}

void Tchat::createQuickInstructions() {
    // A sibling above the board rather than its child, so that nothing the board raises while
    // it redraws can come in front of the panel.
    panel_help = new QFrame(panel_board->parentWidget());
    panel_help->setObjectName(QStringLiteral("panel_help"));
    panel_help->setGeometry(kHelpPanelRect.translated(panel_board->pos()));
    panel_help->setFrameShape(QFrame::Panel);
    panel_help->setFrameShadow(QFrame::Raised);
    panel_help->setAutoFillBackground(true);
    image_help = new QLabel(panel_help);
    image_help->setObjectName(QStringLiteral("image_help"));
    image_help->setGeometry(
        QRect(QPoint(kHelpPictureMargin, kHelpPictureMargin), mb::art::quickInstructionsSize()));
    auto* done = new QPushButton(QStringLiteral("Done"), panel_help);
    done->setObjectName(QStringLiteral("button_done"));
    const int below = kHelpPictureMargin + mb::art::quickInstructionsSize().height();
    done->setGeometry((kHelpPanelRect.width() - 90) / 2,
                      below + (kHelpPanelRect.height() - below - 28) / 2, 90, 28);
    connect(done, &QPushButton::clicked, this, &Tchat::button_doneClick);
    panel_help->hide();
}

void Tchat::attachSettingsWindows(const QPixmap& tile) {
    if (w_.about) w_.about->setBackground(tile);
    if (w_.help) {
        w_.help->setBackground(tile);
        connect(w_.help, &Thelp::aboutRequested, this, [this] {
            if (!w_.about) return;
            w_.about->move(geometry().center() - w_.about->rect().center());
            w_.about->show();
            w_.about->raise();
        });
    }
    if (w_.phrases) {
        w_.phrases->setBackground(tile);
        connect(w_.phrases, &Tphrases::phrasesApplied, this,
                [this](const QStringList& texts) { chat_->setPhrases(texts); });
    }
}

void Tchat::PrhaseList1Click() {
    if (!w_.phrases) return;
    QStringList texts;
    for (int n = 1; n <= Tphrases::kPhraseCount; ++n) texts << chat_->phrase(n);
    w_.phrases->setSettings(settingsFile(), st_.gamename);
    w_.phrases->move(geometry().center() - w_.phrases->rect().center());
    w_.phrases->showPhrases(texts);
}

void Tchat::loadinifile() {
    settings_->setPath(settingsFile());
    const QSize largest =
        screen() ? screen()->availableGeometry().size() : mb::kDefaultWindowBounds.size();
    const mb::GameSettings& values = settings_->load(largest);
    chat_->setTextSize(values.textSize, true);

    resize(values.bounds.size());
    // A stored place on a screen that has gone or shrunk would open the table out of sight:
    // the title bar is kept on an available screen, so the window can always be dragged.
    QList<QRect> areas;
    for (const QScreen* s : QGuiApplication::screens()) areas << s->availableGeometry();
    const int titleBar = std::max(frameGeometry().height() - height(), mb::kAssumedTitleBarHeight);
    move(mb::keepTitleBarOnScreen(QRect(values.bounds.topLeft(), frameGeometry().size()), titleBar,
                                  areas));
    // The window cannot be smaller than the board: the record holds what it became, so that
    // closing it unmoved writes nothing.
    settings_->setBounds(QRect(pos(), size()));
    // A notice that opened while the window still stood at its first place follows it.
    for (QMessageBox* box : findChildren<QMessageBox*>(Qt::FindDirectChildrenOnly))
        if (box->isVisible()) box->move(frameGeometry().center() - box->rect().center());

    chat_->setChatColour(values.textColour);
    if (values.playToScore && w_.gamestart)
        w_.gamestart->setPlayToScore(int(std::clamp<qlonglong>(
            *values.playToScore, Tgamestart::kMinScore, Tgamestart::kMaxScore)));
    for (int n = 1; n <= Tphrases::kPhraseCount; ++n)
        if (!values.phrases[size_t(n)].isEmpty()) chat_->setPhrase(n, values.phrases[size_t(n)]);
    if (values.showHelp) QuickInstructions1Click();
}

void Tchat::saveinifile() {
    settings_->save();
}

void Tchat::FormClose() {
    // Before the settings were read there is nothing of ours to keep.
    if (!settings_->loaded()) return;
    QRect now(pos(), size());
    if (now == settings_->values().bounds) return;
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        if (now.width() > area.width()) now.setWidth(now.width() - kOversizeShrink);
        if (now.height() > area.height()) now.setHeight(now.height() - kOversizeShrink);
    }
    settings_->setBounds(now);
    // The saved bounds are the window's own, so the window takes the shrunk size first.
    resize(now.size());
    saveinifile();
}

void Tchat::QuickInstructions1Click() {
    image_help->setPixmap(mb::art::quickInstructions(devicePixelRatioF()));
    panel_help->show();
    panel_help->raise();
}

void Tchat::button_doneClick() {
    panel_help->hide();
}

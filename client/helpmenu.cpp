#include "client/helpmenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include "client/chatpanel.h"
#include "client/windowsettings.h"
#include "dialogs/aboutform.h"
#include "dialogs/helpform.h"
#include "dialogs/phrasesform.h"
#include "widgets/sidewindow.h"

HelpMenu::HelpMenu(QWidget* window, ChatPanel* chat, const WindowSettings& settings,
                   QString section)
    : QObject(window),
      window_(window),
      chat_(chat),
      settings_(settings),
      section_(std::move(section)) {}

void HelpMenu::addPhraseList(QMenu* view) {
    auto* phraseList = view->addAction(QStringLiteral("Phrase List"));
    phraseList->setObjectName(QStringLiteral("PrhaseList1"));
    connect(phraseList, &QAction::triggered, this, &HelpMenu::showPhrases);
}

void HelpMenu::addHelp(QMenuBar* bar) {
    auto* help = bar->addMenu(QStringLiteral("&Help"));
    auto* content = help->addAction(QStringLiteral("Content"));
    content->setObjectName(QStringLiteral("Content1"));
    content->setShortcut(QKeySequence(Qt::Key_F1));
    connect(content, &QAction::triggered, this,
            [this] { mb::showCentredOn(this->help(), window_); });
    auto* about = help->addAction(QStringLiteral("About"));
    about->setObjectName(QStringLiteral("About1"));
    connect(about, &QAction::triggered, this, [this] { mb::showCentredOn(about_, window_); });
    auto* quick = help->addAction(QStringLiteral("Quick Instructions"));
    quick->setObjectName(QStringLiteral("QuickInstructions1"));
    quick->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(quick, &QAction::triggered, this, &HelpMenu::quickInstructionsChosen);
}

void HelpMenu::attach(Tabout* about, std::function<Thelp*()> help,
                      std::function<Tphrases*()> phrases) {
    about_ = about;
    help_ = mb::FirstUse<Thelp>(std::move(help), [this](Thelp& window) {
        connect(&window, &Thelp::aboutRequested, this,
                [this] { mb::showCentredOn(about_, window_); });
    });
    phrases_ = mb::FirstUse<Tphrases>(std::move(phrases), [this](Tphrases& list) {
        connect(&list, &Tphrases::phrasesApplied, chat_, &ChatPanel::setPhrases);
    });
}

void HelpMenu::showPhrases() {
    Tphrases* list = phrases_.get();
    if (!list) return;
    QStringList texts;
    for (int n = 1; n <= Tphrases::kPhraseCount; ++n) texts << chat_->phrase(n);
    list->setSettings(settings_.file(), section_);
    mb::centreOn(list, window_);
    list->showPhrases(texts);
}

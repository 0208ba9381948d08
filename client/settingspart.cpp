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
#include "client/windowplace.h"
#include "core/appfiles.h"
#include "core/colourtext.h"
#include "core/errornotice.h"
#include "core/profile.h"
#include "dialogs/aboutform.h"
#include "dialogs/gamestartform.h"
#include "dialogs/helpform.h"
#include "dialogs/phrasesform.h"
#include "net/protocol.h"
#include "widgets/backgroundpanel.h"

namespace {

constexpr char kSettingsFileName[] = "kestrolobby.ini";
constexpr QRect kDefaultBounds{3, 3, 772, 535};
constexpr int kDefaultTextSize = 8;
// A size outside this range would make the chat unreadable or its layout enormous.
constexpr int kMinTextSize = 4;
constexpr int kMaxTextSize = 72;
constexpr int kOversizeShrink = 15;
constexpr int kMaxWindowCoordinate = 32767;
// The menu's tags are the host's bot speeds in milliseconds.
constexpr int kBotSlow = int(mb::kBotSpeedSlow.count());
constexpr int kBotNormal = int(mb::kBotSpeedNormal.count());
constexpr int kBotFast = int(mb::kBotSpeedFast.count());
constexpr QRect kHelpPanelRect{80, 8, 604, 398};
constexpr int kHelpPictureMargin = 8;
mb::WinColor fromQColor(const QColor& c) {
    return mb::WinColor(c.red()) | mb::WinColor(c.green()) << 8 | mb::WinColor(c.blue()) << 16;
}

QAction* checkItem(QMenu* menu, const QString& caption, const QString& name, bool checked) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    a->setCheckable(true);
    a->setChecked(checked);
    return a;
}

QAction* itemWithTag(const QActionGroup* group, int tag) {
    for (QAction* a : group->actions())
        if (a->data().toInt() == tag) return a;
    return nullptr;
}

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

    PlaySounds1 =
        checkItem(options, QStringLiteral("Play Sounds"), QStringLiteral("PlaySounds1"), true);
    connect(PlaySounds1, &QAction::triggered, this, &Tchat::PlaySounds1Click);
    PlayerPhraseSounds1 = checkItem(options, QStringLiteral("Player Phrase Sounds"),
                                    QStringLiteral("PlayerPhraseSounds1"), true);
    connect(PlayerPhraseSounds1, &QAction::triggered, this, &Tchat::PlayerPhraseSounds1Click);

    auto radioMenu = [this, options](
                         const QString& caption, const char* name,
                         std::initializer_list<std::tuple<const char*, int, const char*>> items,
                         int checkedTag) {
        QMenu* sub = options->addMenu(caption);
        sub->menuAction()->setObjectName(QLatin1String(name));
        auto* group = new QActionGroup(this);
        for (const auto& [itemCaption, tag, itemName] : items) {
            QAction* a = checkItem(sub, QLatin1String(itemCaption), QLatin1String(itemName),
                                   tag == checkedTag);
            a->setData(tag);
            group->addAction(a);
        }
        return group;
    };
    turnSoundGroup_ = radioMenu(QStringLiteral("Turn Sound"), "TurnSound1",
                                {{"Classic", 0, "Classic1"}, {"New", 1, "New1"}}, 0);
    connect(turnSoundGroup_, &QActionGroup::triggered, this, &Tchat::Classic1Click);
    botSpeedGroup_ = radioMenu(QStringLiteral("Bot Speed"), "BotSpeed1",
                               {{"Slow", kBotSlow, "Slow1"},
                                {"Normal", kBotNormal, "Normal1"},
                                {"Fast", kBotFast, "Fast1"}},
                               kBotNormal);
    connect(botSpeedGroup_, &QActionGroup::triggered, this, &Tchat::Fast1Click);

    auto* textColor = options->addAction(QStringLiteral("Text Color"));
    textColor->setObjectName(QStringLiteral("TextColor1"));
    connect(textColor, &QAction::triggered, this, &Tchat::TextColor1Click);
    textSizeGroup_ =
        radioMenu(QStringLiteral("Text Size"), "TextSize1",
                  {{"8", 8, "N8"}, {"10", 10, "N10"}, {"12", 12, "N12"}, {"14", 14, "N14"}}, -1);
    // A loaded size without an item of its own leaves every item unchecked.
    textSizeGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    connect(textSizeGroup_, &QActionGroup::triggered, this, &Tchat::N14Click);

    options->addSeparator();
    // The chat log's popup shows the same item; either one keeps the other in step.
    ScrollChatOff2 = checkItem(options, QStringLiteral("Scroll Chat Off"),
                               QStringLiteral("ScrollChatOff2"), false);
    ScrollChatOff2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(ScrollChatOff2, &QAction::triggered, chat_, &ChatPanel::ScrollChatOff1Click);
    connect(chat_, &ChatPanel::scrollOffChanged, ScrollChatOff2, &QAction::setChecked);
    auto* ClearMainChat2 = options->addAction(QStringLiteral("Clear Main Chat"));
    ClearMainChat2->setObjectName(QStringLiteral("ClearMainChat2"));
    connect(ClearMainChat2, &QAction::triggered, chat_, &ChatPanel::ClearMainChat1Click);
    options->addSeparator();
    auto* reset = options->addAction(QStringLiteral("Reset Screen Location"));
    reset->setObjectName(QStringLiteral("ResetScreenLocation1"));
    connect(reset, &QAction::triggered, this, &Tchat::ResetScreenLocation1Click);
    JustWatch1 =
        checkItem(options, QStringLiteral("Just Watch"), QStringLiteral("JustWatch1"), false);
    // The check mark follows the host's answer, never the click itself.
    connect(JustWatch1, &QAction::triggered, this, [this] {
        table_.JustWatch1Click();
        render();
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
    for (int n = 1; n <= Tphrases::kPhraseCount; ++n) texts << phrase(n);
    w_.phrases->setSettings(settingsFile(), st_.gamename);
    w_.phrases->move(geometry().center() - w_.phrases->rect().center());
    w_.phrases->showPhrases(texts);
}

// Text size acts on the chat log's styles.
void Tchat::applyTextSize(int points, bool relayout) {
    chat_->setTextSize(points, relayout);
}

int Tchat::textSize() const {
    return chatLog()->styles().style(0).size;
}

void Tchat::loadinifile() {
    mb::ProfileFile ini(settingsFile());
    const QString& section = st_.gamename;

    const int points =
        std::clamp(ini.readInteger(section, QStringLiteral("Textsize"), kDefaultTextSize),
                   kMinTextSize, kMaxTextSize);
    applyTextSize(points, true);
    if (QAction* item = itemWithTag(textSizeGroup_, points))
        item->setChecked(true);
    else if (QAction* current = textSizeGroup_->checkedAction())
        current->setChecked(false);

    // Window coordinates beyond 16 bits mean nothing to a desktop, and a window larger than the
    // screen's work area would only be cut down by the desktop itself (a hostile size would
    // otherwise ask for gigabytes of window memory).
    const QSize largest = screen() ? screen()->availableGeometry().size() : kDefaultBounds.size();
    auto coordinate = [&](const char* key, int fallback) {
        return std::clamp(ini.readInteger(section, QLatin1String(key), fallback),
                          -kMaxWindowCoordinate, kMaxWindowCoordinate);
    };
    auto extent = [&](const char* key, int fallback, int most) {
        return std::clamp(ini.readInteger(section, QLatin1String(key), fallback), 0,
                          std::max(most, fallback));
    };
    bounds_ =
        QRect(coordinate("Left", kDefaultBounds.left()), coordinate("Top", kDefaultBounds.top()),
              extent("Width", kDefaultBounds.width(), largest.width()),
              extent("Height", kDefaultBounds.height(), largest.height()));
    resize(bounds_.size());
    // A stored place on a screen that has gone or shrunk would open the table out of sight:
    // the title bar is kept on an available screen, so the window can always be dragged.
    QList<QRect> areas;
    for (const QScreen* s : QGuiApplication::screens()) areas << s->availableGeometry();
    const int titleBar = std::max(frameGeometry().height() - height(), mb::kAssumedTitleBarHeight);
    move(mb::keepTitleBarOnScreen(QRect(bounds_.topLeft(), frameGeometry().size()), titleBar,
                                  areas));
    // The window cannot be smaller than the board: the record holds what it became, so that
    // closing it unmoved writes nothing.
    bounds_ = QRect(pos(), size());
    // A notice that opened while the window still stood at its first place follows it.
    for (QMessageBox* box : findChildren<QMessageBox*>(Qt::FindDirectChildrenOnly))
        if (box->isVisible()) box->move(frameGeometry().center() - box->rect().center());

    const QString colourText =
        ini.readString(section, QStringLiteral("Textcolor"), QStringLiteral("clblack"));
    setChatColour(mb::textToColour(colourText).value_or(mb::kColourBlack));

    const QString score =
        ini.readString(section, QStringLiteral("Playtoscore"), QStringLiteral("600"));
    bool numeric = false;
    const qlonglong value = score.toLongLong(&numeric);
    if (numeric && w_.gamestart)
        w_.gamestart->setPlayToScore(
            int(std::clamp<qlonglong>(value, Tgamestart::kMinScore, Tgamestart::kMaxScore)));

    const QString speed = ini.readString(section, QStringLiteral("Botspeed"), QString());
    const int ms = speed == QLatin1String("2000")  ? kBotSlow
                   : speed == QLatin1String("500") ? kBotFast
                                                   : kBotNormal;
    itemWithTag(botSpeedGroup_, ms)->setChecked(true);

    const QString turn = ini.readString(section, QStringLiteral("Turnsound"), QStringLiteral("0"));
    itemWithTag(turnSoundGroup_, turn == QLatin1String("1") ? 1 : 0)->setChecked(true);

    for (int n = 1; n <= Tphrases::kPhraseCount; ++n) {
        const QString phrase =
            ini.readString(section, QStringLiteral("Phrase%1").arg(n), QString());
        if (!phrase.isEmpty()) setPhrase(n, phrase.left(Tphrases::kMaxPhraseLength));
    }

    PlaySounds1->setChecked(ini.readString(section, QStringLiteral("Playsounds"), QString()) !=
                            QLatin1String("false"));
    PlayerPhraseSounds1->setChecked(
        ini.readString(section, QStringLiteral("Playerphrasesounds"), QStringLiteral("true")) !=
        QLatin1String("false"));

    if (ini.readString(section, QStringLiteral("Help"), QStringLiteral("1")) == QLatin1String("1"))
        QuickInstructions1Click();
    settingsLoaded_ = true;
    if (!ini.writeString(section, QStringLiteral("Help"), QStringLiteral("2")))
        mb::showErrorNotice(QStringLiteral("Unable to write to %1").arg(ini.path()));
}

void Tchat::saveinifile() {
    // Until the settings were read, the window holds only built-in values: writing them would
    // overwrite what earlier runs stored.
    if (!settingsLoaded_) return;
    mb::ProfileFile ini(settingsFile());
    const QString& section = st_.gamename;
    const QRect bounds(pos(), size());
    const QList<std::pair<QString, QString>> keys{
        {QStringLiteral("Textsize"), QString::number(textSize())},
        {QStringLiteral("Top"), QString::number(bounds.top())},
        {QStringLiteral("Left"), QString::number(bounds.left())},
        {QStringLiteral("Width"), QString::number(bounds.width())},
        {QStringLiteral("Height"), QString::number(bounds.height())},
        {QStringLiteral("Textcolor"), mb::colourToText(chatColour())},
        {QStringLiteral("Playtoscore"),
         QString::number(w_.gamestart ? w_.gamestart->playToScore() : 600)},
        {QStringLiteral("Botspeed"), QString::number(botSpeed())},
        {QStringLiteral("Turnsound"), QString::number(turnSound())},
        {QStringLiteral("Playerphrasesounds"),
         PlayerPhraseSounds1->isChecked() ? QStringLiteral("true") : QStringLiteral("false")},
        {QStringLiteral("Playsounds"),
         PlaySounds1->isChecked() ? QStringLiteral("true") : QStringLiteral("false")},
    };
    if (!ini.writeStrings(section, keys))
        mb::showErrorNotice(QStringLiteral("Unable to write to %1").arg(ini.path()));
}

void Tchat::FormClose() {
    // Before the settings were read there is nothing of ours to keep.
    if (!settingsLoaded_) return;
    QRect now(pos(), size());
    if (now == bounds_) return;
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        if (now.width() > area.width()) now.setWidth(now.width() - kOversizeShrink);
        if (now.height() > area.height()) now.setHeight(now.height() - kOversizeShrink);
    }
    bounds_ = now;
    // The saved bounds are the window's own, so the window takes the shrunk size first.
    resize(now.size());
    saveinifile();
}

void Tchat::PlaySounds1Click() {
    saveinifile();
}

void Tchat::PlayerPhraseSounds1Click() {
    saveinifile();
}

void Tchat::Classic1Click(QAction*) {
    saveinifile();
}

void Tchat::Fast1Click(QAction*) {
    saveinifile();
}

void Tchat::N14Click(QAction* item) {
    // The log shows the new size from the next line on.
    item->setChecked(true);
    applyTextSize(item->data().toInt(), false);
    saveinifile();
}

void Tchat::TextColor1Click() {
    if (!ColorDialog) {
        ColorDialog = new QColorDialog(this);
        ColorDialog->setObjectName(QStringLiteral("ColorDialog"));
        connect(ColorDialog, &QColorDialog::colorSelected, this, [this](const QColor& c) {
            setChatColour(fromQColor(c));
            saveinifile();
        });
    }
    ColorDialog->setCurrentColor(mb::toQColor(chatColour_));
    ColorDialog->open();
}

void Tchat::ResetScreenLocation1Click() {
    move(kDefaultBounds.topLeft());
    resize(kDefaultBounds.size());
}

void Tchat::QuickInstructions1Click() {
    image_help->setPixmap(mb::art::quickInstructions(devicePixelRatioF()));
    panel_help->show();
    panel_help->raise();
}

void Tchat::button_doneClick() {
    panel_help->hide();
}

QWidget* Tchat::quickInstructionsPanel() const {
    return panel_help;
}

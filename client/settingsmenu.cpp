#include "client/settingsmenu.h"

#include <QActionGroup>
#include <QColorDialog>
#include <QMenu>
#include <tuple>

#include "client/chatpanel.h"
#include "core/errornotice.h"
#include "core/profile.h"

namespace {

// The menu's tags are the host's bot speeds in milliseconds.
constexpr int kBotSlow = int(mb::kBotSpeedSlow.count());
constexpr int kBotNormal = int(mb::kBotSpeedNormal.count());
constexpr int kBotFast = int(mb::kBotSpeedFast.count());

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

void reportUnwritable(const QString& path) {
    mb::showErrorNotice(QStringLiteral("Unable to write to %1").arg(path));
}

}  // namespace

SettingsMenu::SettingsMenu(QWidget* window, QString section)
    : QObject(window), window_(window), section_(std::move(section)) {}

void SettingsMenu::buildOptions(QMenu* options) {
    // Every change is kept at once, as the classic game did.
    auto keep = [this](auto change) {
        return [this, change](auto&&... args) {
            change(args...);
            save();
        };
    };
    playSounds_ =
        checkItem(options, QStringLiteral("Play Sounds"), QStringLiteral("PlaySounds1"), true);
    connect(playSounds_, &QAction::triggered, this,
            keep([this](bool on) { values_.playSounds = on; }));
    playerPhraseSounds_ = checkItem(options, QStringLiteral("Player Phrase Sounds"),
                                    QStringLiteral("PlayerPhraseSounds1"), true);
    connect(playerPhraseSounds_, &QAction::triggered, this,
            keep([this](bool on) { values_.playerPhraseSounds = on; }));

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
    turnSound_ = radioMenu(QStringLiteral("Turn Sound"), "TurnSound1",
                           {{"Classic", 0, "Classic1"}, {"New", 1, "New1"}}, 0);
    connect(turnSound_, &QActionGroup::triggered, this,
            keep([this](QAction* item) { values_.turnSound = item->data().toInt(); }));
    botSpeed_ = radioMenu(QStringLiteral("Bot Speed"), "BotSpeed1",
                          {{"Slow", kBotSlow, "Slow1"},
                           {"Normal", kBotNormal, "Normal1"},
                           {"Fast", kBotFast, "Fast1"}},
                          kBotNormal);
    connect(botSpeed_, &QActionGroup::triggered, this,
            keep([this](QAction* item) { values_.botSpeedMs = item->data().toInt(); }));

    auto* textColor = options->addAction(QStringLiteral("Text Color"));
    textColor->setObjectName(QStringLiteral("TextColor1"));
    connect(textColor, &QAction::triggered, this, &SettingsMenu::chooseColour);
    textSize_ =
        radioMenu(QStringLiteral("Text Size"), "TextSize1",
                  {{"8", 8, "N8"}, {"10", 10, "N10"}, {"12", 12, "N12"}, {"14", 14, "N14"}}, -1);
    // A loaded size without an item of its own leaves every item unchecked.
    textSize_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    connect(textSize_, &QActionGroup::triggered, this, keep([this](QAction* item) {
                item->setChecked(true);
                values_.textSize = item->data().toInt();
                emit textSizeChosen(values_.textSize);
            }));

    options->addSeparator();
    // The chat log's popup shows the same item; either one keeps the other in step.
    scrollChatOff_ = checkItem(options, QStringLiteral("Scroll Chat Off"),
                               QStringLiteral("ScrollChatOff2"), false);
    scrollChatOff_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(scrollChatOff_, &QAction::triggered, this, &SettingsMenu::scrollChatOffToggled);
    auto* clear = options->addAction(QStringLiteral("Clear Main Chat"));
    clear->setObjectName(QStringLiteral("ClearMainChat2"));
    connect(clear, &QAction::triggered, this, &SettingsMenu::clearChatChosen);
    options->addSeparator();
    auto* reset = options->addAction(QStringLiteral("Reset Screen Location"));
    reset->setObjectName(QStringLiteral("ResetScreenLocation1"));
    connect(reset, &QAction::triggered, this, &SettingsMenu::resetLocationChosen);
    justWatch_ =
        checkItem(options, QStringLiteral("Just Watch"), QStringLiteral("JustWatch1"), false);
    connect(justWatch_, &QAction::triggered, this, &SettingsMenu::justWatchChosen);
}

const mb::GameSettings& SettingsMenu::load(QSize largestWindow) {
    mb::ProfileFile ini(path_);
    values_ = mb::readGameSettings(ini, section_, largestWindow);
    showTextSize(values_.textSize);
    itemWithTag(botSpeed_, values_.botSpeedMs)->setChecked(true);
    itemWithTag(turnSound_, values_.turnSound)->setChecked(true);
    playSounds_->setChecked(values_.playSounds);
    playerPhraseSounds_->setChecked(values_.playerPhraseSounds);
    loaded_ = true;
    if (!ini.writeString(section_, QStringLiteral("Help"), QStringLiteral("2")))
        reportUnwritable(ini.path());
    return values_;
}

void SettingsMenu::save() {
    if (!loaded_) return;
    int playToScore = 600;
    if (gather_) gather_(values_, playToScore);
    mb::ProfileFile ini(path_);
    if (!ini.writeStrings(section_, mb::gameSettingsKeys(values_, playToScore)))
        reportUnwritable(ini.path());
}

void SettingsMenu::showTextSize(int points) {
    if (QAction* item = itemWithTag(textSize_, points))
        item->setChecked(true);
    else if (QAction* current = textSize_->checkedAction())
        current->setChecked(false);
}

void SettingsMenu::chooseColour() {
    if (!colourDialog_) {
        colourDialog_ = new QColorDialog(window_);
        colourDialog_->setObjectName(QStringLiteral("ColorDialog"));
        connect(colourDialog_, &QColorDialog::colorSelected, this, [this](const QColor& c) {
            values_.textColour = fromQColor(c);
            emit colourChosen(values_.textColour);
            save();
        });
    }
    int unused = 0;
    if (gather_) gather_(values_, unused);
    colourDialog_->setCurrentColor(mb::toQColor(values_.textColour));
    colourDialog_->open();
}

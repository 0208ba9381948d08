#include "dialogs/phrasesform.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "assets/art.h"
#include "core/errornotice.h"
#include "core/profile.h"
#include "widgets/backgroundpanel.h"
#include "widgets/gamestyle.h"

namespace {
constexpr QSize kClientSize{368, 265};
constexpr int kRowTop = 8;
constexpr int kRowStep = 22;
constexpr int kRowHeight = 21;
constexpr int kLabelLeft = 12;
constexpr int kEditLeft = 118;
constexpr int kEditWidth = 238;
}  // namespace

Tphrases::Tphrases(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Marrowby - Phrase Buttons "));
    setFixedSize(kClientSize);
    auto* panel = new mb::BackgroundPanel(this);
    panel->setGeometry(rect());
    panel->setTile(&mb::art::backgroundTile);

    for (int n = 1; n <= kPhraseCount; ++n) {
        const int top = kRowTop + (n - 1) * kRowStep;
        auto* label = new QLabel(QStringLiteral("Phrase Button %1:").arg(n), panel);
        label->setGeometry(kLabelLeft, top, kEditLeft - kLabelLeft - 4, kRowHeight);
        auto* edit = new QLineEdit(panel);
        edit->setObjectName(QStringLiteral("phrase%1").arg(n));
        edit->setMaxLength(kMaxPhraseLength);
        edit->setGeometry(kEditLeft, top, kEditWidth, kRowHeight);
        phrase[size_t(n)] = edit;
    }
    // Rows 1 to 5, then the last four from the bottom up.
    constexpr std::array kTabOrder{1, 2, 3, 4, 5, 9, 8, 7, 6};
    for (size_t i = 1; i < kTabOrder.size(); ++i)
        setTabOrder(phrase[size_t(kTabOrder[i - 1])], phrase[size_t(kTabOrder[i])]);

    const int bottom = kRowTop + kPhraseCount * kRowStep;
    auto* note = new QLabel(QStringLiteral("Buttons can only be used once every 2 seconds"), panel);
    note->setObjectName(QStringLiteral("label_note"));
    // Yellow text needs a dark ground to be read on the light background.
    mb::setCaptionLook(note, QColor(0xff, 0xe0, 0x40), QColor(0, 0, 0, 150), QMargins(8, 1, 8, 1));
    note->adjustSize();
    note->move((kClientSize.width() - note->width()) / 2, bottom + 4);
    auto* done = new QPushButton(QStringLiteral("Done"), panel);
    done->setObjectName(QStringLiteral("button_done"));
    done->setGeometry(kClientSize.width() - 12 - 75, bottom + 30, 75, 24);
    done->setDefault(true);
    connect(done, &QPushButton::clicked, this, &Tphrases::button_doneClick);
}

void Tphrases::setSettings(const QString& path, const QString& section) {
    path_ = path;
    section_ = section;
}

void Tphrases::showPhrases(const QStringList& phrases) {
    for (int n = 1; n <= kPhraseCount; ++n) {
        phrase[size_t(n)]->setText(phrases.value(n - 1).left(kMaxPhraseLength));
        // A phrase longer than its box shows its beginning, not its end.
        phrase[size_t(n)]->setCursorPosition(0);
    }
    show();
    raise();
    activateWindow();
}

void Tphrases::button_doneClick() {
    QStringList texts;
    for (int n = 1; n <= kPhraseCount; ++n) texts << phrase[size_t(n)]->text();
    emit phrasesApplied(texts);
    QList<std::pair<QString, QString>> keys;
    for (int n = 1; n <= kPhraseCount; ++n)
        keys.append({QStringLiteral("Phrase%1").arg(n), texts[n - 1]});
    mb::ProfileFile file(path_);
    if (!file.writeStrings(section_, keys)) {
        // The buttons already hold the new phrases; the window stays open to try again.
        mb::showErrorNotice(QStringLiteral("Unable to write to %1").arg(path_));
        return;
    }
    hide();
}

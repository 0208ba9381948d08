#include "dialogs/gamestartform.h"

#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "assets/art.h"
#include "widgets/backgroundpanel.h"
#include "widgets/followdensity.h"
#include "widgets/picturebutton.h"

namespace {
constexpr QSize kClientSize{227, 125};
constexpr int kInitialScore = 600;
}  // namespace

Tgamestart::Tgamestart(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Marrowby  - Game Start"));
    setFixedSize(kClientSize);
    auto* panel = new mb::BackgroundPanel(this);
    panel->setGeometry(rect());
    panel->setTile(&mb::art::backgroundTile);

    auto* heading = new QLabel(QStringLiteral("Game Option"), panel);
    QFont big = heading->font();
    big.setBold(true);
    big.setUnderline(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    heading->setFont(big);
    heading->setAlignment(Qt::AlignCenter);
    heading->setGeometry(0, 6, kClientSize.width(), 26);

    auto* label = new QLabel(QStringLiteral("Play to Score:"), panel);
    label->setGeometry(16, 44, 100, 24);
    UpDown1 = new QSpinBox(panel);
    UpDown1->setObjectName(QStringLiteral("edit_playtoscore"));
    UpDown1->setRange(kMinScore, kMaxScore);
    UpDown1->setSingleStep(kStep);
    UpDown1->setValue(kInitialScore);
    UpDown1->setWrapping(false);
    UpDown1->setGroupSeparatorShown(false);
    // Only the arrows (or arrow keys) change the value.
    if (auto* edit = UpDown1->findChild<QLineEdit*>()) edit->setReadOnly(true);
    UpDown1->setGeometry(120, 44, 90, 24);

    const qreal dpr = devicePixelRatioF();
    button_start = new mb::PictureButton(panel);
    const auto pictures = [this](qreal d) {
        button_start->setPictures(mb::art::startGameButton(d), mb::art::startGameButton(d, true));
    };
    pictures(dpr);  // now, for the button's size
    mb::followDensity(this, pictures, dpr);
    button_start->setObjectName(QStringLiteral("button_start"));
    button_start->move((kClientSize.width() - button_start->width()) / 2, 84);
    connect(button_start, &QAbstractButton::clicked, this, &Tgamestart::button_startClick);
}

int Tgamestart::playToScore() const {
    return UpDown1->value();
}

void Tgamestart::setPlayToScore(int score) {
    UpDown1->setValue(score);
}

void Tgamestart::button_startClick() {
    emit startRequested(UpDown1->value());
    hide();
}

#include "client/quickinstructions.h"

#include <QLabel>
#include <QPushButton>

#include "assets/art.h"
#include "widgets/followdensity.h"

namespace {

// Where the panel stands on the board at its design size.
constexpr QRect kPanelRect{80, 8, 604, 398};
constexpr int kPictureMargin = 8;
constexpr QSize kDoneSize{90, 28};

}  // namespace

QuickInstructions::QuickInstructions(QWidget* parent, QPoint boardTopLeft) : QFrame(parent) {
    setObjectName(QStringLiteral("panel_help"));
    setGeometry(kPanelRect.translated(boardTopLeft));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("image_help"));
    mb::followDensity(this,
                      [this](qreal dpr) { picture_->setPixmap(mb::art::quickInstructions(dpr)); });
    picture_->setGeometry(
        QRect(QPoint(kPictureMargin, kPictureMargin), mb::art::quickInstructionsSize()));
    // The button sits in the middle of the strip below the picture.
    auto* done = new QPushButton(QStringLiteral("Done"), this);
    done->setObjectName(QStringLiteral("button_done"));
    const int below = kPictureMargin + mb::art::quickInstructionsSize().height();
    done->setGeometry((kPanelRect.width() - kDoneSize.width()) / 2,
                      below + (kPanelRect.height() - below - kDoneSize.height()) / 2,
                      kDoneSize.width(), kDoneSize.height());
    connect(done, &QPushButton::clicked, this, &QWidget::hide);
    hide();
}

void QuickInstructions::showInstructions() {
    show();
    raise();
}

void QuickInstructions::centreOver(const QRect& board) {
    move(board.x() + (board.width() - width()) / 2, y());
}

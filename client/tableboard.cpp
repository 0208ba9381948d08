#include "client/tableboard.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "assets/art.h"
#include "widgets/clicklabel.h"
#include "widgets/gamestyle.h"
#include "widgets/picturebutton.h"

namespace {

constexpr std::array<int, mb::kHandSize + 1> kHandLeft = {0,   6,   82,  157, 233, 308,
                                                          384, 459, 535, 610, 686};
constexpr int kHandTop = 116;
constexpr int kPileTop = 12;
constexpr int kPileRaisedTop = 2;
constexpr int kDrawLeft = 308;
constexpr int kDiscardLeft = 384;
constexpr std::array<int, mb::kTableSeats + 1> kNameTop = {0, 13, 36, 61, 85};
constexpr int kNameLeft = 512;
constexpr int kScoreGap = 6;
constexpr int kBonusGap = 5;
constexpr int kNotPlayingLeft = 583;
constexpr int kRowRight = 757;  // a seat's row ends with the hand, at the last card's edge
constexpr int kEyesLeft = 490;
constexpr int kTurnLeft = 471;
constexpr int kTurnAbove = 8;
constexpr QRect kStatusRect{(764 - 493) / 2, 218, 493, 20};
constexpr QPoint kStartPos{315, 188};
constexpr QRect kWinnerCardsRect{6, 114, 752, 129};
constexpr QRect kWinnerRect{160, 144, 441, 41};
constexpr QColor kWinnerGround{0, 0, 0, 150};
constexpr int kWinnerPixels = 26;    // the winner's words, at the board's design scale
constexpr int kWinnerMinPixels = 8;  // the least: 32 bytes of the widest letter fit
constexpr int kWinnerSideRoom = 6;   // kept free at each end of the banner

QLabel* plainLabel(const QString& text, QWidget* parent, const char* name) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

TableBoard::TableBoard(const mb::TableModel& table, QWidget* parent)
    : mb::BackgroundPanel(parent), table_(table) {
    setObjectName(QStringLiteral("panel_board"));
    setTile(&mb::art::backgroundTile);
    const QSize card = mb::art::cardSize();
    for (int slot = 1; slot <= mb::kHandSize; ++slot) {
        auto* c = new mb::ClickLabel(slot, this);
        c->setObjectName(QStringLiteral("image_card%1").arg(slot));
        scaler_.place(c, QRect(QPoint(kHandLeft[size_t(slot)], kHandTop), card));
        c->setCursor(Qt::PointingHandCursor);
        connect(c, &mb::ClickLabel::clicked, this, &TableBoard::handClicked);
        image_card[size_t(slot)] = c;
    }
    auto pile = [&](int tag, int left, const char* name) {
        auto* p = new mb::ClickLabel(tag, this);
        p->setObjectName(QLatin1String(name));
        scaler_.place(p, QRect(QPoint(left, kPileTop), card));
        p->setCursor(Qt::PointingHandCursor);
        connect(p, &mb::ClickLabel::clicked, this, &TableBoard::pileClicked);
        return p;
    };
    image_drawpile = pile(mb::kDrawPile, kDrawLeft, "image_drawpile");
    image_topcard = pile(mb::kDiscardPile, kDiscardLeft, "image_topcard");
    auto caption = [&](int tag, const QString& text, int left, const char* name) {
        auto* c = new mb::ClickLabel(tag, this);
        c->setObjectName(QLatin1String(name));
        c->setText(text);
        mb::setCaptionLook(c, Qt::white, QColor(0, 0, 0, 120), QMargins(7, 0, 7, 0));
        scaler_.place(c, QRect(QPoint(left, kPileTop + 2), QSize()));
        c->setCursor(Qt::PointingHandCursor);
        connect(c, &mb::ClickLabel::clicked, this, &TableBoard::pileClicked);
        return c;
    };
    label_draw = caption(mb::kDrawPile, QStringLiteral("DRAW"), 328, "label_draw");
    label_discard = caption(mb::kDiscardPile, QStringLiteral("DISCARD"), 395, "label_discard");

    image_Turn = new QLabel(this);
    image_Turn->setObjectName(QStringLiteral("image_Turn"));
    scaler_.place(image_Turn,
                  QRect(QPoint(kTurnLeft, kNameTop[1] - kTurnAbove), mb::art::turnArrowSize()));
    image_Turn->hide();

    QFont nameFont = font();
    nameFont.setBold(true);
    for (int s = 1; s <= mb::kTableSeats; ++s) {
        auto* name = new mb::ClickLabel(s, this);
        name->setObjectName(QStringLiteral("label_playername%1").arg(s));
        name->setFont(nameFont);
        scaler_.place(name, QRect(QPoint(kNameLeft, kNameTop[size_t(s)]), QSize()));
        connect(name, &mb::ClickLabel::rightClicked, this, &TableBoard::seatMenuRequested);
        label_playername[size_t(s)] = name;
        label_score[size_t(s)] = plainLabel(QStringLiteral("0"), this, "label_score");
        label_score[size_t(s)]->setObjectName(QStringLiteral("label_score%1").arg(s));
        label_bonus[size_t(s)] = plainLabel(QString(), this, "label_bonus");
        label_bonus[size_t(s)]->setObjectName(QStringLiteral("label_bonus%1").arg(s));
        mb::setTextColour(label_bonus[size_t(s)], QColor(0x0a, 0x7a, 0x0a));
        label_bonus[size_t(s)]->setFont(nameFont);
        scaler_.place(label_score[size_t(s)],
                      QRect(QPoint(kNameLeft, kNameTop[size_t(s)]), QSize()));
        scaler_.place(label_bonus[size_t(s)],
                      QRect(QPoint(kNameLeft, kNameTop[size_t(s)]), QSize()));
        auto* notPlaying = new QLabel(this);
        notPlaying->setObjectName(QStringLiteral("image_playing%1").arg(s));
        scaler_.place(notPlaying, QRect(QPoint(kNotPlayingLeft, kNameTop[size_t(s)]),
                                        mb::art::notPlayingSize()));
        notPlaying->hide();
        image_playing[size_t(s)] = notPlaying;
        auto* eyes = new QLabel(this);
        eyes->setObjectName(QStringLiteral("image_eyes%1").arg(s));
        scaler_.place(eyes, QRect(QPoint(kEyesLeft, kNameTop[size_t(s)] + 3), mb::art::eyesSize()));
        eyes->hide();
        image_eyes[size_t(s)] = eyes;
    }

    label_playtoscore = plainLabel(QString(), this, "label_playtoscore");
    scaler_.place(label_playtoscore, QRect(8, 12, 200, 18));
    label_roundnum = plainLabel(QString(), this, "label_roundnum");
    scaler_.place(label_roundnum, QRect(8, 32, 200, 18));
    label_numturns = plainLabel(QString(), this, "label_numturns");
    scaler_.place(label_numturns, QRect(8, 52, 200, 18));
    label_status = plainLabel(QString(), this, "label_status");
    label_status->setAlignment(Qt::AlignCenter);
    QFont statusFont = font();
    statusFont.setBold(true);
    label_status->setFont(statusFont);
    scaler_.place(label_status, kStatusRect);

    button_start = new mb::PictureButton(this);
    button_start->setObjectName(QStringLiteral("button_start"));
    scaler_.place(button_start, QRect(kStartPos, QSize()));
    connect(button_start, &QAbstractButton::clicked, this, &TableBoard::startClicked);

    panel_winnercards = new QFrame(this);
    panel_winnercards->setObjectName(QStringLiteral("panel_winnercards"));
    scaler_.place(panel_winnercards, kWinnerCardsRect);
    panel_winnercards->setFrameShape(QFrame::Panel);
    panel_winnercards->setFrameShadow(QFrame::Raised);
    panel_winnercards->setAutoFillBackground(true);
    for (int slot = 1; slot <= mb::kHandSize; ++slot) {
        auto* c = new mb::ClickLabel(slot, panel_winnercards);
        c->setObjectName(QStringLiteral("image_wcard%1").arg(slot));
        scaler_.place(c, QRect(QPoint(kHandLeft[size_t(slot)] - kWinnerCardsRect.left(), 2), card),
                      false);
        connect(c, &mb::ClickLabel::clicked, this, &TableBoard::handClicked);
        image_wcard[size_t(slot)] = c;
    }
    label_completed = plainLabel(QString(), panel_winnercards, "label_completed");
    label_completed->setFont(statusFont);
    scaler_.place(label_completed, QRect(10, 102, 560, 22), false);
    auto* done = new QPushButton(QStringLiteral("Done"), panel_winnercards);
    done->setObjectName(QStringLiteral("button_winnerdone"));
    scaler_.place(done, QRect(660, 101, 80, 24), false);
    connect(done, &QPushButton::clicked, this, &TableBoard::winnerDoneClicked);
    panel_winnercards->hide();

    panel_winner = new QFrame(this);
    panel_winner->setObjectName(QStringLiteral("panel_winner"));
    scaler_.place(panel_winner, kWinnerRect);
    // Gold words over the hand's pale cards want a darker ground to be read.
    mb::setGroundLook(panel_winner, kWinnerGround);
    QFont winnerFont = font();
    winnerFont.setBold(true);
    winnerFont.setPixelSize(kWinnerPixels);
    label_winner2 = plainLabel(QString(), panel_winner, "label_winner2");
    label_winner2->setFont(winnerFont);
    label_winner2->setAlignment(Qt::AlignCenter);
    scaler_.place(label_winner2, QRect(1, 1, kWinnerRect.width(), kWinnerRect.height()), false);
    mb::setTextColour(label_winner2, QColor(0x30, 0x30, 0x30));
    label_winner1 = plainLabel(QString(), panel_winner, "label_winner1");
    label_winner1->setFont(winnerFont);
    label_winner1->setAlignment(Qt::AlignCenter);
    scaler_.place(label_winner1, QRect(0, 0, kWinnerRect.width(), kWinnerRect.height()), false);
    mb::setTextColour(label_winner1, QColor(0xf0, 0xc0, 0x20));
    panel_winner->hide();
}

bool TableBoard::applyGeometry(const mb::BoardGeometry& geometry) {
    return scaler_.apply(geometry);
}

void TableBoard::applyPictures() {
    // For the window's density and the board's scale; the tile is a texture that follows only
    // the density, which the panel sees to itself.
    const qreal dpr = devicePixelRatioF();
    image_Turn->setPixmap(scaler_.art([](qreal d) { return mb::art::turnArrow(d); }, dpr));
    const QPixmap notPlaying = scaler_.art([](qreal d) { return mb::art::notPlaying(d); }, dpr);
    const QPixmap eyes = scaler_.art([](qreal d) { return mb::art::eyes(d); }, dpr);
    for (int s = 1; s <= mb::kTableSeats; ++s) {
        image_playing[size_t(s)]->setPixmap(notPlaying);
        image_eyes[size_t(s)]->setPixmap(eyes);
    }
    button_start->setPictures(
        scaler_.art([](qreal d) { return mb::art::startGameButton(d); }, dpr),
        scaler_.art([](qreal d) { return mb::art::startGameButton(d, true); }, dpr));
    scaler_.move(button_start, kStartPos);  // its size follows the picture's
    shownHand_.fill(-2);
    shownWinner_.fill(-2);
    shownDraw_ = shownTop_ = -2;
}

void TableBoard::placeSeatRow(int seat, const mb::SeatView& view) {
    const size_t s = size_t(seat);
    mb::ClickLabel* name = label_playername[s];
    // A long name gives way to the score and the round's points after it rather than push
    // them off the board; it is shortened with an ellipsis and told whole under the pointer.
    const qreal scale = scaler_.scale();
    const int behind = view.notPlaying ? qRound(kScoreGap * scale) + image_playing[s]->width()
                                       : qRound((kScoreGap + kBonusGap) * scale) +
                                             label_score[s]->sizeHint().width() +
                                             label_bonus[s]->sizeHint().width();
    const int room = qRound((kRowRight - kNameLeft) * scale) - behind;
    const int margins = name->contentsMargins().left() + name->contentsMargins().right();
    const QString shown =
        name->fontMetrics().elidedText(view.name, Qt::ElideRight, std::max(0, room - margins));
    name->setText(shown);
    name->setToolTip(shown == view.name ? view.hint : view.name);
    name->adjustSize();
    // The score follows the name and the bonus the score, each as wide as its text at the
    // board's scale; the gaps between them scale with the board.
    auto after = [this](const QWidget* left, int gap) {
        const int end = left->x() + left->width() - scaler_.offset();
        return qRound(end / scaler_.scale()) + gap;
    };
    scaler_.move(label_score[s], {after(name, kScoreGap), kNameTop[s]});
    scaler_.move(label_bonus[s], {after(label_score[s], kBonusGap), kNameTop[s]});
    // The "NOT PLAYING" picture stands in the score's place: at its own column while the
    // name ends before it, after the name when a longer one would run under it.
    scaler_.move(image_playing[s],
                 {std::max(kNotPlayingLeft, after(name, kScoreGap)), kNameTop[s]});
}

void TableBoard::render() {
    const qreal dpr = devicePixelRatioF();
    const mb::BoardScaler& scaler = scaler_;
    auto showCard = [dpr, &scaler](QLabel* picture, int card, int& shown) {
        if (card == shown) return;
        shown = card;
        if (card == mb::kNoPicture)
            picture->clear();
        else
            picture->setPixmap(scaler.art([card](qreal d) { return mb::art::card(card, d); }, dpr));
    };
    for (int slot = 1; slot <= mb::kHandSize; ++slot) {
        showCard(image_card[size_t(slot)], table_.handCard(slot), shownHand_[size_t(slot)]);
        showCard(image_wcard[size_t(slot)], table_.winnerCard(slot), shownWinner_[size_t(slot)]);
    }
    showCard(image_drawpile, table_.drawPileCard, shownDraw_);
    showCard(image_topcard, table_.topCard, shownTop_);
    scaler_.move(image_drawpile,
                 {kDrawLeft, table_.pileRaised[mb::kDrawPile] ? kPileRaisedTop : kPileTop});
    scaler_.move(image_topcard,
                 {kDiscardLeft, table_.pileRaised[mb::kDiscardPile] ? kPileRaisedTop : kPileTop});
    label_draw->raise();
    label_discard->raise();

    for (int s = 1; s <= mb::kTableSeats; ++s) {
        const mb::SeatView& seat = table_.seat(s);
        const size_t i = size_t(s);
        label_score[i]->setText(seat.score);
        label_bonus[i]->setText(seat.bonus);
        placeSeatRow(s, seat);
        label_score[i]->setVisible(seat.scoreVisible && !seat.notPlaying);
        image_playing[i]->setVisible(seat.notPlaying);
        image_eyes[i]->setVisible(seat.eyes);
    }
    if (table_.turnArrowSeat > 0) {
        scaler_.move(image_Turn, {kTurnLeft, kNameTop[size_t(table_.turnArrowSeat)] - kTurnAbove});
        image_Turn->show();
    }
    label_status->setText(table_.status);
    label_playtoscore->setText(table_.playToScore);
    label_roundnum->setText(table_.roundNumber);
    label_numturns->setText(table_.numTurns);
    button_start->setVisible(table_.startVisible);
    label_completed->setText(table_.completed);
    panel_winnercards->setVisible(table_.winnerCardsVisible);
    label_winner1->setText(table_.winnerText);
    label_winner2->setText(table_.winnerText);
    if (table_.winnerVisible) fitWinnerText();  // measured only when it is to be seen
    panel_winner->setVisible(table_.winnerVisible);
}

void TableBoard::fitWinnerText() {
    // "<name> has Won the Game!" with a long name is wider than the banner, and centred it
    // would lose both ends: the words shrink until they fit, never below a readable size.
    const qreal scale = scaler_.scale();
    const int room = label_winner1->width() - 2 * qRound(kWinnerSideRoom * scale);
    const int least = std::max(1, qRound(kWinnerMinPixels * scale));
    QFont font = label_winner1->font();
    int pixels = std::max(1, qRound(kWinnerPixels * scale));
    font.setPixelSize(pixels);
    while (pixels > least && QFontMetrics(font).horizontalAdvance(label_winner1->text()) > room)
        font.setPixelSize(--pixels);
    label_winner1->setFont(font);
    label_winner2->setFont(font);
}

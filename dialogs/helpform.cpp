#include "dialogs/helpform.h"

#include <QDate>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "assets/art.h"
#include "dialogs/helptexts.h"
#include "widgets/backgroundpanel.h"

namespace {
constexpr QSize kClientSize{556, 422};
constexpr int kSidePanelWidth = 137;
constexpr int kMemoPointSize = 8;
constexpr QColor kMemoBackground{0xFF, 0xFF, 0xE1};
// The width the widest topic caption takes in a font.
int widestCaption(const QFontMetrics& metrics) {
    int widest = 0;
    for (const mb::HelpTopic& topic : mb::helpTopics())
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromUtf8(topic.caption)));
    return widest;
}

}  // namespace

Thelp::Thelp(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Marrowby - Help File"));
    resize(kClientSize);
    setSizeGripEnabled(true);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* side = new QFrame(this);
    side->setObjectName(QStringLiteral("panel_side"));
    side->setAutoFillBackground(true);
    QPalette white = side->palette();
    white.setColor(QPalette::Window, Qt::white);
    side->setPalette(white);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(8, 8, 8, 8);
    sideLayout->setSpacing(4);
    for (const mb::HelpTopic& topic : mb::helpTopics()) {
        auto* b = new QPushButton(QString::fromUtf8(topic.caption), side);
        b->setObjectName(QStringLiteral("SelButton%1").arg(topic.tag));
        b->setAutoDefault(false);
        const int tag = topic.tag;
        connect(b, &QPushButton::clicked, this, [this, tag] { SelButton1Click(tag); });
        sideLayout->addWidget(b);
        buttons_[size_t(tag)] = b;
    }
    sideLayout->addSpacing(8);
    auto* about = new QPushButton(QStringLiteral("About"), side);
    about->setObjectName(QStringLiteral("button_about"));
    about->setAutoDefault(false);
    connect(about, &QPushButton::clicked, this, &Thelp::aboutRequested);
    sideLayout->addWidget(about);
    sideLayout->addStretch(1);
    for (const char* credit : {"Marrowby", "by Kestro Software"}) {
        auto* l = new QLabel(QString::fromUtf8(credit), side);
        l->setAlignment(Qt::AlignCenter);
        sideLayout->addWidget(l);
    }
    auto* year = new QLabel(QStringLiteral("\u00A9 %1").arg(QDate::currentDate().year()), side);
    year->setObjectName(QStringLiteral("label_year"));
    year->setAlignment(Qt::AlignCenter);
    sideLayout->addWidget(year);
    sideLayout->addSpacing(8);
    auto* done = new QPushButton(QStringLiteral("Done"), side);
    done->setObjectName(QStringLiteral("button_done"));
    done->setAutoDefault(false);
    connect(done, &QPushButton::clicked, this, &QWidget::hide);
    sideLayout->addWidget(done);
    // Its classic width, or wider when a caption needs it (a larger desktop font): every
    // button gets the width it asks for.
    side->setFixedWidth(std::max(kSidePanelWidth, sideLayout->sizeHint().width()));
    outer->addWidget(side);

    auto* main = new mb::BackgroundPanel(this);
    main->setTile(&mb::art::backgroundTile);
    auto* mainLayout = new QVBoxLayout(main);
    mainLayout->setContentsMargins(8, 6, 8, 8);
    caption_ = new QLabel(main);
    caption_->setObjectName(QStringLiteral("label_caption"));
    caption_->setTextFormat(Qt::PlainText);
    QFont big = caption_->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.5);
    caption_->setFont(big);
    // The caption label repeats the chosen topic's caption: room for the widest one.
    caption_->setMinimumWidth(widestCaption(caption_->fontMetrics()));
    mainLayout->addWidget(caption_);
    stack_ = new QStackedWidget(main);
    QFont memoFont(QStringLiteral("Arial"), kMemoPointSize);
    for (const mb::HelpTopic& topic : mb::helpTopics()) {
        auto* m = new QPlainTextEdit(stack_);
        m->setObjectName(QStringLiteral("memo%1").arg(topic.tag));
        m->setReadOnly(true);
        m->setFont(memoFont);
        m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        m->setWordWrapMode(QTextOption::WordWrap);  // never inside a word
        QPalette p = m->palette();
        p.setColor(QPalette::Base, kMemoBackground);
        p.setColor(QPalette::Text, Qt::black);
        m->setPalette(p);
        m->setPlainText(QString::fromUtf8(topic.text));
        stack_->addWidget(m);
        memos_[size_t(topic.tag)] = m;
    }
    mainLayout->addWidget(stack_, 1);
    outer->addWidget(main, 1);
    SelButton1Click(1);
}

void Thelp::SelButton1Click(int tag) {
    if (tag < 1 || tag > kTopicCount) return;
    stack_->setCurrentWidget(memos_[size_t(tag)]);
    memos_[size_t(tag)]->moveCursor(QTextCursor::Start);
    caption_->setText(buttons_[size_t(tag)]->text());
}

int Thelp::currentTopic() const {
    for (int tag = 1; tag <= kTopicCount; ++tag)
        if (stack_->currentWidget() == memos_[size_t(tag)]) return tag;
    return 0;
}

QString Thelp::captionText() const {
    return caption_->text();
}

#include "dialogs/aboutform.h"

#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

#include "assets/art.h"
#include "core/version.h"
#include "widgets/backgroundpanel.h"
#include "widgets/clicklabel.h"
#include "widgets/followdensity.h"
#include "widgets/gamestyle.h"
#include "widgets/weblink.h"

namespace {
constexpr QSize kClientSize{304, 190};
constexpr int kUrlTop = 96;
constexpr int kCreditTop = 116;
constexpr int kCopyrightTop = 134;
constexpr int kVersionTop = 162;

QLabel* centred(const QString& text, QWidget* parent, int top) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(0, top, kClientSize.width(), 18);
    return label;
}
}  // namespace

Tabout::Tabout(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Marrowby - About"));
    setFixedSize(kClientSize);
    auto* panel = new mb::BackgroundPanel(this);
    panel->setGeometry(rect());
    panel->setTile(&mb::art::backgroundTile);

    // The logo is a little wider than the window: it is centred and its edges cut off evenly.
    image_aboutlogo = new mb::ClickLabel(0, panel);
    image_aboutlogo->setObjectName(QStringLiteral("image_aboutlogo"));
    // Drawn when first shown, not at the start of every game.
    mb::followDensity(this, [this](qreal dpr) { image_aboutlogo->setPixmap(mb::art::logo(dpr)); });
    const QSize logo = mb::art::logoSize();
    image_aboutlogo->setGeometry(QRect(QPoint((kClientSize.width() - logo.width()) / 2, 0), logo));
    image_aboutlogo->setCursor(Qt::PointingHandCursor);
    connect(image_aboutlogo, &mb::ClickLabel::clicked, this, &Tabout::openWebSite);

    label_url = new mb::ClickLabel(0, panel);
    label_url->setObjectName(QStringLiteral("label_url"));
    label_url->setText(webSite().host() + webSite().path());
    QFont link = label_url->font();
    link.setBold(true);
    link.setUnderline(true);
    label_url->setFont(link);
    mb::setTextColour(label_url, QColor(0x00, 0x33, 0xaa));
    label_url->setCursor(Qt::PointingHandCursor);
    label_url->adjustSize();
    label_url->move((kClientSize.width() - label_url->width()) / 2, kUrlTop);
    connect(label_url, &mb::ClickLabel::clicked, this, &Tabout::openWebSite);

    centred(QStringLiteral("Programmed by Kestro Software"), panel, kCreditTop);
    auto* copyright = new QLabel(QStringLiteral("Copyright \u00A9"), panel);
    auto* year = new QLabel(QString::number(QDate::currentDate().year()), panel);
    year->setObjectName(QStringLiteral("label_year"));
    auto* maker = new QLabel(QStringLiteral("Kestro Software"), panel);
    int width = 0;
    for (QLabel* l : {copyright, year, maker}) {
        l->adjustSize();
        width += l->width() + 4;
    }
    int x = (kClientSize.width() - width) / 2;
    for (QLabel* l : {copyright, year, maker}) {
        l->move(x, kCopyrightTop);
        x += l->width() + 4;
    }

    auto* versionCaption = new QLabel(QStringLiteral("Version"), panel);
    versionCaption->adjustSize();
    versionCaption->move(12, kVersionTop + 4);
    version = new QLabel(QString::fromLatin1(mb::kProgramVersion), panel);
    version->setObjectName(QStringLiteral("version"));
    version->setTextFormat(Qt::PlainText);
    version->adjustSize();
    version->move(versionCaption->x() + versionCaption->width() + 4, kVersionTop + 4);
    // The login sends only the three-part version; the fourth part is shown here alone.
    auto* build = new QLabel(QStringLiteral(".0"), panel);
    build->setObjectName(QStringLiteral("label_build"));
    build->adjustSize();
    build->move(version->x() + version->width(), kVersionTop + 4);

    auto* done = new QPushButton(QStringLiteral("Done"), panel);
    done->setObjectName(QStringLiteral("button_done"));
    done->setGeometry(kClientSize.width() - 12 - 75, kVersionTop, 75, 24);
    connect(done, &QPushButton::clicked, this, &QDialog::close);
}

QString Tabout::versionText() const {
    return version->text();
}

void Tabout::openWebSite() {
    // What the desktop makes of it is its own affair; there is nothing to report.
    mb::openWebAddress(webSite());
}

QUrl Tabout::webSite() {
    return QUrl(QStringLiteral(MARROWBY_SITE_URL));
}

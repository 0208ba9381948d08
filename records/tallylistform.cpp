#include "records/tallylistform.h"

#include <QFrame>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>

#include "assets/art.h"
#include "core/appfiles.h"
#include "core/errornotice.h"
#include "widgets/backgroundpanel.h"
#include "widgets/elidedtext.h"

namespace {

constexpr QSize kClientSize{475, 375};
constexpr char kCaption[] = "Marrowby - Tally List";
constexpr char kTallyFileName[] = "Marrowbytally.tld";  // the game's name, then "tally.tld"

QLabel* text(const QString& caption, QWidget* parent, const QRect& at,
             Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* l = new QLabel(caption, parent);
    l->setTextFormat(Qt::PlainText);  // opponents' names are never markup
    l->setAlignment(align);
    l->setGeometry(at);
    return l;
}

// Items ask for no more width than the list shows, so that the view cuts their text with "…".
class FitWidthDelegate : public QStyledItemDelegate {
public:
    explicit FitWidthDelegate(QAbstractItemView* view) : QStyledItemDelegate(view), view_(view) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setWidth(std::min(size.width(), view_->viewport()->width()));
        return size;
    }

private:
    QAbstractItemView* view_;
};

// Names may be longer than the lists are wide: they are cut with "…" at the list's edge rather
// than scrolled sideways, and the whole name is the item's tooltip (see eventFilter).
QListWidget* nameList(QWidget* parent, const char* name, const QRect& at) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setGeometry(at);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setTextElideMode(Qt::ElideRight);
    list->setItemDelegate(new FitWidthDelegate(list));
    return list;
}

QFrame* panel(QWidget* parent, const QRect& at) {
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::StyledPanel);
    f->setFrameShadow(QFrame::Sunken);
    f->setGeometry(at);
    return f;
}

}  // namespace

Ttallylist::Ttallylist(QWidget* parent, const QString& tallyFile)
    : QDialog(parent),
      file_(tallyFile.isEmpty()
                ? mb::appFilePath(QString::fromLatin1(kTallyFileName), mb::AppFileKind::Data)
                : tallyFile) {
    confirm = [this](const QString& question) {
        return QMessageBox::question(this, QString::fromLatin1(kCaption), question,
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    buildWindow();
    FormCreate();
}

Ttallylist::~Ttallylist() {
    FormDestroy();
}

void Ttallylist::buildWindow() {
    setWindowTitle(QString::fromLatin1(kCaption));
    setFixedSize(kClientSize);
    auto* background = new mb::BackgroundPanel(this);
    background->setGeometry(rect());
    background->setTile(&mb::art::backgroundTile);
    QFont bold = font();
    bold.setBold(true);

    // Totals.
    QFrame* top = panel(background, {8, 8, 228, 104});
    text(QStringLiteral("Your Total Tally"), top, {8, 4, 212, 20})->setFont(bold);
    text(QStringLiteral("Total Games:"), top, {8, 26, 110, 18});
    text(QStringLiteral("Your Wins"), top, {8, 44, 110, 18});
    text(QStringLiteral("Average turns to complete order."), top, {8, 62, 212, 18});
    const QRect mine[] = {{}, {120, 26, 100, 18}, {120, 44, 100, 18}, {8, 80, 212, 18}};
    for (int i = 1; i <= 3; ++i) {
        mylabel[i] = text(QStringLiteral("0"), top, mine[i]);
        mylabel[i]->setObjectName(QStringLiteral("mylabel_%1").arg(i));
        mylabel[i]->setFont(bold);
    }

    // The selected opponent.
    QFrame* middle = panel(background, {8, 118, 228, 118});
    label_hisnametop = text(QString(), middle, {8, 4, 212, 18});
    label_hisnametop->setObjectName(QStringLiteral("label_hisnametop"));
    label_hisnametop->setFont(bold);
    text(QStringLiteral("Total"), middle, {120, 22, 48, 18}, Qt::AlignCenter)->setFont(bold);
    text(QStringLiteral("Session"), middle, {170, 22, 52, 18}, Qt::AlignCenter)->setFont(bold);
    const int rowY[] = {0, 40, 58, 76, 94};
    text(QStringLiteral("Number of Games"), middle, {8, rowY[1], 112, 18});
    label_hisname = text(QStringLiteral("XX Wins:"), middle, {8, rowY[2], 112, 18});
    label_hisname->setObjectName(QStringLiteral("label_hisname"));
    text(QStringLiteral("Your Wins:"), middle, {8, rowY[3], 112, 18});
    text(QStringLiteral("Neither Won:"), middle, {8, rowY[4], 112, 18});
    for (int i = 1; i <= 8; ++i) {
        const bool session = i >= mb::kFirstSessionColumn;
        const int r = session ? i - 4 : i;
        label[i] = text(QStringLiteral("0"), middle,
                        {session ? 170 : 120, rowY[r], session ? 52 : 48, 18}, Qt::AlignCenter);
        label[i]->setObjectName(QStringLiteral("label_%1").arg(i));
    }

    // The lists.
    text(QStringLiteral("Players In Current Game"), background, {8, 242, 228, 18})->setFont(bold);
    checklist = nameList(background, "checklist", {8, 262, 228, 105});
    text(QStringLiteral("Players Being Tallied"), background, {246, 8, 221, 18})->setFont(bold);
    listbox_tally = nameList(background, "listbox_tally", {246, 28, 221, 300});

    button_reset = new QPushButton(QStringLiteral("Reset Tally"), background);
    button_reset->setObjectName(QStringLiteral("button_reset"));
    button_reset->setGeometry(246, 338, 106, 29);
    button_done = new QPushButton(QStringLiteral("Done"), background);
    button_done->setObjectName(QStringLiteral("button_done"));
    button_done->setGeometry(361, 338, 106, 29);

    for (QListWidget* list : {checklist, listbox_tally}) list->viewport()->installEventFilter(this);
    connect(checklist, &QListWidget::itemChanged, this, &Ttallylist::checklistClickCheck);
    connect(listbox_tally, &QListWidget::itemChanged, this, &Ttallylist::listbox_tallyClickCheck);
    connect(listbox_tally, &QListWidget::currentRowChanged, this, &Ttallylist::listbox_tallyClick);
    connect(button_reset, &QPushButton::clicked, this, &Ttallylist::button_resetClick);
    connect(button_done, &QPushButton::clicked, this, &QWidget::hide);
}

bool Ttallylist::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QDialog::eventFilter(watched, event);
    for (QListWidget* list : {checklist, listbox_tally}) {
        if (watched != list->viewport()) continue;
        // The whole name of the item under the mouse, whoever filled the list.
        const auto* help = static_cast<QHelpEvent*>(event);
        if (const QListWidgetItem* item = list->itemAt(help->pos()))
            QToolTip::showText(help->globalPos(), mb::plainToolTip(item->text()), list->viewport(),
                               list->visualItemRect(item));
        else
            QToolTip::hideText();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Ttallylist::FormCreate() {
    mb::TallyLoad load = mb::loadTallyFile(file_);
    book_ = std::move(load.book);
    mayReplace_ = load.mayReplace;
    // Told once the program runs, when the notice reaches the user's screen; the windows are
    // still being created now.
    if (!load.problem.isEmpty())
        QTimer::singleShot(0, this,
                           [text = mb::tallyProblemNotice(load)] { mb::showErrorNotice(text); });
    loadtally();
}

void Ttallylist::FormDestroy() {
    if (!mayReplace_) return;         // an unreadable tally that could not be moved aside stays
    mb::saveTallyFile(book_, file_);  // a failed save leaves the previous file as it was
}

void Ttallylist::loadtally() {
    const mb::StringGrid& g = book_.stringgrid_scores;
    mylabel[1]->setText(g.cell(mb::kGamesColumn, 0));
    mylabel[2]->setText(g.cell(mb::kWinsColumn, 0));
    mylabel[3]->setText(book_.average());
    for (int row = 1; row <= book_.opponents(); ++row) addTalliedItem(book_.name(row));
    book_.startSession();
}

void Ttallylist::addTalliedItem(const QString& name) {
    auto* item = new QListWidgetItem(name);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    listbox_tally->addItem(item);
}

void Ttallylist::addtomineincrease(int col) {
    book_.addit(col, 0);
    if (col >= 1 && col <= 3) mylabel[col]->setText(book_.stringgrid_scores.cell(col, 0));
}

void Ttallylist::addcounter(int turns) {
    reports_ << QStringLiteral("counter:%1").arg(turns);
    book_.addcounter(turns);
    mylabel[3]->setText(book_.average());
}

void Ttallylist::addgame(const mb::GameWinner& winner) {
    reports_ << QStringLiteral("game:") + winner.value_or(QLatin1String(mb::kMyWin));
    QStringList atTable;
    for (int i = 0; i < checklist->count(); ++i) atTable << checklist->item(i)->text();
    book_.addgame(atTable, winner);
    mylabel[1]->setText(book_.stringgrid_scores.cell(mb::kGamesColumn, 0));
    mylabel[2]->setText(book_.stringgrid_scores.cell(mb::kWinsColumn, 0));
    listbox_tallyClick();
}

void Ttallylist::checklistClickCheck(QListWidgetItem* item) {
    // Only a box that turns on for someone not yet tallied adds a row; the table's own refills
    // of the list set boxes too and must not add anyone.
    if (item->checkState() != Qt::Checked) return;
    const QString name = item->text();
    if (book_.findRow(name) >= 0) return;
    book_.addPlayer(name);
    addTalliedItem(name);
}

void Ttallylist::listbox_tallyClickCheck(QListWidgetItem* item) {
    if (item->checkState() == Qt::Checked) return;
    const int index = listbox_tally->row(item);
    const QString name = item->text();
    // Asked after the list has finished its own handling of the click, since a Yes removes
    // the very item.
    QMetaObject::invokeMethod(
        this,
        [this, index, name] {
            QListWidgetItem* now = listbox_tally->item(index);
            if (!now || now->text() != name || now->checkState() == Qt::Checked) return;
            if (confirm(QStringLiteral("This will delete ") + name +
                        QStringLiteral("'s Tally, Are you want to delete it?"))) {
                book_.moverow(index + 1);
                delete listbox_tally->takeItem(index);
                listbox_tallyClick();
            } else {
                now->setCheckState(Qt::Checked);
            }
        },
        Qt::QueuedConnection);
}

void Ttallylist::listbox_tallyClick() {
    const int row = listbox_tally->currentRow() + 1;
    if (row < 1 || row > book_.opponents()) return;
    for (int i = 1; i <= 8; ++i) label[i]->setText(book_.stringgrid_scores.cell(i, row));
    mb::setElidedText(label_hisname, book_.name(row), QStringLiteral(" Wins:"));
    mb::setElidedText(label_hisnametop, book_.name(row), QStringLiteral("'s Tally"));
}

void Ttallylist::button_resetClick() {
    if (!confirm(QStringLiteral("Are you sure you want to reset the Tally?"))) return;
    book_.reset();
    for (int i = 1; i <= 3; ++i) mylabel[i]->setText(QStringLiteral("0"));
    listbox_tally->clear();
    for (int i = 1; i <= 8; ++i) label[i]->setText(QStringLiteral("0"));
}

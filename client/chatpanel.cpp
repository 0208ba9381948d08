#include "client/chatpanel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "assets/art.h"
#include "client/noticebox.h"
#include "core/colourtext.h"
#include "core/errornotice.h"
#include "net/framing.h"
#include "widgets/gamestyle.h"
#include "widgets/weblink.h"

namespace {

// A phrase button sends again only after this much wall time, whatever the timers do.
constexpr int kPhraseGateMs = 2000;

const QString kPlaceholder = QStringLiteral("<Enter Chat Here>");

// Where the chat's parts sit on the panel: the log, under it the entry box with the smiley and
// chatter sound buttons, and under that the row of nine phrase buttons.
// The rows below the log keep their height and the log takes what the panel gains; at the
// classic panel size the log is 216 pixels high and each phrase button 80 wide.
constexpr int kEntryHeight = 23;
constexpr int kSmallButton = 26;
constexpr int kGap = 4;
constexpr int kPhraseHeight = 25;
constexpr int kBelowLog = kGap + kEntryHeight + kGap + kPhraseHeight;
constexpr int kPhraseTextPadding = 10;
constexpr QSize kIconSize{17, 16};

// The desktop's system colours by their index in colour text.
QColor systemColour(int index) {
    const QPalette p = QApplication::palette();
    using R = QPalette::ColorRole;
    static constexpr std::array<R, mb::kSystemColourCount> roles{R::Button,
                                                                 R::Window,
                                                                 R::Highlight,
                                                                 R::Mid,
                                                                 R::Window,
                                                                 R::Base,
                                                                 R::Shadow,
                                                                 R::WindowText,
                                                                 R::WindowText,
                                                                 R::HighlightedText,
                                                                 R::Window,
                                                                 R::Window,
                                                                 R::Mid,
                                                                 R::Highlight,
                                                                 R::HighlightedText,
                                                                 R::Button,
                                                                 R::Dark,
                                                                 R::PlaceholderText,
                                                                 R::ButtonText,
                                                                 R::WindowText,
                                                                 R::Light,
                                                                 R::Shadow,
                                                                 R::Midlight,
                                                                 R::ToolTipText,
                                                                 R::ToolTipBase};
    if (index < 0 || index >= mb::kSystemColourCount) return p.color(R::WindowText);
    return p.color(roles[size_t(index)]);
}

// A small loudspeaker for the chatter sound button, drawn for the screen's pixel ratio.
QPixmap speakerIcon(qreal dpr) {
    QPixmap pm(kIconSize * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath body;
    body.moveTo(2, 6);
    body.lineTo(5, 6);
    body.lineTo(9, 2.5);
    body.lineTo(9, 13.5);
    body.lineTo(5, 10);
    body.lineTo(2, 10);
    body.closeSubpath();
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    p.setBrush(QColor(0x4a, 0x78, 0xb0));
    p.drawPath(body);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(7.5, 5, 5, 6), -50 * 16, 100 * 16);
    p.drawArc(QRectF(7, 2.5, 9, 11), -50 * 16, 100 * 16);
    return pm;
}

// Tooltips read markup; a phrase is shown as it was typed.
QString plainTip(const QString& text) {
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

}  // namespace

QColor mb::toQColor(mb::WinColor c) {
    if (c >= mb::kSystemColourBase) return systemColour(int(c - mb::kSystemColourBase));
    if (c == mb::kColourNone) return systemColour(8);  // the window text colour
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

ChatPanel::ChatPanel(const mb::ClientState& state, QWidget* parent) : QWidget(parent), st_(state) {
    setObjectName(QStringLiteral("chatpanel"));
    mainchat = new mb::TChatLogView(this);
    mainchat->setObjectName(QStringLiteral("mainchat"));
    connect(mainchat, &mb::TChatLogView::jump, this, &ChatPanel::mainchatJump);
    // Typing while the log has the focus goes where text is typed, as in chat programs.
    connect(mainchat, &mb::TChatLogView::textTyped, this, [this](const QString& text) {
        if (mychat->text() == kPlaceholder) mychat->clear();
        mychat->insert(text);
        focusEntry();
    });
    // The log renumbers its jumps from 0 after dropping old lines; the addresses follow.
    connect(mainchat, &mb::TChatLogView::trimmed, this, [this](int paragraphs, int jumps) {
        urllist.remove(0, std::min<qsizetype>(jumps, urllist.size()));
        emit linesDropped(paragraphs);
    });

    mychat = new QLineEdit(kPlaceholder, this);
    mychat->setObjectName(QStringLiteral("mychat"));
    mb::setChatEntryLook(mychat);
    mychat->setContextMenuPolicy(Qt::CustomContextMenu);
    mychat->installEventFilter(this);
    connect(mychat, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popup_mychat->popup(mychat->mapToGlobal(at)); });

    auto smallButton = [&](const char* name, const QString& hint) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setIconSize(kIconSize);
        b->setToolTip(hint);
        mb::setChatButtonLook(b);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    button_smilies = smallButton("button_smilies", QStringLiteral("Smilies"));
    connect(button_smilies, &QToolButton::clicked, this, &ChatPanel::button_smiliesClick);
    b_phrase[10] = smallButton("b_phrase10", QStringLiteral("Chatter Sounds"));
    // Any mouse button opens the menu, so the release is watched rather than the click.
    b_phrase[10]->installEventFilter(this);

    for (int n = 1; n <= mb::chat::kPhraseCount; ++n) {
        auto* b = new QToolButton(this);
        b->setObjectName(QStringLiteral("b_phrase%1").arg(n));
        mb::setChatButtonLook(b);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, [this, n] { b_phrase1Click(n); });
        b_phrase[size_t(n)] = b;
    }
    layoutParts();
    for (int n = 1; n <= mb::chat::kPhraseCount; ++n) setPhrase(n, mb::chat::defaultPhrase(n));

    phraseGate_ = new QTimer(this);
    phraseGate_->setObjectName(QStringLiteral("phraseGate"));
    phraseGate_->setSingleShot(true);
    phraseGate_->setTimerType(Qt::PreciseTimer);  // a coarse timer may run 5% late
    phraseGate_->setInterval(kPhraseGateMs);
    connect(phraseGate_, &QTimer::timeout, this, [this] {
        phraseready = true;
        phrasecooldown = 0;
    });
    setChatColour(mb::kColourBlack);
    createMenus();
}

void ChatPanel::createMenus() {
    auto named = [](QAction* a, const char* name) {
        a->setObjectName(QLatin1String(name));
        return a;
    };

    popup_mainchat = new QMenu(this);
    popup_mainchat->setObjectName(QStringLiteral("popup_mainchat"));
    auto* selectAll = named(popup_mainchat->addAction(QStringLiteral("Select All")), "SelectAll1");
    connect(selectAll, &QAction::triggered, mainchat, &mb::TChatLogView::selectAll);
    auto* copy = named(popup_mainchat->addAction(QStringLiteral("Copy")), "Copy1");
    copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(copy, &QAction::triggered, mainchat, &mb::TChatLogView::copy);
    popup_mainchat->addSeparator();
    auto* clear1 =
        named(popup_mainchat->addAction(QStringLiteral("Clear Main Chat")), "ClearMainChat1");
    connect(clear1, &QAction::triggered, this, &ChatPanel::ClearMainChat1Click);
    ScrollChatOff1 =
        named(popup_mainchat->addAction(QStringLiteral("Scroll Chat Off")), "ScrollChatOff1");
    // The Options menu's item carries the working shortcut; the popup shows the same keys.
    ScrollChatOff1->setCheckable(true);
    ScrollChatOff1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(ScrollChatOff1, &QAction::triggered, this, &ChatPanel::ScrollChatOff1Click);
    mainchat->setPopupMenu(popup_mainchat);

    popup_mychat = new QMenu(this);
    popup_mychat->setObjectName(QStringLiteral("popup_mychat"));
    auto* paste = named(popup_mychat->addAction(QStringLiteral("Paste")), "Paste1");
    paste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    connect(paste, &QAction::triggered, this, &ChatPanel::Paste1Click);

    popup_sounds = new QMenu(this);
    popup_sounds->setObjectName(QStringLiteral("popup_sounds"));
    popup_sounds->setToolTipsVisible(true);
    auto* cancel = named(popup_sounds->addAction(QStringLiteral("<Cancel>")), "Cancel1");
    connect(cancel, &QAction::triggered, this, [this] { wave4Click(0); });
    for (int tag = 1; tag <= mb::chat::kChatterSoundCount; ++tag) {
        const QString name = mb::chat::chatterSoundName(tag);
        QAction* a = popup_sounds->addAction(name);
        a->setObjectName(QStringLiteral("wave%1").arg(tag));
        a->setToolTip(name);
        a->setData(tag);
        connect(a, &QAction::triggered, this, [this, tag] { wave4Click(tag); });
    }

    popup_smilies = new QMenu(this);
    popup_smilies->setObjectName(QStringLiteral("popup_smilies"));
    for (int i = 0; i < mb::chat::kSmileyCount; ++i) {
        const int tag = mb::chat::kFirstSmileyCode + i;
        QAction* a = popup_smilies->addAction(QStringLiteral(":)#%1").arg(tag));
        a->setObjectName(i + 1 < mb::chat::kSmileyCount ? QStringLiteral("MenuItem%1").arg(i + 1)
                                                        : QStringLiteral("N271"));
        a->setData(tag);
        connect(a, &QAction::triggered, this, [this, tag] { N271Click(tag); });
    }
    applyPictures();
}

void ChatPanel::applyPictures() {
    const qreal dpr = devicePixelRatioF();
    smileys_.clear();
    for (int i = 0; i < mb::chat::kSmileyCount; ++i) smileys_.append(mb::art::smiley(i, dpr));
    button_smilies->setIcon(QIcon(mb::art::smiley(0, dpr)));
    b_phrase[10]->setIcon(QIcon(speakerIcon(dpr)));
    if (popup_smilies) {
        const QList<QAction*> items = popup_smilies->actions();
        for (int i = 0; i < items.size() && i < smileys_.size(); ++i)
            items[i]->setIcon(QIcon(smileys_[i]));
    }
    mainchat->viewport()->update();
}

void ChatPanel::setChatColour(mb::WinColor colour) {
    chatColour_ = colour;
    mb::setTextColour(mychat, mb::toQColor(colour));
}

QString ChatPanel::phrase(int n) const {
    if (n < 1 || n > mb::chat::kPhraseCount) return QString();
    return phrases_[size_t(n)];
}

void ChatPanel::setPhrase(int n, const QString& text) {
    if (n < 1 || n > mb::chat::kPhraseCount) return;
    phrases_[size_t(n)] = text;
    b_phrase[size_t(n)]->setToolTip(plainTip(text));
    showPhrase(n);
}

void ChatPanel::showPhrase(int n) {
    QToolButton* b = b_phrase[size_t(n)];
    const QString shown = b->fontMetrics().elidedText(
        phrases_[size_t(n)].simplified(), Qt::ElideRight, b->width() - kPhraseTextPadding);
    b->setText(QString(shown).replace(QLatin1Char('&'), QStringLiteral("&&")));
}

void ChatPanel::setArea(const QRect& area) {
    setGeometry(area);
    layoutParts();
}

void ChatPanel::layoutParts() {
    const int w = width();
    const int logHeight = std::max(0, height() - kBelowLog);
    mainchat->setGeometry(0, 0, w, logHeight);
    const int entryTop = logHeight + kGap;
    const int entryWidth = std::max(0, w - 2 * (kSmallButton + kGap));
    mychat->setGeometry(0, entryTop, entryWidth, kEntryHeight);
    button_smilies->setGeometry(entryWidth + kGap, entryTop, kSmallButton, kEntryHeight);
    b_phrase[10]->setGeometry(w - kSmallButton, entryTop, kSmallButton, kEntryHeight);
    // The phrase buttons share the row evenly, the gaps between them kept.
    const int phraseTop = entryTop + kEntryHeight + kGap;
    const int count = mb::chat::kPhraseCount;
    auto edge = [&](int n) { return (n * (w + kGap)) / count; };
    for (int n = 1; n <= count; ++n) {
        b_phrase[size_t(n)]->setGeometry(edge(n - 1), phraseTop,
                                         std::max(0, edge(n) - edge(n - 1) - kGap), kPhraseHeight);
        showPhrase(n);
    }
}

void ChatPanel::addlinetochat(const QString& line, mb::WinColor colour) {
    std::optional<mb::chat::ParsedLine> parsed;
    try {
        parsed = mb::chat::parseLogLine(line);
    } catch (const mb::ConversionError& e) {
        mb::showErrorNotice(QString::fromUtf8(e.what()));
        return;
    }
    if (!parsed) return;  // no seat of that number: the line would have no style to write in
    mb::TChatStyleSet& styles = mainchat->styles();
    styles.setColor(parsed->style, mb::toQColor(colour));
    styles.setBold(parsed->style, true);
    for (const mb::chat::LogOp& op : parsed->ops) {
        switch (op.kind) {
            case mb::chat::LogOp::Kind::Paragraph:
                mainchat->addParagraph(op.text, op.style);
                break;
            case mb::chat::LogOp::Kind::Text:
                if (op.isLink()) urllist.append(op.text);
                mainchat->addText(op.text, op.style);
                break;
            case mb::chat::LogOp::Kind::Picture:
                mainchat->addPicture(op.picture, &smileys_);
                break;
        }
    }
    mainchat->format();
    if (!ScrollChatOff1->isChecked()) mainchat->scrollToEnd();
    emit lineAdded(line);
}

void ChatPanel::chatrecieved(const QByteArray& body) {
    const mb::chat::RelayedLine relayed = mb::chat::splitRelayed(QString::fromUtf8(body));
    addlinetochat(relayed.line, relayed.colour);
}

bool ChatPanel::sendRelay(const QByteArray& message) {
    switch (sendRate_.take()) {
        case mb::chat::SendRate::Verdict::Send:
            emit lineToSend(message);
            return true;
        case mb::chat::SendRate::Verdict::Refuse:
            addlinetochat(QLatin1String(mb::chat::kSendingTooFast), st_.systemcolor);
            return false;
        case mb::chat::SendRate::Verdict::RefuseQuietly:
            return false;
    }
    return false;
}

void ChatPanel::focusEntry() {
    mychat->setFocus(Qt::OtherFocusReason);
}

void ChatPanel::sendit() {
    if (!st_.isconnected) return;
    // A line the host would drop stays in the box, to be sent again in a moment.
    if (const auto message = mb::chat::typedMessage(st_.myseat, mychat->text(), chatColour_))
        if (!sendRelay(*message)) return;
    mychat->clear();
    focusEntry();
}

void ChatPanel::b_phrase1Click(int n) {
    if (!phraseready) return;
    focusEntry();
    if (!sendRelay(mb::chat::phraseMessage(st_.myseat, phrase(n), chatColour_))) return;
    phraseready = false;
    phraseGate_->start();
}

void ChatPanel::b_phrase10MouseUp() {
    QToolButton* b = b_phrase[10];
    popup_sounds->popup(b->mapToGlobal(QPoint(b->width(), b->height())));
}

void ChatPanel::wave4Click(int tag) {
    if (tag != 0 && st_.isconnected) sendRelay(mb::chat::chatterSoundMessage(st_.myseat, tag));
}

void ChatPanel::button_smiliesClick() {
    popup_smilies->popup(
        button_smilies->mapToGlobal(QPoint(button_smilies->width(), button_smilies->height())));
}

void ChatPanel::N271Click(int tag) {
    if (mychat->text() == kPlaceholder) mychat->clear();
    mychat->setText(mychat->text() + QString::fromUtf16(mb::chat::kSmileyMark) +
                    QString::number(tag));
    mychat->end(false);
}

void ChatPanel::Paste1Click() {
    const QString pasted = QApplication::clipboard()->text();
    if (!pasted.isEmpty()) {
        // The entry box holds one line; each line break in the clipboard becomes one space.
        mychat->setText(mychat->text() + mb::chat::flattenLineBreaks(pasted));
    }
    mychat->end(false);
}

void ChatPanel::ClearMainChat1Click() {
    mainchat->clear();
    urllist = QStringList();
    emit linesDropped(-1);
    mainchat->format();
    mychat->setFocus();
}

void ChatPanel::ScrollChatOff1Click(bool checked) {
    ScrollChatOff1->setChecked(checked);
    emit scrollOffChanged(checked);
}

void ChatPanel::setTextSize(int points, bool relayoutNow) {
    mainchat->styles().setAllSizes(points);
    if (!relayoutNow) return;
    mainchat->format();
    if (!ScrollChatOff1->isChecked()) mainchat->scrollToEnd();
}

void ChatPanel::setPhrases(const QStringList& texts) {
    for (int n = 1; n <= mb::chat::kPhraseCount; ++n) setPhrase(n, texts.value(n - 1));
}

void ChatPanel::mainchatJump(int number) {
    std::optional<QUrl> url;
    if (number >= 0 && number < urllist.size()) url = mb::chat::openableAddress(urllist[number]);
    if (!url) {
        mb::showMessage(window(), QStringLiteral("Cannot open Webpage"));
        return;
    }
    mb::openWebAddress(*url);  // the shell's own failure is not reported
}

bool ChatPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mychat && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (mychat->text() == kPlaceholder) mychat->clear();
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            sendit();
            return true;
        }
        if (key->matches(QKeySequence::Paste)) {
            Paste1Click();
            return true;
        }
    }
    if (watched == b_phrase[10] && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (b_phrase[10]->rect().contains(mouse->position().toPoint())) b_phrase10MouseUp();
    }
    return QWidget::eventFilter(watched, event);
}

#pragma once
// The lines of a main window's chat log as the chat panel was given them, "style+text", read
// back from what the log holds: the style of each paragraph's first item gives the seat, and
// the spaces the log adds (one after the name part, one after each run of words) come off.
// A smiley reads as its mark and code; an unknown code was shown as the first smiley and
// reads as that one.
#include <QObject>
#include <QString>
#include <QStringList>

#include "chatview/chatdocument.h"
#include "chatview/chatlogview.h"
#include "client/chatline.h"
#include "tests/support/children.h"

namespace mbtest {

inline mb::TChatLogView* chatLog(const QObject* window) {
    return child<mb::TChatLogView>(window, QStringLiteral("mainchat"));
}

inline QString chatLine(const mb::TChatDocument& doc, int paragraph) {
    namespace chat = mb::chat;
    const int first = doc.paragraph(paragraph).firstItem;
    const int end = paragraph + 1 < doc.paragraphCount() ? doc.paragraph(paragraph + 1).firstItem
                                                         : doc.itemCount();
    const int style = doc.item(first).style;
    QString line =
        QString::number(style == chat::kSystemStyle ? 0 : style - chat::kSeatStyleOffset) + u'+';
    auto dropAddedSpace = [&line] {
        if (line.endsWith(u' ')) line.chop(1);
    };
    for (int i = first; i < end; ++i) {
        const mb::TChatDocument::Item& item = doc.item(i);
        if (item.isPicture()) {
            dropAddedSpace();
            line += QString::fromUtf16(chat::kSmileyMark) +
                    QStringLiteral("%1").arg(item.measure + chat::kFirstSmileyCode,
                                             chat::kSmileyCodeLength, 10, QChar(u'0'));
            continue;
        }
        line += doc.itemText(item, 0, item.length);
        if (i == first || i + 1 == end) dropAddedSpace();
    }
    return line;
}

inline QStringList chatLines(const mb::TChatLogView* log) {
    const mb::TChatDocument& doc = log->document();
    QStringList lines;
    lines.reserve(doc.paragraphCount());
    for (int p = 0; p < doc.paragraphCount(); ++p) lines << chatLine(doc, p);
    return lines;
}

inline QStringList chatLines(const QObject* window) {
    return chatLines(chatLog(window));
}

// The newest line, or nothing when the log is empty; cheaper than all of them for a long log.
inline QString lastChatLine(const QObject* window) {
    const mb::TChatDocument& doc = chatLog(window)->document();
    return doc.paragraphCount() == 0 ? QString() : chatLine(doc, doc.paragraphCount() - 1);
}

}  // namespace mbtest

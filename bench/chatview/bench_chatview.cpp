// The chat log under a growing log: the cost of one more line (added, laid out, scrolled to the
// end, as the chat does after every line), a full relayout after a width change, and memory,
// each beside a QTextBrowser given the same lines in the same run.
// Run with QT_QPA_PLATFORM=offscreen.
#include <unistd.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextCursor>
#include <cstdio>
#include <functional>

#include "chatview/chatlogview.h"

namespace {

constexpr int kSmileys = 18;
constexpr int kSizes[] = {1000, 10000, 50000};
constexpr int kAdditions = 100;  // lines timed at each size, averaged
constexpr int kRelayouts = 4;    // width changes timed at the largest size, averaged
constexpr QSize kViewSize{741, 216};
constexpr int kNarrower = 120;

const char* const kWords[] = {"good",    "game",  "nice",  "one",  "anyone", "for",
                              "another", "round", "wow",   "that", "was",    "close",
                              "my",      "turn",  "again", "lol",  "thanks", "all",
                              "see",     "you",   "later", "brb",  "ok",     "back"};
const char* const kNames[] = {"Ann", "Bob", "Carmen", "Dmitri"};

struct ChatWord {
    enum Kind { Text, Smiley, Link } kind;
    QString text;
    int smiley = 0;
};

struct ChatLine {
    int seat = 1;
    QString prefix;  // "Name chats: "
    QList<ChatWord> words;
};

// Lines shaped like the chat's: a prefix, then words with their spaces; some carry a smiley,
// some a web address.
ChatLine makeLine(int number) {
    quint32 seed = quint32(number) * 2654435761u + 12345u;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    ChatLine line;
    line.seat = number % 4 + 1;
    line.prefix = QStringLiteral("%1 chats: ").arg(QLatin1String(kNames[number % 4]));
    line.words.append({ChatWord::Text, QStringLiteral(" ")});
    const int count = 3 + int(next() % 12);
    for (int i = 0; i < count; ++i) {
        line.words.append(
            {ChatWord::Text, QLatin1String(kWords[next() % std::size(kWords)]) + u' '});
        if (number % 4 == 0 && i == count / 2) {
            line.words.append({ChatWord::Smiley, {}, int(next() % kSmileys)});
            line.words.append({ChatWord::Text, QStringLiteral(" ")});
        }
        if (number % 10 == 3 && i == 1)
            line.words.append({ChatWord::Link, QStringLiteral("www.example.com ")});
    }
    return line;
}

void addLine(mb::TChatLogView& view, const ChatLine& line, const mb::TChatImageList& smileys) {
    const int style = line.seat + 5;
    view.addParagraph(line.prefix, style);
    for (const ChatWord& word : line.words) {
        if (word.kind == ChatWord::Smiley)
            view.addPicture(word.smiley, &smileys);
        else
            view.addText(word.text, word.kind == ChatWord::Link ? 4 : style);
    }
}

QString lineHtml(const ChatLine& line) {
    static const char* const kColours[] = {"#0000ff", "#008000", "#800080", "#808000"};
    const QString colour = QLatin1String(kColours[line.seat - 1]);
    QString html = QStringLiteral("<b><span style=\"color:%1\">%2").arg(colour, line.prefix);
    for (const ChatWord& word : line.words) {
        if (word.kind == ChatWord::Smiley)
            html += QStringLiteral("<img src=\"smiley:%1\">").arg(word.smiley);
        else if (word.kind == ChatWord::Link)
            html += QStringLiteral("</span><a href=\"http://%1\">%1</a><span style=\"color:%2\">")
                        .arg(word.text.trimmed(), colour);
        else
            html += word.text.toHtmlEscaped();
    }
    return html + QStringLiteral("</span></b>");
}

void settleBrowser(QTextBrowser& browser) {
    browser.document()->documentLayout()->documentSize();
    browser.verticalScrollBar()->setValue(browser.verticalScrollBar()->maximum());
}

double residentMiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double averageMs(int rounds, const std::function<void(int)>& step) {
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i) step(i);
    return double(timer.nsecsElapsed()) / 1e6 / rounds;
}

void printRow(const char* what, double ours, double theirs) {
    std::printf("%-44s %10.3f ms %10.3f ms %8.3f\n", what, ours, theirs, ours / theirs);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    mb::TChatImageList smileys;
    for (int i = 0; i < kSmileys; ++i) {
        QPixmap pixmap(17, 16);
        pixmap.fill(QColor::fromHsv(i * 20, 200, 230));
        smileys.append(pixmap);
    }

    mb::TChatLogView view;
    QTextBrowser browser;
    for (QWidget* widget : {static_cast<QWidget*>(&view), static_cast<QWidget*>(&browser)}) {
        widget->resize(kViewSize);
        widget->show();
    }
    for (int i = 0; i < kSmileys; ++i)
        browser.document()->addResource(QTextDocument::ImageResource,
                                        QUrl(QStringLiteral("smiley:%1").arg(i)),
                                        smileys[i].toImage());
    app.processEvents();

    std::printf("%-44s %13s %13s %8s\n", "", "chat view", "QTextBrowser", "ratio");
    int viewLines = 0, browserLines = 0;
    double viewMemory = 0, browserMemory = 0;
    for (const int size : kSizes) {
        const double before = residentMiB();
        for (; viewLines < size; ++viewLines) addLine(view, makeLine(viewLines), smileys);
        view.format();
        view.scrollToEnd();
        app.processEvents();
        const double between = residentMiB();
        // Filled through a cursor: append() keeps the end in view after every line, which
        // would make filling quadratic; the timed additions below use append() as a chat would.
        QTextCursor cursor(browser.document());
        cursor.movePosition(QTextCursor::End);
        cursor.beginEditBlock();
        for (; browserLines < size; ++browserLines) {
            if (!browser.document()->isEmpty()) cursor.insertBlock();
            cursor.insertHtml(lineHtml(makeLine(browserLines)));
        }
        cursor.endEditBlock();
        settleBrowser(browser);
        app.processEvents();
        viewMemory += between - before;
        browserMemory += residentMiB() - between;

        const double ours = averageMs(kAdditions, [&](int) {
            addLine(view, makeLine(viewLines++), smileys);
            view.format();
            view.scrollToEnd();
        });
        app.processEvents();
        const double theirs = averageMs(kAdditions, [&](int) {
            browser.append(lineHtml(makeLine(browserLines++)));
            settleBrowser(browser);
        });
        char label[64];
        std::snprintf(label, sizeof label, "one more line at %d lines", size);
        printRow(label, ours, theirs);
        app.processEvents();
    }

    auto width = [](int round) {
        return round % 2 == 0 ? kViewSize.width() - kNarrower : kViewSize.width();
    };
    const double ours = averageMs(kRelayouts, [&](int round) {
        view.resize(width(round), kViewSize.height());
        view.format();
    });
    const double theirs = averageMs(kRelayouts, [&](int round) {
        browser.resize(width(round), kViewSize.height());
        browser.document()->documentLayout()->documentSize();
    });
    char label[64];
    std::snprintf(label, sizeof label, "relayout after a width change at %d lines", viewLines);
    printRow(label, ours, theirs);

    // Paint once at the end of both, so that neither is judged without drawing.
    const double oursPaint = averageMs(kRelayouts, [&](int) { view.viewport()->grab(); });
    const double theirsPaint = averageMs(kRelayouts, [&](int) { browser.viewport()->grab(); });
    printRow("painting the visible end", oursPaint, theirsPaint);

    const double per10k = 10000.0 / kSizes[std::size(kSizes) - 1];
    std::printf("%-44s %9.1f MiB %9.1f MiB %8.2f\n", "memory per 10,000 lines", viewMemory * per10k,
                browserMemory * per10k, viewMemory / browserMemory);
    return 0;
}

// The tally: its grid text, its figures, its file (first start, restart, unreadable file) and
// the window's lists.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "core/errornotice.h"
#include "records/filecodec.h"
#include "records/tallybook.h"
#include "records/tallylistform.h"

using namespace mb;

namespace {

QStringList column(const TallyBook& book, int row) {
    QStringList cells;
    for (int c = 0; c < kTallyColumns; ++c) cells << book.stringgrid_scores.cell(c, row);
    return cells;
}

QStringList lines(const char* text) {
    return QString::fromLatin1(text).split(QLatin1Char(' '));
}

void checkItem(QListWidget* list, const QString& name, Qt::CheckState state) {
    const auto found = list->findItems(name, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    found.first()->setCheckState(state);
}

// Collects the notices shown to the user while alive.
struct Notices {
    QStringList texts;
    ErrorSink old = setErrorSink([this](const QString& t) { texts << t; });
    ~Notices() { setErrorSink(old); }
};

}  // namespace

class TestTally : public QObject {
    Q_OBJECT
private slots:
    void gridTextFormat() {
        // 5 games, 2 wins, 37 turns over 4 orders; Bob 3/1/1/1, this session 2/1/0/1.
        TallyBook book;
        const int bob = book.addPlayer(QStringLiteral("Bob"));
        const QStringList totals = lines("0 5 2 37 4 0 0 0 0");
        const QStringList row = lines("Bob 3 1 1 1 2 1 0 1");
        for (int c = 0; c < kTallyColumns; ++c) {
            book.stringgrid_scores.setCell(c, 0, totals[c]);
            book.stringgrid_scores.setCell(c, bob, row[c]);
        }
        const QByteArray text = gridText(book.stringgrid_scores);
        QCOMPARE(text, QByteArray("9\r\n2\r\n0\r\nBob\r\n5\r\n3\r\n2\r\n1\r\n37\r\n1\r\n4\r\n1\r\n"
                                  "0\r\n2\r\n0\r\n1\r\n0\r\n0\r\n0\r\n1\r\n"));
        StringGrid back;
        readGridText(text, back);
        QCOMPARE(back, book.stringgrid_scores);
        QCOMPARE(book.average(), QStringLiteral("9"));

        // CR alone ends a line, LF after it is skipped, Ctrl-Z ends the text.
        readGridText("1\r2\r\nx\ry\x1azzz", back);
        QCOMPARE(back.cell(0, 1), QStringLiteral("y"));
        // A name with line breaks would split into two cells; it is written with spaces.
        StringGrid odd(1, 1);
        odd.setCell(0, 0, QStringLiteral("a\r\nb\x1a"));
        readGridText(gridText(odd), back);
        QCOMPARE(back.cell(0, 0), QStringLiteral("a  b "));
        for (const char* bad : {"", "x\r\n1\r\n", "2\r\n-1\r\n", "9\r\n1000000\r\n0\r\n"})
            QVERIFY_THROWS_EXCEPTION(GridTextError, readGridText(bad, back));
    }

    void figures() {
        TallyBook book;
        QCOMPARE(book.average(), QStringLiteral("0"));
        book.addcounter(7);
        book.addcounter(10);
        QCOMPARE(book.average(), QStringLiteral("8"));  // 17 / 2, remainder dropped
        book.stringgrid_scores.setCell(kTurnsColumn, 0, QStringLiteral("x"));
        book.addcounter(5);  // a sum that is no number falls back to the turns
        QCOMPARE(book.stringgrid_scores.cell(kTurnsColumn, 0), QStringLiteral("5"));
        QCOMPARE(book.addit(8, 0), 1);  // unused cells count too

        const int bob = book.addPlayer(QStringLiteral("Bob"));
        const int cy = book.addPlayer(QStringLiteral("Cy"));
        const int di = book.addPlayer(QStringLiteral("Di"));
        QCOMPARE(book.findRow(QStringLiteral("bOB")), bob);
        book.stringgrid_scores.setCell(3, cy, QString());  // empty cells become "0"
        book.addgame({QStringLiteral("Bob"), QStringLiteral("Cy")}, mb::GameWinner());
        QCOMPARE(column(book, bob), lines("Bob 1 0 1 0 1 0 1 0"));
        QCOMPARE(column(book, cy), lines("Cy 1 0 1 0 1 0 1 0"));
        QCOMPARE(column(book, di), lines("Di 0 0 0 0 0 0 0 0"));  // not at the table
        book.addgame({QStringLiteral("Bob"), QStringLiteral("Cy"), QStringLiteral("Di")},
                     QStringLiteral("Bob"));
        QCOMPARE(column(book, bob), lines("Bob 2 1 1 0 2 1 1 0"));
        QCOMPARE(column(book, cy), lines("Cy 2 0 1 1 2 0 1 1"));
        // The lists ignore letter case, the winner's name does not.
        book.addgame({QStringLiteral("BOB")}, QStringLiteral("bob"));
        QCOMPARE(column(book, bob), lines("Bob 3 1 1 1 3 1 1 1"));
        QCOMPARE(book.stringgrid_scores.cell(kGamesColumn, 0), QStringLiteral("3"));
        QCOMPARE(book.stringgrid_scores.cell(kWinsColumn, 0), QStringLiteral("1"));

        book.moverow(cy);
        QCOMPARE(book.opponents(), 2);
        QCOMPARE(book.name(cy), QStringLiteral("Di"));
        book.moverow(0);  // the totals row stays
        book.moverow(3);
        QCOMPARE(book.opponents(), 2);
        book.startSession();
        QCOMPARE(column(book, bob), lines("Bob 3 1 1 1 0 0 0 0"));
        book.reset();
        QCOMPARE(book, TallyBook());

        // An opponent who calls himself by the word that once stood for our own win: his win.
        const int odd = book.addPlayer(QStringLiteral("addtomine"));
        book.addgame({QStringLiteral("addtomine")}, QStringLiteral("addtomine"));
        QCOMPARE(column(book, odd), lines("addtomine 1 1 0 0 1 1 0 0"));
        QCOMPARE(book.stringgrid_scores.cell(kWinsColumn, 0), QStringLiteral("0"));
    }

    void fileAcrossRestarts() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Marrowbytally.tld"));
        {
            Ttallylist first(nullptr, path);  // no file yet: all zero
            QCOMPARE(first.mylabel[1]->text(), QStringLiteral("0"));
            QCOMPARE(first.listbox_tally->count(), 0);
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(decompressBytes(file.readAll()),
                 QByteArray("9\r\n1\r\n") + QByteArray("0\r\n").repeated(9));
        file.close();
        {
            Ttallylist t(nullptr, path);
            t.checklist->addItem(QStringLiteral("Bob"));
            t.checklist->item(0)->setFlags(t.checklist->item(0)->flags() | Qt::ItemIsUserCheckable);
            checkItem(t.checklist, QStringLiteral("Bob"), Qt::Checked);
            t.addcounter(7);
            t.addcounter(10);
            t.addgame(mb::GameWinner());
            QCOMPARE(t.mylabel[3]->text(), QStringLiteral("8"));
        }
        {
            Ttallylist t(nullptr, path);
            QCOMPARE(t.mylabel[1]->text(), QStringLiteral("1"));
            QCOMPARE(t.mylabel[2]->text(), QStringLiteral("1"));
            QCOMPARE(t.mylabel[3]->text(), QStringLiteral("8"));
            QCOMPARE(t.listbox_tally->item(0)->text(), QStringLiteral("Bob"));
            QCOMPARE(t.listbox_tally->item(0)->checkState(), Qt::Checked);
            t.listbox_tally->setCurrentRow(0);
            QCOMPARE(t.label_hisnametop->text(), QStringLiteral("Bob's Tally"));
            QCOMPARE(t.label_hisname->text(), QStringLiteral("Bob Wins:"));
            QCOMPARE(t.label[1]->text(), QStringLiteral("1"));  // all time kept
            QCOMPARE(t.label[3]->text(), QStringLiteral("1"));
            QCOMPARE(t.label[5]->text(), QStringLiteral("0"));  // a new session
            QCOMPARE(t.label[7]->text(), QStringLiteral("0"));
            // Reset, exit, restart: everything reads zero.
            t.confirm = [](const QString& q) {
                return q == QStringLiteral("Are you sure you want to reset the Tally?");
            };
            QTest::mouseClick(t.button_reset, Qt::LeftButton);
            QCOMPARE(t.listbox_tally->count(), 0);
        }
        Ttallylist t(nullptr, path);
        QCOMPARE(t.mylabel[1]->text(), QStringLiteral("0"));
        QCOMPARE(t.mylabel[3]->text(), QStringLiteral("0"));
        QCOMPARE(t.listbox_tally->count(), 0);
    }

    void unreadableFileIsKeptAside() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Marrowbytally.tld"));
        for (const QByteArray& broken :
             {QByteArray("not a tally at all"),
              compressBytes("9\r\n1\r\nx\r\n", TCompressMode::Fast),
              compressBytes("9\r\n1\r\n0\r\nx\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n",
                            TCompressMode::Fast)}) {
            QFile::remove(path + ".unreadable");
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(broken);
            f.close();
            Notices notices;
            {
                Ttallylist t(nullptr, path);
                QVERIFY(notices.texts.isEmpty());  // told once the program runs
                QTRY_COMPARE(notices.texts.size(), 1);
                // A fixed pause: the check is that no second notice follows the first.
                QTest::qWait(20);
                QCOMPARE(notices.texts.size(), 1);
                QVERIFY(notices.texts[0].contains(path + ".unreadable"));
                QVERIFY(!QFile::exists(path));
                t.addgame(mb::GameWinner());
            }
            QFile kept(path + ".unreadable");
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), broken);
            QCOMPARE(loadTallyFile(path).book.stringgrid_scores.cell(kGamesColumn, 0),
                     QStringLiteral("1"));
        }
        // A second unreadable file does not replace the first one kept aside.
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("again");
        f.close();
        const TallyLoad load = loadTallyFile(path);
        QCOMPARE(load.keptAs, path + ".unreadable.1");
        QVERIFY(load.problem.contains("no valid header"));
    }

    // A tally that cannot be opened for the moment (here: no file handle left) is no unreadable
    // tally: it stays where it is, whole, and this session's empty tally is not saved over it.
    void fileThatCannotBeOpenedIsLeftAlone() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Marrowbytally.tld"));
        TallyBook book;
        book.addgame({}, mb::GameWinner());
        QVERIFY(saveTallyFile(book, path));

        rlimit limit{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &limit), 0);
        const rlimit lowered{std::min<rlim_t>(limit.rlim_cur, 256), limit.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
        std::vector<int> handles;
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) handles.push_back(fd);
        const TallyLoad load = loadTallyFile(path);
        for (const int fd : handles) ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &limit);

        QVERIFY(load.leftAlone);
        QVERIFY(!load.mayReplace);
        QVERIFY(!QFile::exists(path + ".unreadable"));
        QCOMPARE(loadTallyFile(path).book.stringgrid_scores.cell(kWinsColumn, 0),
                 QStringLiteral("1"));
    }

    // A FIFO as the tally file: the window opens and closes without waiting on it, says so once,
    // and the FIFO is neither read, written, moved nor replaced.
    void fifoTallyIsLeftAlone() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Marrowbytally.tld"));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        Notices notices;
        {
            Ttallylist t(nullptr, path);
            QTRY_COMPARE(notices.texts.size(), 1);
            QVERIFY(notices.texts[0].contains(QStringLiteral("not a regular file")));
            QVERIFY(notices.texts[0].contains(QStringLiteral("will not be saved")));
            t.addgame(mb::GameWinner());
        }
        QCOMPARE(notices.texts.size(), 1);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QVERIFY(!QFile::exists(path + ".unreadable"));
        QVERIFY(!saveTallyFile(TallyBook(), path));
        QVERIFY(S_ISFIFO((::stat(QFile::encodeName(path).constData(), &st), st.st_mode)));
        // A directory there is refused the same way.
        const QString sub = dir.filePath(QStringLiteral("sub"));
        QVERIFY(QDir().mkdir(sub));
        QVERIFY(loadTallyFile(sub).leftAlone);
        QVERIFY(!saveTallyFile(TallyBook(), sub));
        QVERIFY(QFileInfo(sub).isDir());
    }

    // A few kilobytes claiming more opponents than a tally may hold are unreadable and set aside;
    // the most it may hold is read.
    void overLargeGridIsSetAside() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Marrowbytally.tld"));
        const auto grid = [](int rows) {
            QByteArray text = "9\r\n" + QByteArray::number(rows) + "\r\n";
            for (int c = 0; c < kTallyColumns; ++c)
                for (int r = 0; r < rows; ++r)
                    text += c == 0 ? "p" + QByteArray::number(r) + "\r\n" : "0\r\n";
            return compressBytes(text, TCompressMode::Fast);
        };
        const auto write = [&](const QByteArray& bytes) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        write(grid(kMostOpponents + 1));
        QCOMPARE(loadTallyFile(path).book.opponents(), kMostOpponents);
        const QByteArray tooMany = grid(kMostOpponents + 2);
        write(tooMany);
        const TallyLoad load = loadTallyFile(path);
        QVERIFY(load.problem.contains(QStringLiteral("rows")));
        QCOMPARE(load.keptAs, path + ".unreadable");
        QCOMPARE(load.book.opponents(), 0);
        QVERIFY(!QFile::exists(path));
        // Text beyond its bound, from a small file.
        write(
            compressBytes("9\r\n1\r\n" + QByteArray(kMostTallyText + 1, 'x'), TCompressMode::Fast));
        QVERIFY(QFileInfo(path).size() < 64 * 1024);
        QCOMPARE(loadTallyFile(path).keptAs, path + ".unreadable.1");
    }

    void lists() {
        QTemporaryDir dir;
        Ttallylist t(nullptr, dir.filePath(QStringLiteral("t.tld")));
        QStringList asked;
        bool answer = false;
        t.confirm = [&](const QString& q) {
            asked << q;
            return answer;
        };
        // Filling the current-game list, ticked or not, adds nobody.
        for (const char* name : {"Ann", "Bob", "cy"}) {
            auto* item = new QListWidgetItem(QString::fromLatin1(name), t.checklist);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
        QCOMPARE(t.listbox_tally->count(), 0);
        for (const char* name : {"Ann", "Bob", "cy"}) checkItem(t.checklist, name, Qt::Checked);
        checkItem(t.checklist, QStringLiteral("Bob"), Qt::Unchecked);  // changes nothing
        checkItem(t.checklist, QStringLiteral("Bob"), Qt::Checked);    // no second row
        QCOMPARE(t.tally().opponents(), 3);
        QCOMPARE(t.listbox_tally->count(), 3);
        t.addgame(QStringLiteral("Bob"));

        // Declining the delete question keeps the row; accepting removes it and keeps the
        // list and the rows aligned.
        checkItem(t.listbox_tally, QStringLiteral("Bob"), Qt::Unchecked);
        QTRY_COMPARE(asked.size(), 1);
        QCOMPARE(asked[0],
                 QStringLiteral("This will delete Bob's Tally, Are you want to delete it?"));
        QCOMPARE(t.listbox_tally->item(1)->checkState(), Qt::Checked);
        QCOMPARE(t.tally().opponents(), 3);
        answer = true;
        checkItem(t.listbox_tally, QStringLiteral("Bob"), Qt::Unchecked);
        QTRY_COMPARE(t.listbox_tally->count(), 2);
        QCOMPARE(t.tally().opponents(), 2);
        for (int i = 0; i < 2; ++i)
            QCOMPARE(t.tally().name(i + 1), t.listbox_tally->item(i)->text());
        t.listbox_tally->setCurrentRow(1);
        QCOMPARE(t.label_hisnametop->text(), QStringLiteral("cy's Tally"));
        QCOMPARE(t.label[4]->text(), QStringLiteral("1"));  // Bob's win is neither's for cy
    }

    // A name of 32 bytes does not fit the columns: it is cut with "…", the endings of the
    // captions stay whole, and the whole name is the tooltip.
    void longNamesAreElided() {
        QTemporaryDir dir;
        Ttallylist t(nullptr, dir.filePath(QStringLiteral("t.tld")));
        t.show();
        QVERIFY(QTest::qWaitForWindowExposed(&t));
        const QString longName(QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"));
        QCOMPARE(longName.toUtf8().size(), 32);
        auto* item = new QListWidgetItem(longName, t.checklist);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        checkItem(t.checklist, longName, Qt::Checked);
        checkItem(t.checklist, longName, Qt::Checked);
        new QListWidgetItem(QStringLiteral("<b>Ann</b>"), t.checklist);
        t.listbox_tally->setCurrentRow(0);

        for (QLabel* label : {t.label_hisnametop, t.label_hisname}) {
            const QString shown = label->text();
            QVERIFY2(shown.contains(QChar(0x2026)), qPrintable(shown));
            QVERIFY(label->fontMetrics().horizontalAdvance(shown) <= label->contentsRect().width());
            QVERIFY(label->toolTip().contains(longName));
        }
        QVERIFY(t.label_hisnametop->text().endsWith(QStringLiteral("'s Tally")));
        QVERIFY(t.label_hisname->text().endsWith(QStringLiteral(" Wins:")));

        // The lists cut the name at their edge rather than scroll sideways.
        for (QListWidget* list : {t.checklist, t.listbox_tally}) {
            QCOMPARE(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
            QCOMPARE(list->textElideMode(), Qt::ElideRight);
            QVERIFY(list->visualItemRect(list->item(0)).right() < list->viewport()->width());
        }
        const auto tipAt = [](QListWidget* list, int row) {
            const QRect box = list->visualItemRect(list->item(row));
            QHelpEvent help(QEvent::ToolTip, box.center(),
                            list->viewport()->mapToGlobal(box.center()));
            QApplication::sendEvent(list->viewport(), &help);
            return QToolTip::text();
        };
        QVERIFY(tipAt(t.listbox_tally, 0).contains(longName));
        QVERIFY(tipAt(t.checklist, 0).contains(longName));
        // Names are shown as typed, never read as markup.
        QVERIFY(tipAt(t.checklist, 1).contains(QStringLiteral("&lt;b&gt;Ann&lt;/b&gt;")));
        QToolTip::hideText();

        // A short name is shown whole, with no tooltip needed.
        t.addgame(QStringLiteral("x"));
        auto* ann = new QListWidgetItem(QStringLiteral("Ann"), t.checklist);
        ann->setFlags(ann->flags() | Qt::ItemIsUserCheckable);
        ann->setCheckState(Qt::Checked);
        t.listbox_tally->setCurrentRow(1);
        QCOMPARE(t.label_hisnametop->text(), QStringLiteral("Ann's Tally"));
        QCOMPARE(t.label_hisname->text(), QStringLiteral("Ann Wins:"));
        QVERIFY(t.label_hisnametop->toolTip().isEmpty());
    }
};

QTEST_MAIN(TestTally)
#include "test_tally.moc"

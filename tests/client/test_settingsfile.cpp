// The settings file on real files: reading with defaults, single-key writes that keep every
// other byte, failed writes, and where the file lives.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "client/gamesettings.h"
#include "core/appfiles.h"
#include "core/profile.h"
#include "tests/support/testfiles.h"

namespace {

using mbtest::readAll;
using mbtest::writeAll;

const QString kSection = QStringLiteral("Marrowby");

// Someone else's file, with everything a hand-edited INI file may hold.
const QByteArray kForeign =
    "\xEF\xBB\xBF; shared settings\r\n"
    "[Other]\r\n"
    "Textsize=99\r\n"
    "\r\n"
    "[marrowby]\r\n"
    "  Textsize =  12  \r\n"
    "# a note\r\n"
    "TEXTSIZE=13\r\n"
    "Top=x\r\n"
    "\r\n"
    "[Third]\r\n"
    "Left=7";

}  // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT
private slots:
    void gameSettingsAreBoundedAndSavedInOrder() {
        QTemporaryDir dir;
        const QString path = dir.filePath("kestrolobby.ini");
        writeAll(path,
                 "[Marrowby]\nTextsize=999\nLeft=-99999\nTop=40000\nWidth=100000\nHeight=-3\n"
                 "Textcolor=nonsense\nPlaytoscore=12x\nBotspeed=500\nTurnsound=1\n"
                 "Phrase2=" +
                     QByteArray(80, 'p') + "\nPlaysounds=false\nHelp=2\n");
        const mb::GameSettings s =
            mb::readGameSettings(mb::ProfileFile(path), "Marrowby", QSize(1280, 760));
        QCOMPARE(s.textSize, mb::kMaxTextSize);
        QCOMPARE(s.bounds, QRect(-32767, 32767, 1280, 0));
        QCOMPARE(s.textColour, mb::kColourBlack);
        QVERIFY(!s.playToScore);  // not a number: the start window keeps its own
        QCOMPARE(s.botSpeedMs, 500);
        QCOMPARE(s.turnSound, 1);
        QCOMPARE(s.phrases[2], QString(50, 'p'));
        QVERIFY(s.phrases[1].isEmpty());
        QVERIFY(!s.playSounds);
        QVERIFY(s.playerPhraseSounds);
        QVERIFY(!s.showHelp);
        // A missing file gives the classic values, and a save writes them in the classic order.
        const mb::GameSettings classic = mb::readGameSettings(
            mb::ProfileFile(dir.filePath("none.ini")), "Marrowby", QSize(100, 100));
        QCOMPARE(classic.bounds, mb::kDefaultWindowBounds);  // the default size always passes
        QCOMPARE(classic.playToScore, std::optional<qlonglong>(600));
        QVERIFY(classic.showHelp);
        QStringList keys;
        for (const auto& [key, value] : mb::gameSettingsKeys(classic, 600))
            keys << key + '=' + value;
        QCOMPARE(keys, (QStringList{"Textsize=8", "Top=3", "Left=3", "Width=772", "Height=535",
                                    "Textcolor=clBlack", "Playtoscore=600", "Botspeed=1000",
                                    "Turnsound=0", "Playerphrasesounds=true", "Playsounds=true"}));
    }

    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // A FIFO or a directory as the settings file reads as missing without waiting on it, and is
    // never written through nor replaced.
    void specialFilesAreLeftAlone() {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("kestrolobby.ini"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString sub = dir.filePath(QStringLiteral("sub.ini"));
        QVERIFY(QDir().mkdir(sub));
        for (const QString& path : {fifo, sub}) {
            mb::ProfileFile ini(path);
            QCOMPARE(ini.readInteger(kSection, QStringLiteral("Textsize"), 8), 8);
            QVERIFY(!ini.writeString(kSection, QStringLiteral("Textsize"), QStringLiteral("12")));
        }
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(fifo).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QVERIFY(QFileInfo(sub).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
    }

    void readsFirstKeyOfFirstSectionWithDefaults() {
        QTemporaryDir dir;
        const QString path = dir.filePath("kestrolobby.ini");
        writeAll(path, kForeign);
        const mb::ProfileFile ini(path);
        QCOMPARE(ini.readInteger(kSection, "Textsize", 8), 12);  // case and spacing ignored
        QCOMPARE(ini.readInteger(kSection, "Top", 3), 3);        // not an integer
        QCOMPARE(ini.readInteger(kSection, "Left", 3), 3);       // other section
        QCOMPARE(ini.readString(kSection, "Help", "1"), QString("1"));
        QCOMPARE(ini.readInteger("Other", "Textsize", 8), 99);
        QCOMPARE(ini.readInteger("Third", "Left", 0), 7);  // last line without a line end
        const mb::ProfileFile missing(dir.filePath("none.ini"));
        QCOMPARE(missing.readString(kSection, "Textcolor", "clblack"), QString("clblack"));
        QCOMPARE(mb::ProfileFile(path).readInteger(kSection, "Textsize", 8), 12);
    }

    void integersAreWholeDecimalNumbers() {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.ini");
        writeAll(path, "[Marrowby]\na=-5\nb=+7\nc=12x\nd=99999999999\ne=\nf=0x10\n");
        const mb::ProfileFile ini(path);
        QCOMPARE(ini.readInteger(kSection, "a", 0), -5);
        QCOMPARE(ini.readInteger(kSection, "b", 0), 7);
        for (const char* key : {"c", "d", "e", "f"})
            QCOMPARE(ini.readInteger(kSection, key, 42), 42);
    }

    void everyWriteKeepsAllOtherBytes() {
        QTemporaryDir dir;
        const QString path = dir.filePath("kestrolobby.ini");
        writeAll(path, kForeign);
        const auto privateFile = QFile::ReadOwner | QFile::WriteOwner;
        QVERIFY(QFile::setPermissions(path, privateFile));
        mb::ProfileFile ini(path);
        QVERIFY(ini.writeString(kSection, "Textsize", "14"));
        QCOMPARE(QFile::permissions(path) & 0x7077, privateFile);  // owner, group, others
        QByteArray expected = kForeign;
        expected.replace("  Textsize =  12  \r\n", "  Textsize =  14\r\n");
        QCOMPARE(readAll(path), expected);
        // A new key goes after the section's last key, with the file's own line end.
        QVERIFY(ini.writeString(kSection, "Help", "2"));
        expected.replace("Top=x\r\n", "Top=x\r\nHelp=2\r\n");
        QCOMPARE(readAll(path), expected);
        QVERIFY(ini.writeString(kSection, "Top", "40"));
        expected.replace("Top=x\r\n", "Top=40\r\n");
        QCOMPARE(readAll(path), expected);
        // A new section goes at the end; a last line without a line end gets one first.
        QVERIFY(ini.writeString("Fourth", "K", "v"));
        expected += "\r\n[Fourth]\r\nK=v\r\n";
        QCOMPARE(readAll(path), expected);
        QVERIFY(!QFileInfo::exists(path + ".tmp"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"kestrolobby.ini"});
        // Several keys in one write: changed in place, new ones after the section's last key.
        QVERIFY(ini.writeStrings(kSection, {{"Top", "7"}, {"Phrase1", "hi"}, {"Top", "8"}}));
        expected.replace("Top=40\r\nHelp=2\r\n", "Top=8\r\nHelp=2\r\nPhrase1=hi\r\n");
        QCOMPARE(readAll(path), expected);
        const mb::ProfileFile again(path);
        QCOMPARE(again.readString(kSection, "Help", "1"), QString("2"));
        QCOMPARE(again.readInteger("Other", "Textsize", 0), 99);
    }

    void newFileAndLfFiles() {
        QTemporaryDir dir;
        const QString path = dir.filePath("kestrolobby.ini");
        mb::ProfileFile ini(path);
        QVERIFY(ini.writeString(kSection, "Help", "2"));
        QVERIFY(ini.writeString(kSection, "Phrase1", ""));
        QCOMPARE(readAll(path), QByteArray("[Marrowby]\nHelp=2\nPhrase1=\n"));
        writeAll(path, "[A]\nx=1\n\n[Marrowby]\n\n[B]\ny=2\n");
        mb::ProfileFile lf(path);
        QVERIFY(lf.writeString(kSection, "Help", "2"));
        QCOMPARE(readAll(path), QByteArray("[A]\nx=1\n\n[Marrowby]\nHelp=2\n\n[B]\ny=2\n"));
    }

    void valuesComeBackAsWritten() {
        QTemporaryDir dir;
        const QString path = dir.filePath("kestrolobby.ini");
        mb::ProfileFile ini(path);
        const QStringList values{" padded ",         "\"quoted\"", "a=b;c",
                                 "caf\u00e9 \u263a", "",           "/me waves"};
        for (int i = 0; i < values.size(); ++i)
            QVERIFY(ini.writeString(kSection, QString("Phrase%1").arg(i + 1), values[i]));
        QVERIFY(ini.writeString(kSection, "Phrase9", "two\r\nlines"));
        const mb::ProfileFile back(path);
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(back.readString(kSection, QString("Phrase%1").arg(i + 1), "x"), values[i]);
        QCOMPARE(back.readString(kSection, "Phrase9", ""), QString("two  lines"));
        QCOMPARE(readAll(path).count('\n'), 8);  // a value never adds a line
    }

    void failedWritesReportAndKeepTheFile() {
        QTemporaryDir dir;
        // A directory where the file should be: nothing can be written there.
        const QString blocked = dir.filePath("kestrolobby.ini");
        QVERIFY(QDir().mkpath(blocked));
        mb::ProfileFile ini(blocked);
        QCOMPARE(ini.readInteger(kSection, "Textsize", 8), 8);
        QVERIFY(!ini.writeString(kSection, "Help", "2"));
        // A file too large to hold is never rewritten, so none of it can be lost.
        const QString big = dir.filePath("big.ini");
        writeAll(big, "[Marrowby]\nHelp=1\n" + QByteArray(mb::ini::kMaxFileBytes, ';'));
        mb::ProfileFile large(big);
        QCOMPARE(large.readString(kSection, "Help", "d"), QString("d"));
        QVERIFY(!large.writeString(kSection, "Help", "2"));
        QCOMPARE(QFileInfo(big).size(), mb::ini::kMaxFileBytes + 18);
        // At the bound exactly the file is still held whole, and one byte past it is not.
        const QByteArray head = "[Marrowby]\nHelp=1\n";
        for (const qsizetype extra : {0, 1}) {
            writeAll(big, head + QByteArray(mb::ini::kMaxFileBytes - head.size() + extra, ';'));
            mb::ProfileFile edge(big);
            QCOMPARE(edge.readString(kSection, "Help", "d"), QString(extra ? "d" : "1"));
            QCOMPARE(edge.writeString(kSection, "Textsize", "9"), extra == 0);
        }
    }

    void filesLiveBesideTheProgramOnlyWhereItCanWrite() {
        QTemporaryDir dir;
        const QString beside =
            mb::appFilePath(dir.path(), "kestrolobby.ini", mb::AppFileKind::Config);
        QCOMPARE(beside, dir.filePath("kestrolobby.ini"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});

        // Permission bits do not stop root, so the unwritable program directories here are ones
        // no process can create a file in: a path that is a file, and one that does not exist.
        const QString perUser =
            QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
                .filePath("kestrolobby.ini");
        const QString aFile = dir.filePath("marrowby");
        writeAll(aFile, "binary");
        for (const QString& programDir : {aFile, dir.filePath("gone/away")}) {
            const QString path =
                mb::appFilePath(programDir, "kestrolobby.ini", mb::AppFileKind::Config);
            QCOMPARE(path, perUser);
            QVERIFY(QFileInfo(path).dir().exists());
            mb::ProfileFile ini(path);
            QVERIFY(ini.writeString(kSection, "Help", "2"));
            QVERIFY(QFile::remove(path));
        }
        QVERIFY(mb::appFilePath(aFile, "Marrowbytally.tld", mb::AppFileKind::Data)
                    .startsWith(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "test_settingsfile.moc"

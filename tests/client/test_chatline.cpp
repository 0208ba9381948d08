// How log lines become text runs, pictures and addresses, and what the chat controls send.
#include <QTest>

#include "client/chatline.h"
#include "client/sendrate.h"
#include "core/colourtext.h"
#include "net/framing.h"

using namespace mb;
using namespace mb::chat;

namespace {

// A compact picture of a parsed line: "P[text]" paragraph, "T[text]" text run, "L[text]"
// address item, "#n" picture. Styles are checked separately.
QString shape(const ParsedLine& line) {
    QString out;
    for (const LogOp& op : line.ops) {
        switch (op.kind) {
            case LogOp::Kind::Paragraph:
                out += "P[" + op.text + "]";
                break;
            case LogOp::Kind::Text:
                out += (op.isLink() ? "L[" : "T[") + op.text + "]";
                break;
            case LogOp::Kind::Picture:
                out += "#" + QString::number(op.picture);
                break;
        }
    }
    return out;
}

ParsedLine parse(const QString& line) {
    const std::optional<ParsedLine> p = parseLogLine(line);
    if (!p) qFatal("line was dropped");
    return *p;
}

}  // namespace

class TestChatLine : public QObject {
    Q_OBJECT
private slots:
    void stylesFollowTheField() {
        QCOMPARE(parse("0+You are Connected.").style, kSystemStyle);
        QCOMPARE(parse("1+Ann chats: hi").style, 6);
        QCOMPARE(parse("9+Spy chats: hi").style, 14);
        for (const LogOp& op : parse("3+Cy chats: a www.b c").ops)
            QVERIFY(op.style == 8 || op.style == kLinkStyle);
        // A field that names no seat could reach past the style set: nothing is added.
        QVERIFY(!parseLogLine(u"10+x: y"));
        QVERIFY(!parseLogLine(u"-1+x: y"));
        QVERIFY(!parseLogLine(u"2147483647+x"));
        // Not a number at all: the usual conversion error, with its usual text.
        for (const char* bad : {"x+hello", "+hello", "no plus here", "", "1 +a", "99999999999+a"}) {
            try {
                parseLogLine(QString::fromLatin1(bad));
                QFAIL(bad);
            } catch (const ConversionError& e) {
                QVERIFY(QByteArray(e.what()).endsWith("' is not a valid integer value"));
            }
        }
    }

    void prefixAndWords() {
        // No ":" at all: an item of one space, then the whole text as words.
        QCOMPARE(shape(parse("0+You are spying.")), "P[ ]T[You are spying. ]");
        // Two spaces after "chats:": one added after the prefix, one kept from the text.
        QCOMPARE(shape(parse("2+Bob chats: hi there")), "P[Bob chats: ]T[ hi there ]");
        // The first colon of a system line belongs to a smiley code: the code stays text.
        QCOMPARE(shape(parse("0+Look :)#12 here")), "P[Look : ]T[)#12 here ]");
        // A typed "|" already cut the line before it got here; what is left is plain.
        QCOMPARE(shape(parse("2+Bob chats: a")), "P[Bob chats: ]T[ a ]");
    }

    void smileyCodes() {
        QCOMPARE(shape(parse("2+Bob chats: hello:)#12world")),
                 "P[Bob chats: ]T[ hello ]#2T[world ]");
        QCOMPARE(shape(parse("1+A: :)#10:)#27")), "P[A: ]T[  ]#0T[ ]#17");
        // Out of range, not a number, or too short: picture 0, up to two characters used.
        QCOMPARE(shape(parse("1+A: x:)#28y")), "P[A: ]T[ x ]#0T[y ]");
        QCOMPARE(shape(parse("1+A: x:)#09y")), "P[A: ]T[ x ]#0T[y ]");
        QCOMPARE(shape(parse("1+A: x:)#-1y")), "P[A: ]T[ x ]#0T[y ]");
        QCOMPARE(shape(parse("1+A: x:)#ab")), "P[A: ]T[ x ]#0");
        QCOMPARE(shape(parse("1+A: x:)#1")), "P[A: ]T[ x ]#0");
        QCOMPARE(shape(parse("1+A: x:)#")), "P[A: ]T[ x ]#0");
        QCOMPARE(shape(parse("1+A: :)#:)#15")), "P[A: ]T[  ]#0T[#15 ]");
    }

    void webAddresses() {
        QCOMPARE(shape(parse("1+A: see www.site now")), "P[A: ]T[ see ]L[www.site ]T[now ]");
        QCOMPARE(shape(parse("1+A: HTTP://X.org")), "P[A: ]T[ ]L[HTTP://X.org ]");
        QCOMPARE(shape(parse("1+A: a  b")), "P[A: ]T[ a  b ]");
        // The check is "contains", so odd words are drawn as addresses too...
        QCOMPARE(shape(parse("1+A: file:///etc#http://")), "P[A: ]T[ ]L[file:///etc#http:// ]");
        QCOMPARE(shape(parse("1+A: :)#11www.x")), "P[A: ]T[  ]#1L[www.x ]");
        QVERIFY(isWebAddress(u"xWwW.y"));
        QVERIFY(!isWebAddress(u"http:/x"));
    }

    void onlyWebAddressesOpen() {
        QCOMPARE(openableAddress(u"http://site.org/a?b=c  ")->toString(),
                 QStringLiteral("http://site.org/a?b=c"));
        QCOMPARE(openableAddress(u"HTTPS://Site.org ")->scheme(), QStringLiteral("https"));
        QCOMPARE(openableAddress(u"www.site.org ")->toString(),
                 QStringLiteral("http://www.site.org"));
        QCOMPARE(openableAddress(u"WWW.site.org ")->host(), QStringLiteral("www.site.org"));
        // ...but only http and https addresses may reach the desktop's handlers.
        for (const char16_t* bad :
             {u"file:///home/a#http:// ", u"javascript:alert(1)//www.x ", u"smb://www.x/ ",
              u"xhttp://a ", u"see:http://a ", u"http:// ", u"http://a b", u"", u"mailto:www.x@y "})
            QVERIFY2(!openableAddress(bad), qPrintable(QString::fromUtf16(bad)));
    }

    void httpsIsAWebAddress() {
        QCOMPARE(shape(parse("1+A: see https://site.org/x now")),
                 "P[A: ]T[ see ]L[https://site.org/x ]T[now ]");
        QCOMPARE(shape(parse("1+A: HTTPS://X.org")), "P[A: ]T[ ]L[HTTPS://X.org ]");
        QCOMPARE(openableAddress(u"https://site.org/x ")->toString(),
                 QStringLiteral("https://site.org/x"));
        QVERIFY(!isWebAddress(u"https:/x "));
    }

    // Addresses a browser's address bar takes as typed: what may not stand in an address is
    // percent-encoded, not refused.
    void addressesOpenAsABrowserReadsThem() {
        const auto opened = [](const char16_t* word) {
            const std::optional<QUrl> url = openableAddress(word);
            return url ? QString::fromLatin1(url->toEncoded()) : QStringLiteral("<none>");
        };
        QCOMPARE(opened(u"http://example.com/?q=\"x\" "),
                 QStringLiteral("http://example.com/?q=%22x%22"));
        QCOMPARE(opened(u"http://example.com/a^b "), QStringLiteral("http://example.com/a%5Eb"));
        QCOMPARE(opened(u"http://example.com/{id} "),
                 QStringLiteral("http://example.com/%7Bid%7D"));
        QCOMPARE(opened(u"http://example.com/%zz "), QStringLiteral("http://example.com/%25zz"));
        QCOMPARE(opened(u"http://example.com/a%20b "), QStringLiteral("http://example.com/a%20b"));
        QCOMPARE(opened(u"www.example.com/a|b "), QStringLiteral("http://www.example.com/a%7Cb"));
        // The scheme rule holds for tolerantly read addresses too.
        for (const char16_t* bad :
             {u"ftp://www.x/{a} ", u"file:///{x}#http:// ", u"javascript:alert(\"x\")//www.x "})
            QVERIFY2(!openableAddress(bad), qPrintable(QString::fromUtf16(bad)));
    }

    void punctuationAroundAnAddressIsNotOpened() {
        const auto opened = [](const char16_t* word) {
            const std::optional<QUrl> url = openableAddress(word);
            return url ? url->toString() : QStringLiteral("<none>");
        };
        QCOMPARE(opened(u"www.example.com, "), QStringLiteral("http://www.example.com"));
        QCOMPARE(opened(u"http://a.example/x) "), QStringLiteral("http://a.example/x"));
        QCOMPARE(opened(u"http://a.example/x). "), QStringLiteral("http://a.example/x"));
        QCOMPARE(opened(u"https://a.example/x?! "), QStringLiteral("https://a.example/x"));
        QCOMPARE(opened(u"(www.a.example) "), QStringLiteral("http://www.a.example"));
        QCOMPARE(opened(u"\"http://a.example/\"; "), QStringLiteral("http://a.example/"));
        QCOMPARE(opened(u"<http://a.example/x> "), QStringLiteral("http://a.example/x"));
        // Brackets the address opens itself are part of it.
        QCOMPARE(opened(u"http://w.example/wiki/Foo_(bar) "),
                 QStringLiteral("http://w.example/wiki/Foo_(bar)"));
        QCOMPARE(opened(u"(http://w.example/wiki/Foo_(bar)), "),
                 QStringLiteral("http://w.example/wiki/Foo_(bar)"));
        QCOMPARE(opened(u"http://a.example/[1] "), QStringLiteral("http://a.example/[1]"));
        // Only opening marks are dropped in front: a scheme before the mark is judged.
        QCOMPARE(opened(u"see:(http://a.example) "), QStringLiteral("<none>"));
        // What is drawn stays the whole word.
        QCOMPARE(shape(parse("1+A: (see http://a.example/x)")),
                 "P[A: ]T[ (see ]L[http://a.example/x) ]");
    }

    void lineBreaksBecomeOneSpace() {
        QCOMPARE(flattenLineBreaks(u"a\r\nb\nc\rd\r\n\r\ne"), QStringLiteral("a b c d  e"));
        QCOMPARE(*typedMessage(2, u"one\r\ntwo", kColourBlack),
                 QByteArray("CMD_chat+2+one two|clBlack"));
    }

    // Ten sends in any five seconds, as the host relays them; refusals are said once a burst.
    void sendRateFollowsTheHostsRule() {
        using std::chrono::milliseconds;
        milliseconds now{100000};
        SendRate rate([&] { return now; });
        using V = SendRate::Verdict;
        for (int i = 0; i < kMaxRelaysPerWindow; ++i) {
            QCOMPARE(rate.take(), V::Send);
            now += milliseconds(100);
        }
        QCOMPARE(rate.take(), V::Refuse);
        QCOMPARE(rate.take(), V::RefuseQuietly);
        // Refused sends are not counted: once the first send is a window (and the slack) old,
        // one more goes, and the burst is over.
        now = milliseconds(100000) + kRelayWindow + kRelaySlack - milliseconds(1);
        QCOMPARE(rate.take(), V::RefuseQuietly);
        now += milliseconds(1);
        QCOMPARE(rate.take(), V::Send);
        QCOMPARE(rate.take(), V::Refuse);  // a new burst is said again
        now += milliseconds(100);
        QCOMPARE(rate.take(), V::Send);
        // A quiet spell of a whole window lets ten go again.
        now += kRelayWindow + kRelaySlack;
        for (int i = 0; i < kMaxRelaysPerWindow; ++i) QCOMPARE(rate.take(), V::Send);
        QCOMPARE(rate.take(), V::Refuse);
        QCOMPARE(QString::fromLatin1(kSendingTooFast),
                 QStringLiteral("0+You are sending too fast: wait a moment."));
    }

    void relayedColour() {
        const RelayedLine plain = splitRelayed(u"2+Bob chats: hi|clBlack");
        QCOMPARE(plain.line, QStringLiteral("2+Bob chats: hi"));
        QCOMPARE(plain.colour, kColourBlack);
        QCOMPARE(splitRelayed(u"2+Bob chats: hi|$000080FF").colour, WinColor(0x80FF));
        QCOMPARE(splitRelayed(u"2+Bob chats: hi").colour, kColourRed);
        // A typed "|" cuts the line; the rest is no colour, so the line is red.
        const RelayedLine cut = splitRelayed(u"2+Bob chats: a|b|clBlack");
        QCOMPARE(cut.line, QStringLiteral("2+Bob chats: a"));
        QCOMPARE(cut.colour, kColourRed);
        QCOMPARE(splitRelayed(u"|").colour, kColourRed);
    }

    void messagesSent() {
        QCOMPARE(*typedMessage(2, u"hi", kColourBlack), "CMD_chat+2+hi|clBlack");
        QCOMPARE(*typedMessage(3, u"/me waves", kColourBlack), "CMD_action+3+waves|clBlack");
        QCOMPARE(*typedMessage(3, u"/mewaves", kColourBlack), "CMD_action+3+aves|clBlack");
        QCOMPARE(*typedMessage(3, u"/me", 0x80FF), "CMD_action+3+|$000080FF");
        QVERIFY(!typedMessage(3, u"/who", kColourBlack));
        QVERIFY(!typedMessage(3, u"/m", kColourBlack));
        QVERIFY(!typedMessage(3, u"", kColourBlack));
        QCOMPARE(*typedMessage(1, u"a|b", kColourBlack), "CMD_chat+1+a|b|clBlack");
        QCOMPARE(*typedMessage(1, u"a\nb\r", kColourBlack), "CMD_chat+1+a b |clBlack");
        QCOMPARE(*typedMessage(1, u"h\u00e9", kColourBlack), "CMD_chat+1+h\xc3\xa9|clBlack");

        QCOMPARE(phraseMessage(2, u"Way To Go!", kColourBlack),
                 "CMD_action+2+says: Way To Go!|clBlack");
        QCOMPARE(phraseMessage(2, u"/me bows", kColourBlack), "CMD_action+2+bows|clBlack");
        QCOMPARE(phraseMessage(2, u"/mebows", kColourBlack), "CMD_action+2+says: /mebows|clBlack");
        QCOMPARE(chatterSoundMessage(2, 4), "CMD_playasound+2+wave4+");
    }

    void chatterSoundNames() {
        QCOMPARE(chatterSoundName(1), QStringLiteral("Doh"));
        QCOMPARE(chatterSoundName(5), QStringLiteral("Where have you been?"));
        QCOMPARE(chatterSoundName(20), QStringLiteral("Crying"));
        QCOMPARE(*chatterSoundNameForClip(u"WAVE18"), QStringLiteral("Woman Laughing"));
        for (const char16_t* bad : {u"wave0", u"wave21", u"wave01", u"wave+1", u"wave-1", u"wave",
                                    u"turn", u"wave1x", u"wave100"})
            QVERIFY2(!chatterSoundNameForClip(bad), qPrintable(QString::fromUtf16(bad)));
        QCOMPARE(defaultPhrase(1), QStringLiteral("Way To Go!"));
        QCOMPARE(defaultPhrase(9), QStringLiteral("Good Game Everyone!"));
    }
};

QTEST_GUILESS_MAIN(TestChatLine)
#include "test_chatline.moc"

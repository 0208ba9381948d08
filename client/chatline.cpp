#include "client/chatline.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

#include "core/colourtext.h"
#include "net/commands.h"
#include "net/framing.h"
#include "net/message.h"

namespace mb::chat {
namespace {

constexpr QChar kSpace = u' ';
constexpr QChar kPrefixEnd = u':';
constexpr QChar kColourTail = u'|';
constexpr QChar kFieldSep = u'+';
constexpr QChar kCommandMark = u'/';
constexpr QStringView kActionCommand = u"/me";
constexpr qsizetype kCommandCut = 4;  // "/me" and the character after it
constexpr QStringView kPhraseAction = u"/me ";
constexpr QStringView kPhraseSays = u"says: ";
constexpr QStringView kHttpMark = u"http://";
constexpr QStringView kHttpsMark = u"https://";
constexpr QStringView kWwwMark = u"www.";
// Typed straight before or after an address, these belong to the sentence, not the address.
constexpr QStringView kOpeningMarks = u"([{<\"'";
constexpr QStringView kClosingMarks = u".,;:!?>";
// A closing bracket ends an address only when the address holds more of them than openers,
// and a quote only when it has none to pair with: "?q="x"" keeps both of its quotes.
constexpr std::array<std::pair<QChar, QChar>, 3> kBrackets{
    {{u'(', u')'}, {u'[', u']'}, {u'{', u'}'}}};
constexpr QStringView kQuotes = u"\"'";
constexpr QStringView kClipPrefix = u"wave";  // chatter sound n plays the clip "wave" + n

constexpr std::array<const char16_t*, kChatterSoundCount> kChatterNames{
    u"Doh",       u"Cough",    u"Hello",          u"Thank You",    u"Where have you been?",
    u"Snoring",   u"Sneezing", u"Sorry",          u"Welcome",      u"Yeehaa",
    u"Yippee",    u"Oh No",    u"Applause",       u"Honk",         u"Oooh",
    u"Razzberry", u"Cheer",    u"Woman Laughing", u"Man Laughing", u"Crying"};

constexpr std::array<const char16_t*, kPhraseCount> kDefaultPhrases{
    u"Way To Go!", u"Good One!", u"Nice Try!",         u"Excellent!",         u"Brilliant!",
    u"Wow, WTG!",  u"Thanks!",   u"Way To Go Teamie!", u"Good Game Everyone!"};

// A whole decimal number with an optional sign, as the smiley code is read.
std::optional<int> decimal(QStringView text) {
    QByteArray digits = text.toLatin1();
    const char* first = digits.constData();
    const char* last = first + digits.size();
    if (first != last && *first == '+') ++first;
    int value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (first == last || ec != std::errc() || ptr != last) return std::nullopt;
    return value;
}

// Adds a piece of text to the current line one word at a time; each word keeps the space
// after it, and web addresses become items of their own in the link style.
void addWords(QStringView piece, int style, QList<LogOp>& ops) {
    const QString text = piece.toString() + kSpace;
    QStringView rest = text;
    while (!rest.isEmpty()) {
        const qsizetype space = rest.indexOf(kSpace);
        const QStringView word = rest.first(space + 1);  // there is always a space left
        rest = rest.sliced(space + 1);
        const bool link = isWebAddress(word);
        // Plain words of one style are merged into one run; the log draws them the same.
        if (!link && !ops.isEmpty() && ops.back().kind == LogOp::Kind::Text &&
            ops.back().style == style) {
            ops.back().text += word;
            continue;
        }
        ops.append({LogOp::Kind::Text, word.toString(), link ? kLinkStyle : style, 0});
    }
}

QByteArray colourTail(QStringView text, WinColor colour) {
    // A line break would split the message on the way; the log shows one line per message.
    return flattenLineBreaks(text).toUtf8() + '|' + colourToText(colour).toUtf8();
}

}  // namespace

QString flattenLineBreaks(QStringView text) {
    QString flat = text.toString();
    flat.replace(QStringLiteral("\r\n"), QString(kSpace));
    flat.replace(u'\r', kSpace).replace(u'\n', kSpace);
    return flat;
}

bool isWebAddress(QStringView word) {
    return word.contains(kHttpMark, Qt::CaseInsensitive) ||
           word.contains(kHttpsMark, Qt::CaseInsensitive) ||
           word.contains(kWwwMark, Qt::CaseInsensitive);
}

std::optional<ParsedLine> parseLogLine(QStringView line) {
    const qsizetype plus = line.indexOf(kFieldSep);
    const QStringView field = plus < 0 ? QStringView() : line.first(plus);
    const int number = toInt(field.toUtf8());  // throws for a malformed field
    if (number < 0 || number > kLastSeat) return std::nullopt;
    ParsedLine out;
    out.style = number == 0 ? kSystemStyle : number + kSeatStyleOffset;
    const QStringView text = plus < 0 ? line : line.sliced(plus + 1);

    const qsizetype colon = text.indexOf(kPrefixEnd);
    const QStringView prefix = colon < 0 ? QStringView() : text.first(colon + 1);
    QStringView rest = colon < 0 ? text : text.sliced(colon + 1);
    out.ops.append({LogOp::Kind::Paragraph, prefix.toString() + kSpace, out.style, 0});

    const QStringView mark(kSmileyMark);
    for (qsizetype at = rest.indexOf(mark); at >= 0; at = rest.indexOf(mark)) {
        addWords(rest.first(at), out.style, out.ops);
        rest = rest.sliced(at + kSmileyMarkLength);
        const QStringView code = rest.first(std::min<qsizetype>(kSmileyCodeLength, rest.size()));
        rest = rest.sliced(code.size());
        const std::optional<int> n = decimal(code);
        int picture = 0;
        if (n && *n - kFirstSmileyCode >= 0 && *n - kFirstSmileyCode < kSmileyCount)
            picture = *n - kFirstSmileyCode;
        out.ops.append({LogOp::Kind::Picture, QString(), 0, picture});
    }
    if (!rest.isEmpty()) addWords(rest, out.style, out.ops);
    return out;
}

QStringView addressInWord(QStringView word) {
    qsizetype end = word.size();
    while (end > 0 && word[end - 1] == kSpace) --end;
    word = word.first(end);

    // Where the address starts: opening marks before it belong to the sentence. Anything else
    // before it (a scheme such as "file:") stays, so that the whole word is judged.
    qsizetype start = word.size();
    for (const QStringView mark : {kHttpMark, kHttpsMark, kWwwMark}) {
        const qsizetype at = word.indexOf(mark, 0, Qt::CaseInsensitive);
        if (at >= 0) start = std::min(start, at);
    }
    if (start == word.size() || !std::all_of(word.begin(), word.begin() + start,
                                             [](QChar c) { return kOpeningMarks.contains(c); }))
        start = 0;
    word = word.sliced(start);

    for (bool trimmed = true; trimmed && !word.isEmpty();) {
        const QChar last = word.back();
        trimmed = kClosingMarks.contains(last);
        for (const auto& [opener, closer] : kBrackets)
            trimmed = trimmed || (last == closer && word.count(closer) > word.count(opener));
        trimmed = trimmed || (kQuotes.contains(last) && word.count(last) % 2 == 1);
        if (trimmed) word.chop(1);
    }
    return word;
}

std::optional<QUrl> openableAddress(QStringView recorded) {
    QString text = addressInWord(recorded).toString();
    if (text.startsWith(kWwwMark, Qt::CaseInsensitive)) text.prepend(kHttpMark);
    // As a browser's address bar reads it: characters that may not stand in an address as
    // typed (quotes, braces, a lone "%") are percent-encoded rather than refused.
    const QUrl url(text, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https") || url.host().isEmpty())
        return std::nullopt;
    return url;
}

RelayedLine splitRelayed(QStringView body) {
    const qsizetype bar = body.indexOf(kColourTail);
    if (bar < 0) return {body.toString(), kColourRed};
    const std::optional<WinColor> colour = textToColour(body.sliced(bar + 1));
    return {body.first(bar).toString(), colour.value_or(kColourRed)};
}

std::optional<QByteArray> typedMessage(int seat, QStringView typed, WinColor colour) {
    if (typed.isEmpty()) return std::nullopt;
    if (typed.front() != kCommandMark)
        return MessageBuilder(cmd::kChat).field(seat).field(colourTail(typed, colour)).take();
    if (!typed.startsWith(kActionCommand)) return std::nullopt;
    const QStringView rest = typed.sliced(std::min(kCommandCut, typed.size()));
    return MessageBuilder(cmd::kAction).field(seat).field(colourTail(rest, colour)).take();
}

QByteArray phraseMessage(int seat, QStringView phrase, WinColor colour) {
    const QString text = phrase.startsWith(kPhraseAction)
                             ? phrase.sliced(kPhraseAction.size()).toString()
                             : kPhraseSays.toString() + phrase.toString();
    return MessageBuilder(cmd::kAction).field(seat).field(colourTail(text, colour)).take();
}

QByteArray chatterSoundMessage(int seat, int tag) {
    return MessageBuilder(cmd::kPlayASound)
        .field(seat)
        .field(kClipPrefix.toLatin1())
        .append(QByteArray::number(tag))
        .field("")
        .take();
}

QString chatterSoundName(int tag) {
    if (tag < 1 || tag > kChatterSoundCount) return QString();
    return QString::fromUtf16(kChatterNames[size_t(tag - 1)]);
}

std::optional<QString> chatterSoundNameForClip(QStringView clip) {
    if (!clip.startsWith(kClipPrefix, Qt::CaseInsensitive)) return std::nullopt;
    const QStringView digits = clip.sliced(kClipPrefix.size());
    // Only the plain names the menu sends: "wave1" to "wave20", no signs or leading zeros.
    if (digits.isEmpty() || digits.front() == u'0' || digits.size() > 2) return std::nullopt;
    const std::optional<int> tag = decimal(digits);
    if (!tag || digits.front() == u'+' || digits.front() == u'-' || *tag < 1 ||
        *tag > kChatterSoundCount)
        return std::nullopt;
    return chatterSoundName(*tag);
}

QString defaultPhrase(int n) {
    if (n < 1 || n > kPhraseCount) return QString();
    return QString::fromUtf16(kDefaultPhrases[size_t(n - 1)]);
}

}  // namespace mb::chat

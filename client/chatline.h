#pragma once
// The chat log's rules that need no window: how a log line becomes styled text runs, smiley
// pictures and web-address items, how relayed chat carries its colour, and the bodies of the
// chat messages a client sends. The main window only applies the operations to its log view.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <QUrl>
#include <optional>

#include "client/clientstate.h"

namespace mb::chat {

// Style indices of the log view.
inline constexpr int kSystemStyle = 0;
inline constexpr int kLinkStyle = 4;
inline constexpr int kSeatStyleOffset = 5;  // seat n writes in style n + 5
inline constexpr int kStyleCount = 15;
inline constexpr int kFirstSeat = 1;
inline constexpr int kLastSeat = 9;

// Smiley codes: the mark, then two characters holding a number 10 to 27.
inline constexpr char16_t kSmileyMark[] = u":)#";
inline constexpr int kSmileyMarkLength = 3;
inline constexpr int kSmileyCodeLength = 2;
inline constexpr int kFirstSmileyCode = 10;
inline constexpr int kSmileyCount = 18;

inline constexpr int kChatterSoundCount = 20;

// One step of filling the log view.
struct LogOp {
    enum class Kind { Paragraph, Text, Picture };
    Kind kind = Kind::Text;
    QString text;     // Paragraph and Text; for a link the address as added, trailing space kept
    int style = 0;    // Paragraph and Text
    int picture = 0;  // Picture: index into the smiley list
    bool isLink() const { return kind == Kind::Text && style == kLinkStyle; }
};

struct ParsedLine {
    int style = kSystemStyle;  // the style whose colour becomes the line's colour
    QList<LogOp> ops;
};

// A log line "style+text". A style field that is not a decimal integer throws
// ConversionError (the message's usual fate); a number that names no seat yields nothing.
std::optional<ParsedLine> parseLogLine(QStringView line);

// A word (trailing space included) that the log shows as a clickable web address: one that
// holds "http://", "https://" or "www.", in any letter case.
bool isWebAddress(QStringView word);

// The part of a recorded word that is the address: without its trailing spaces, the opening
// marks typed before it ("(", quotes) and the closing punctuation typed after it (",", ".",
// ")" with no "(" for it in the address, quotes).
QStringView addressInWord(QStringView word);

// What a click on a recorded address may open: only http and https addresses, and an address
// that starts with "www." as an http address, read as a browser's address bar reads what is
// typed into it. Anything else may not be handed to the desktop.
std::optional<QUrl> openableAddress(QStringView recorded);

// A relayed chat or action body: the line and its colour (red when the colour tail is
// missing or unreadable).
struct RelayedLine {
    QString line;
    WinColor colour = 0;
};
RelayedLine splitRelayed(QStringView body);

// Text for the one-line entry box and for messages: each line break (CR LF, CR or LF) becomes
// one space.
QString flattenLineBreaks(QStringView text);

// Messages a client sends, without the terminator. A typed line that sends nothing gives
// nullopt.
std::optional<QByteArray> typedMessage(int seat, QStringView typed, WinColor colour);
QByteArray phraseMessage(int seat, QStringView phrase, WinColor colour);
QByteArray chatterSoundMessage(int seat, int tag);

// The name of chatter sound 1 to 20 as its menu shows it, and the name for a clip name
// ("wave7", any case); nullopt for anything else.
QString chatterSoundName(int tag);
std::optional<QString> chatterSoundNameForClip(QStringView clip);

// The default phrases of the nine phrase buttons.
inline constexpr int kPhraseCount = 9;
QString defaultPhrase(int n);

}  // namespace mb::chat

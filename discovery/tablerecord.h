#pragma once
// What a table tells the local network about itself: the TXT record of its DNS-SD service.
// Encoding is for our own hosts; parsing is for records heard from the network, which anyone
// may send, so the parser bounds every part and names the reason for each rejection. No Avahi,
// no sockets: the browser hands it the record's wire bytes.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

namespace mb {

// The DNS-SD service type every table announces.
inline constexpr char kTableServiceType[] = "_marrowby._tcp";

// A service instance name is one DNS label: at most 63 bytes.
inline constexpr qsizetype kMaxTableNameBytes = 63;
// Versions are short dotted numbers; anything longer is not one of ours.
inline constexpr qsizetype kMaxVersionBytes = 32;
// Our records are about 80 bytes; this leaves room for newer keys without letting a peer
// make the lobby hold a large record.
inline constexpr qsizetype kMaxRecordBytes = 1024;
// Items beyond this many are not a table's record.
inline constexpr int kMaxRecordItems = 16;
// Seats 1..4 play; all nine seats may watch (players may choose to just watch).
inline constexpr int kMaxRecordSeats = 4;
inline constexpr int kMaxRecordWatchers = 9;
// The format of the record; a parser refuses other formats rather than misread them.
inline constexpr int kRecordFormat = 1;

struct TableRecord {
    QByteArray version;  // printable ASCII
    QByteArray name;     // valid UTF-8 without control characters
    int seats = 0;       // seats 1..4 held by a logged-in player who plays
    int watchers = 0;    // logged-in connections that only watch
    bool gameRunning = false;

    friend bool operator==(const TableRecord&, const TableRecord&) = default;
};

// The record's items ("key=value"), in the order a host announces them. Fields are written as
// they are: callers cut the name with tableNameFor() and keep counts within bounds.
QList<QByteArray> encodeTableRecord(const TableRecord& record);
// The same items in DNS wire form: each prefixed by its length byte.
QByteArray tableRecordWire(const TableRecord& record);

// `text` cut to kMaxTableNameBytes without splitting a character, with control characters
// made spaces; "" stays "".
QByteArray tableNameFor(const QString& text);

struct RecordParse {
    std::optional<TableRecord> record;
    QString reason;  // why the record was refused; empty when it was accepted
};

// Reads a TXT record in DNS wire form (length byte, item, length byte, item ...) fed in pieces
// of any size. Errors latch: once refused, later bytes are not looked at.
class TableRecordParser {
public:
    void feed(QByteArrayView bytes);
    RecordParse finish();

private:
    void refuse(QString reason);
    void item(const QByteArray& bytes);

    TableRecord record_;
    QString reason_;
    qsizetype total_ = 0;
    int items_ = 0;
    int expected_ = -1;  // bytes still due for the current item; -1 before its length byte
    QByteArray current_;
    unsigned seen_ = 0;  // one bit per known key
};

// The whole record at once.
RecordParse parseTableRecord(QByteArrayView wire);

// Peer text for a label: invalid UTF-8 becomes U+FFFD, and control, format (bidirectional
// overrides, zero-width characters), private-use and unassigned characters become "?", so a
// name can neither reorder nor hide the text around it. Cut to `maxChars` characters with "…".
QString shownPeerText(QByteArrayView bytes, qsizetype maxChars = kMaxTableNameBytes);

}  // namespace mb

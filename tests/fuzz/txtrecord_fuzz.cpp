// libFuzzer target for a table's TXT record as the lobby hears it. The first byte picks the
// size of the pieces the rest is fed in; whole or in pieces, the verdict must be the same, an
// accepted record must encode and read back equal, and what a label would show of its name and
// version must hold no control or format characters.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "discovery/tablerecord.h"

namespace {

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "txtrecord_fuzz: %s\n", what);
    std::abort();
}

void checkShown(const QString& shown) {
    for (const QChar c : shown)
        check(c.category() != QChar::Other_Control && c.category() != QChar::Other_Format,
              "a label would show a control or format character");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const qsizetype piece = data[0] % 17 + 1;
    const QByteArrayView wire(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    const mb::RecordParse whole = mb::parseTableRecord(wire);
    mb::TableRecordParser parser;
    for (qsizetype at = 0; at < wire.size(); at += piece)
        parser.feed(wire.sliced(at, std::min(piece, wire.size() - at)));
    const mb::RecordParse pieces = parser.finish();

    check(whole.record.has_value() == pieces.record.has_value(), "pieces change the verdict");
    check(whole.reason == pieces.reason, "pieces change the reason");
    check(whole.record.has_value() == whole.reason.isEmpty(), "a refusal without a reason");
    if (!whole.record) return 0;
    check(*whole.record == *pieces.record, "pieces change the record");
    const mb::RecordParse again = mb::parseTableRecord(mb::tableRecordWire(*whole.record));
    check(again.record && *again.record == *whole.record, "the record does not read back");
    checkShown(mb::shownPeerText(whole.record->name));
    checkShown(mb::shownPeerText(whole.record->version));
    return 0;
}

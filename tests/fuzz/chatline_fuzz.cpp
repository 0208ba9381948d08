// libFuzzer target for the chat-line path: a relayed chat body, as bytes from the network,
// goes through the colour tail split and the log-line parser, exactly as the client's
// dispatcher hands it over. No parse may crash, name a style outside the log's 15 or a
// smiley picture outside the 18, or let a non-web address through to the desktop.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "client/chatline.h"
#include "core/colourtext.h"
#include "net/framing.h"

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "chat line: %s\n", what);
        __builtin_trap();
    }
}

void checkLine(const QString& line) {
    using mb::chat::LogOp;
    std::optional<mb::chat::ParsedLine> parsed;
    try {
        parsed = mb::chat::parseLogLine(line);
    } catch (const mb::ConversionError&) {
        return;  // a malformed style field adds nothing
    }
    if (!parsed) return;
    check(parsed->style >= 0 && parsed->style < mb::chat::kStyleCount, "line style");
    check(!parsed->ops.isEmpty() && parsed->ops.front().kind == LogOp::Kind::Paragraph,
          "a line starts a paragraph");
    for (qsizetype i = 0; i < parsed->ops.size(); ++i) {
        const LogOp& op = parsed->ops[i];
        if (op.kind == LogOp::Kind::Picture) {
            check(op.picture >= 0 && op.picture < mb::chat::kSmileyCount, "picture index");
            continue;
        }
        check(op.style >= 0 && op.style < mb::chat::kStyleCount, "item style");
        check(i == 0 || op.kind != LogOp::Kind::Paragraph, "one paragraph per line");
        if (op.isLink()) {
            check(mb::chat::isWebAddress(op.text), "link without an address");
            if (const auto url = mb::chat::openableAddress(op.text))
                check(url->scheme() == QLatin1String("http") ||
                          url->scheme() == QLatin1String("https"),
                      "non-web address opens");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString body = QString::fromUtf8(bytes);

    const mb::chat::RelayedLine relayed = mb::chat::splitRelayed(body);
    check(!relayed.line.contains(u'|'), "colour tail left in the line");
    checkLine(relayed.line);
    checkLine(body);

    // Colour text read from the tail is written back in a form that reads the same.
    const qsizetype bar = body.indexOf(u'|');
    if (const auto colour = mb::textToColour(QStringView(body).sliced(bar + 1)))
        check(mb::textToColour(mb::colourToText(*colour)) == colour, "colour round trip");

    // Whatever is typed, a sent message stays one message on one line.
    if (const auto sent = mb::chat::typedMessage(3, body, relayed.colour))
        check(!sent->contains('\xFF') && !sent->contains('\n') && !sent->contains('\r'),
              "typed line breaks the framing");
    if (const auto name = mb::chat::chatterSoundNameForClip(body)) check(!name->isEmpty(), "name");
    return 0;
}

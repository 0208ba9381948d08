// libFuzzer target for the settings file's reader and writer. The first byte picks a section
// and a key, the next gives the length of the value that follows, the rest is the file. Reading
// must never fail, the written value must read back, and a write may touch only one line: every
// byte outside it, and every other key, stays as it was.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/profile.h"

namespace {

constexpr const char* kSections[] = {"Marrowby", "Other", "marrowby", "Third"};
constexpr const char* kKeys[] = {"Help", "Textsize", "phrase1", "Top", "x"};

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "ini_fuzz: %s\n", what);
    std::abort();
}

QByteArray sanitized(QByteArray value) {
    return value.replace('\r', ' ').replace('\n', ' ');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const char* section = kSections[data[0] % std::size(kSections)];
    const char* key = kKeys[(data[0] / std::size(kSections)) % std::size(kKeys)];
    const size_t valueLength = std::min<size_t>(data[1] % 64, size - 2);
    const QByteArray value(reinterpret_cast<const char*>(data + 2), qsizetype(valueLength));
    const QByteArray text(reinterpret_cast<const char*>(data + 2 + valueLength),
                          qsizetype(size - 2 - valueLength));

    const QByteArray out = mb::ini::withKey(text, section, key, value);
    check(mb::ini::lookup(out, section, key) == sanitized(value), "value does not read back");
    check(mb::ini::withKey(out, section, key, value) == out, "second write changed the file");

    // The bytes that differ form one run inside a single line of the old file.
    qsizetype prefix = 0;
    while (prefix < text.size() && prefix < out.size() && text[prefix] == out[prefix]) ++prefix;
    qsizetype suffix = 0;
    while (suffix < text.size() - prefix && suffix < out.size() - prefix &&
           text[text.size() - 1 - suffix] == out[out.size() - 1 - suffix])
        ++suffix;
    check(!text.mid(prefix, text.size() - prefix - suffix).contains('\n'),
          "bytes outside the key's line changed");

    for (const char* s : kSections)
        for (const char* k : kKeys) {
            if (qstricmp(s, section) == 0 && qstricmp(k, key) == 0) continue;
            check(mb::ini::lookup(text, s, k) == mb::ini::lookup(out, s, k), "another key changed");
        }
    return 0;
}

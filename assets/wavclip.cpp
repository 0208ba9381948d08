#include "assets/wavclip.h"

#include <QtEndian>

#include <cstring>

namespace mb {
namespace {

constexpr int kRiffHeaderSize = 12;
constexpr int kChunkHeaderSize = 8;
constexpr int kMinFmtSize = 16;
constexpr quint16 kPcmFormatTag = 1;
constexpr quint16 kExtensibleFormatTag = 0xFFFE;
constexpr int kExtensibleSubFormatOffset = 24;
constexpr int kMaxChannels = 2;

quint16 u16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 u32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}

}  // namespace

std::optional<WavClip> WavClip::parse(const QByteArray& file) {
    if (file.size() < kRiffHeaderSize) return std::nullopt;
    const char* data = file.constData();
    if (std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }

    WavClip clip;
    bool haveFormat = false;
    bool haveData = false;
    qsizetype pos = kRiffHeaderSize;
    while (pos + kChunkHeaderSize <= file.size() && !haveData) {
        const char* chunk = data + pos;
        const quint32 size = u32(chunk + 4);
        const qsizetype body = pos + kChunkHeaderSize;
        if (size > quint32(file.size() - body)) return std::nullopt;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < kMinFmtSize) return std::nullopt;
            const char* f = data + body;
            quint16 tag = u16(f);
            if (tag == kExtensibleFormatTag && size >= kExtensibleSubFormatOffset + 2) {
                tag = u16(f + kExtensibleSubFormatOffset);
            }
            if (tag != kPcmFormatTag) return std::nullopt;
            clip.channels = u16(f + 2);
            clip.sampleRate = int(u32(f + 4));
            clip.bitsPerSample = u16(f + 14);
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return std::nullopt;
            clip.pcm = file.mid(body, size);
            haveData = true;
        }
        // Chunks are padded to an even length.
        pos = body + size + (size & 1u);
    }
    if (!haveData) return std::nullopt;
    if (clip.channels < 1 || clip.channels > kMaxChannels || clip.sampleRate <= 0 ||
        (clip.bitsPerSample != 8 && clip.bitsPerSample != 16)) {
        return std::nullopt;
    }
    // A trailing partial frame cannot be played.
    const int frameBytes = clip.channels * (clip.bitsPerSample / 8);
    clip.pcm.truncate(clip.pcm.size() - clip.pcm.size() % frameBytes);
    return clip;
}

}  // namespace mb

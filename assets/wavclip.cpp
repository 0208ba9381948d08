#include "assets/wavclip.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

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

// One sample of the clip as a float in -1..1.
float sampleAt(const WavClip& clip, qint64 frame, int channel) {
    const int bytes = clip.bitsPerSample / 8;
    const qint64 offset = (frame * clip.channels + channel) * bytes;
    // Files hold little-endian samples whatever the machine.
    const char* p = clip.pcm.constData() + offset;
    if (bytes == 1) return (static_cast<quint8>(*p) - 128) / 128.0f;
    return qFromLittleEndian<qint16>(p) / 32768.0f;
}

}  // namespace

qint64 WavClip::frameCount() const {
    const int frameBytes = channels * (bitsPerSample / 8);
    return frameBytes > 0 ? pcm.size() / frameBytes : 0;
}

qreal WavClip::durationSeconds() const {
    return sampleRate > 0 ? qreal(frameCount()) / sampleRate : 0.0;
}

QAudioFormat WavClip::format() const {
    QAudioFormat f;
    f.setSampleRate(sampleRate);
    f.setChannelCount(channels);
    f.setSampleFormat(bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    return f;
}

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

QByteArray convertPcm(const WavClip& clip, const QAudioFormat& target) {
    if (!target.isValid() || clip.sampleRate <= 0 || clip.frameCount() == 0) return {};
    const qint64 inFrames = clip.frameCount();
    const qint64 outFrames = std::max<qint64>(
        1, qint64(std::llround(double(inFrames) * target.sampleRate() / clip.sampleRate)));
    const int outChannels = target.channelCount();
    const int outBytes = target.bytesPerSample();

    QByteArray out(outFrames * outChannels * outBytes, Qt::Uninitialized);
    char* dst = out.data();
    const double step = double(clip.sampleRate) / target.sampleRate();
    std::vector<float> frame(outChannels);
    for (qint64 i = 0; i < outFrames; ++i) {
        const double src = i * step;
        const qint64 a = std::min<qint64>(qint64(src), inFrames - 1);
        const qint64 b = std::min<qint64>(a + 1, inFrames - 1);
        const float w = float(src - double(a));
        for (int c = 0; c < outChannels; ++c) {
            // Mono feeds every output channel; extra input channels are dropped.
            const int from = std::min(c, clip.channels - 1);
            frame[c] = sampleAt(clip, a, from) * (1.0f - w) + sampleAt(clip, b, from) * w;
        }
        for (int c = 0; c < outChannels; ++c) {
            const float v = std::clamp(frame[c], -1.0f, 1.0f);
            switch (target.sampleFormat()) {
                case QAudioFormat::UInt8:
                    *reinterpret_cast<quint8*>(dst) = quint8(std::lround(v * 127.0f) + 128);
                    break;
                case QAudioFormat::Int16: {
                    const auto s = qint16(std::lround(v * 32767.0f));
                    std::memcpy(dst, &s, sizeof s);
                    break;
                }
                case QAudioFormat::Int32: {
                    const auto s = qint32(std::llround(double(v) * 2147483647.0));
                    std::memcpy(dst, &s, sizeof s);
                    break;
                }
                case QAudioFormat::Float:
                    std::memcpy(dst, &v, sizeof v);
                    break;
                default:
                    return {};
            }
            dst += outBytes;
        }
    }
    return out;
}

}  // namespace mb

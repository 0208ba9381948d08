#include "backends/pcmconvert.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "assets/wavclip.h"

namespace mb {
namespace {

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

QAudioFormat audioFormatOf(const WavClip& clip) {
    QAudioFormat f;
    f.setSampleRate(clip.sampleRate);
    f.setChannelCount(clip.channels);
    f.setSampleFormat(clip.bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    return f;
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

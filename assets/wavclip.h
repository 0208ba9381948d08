#pragma once

#include <QByteArray>

#include <optional>

namespace mb {

// The samples of one sound clip as stored in a RIFF WAVE file with plain PCM data.
struct WavClip {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;  // 8 (unsigned) or 16 (signed, little-endian)
    QByteArray pcm;         // interleaved frames exactly as in the file's data chunk

    qint64 frameCount() const {
        const int frameBytes = channels * (bitsPerSample / 8);
        return frameBytes > 0 ? pcm.size() / frameBytes : 0;
    }
    qreal durationSeconds() const {
        return sampleRate > 0 ? qreal(frameCount()) / sampleRate : 0.0;
    }

    // Reads a WAVE file image. Anything but 8- or 16-bit PCM with 1 or 2 channels, or a file whose
    // chunks do not add up, gives no clip.
    static std::optional<WavClip> parse(const QByteArray& file);
};

}  // namespace mb

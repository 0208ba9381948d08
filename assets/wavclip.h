#pragma once

#include <QAudioFormat>
#include <QByteArray>

#include <optional>

namespace mb {

// The samples of one sound clip as stored in a RIFF WAVE file with plain PCM data.
struct WavClip {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;  // 8 (unsigned) or 16 (signed, little-endian)
    QByteArray pcm;         // interleaved frames exactly as in the file's data chunk

    qint64 frameCount() const;
    qreal durationSeconds() const;
    QAudioFormat format() const;

    // Reads a WAVE file image. Anything but 8- or 16-bit PCM with 1 or 2 channels, or a file whose
    // chunks do not add up, gives no clip.
    static std::optional<WavClip> parse(const QByteArray& file);
};

// The clip's samples converted to `target` (any rate, channel count and sample format Qt knows),
// for audio outputs that do not take the clip's own format. Resampling is linear, which is plenty
// for short effects. An invalid target gives an empty array.
QByteArray convertPcm(const WavClip& clip, const QAudioFormat& target);

}  // namespace mb

#pragma once
// Clip samples in the formats audio devices take.
#include <QAudioFormat>
#include <QByteArray>

namespace mb {

struct WavClip;

// The format the clip's samples are stored in.
QAudioFormat audioFormatOf(const WavClip& clip);

// The clip's samples converted to `target` (any rate, channel count and sample format Qt knows),
// for audio outputs that do not take the clip's own format. Resampling is linear, which is plenty
// for short effects. An invalid target gives an empty array.
QByteArray convertPcm(const WavClip& clip, const QAudioFormat& target);

}  // namespace mb

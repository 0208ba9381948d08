#pragma once
// Where the sound player sends its clips. The one output, on Qt Multimedia, lives in the
// services library (core/backends.h), so that the sound server's client and its codecs are
// not loaded before the first frame.
#include <QString>

namespace mb {

struct WavClip;

class AudioOut {
public:
    virtual ~AudioOut() = default;
    // Whether the system offers an output device now.
    virtual bool available() = 0;
    // Plays `clip` on the current output device, cutting off the one still sounding; does
    // nothing without a device. `name` keys the samples converted for the device, which are
    // kept for the next time.
    virtual void play(const QString& name, const WavClip& clip) = 0;
    virtual void stop() = 0;
};

// The services library's entry point that makes an output; the caller owns it.
inline constexpr char kMakeAudioOutSymbol[] = "marrowby_make_audio_out";
using MakeAudioOut = AudioOut* (*)();

}  // namespace mb

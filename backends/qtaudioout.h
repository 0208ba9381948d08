#pragma once
// The sound player's output on Qt Multimedia: one stream per clip on the system's default
// output device, with the clips converted once per device to a format it takes.
#include <QAudioFormat>
#include <QByteArray>
#include <QHash>
#include <QString>
#include <memory>

#include "assets/audioout.h"

class QAudioSink;

namespace mb {

class QtAudioOut final : public AudioOut {
public:
    QtAudioOut();
    ~QtAudioOut() override;

    bool available() override;
    void play(const QString& name, const WavClip& clip) override;
    void stop() override;

private:
    QHash<QString, QByteArray> converted_;  // playable samples per clip, in the sink's format
    QByteArray sinkDevice_;                 // id of the output the samples were prepared for
    QAudioFormat sinkFormat_;               // the format they were prepared in
    std::unique_ptr<QAudioSink> sink_;      // the clip now playing or last played, with its samples
};

}  // namespace mb

#include "backends/qtaudioout.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#include <QSysInfo>

#include "assets/wavclip.h"
#include "backends/pcmconvert.h"

namespace mb {
namespace {

// The format every clip is written in; used for the output when the device takes it.
QAudioFormat clipFormat() {
    constexpr int kClipRate = 22050;
    QAudioFormat format;
    format.setSampleRate(kClipRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

QtMessageHandler forwardedHandler = nullptr;

void dropMissingServerNotice(QtMsgType type, const QMessageLogContext& context,
                             const QString& message) {
    // On a machine without a sound server the audio backend reports the failed connection on
    // the console; that is a normal state here (headless runs, tests), not worth a line.
    if (message.startsWith(QLatin1String("PulseAudioService"))) return;
    forwardedHandler(type, context, message);
}

QAudioDevice currentOutput() {
    forwardedHandler = qInstallMessageHandler(dropMissingServerNotice);
    const QAudioDevice device = QMediaDevices::audioOutputs().isEmpty()
                                    ? QAudioDevice()
                                    : QMediaDevices::defaultAudioOutput();
    qInstallMessageHandler(forwardedHandler);
    return device;
}

}  // namespace

QtAudioOut::QtAudioOut() = default;

QtAudioOut::~QtAudioOut() {
    stop();
}

bool QtAudioOut::available() {
    return !currentOutput().isNull();
}

void QtAudioOut::play(const QString& name, const WavClip& clip) {
    stop();
    const QAudioDevice device = currentOutput();
    if (device.isNull()) return;
    if (device.id() != sinkDevice_ || !sinkFormat_.isValid()) {
        converted_.clear();
        sinkDevice_ = device.id();
        sinkFormat_ = clipFormat();
        if (!device.isFormatSupported(sinkFormat_)) sinkFormat_ = device.preferredFormat();
    }
    auto found = converted_.constFind(name);
    if (found == converted_.constEnd()) {
        const bool asStored =
            audioFormatOf(clip) == sinkFormat_ && QSysInfo::ByteOrder == QSysInfo::LittleEndian;
        found = converted_.insert(name, asStored ? clip.pcm : convertPcm(clip, sinkFormat_));
    }
    if (found->isEmpty()) return;

    // A fresh output stream per clip: restarting a stopped one is not reliable on every backend.
    // It stays open after the clip ends (stopping it at once could cut off what the backend
    // still holds) and goes when the next clip starts or the output is destroyed.
    sink_ = std::make_unique<QAudioSink>(device, sinkFormat_);
    auto* samples = new QBuffer(sink_.get());
    samples->setData(*found);
    samples->open(QIODevice::ReadOnly);
    sink_->start(samples);
}

void QtAudioOut::stop() {
    if (!sink_) return;
    sink_->stop();
    sink_.reset();
}

}  // namespace mb

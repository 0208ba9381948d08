#include "assets/soundplayer.h"

#include "assets/assets.h"
#include "assets/wavclip.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QMediaDevices>
#include <QSysInfo>

namespace mb {
namespace {

constexpr auto kSoundDirectory = ":/marrowby/sounds";
constexpr auto kSoundSuffix = ".wav";

QString resourcePath(const QString& lowerName) {
    return QStringLiteral("%1/%2%3").arg(QLatin1String(kSoundDirectory), lowerName,
                                         QLatin1String(kSoundSuffix));
}

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

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) {
    initAssets();
    buffer_ = new QBuffer(this);
}

SoundPlayer::~SoundPlayer() {
    stop();
}

QStringList SoundPlayer::clipNames() {
    initAssets();
    QStringList names;
    const QStringList files = QDir(QLatin1String(kSoundDirectory))
                                  .entryList({QStringLiteral("*") + QLatin1String(kSoundSuffix)},
                                             QDir::Files, QDir::Name);
    for (const QString& file : files) names << file.chopped(int(qstrlen(kSoundSuffix)));
    return names;
}

bool SoundPlayer::hasClip(const QString& name) {
    initAssets();
    const QString lower = name.toLower();
    // Names come from the network; keep them from reaching outside the sound folder.
    if (lower.isEmpty() || lower.contains(QLatin1Char('/'))) return false;
    return QFile::exists(resourcePath(lower));
}

bool SoundPlayer::audioAvailable() {
    return !currentOutput().isNull();
}

void SoundPlayer::play(const QString& name) {
    const QString lower = name.toLower();
    lastRequested_ = lower;
    emit requested(lower);
    if (!hasClip(lower)) return;

    const QAudioDevice device = currentOutput();
    if (device.isNull()) {
        stop();
        return;
    }
    if (sink_ == nullptr || sinkDevice_ != device.id()) {
        stop();
        delete sink_;
        converted_.clear();
        QAudioFormat format = clipFormat();
        if (!device.isFormatSupported(format)) format = device.preferredFormat();
        sink_ = new QAudioSink(device, format, this);
        sinkDevice_ = device.id();
        connect(sink_, &QAudioSink::stateChanged, this, [this](QAudio::State state) {
            // A clip that has played to its end releases the output stream.
            if (state == QAudio::IdleState && buffer_->atEnd()) sink_->stop();
        });
    }

    const QByteArray pcm = pcmFor(lower);
    if (pcm.isEmpty()) return;
    sink_->stop();
    buffer_->close();
    buffer_->setData(pcm);
    buffer_->open(QIODevice::ReadOnly);
    sink_->start(buffer_);
}

void SoundPlayer::stop() {
    if (sink_ != nullptr) sink_->stop();
    buffer_->close();
}

QByteArray SoundPlayer::pcmFor(const QString& name) {
    if (auto found = converted_.constFind(name); found != converted_.constEnd()) return *found;
    QFile file(resourcePath(name));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const std::optional<WavClip> clip = WavClip::parse(file.readAll());
    if (!clip) return {};
    const QAudioFormat target = sink_->format();
    const bool asStored = clip->format() == target && QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    const QByteArray pcm = asStored ? clip->pcm : convertPcm(*clip, target);
    converted_.insert(name, pcm);
    return pcm;
}

}  // namespace mb

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

#include <utility>

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

    stop();
    const QAudioDevice device = currentOutput();
    if (device.isNull()) return;
    if (device.id() != sinkDevice_ || !sinkFormat_.isValid()) {
        converted_.clear();
        sinkDevice_ = device.id();
        sinkFormat_ = clipFormat();
        if (!device.isFormatSupported(sinkFormat_)) sinkFormat_ = device.preferredFormat();
    }
    const QByteArray pcm = pcmFor(lower);
    if (pcm.isEmpty()) return;

    // A fresh output stream per clip: restarting a stopped one is not reliable on every backend.
    // It stays open after the clip ends (stopping it at once could cut off what the backend
    // still holds) and goes when the next clip starts or the player is destroyed.
    sink_ = new QAudioSink(device, sinkFormat_, this);
    auto* samples = new QBuffer(sink_);
    samples->setData(pcm);
    samples->open(QIODevice::ReadOnly);
    sink_->start(samples);
}

void SoundPlayer::stop() {
    if (sink_ == nullptr) return;
    sink_->stop();
    delete std::exchange(sink_, nullptr);
}

QByteArray SoundPlayer::pcmFor(const QString& name) {
    if (auto found = converted_.constFind(name); found != converted_.constEnd()) return *found;
    QFile file(resourcePath(name));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const std::optional<WavClip> clip = WavClip::parse(file.readAll());
    if (!clip) return {};
    const QAudioFormat& target = sinkFormat_;
    const bool asStored = clip->format() == target && QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    const QByteArray pcm = asStored ? clip->pcm : convertPcm(*clip, target);
    converted_.insert(name, pcm);
    return pcm;
}

}  // namespace mb

#include "assets/soundplayer.h"

#include "assets/assets.h"
#include "assets/wavclip.h"

#include <QDir>
#include <QFile>
#include <utility>

#include "core/backends.h"

namespace mb {
namespace {

constexpr auto kSoundDirectory = ":/marrowby/sounds";
constexpr auto kSoundSuffix = ".wav";

QString resourcePath(const QString& lowerName) {
    return QStringLiteral("%1/%2%3").arg(QLatin1String(kSoundDirectory), lowerName,
                                         QLatin1String(kSoundSuffix));
}

// The services library's output, or none.
std::unique_ptr<AudioOut> makeOutput() {
    const auto make = backends::entry<MakeAudioOut>(kMakeAudioOutSymbol);
    return std::unique_ptr<AudioOut>(make ? make() : nullptr);
}

}  // namespace

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) {
    initAssets();
}

SoundPlayer::~SoundPlayer() = default;

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
    const std::unique_ptr<AudioOut> out = makeOutput();
    return out && out->available();
}

void SoundPlayer::play(const QString& name) {
    const QString lower = name.toLower();
    lastRequested_ = lower;
    emit requested(lower);
    if (hasClip(lower)) sound(lower);
}

void SoundPlayer::sound(const QString& lower) {
    if (!outTried_) {
        // The library is still being opened on another core: the table must not stop for
        // it, so the clip waits instead, and a later one takes its place, as it would cut it
        // off if it were sounding.
        if (backends::stillOpening()) {
            if (waiting_.isEmpty())
                backends::whenOpened(this, [this] {
                    // Unless stop() came in between.
                    if (const QString clip = std::exchange(waiting_, {}); !clip.isEmpty())
                        sound(clip);
                });
            waiting_ = lower;
            return;
        }
        outTried_ = true;
        out_ = makeOutput();
    }
    if (!out_) return;
    if (const WavClip* clip = clipFor(lower))
        out_->play(lower, *clip);
    else
        out_->stop();
}

void SoundPlayer::stop() {
    waiting_.clear();
    if (out_) out_->stop();
}

const WavClip* SoundPlayer::clipFor(const QString& lowerName) {
    if (auto found = clips_.constFind(lowerName); found != clips_.constEnd()) return &*found;
    QFile file(resourcePath(lowerName));
    if (!file.open(QIODevice::ReadOnly)) return nullptr;
    std::optional<WavClip> clip = WavClip::parse(file.readAll());
    if (!clip) return nullptr;
    return &*clips_.insert(lowerName, std::move(*clip));
}

}  // namespace mb

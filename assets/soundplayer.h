#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "assets/audioout.h"
#include "assets/wavclip.h"

namespace mb {

// Plays the game's compiled-in sound clips by name ("turn", "select", "wave7", ...; letter case
// does not matter). Playing is asynchronous and one clip at a time: a new clip cuts off the one
// still sounding. Without an audio output device every request is still recorded (lastRequested()
// and requested()) but nothing is played and nothing is printed, so the class behaves the same in
// headless tests as on a desktop. The output itself is opened at the first clip, from the
// services library (core/backends.h).
class SoundPlayer : public QObject {
    Q_OBJECT

public:
    explicit SoundPlayer(QObject* parent = nullptr);
    ~SoundPlayer() override;

    // Every clip name in lower case, sorted: the eight game sounds and "wave1".."wave20".
    static QStringList clipNames();
    static bool hasClip(const QString& name);

    // Records the request, then plays the clip if it exists and audio output is possible.
    void play(const QString& name);
    void stop();

    // The lower-case name of the most recent play() request, known clip or not; empty before.
    QString lastRequested() const { return lastRequested_; }

    // Whether the system currently offers an audio output device (false without the services
    // library).
    static bool audioAvailable();

signals:
    // Emitted for every play() request with its lower-case name, before anything is played.
    void requested(const QString& name);

private:
    // Sends a known clip to the output, opening it first.
    void sound(const QString& lower);
    const WavClip* clipFor(const QString& lowerName);

    QString lastRequested_;
    QHash<QString, WavClip> clips_;  // each clip read once
    std::unique_ptr<AudioOut> out_;  // made at the first clip; none without the library
    bool outTried_ = false;
    QString waiting_;  // the clip asked for while the output's library was still opening
};

}  // namespace mb

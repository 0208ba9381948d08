#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class QAudioSink;

namespace mb {

// Plays the game's compiled-in sound clips by name ("turn", "select", "wave7", ...; letter case
// does not matter). Playing is asynchronous and one clip at a time: a new clip cuts off the one
// still sounding. Without an audio output device every request is still recorded (lastRequested()
// and requested()) but nothing is played and nothing is printed, so the class behaves the same in
// headless tests as on a desktop.
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

    // Whether the system currently offers an audio output device.
    static bool audioAvailable();

signals:
    // Emitted for every play() request with its lower-case name, before anything is played.
    void requested(const QString& name);

private:
    QByteArray pcmFor(const QString& name);

    QString lastRequested_;
    QHash<QString, QByteArray> converted_;  // playable samples per clip, in the sink's format
    QByteArray sinkDevice_;                 // id of the output the samples were prepared for
    QAudioFormat sinkFormat_;               // the format they were prepared in
    QAudioSink* sink_ = nullptr;            // the clip now playing or last played, with its samples
};

}  // namespace mb

#include "assets/assets.h"
#include "assets/soundplayer.h"
#include "assets/wavclip.h"
#include "backends/pcmconvert.h"

#include <QFile>
#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <cstring>

using mb::SoundPlayer;
using mb::WavClip;

namespace {

const QStringList kGameSounds = {"entered", "invalid", "replace", "roundover",
                                 "select",  "turn",    "turnnew", "winner"};

QStringList allExpectedClips() {
    QStringList names = kGameSounds;
    for (int n = 1; n <= 20; ++n) names << QStringLiteral("wave%1").arg(n);
    return names;
}

QByteArray chunk(const char* id, const QByteArray& body) {
    QByteArray out(id, 4);
    char size[4];
    qToLittleEndian<quint32>(quint32(body.size()), size);
    out.append(size, 4).append(body);
    if (body.size() % 2 == 1) out.append('\0');
    return out;
}

QByteArray fmtBody(quint16 tag, quint16 channels, quint32 rate, quint16 bits) {
    QByteArray body(16, '\0');
    char* p = body.data();
    qToLittleEndian<quint16>(tag, p);
    qToLittleEndian<quint16>(channels, p + 2);
    qToLittleEndian<quint32>(rate, p + 4);
    qToLittleEndian<quint32>(rate * channels * bits / 8, p + 8);
    qToLittleEndian<quint16>(quint16(channels * bits / 8), p + 12);
    qToLittleEndian<quint16>(bits, p + 14);
    return body;
}

QByteArray riff(const QByteArray& chunks) {
    QByteArray out("RIFF");
    char size[4];
    qToLittleEndian<quint32>(quint32(chunks.size() + 4), size);
    return out.append(size, 4).append("WAVE").append(chunks);
}

QByteArray int16Samples(std::initializer_list<qint16> samples) {
    QByteArray out;
    for (qint16 s : samples) {
        char b[2];
        qToLittleEndian<qint16>(s, b);
        out.append(b, 2);
    }
    return out;
}

}  // namespace

class SoundsTest : public QObject {
    Q_OBJECT

private slots:
    void everyClipIsPresentUnderItsName();
    void clipsAreShortCleanPcm();
    void parserReadsWellFormedFiles();
    void parserRejectsDamagedOrUnsupportedFiles();
    void conversionFollowsTheOutputFormat();
    void playerRecordsRequestsWithoutAudio();
    void playerStaysQuietWithoutAudioDevice();
};

void SoundsTest::everyClipIsPresentUnderItsName() {
    QStringList expected = allExpectedClips();
    expected.sort();
    QStringList names = SoundPlayer::clipNames();
    QCOMPARE(names, expected);
    for (const QString& name : expected) QVERIFY2(SoundPlayer::hasClip(name), qPrintable(name));
    // Names arrive from the network in any letter case.
    QVERIFY(SoundPlayer::hasClip("TURN"));
    QVERIFY(SoundPlayer::hasClip("Wave17"));
    for (const char* bad : {"", "wave0", "wave21", "turn.wav", "../sounds/turn", "sounds/turn"}) {
        QVERIFY2(!SoundPlayer::hasClip(QString::fromLatin1(bad)), bad);
    }
}

void SoundsTest::clipsAreShortCleanPcm() {
    mb::initAssets();
    // Game sounds are short cues; chatter clips are spoken words and may run longer.
    constexpr qreal kMaxGameSeconds = 1.2;
    constexpr qreal kMaxChatterSeconds = 2.5;
    constexpr qint64 kMaxChatterBytes = 800 * 1024;  // the whole set of twenty
    constexpr int kEdgeLimit = 328;                  // 1% of full scale: no click at start or end
    constexpr int kQuietestPeak = 8000;              // loud enough to be heard next to the others
    qint64 chatterBytes = 0;
    for (const QString& name : allExpectedClips()) {
        const bool chatter = !kGameSounds.contains(name);
        QFile file(QStringLiteral(":/marrowby/sounds/%1.wav").arg(name));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
        if (chatter) chatterBytes += file.size();
        const std::optional<WavClip> clip = WavClip::parse(file.readAll());
        QVERIFY2(clip.has_value(), qPrintable(name));
        QCOMPARE(clip->sampleRate, chatter ? 16000 : 22050);
        QCOMPARE(clip->channels, 1);
        QCOMPARE(clip->bitsPerSample, 16);
        const qreal limit = chatter ? kMaxChatterSeconds : kMaxGameSeconds;
        QVERIFY2(clip->durationSeconds() > 0.03 && clip->durationSeconds() < limit,
                 qPrintable(name));

        const qint64 frames = clip->frameCount();
        auto sample = [&](qint64 i) {
            return int(qFromLittleEndian<qint16>(clip->pcm.constData() + 2 * i));
        };
        int peak = 0;
        for (qint64 i = 0; i < frames; ++i) peak = std::max(peak, std::abs(sample(i)));
        QVERIFY2(peak > kQuietestPeak, qPrintable(name));
        QVERIFY2(peak < 32767, qPrintable(name + " clips"));
        QVERIFY2(std::abs(sample(0)) < kEdgeLimit, qPrintable(name));
        QVERIFY2(std::abs(sample(frames - 1)) < kEdgeLimit, qPrintable(name));
    }
    QVERIFY(chatterBytes < kMaxChatterBytes);
}

void SoundsTest::parserReadsWellFormedFiles() {
    // A LIST chunk of odd length before the data, as some editors write it.
    const QByteArray data = int16Samples({0, 1000, -1000, 32767, -32768, 5});
    const QByteArray file = riff(chunk("fmt ", fmtBody(1, 2, 8000, 16)) +
                                 chunk("LIST", QByteArray("INFOabc")) + chunk("data", data));
    const std::optional<WavClip> clip = WavClip::parse(file);
    QVERIFY(clip.has_value());
    QCOMPARE(clip->channels, 2);
    QCOMPARE(clip->sampleRate, 8000);
    QCOMPARE(clip->frameCount(), 3);
    QCOMPARE(clip->pcm, data);
    QCOMPARE(clip->durationSeconds(), 3.0 / 8000);
    QCOMPARE(mb::audioFormatOf(*clip).sampleFormat(), QAudioFormat::Int16);

    // 8-bit samples are unsigned; an odd-sized data chunk drops the partial frame.
    const QByteArray bytes("\x80\xff\x00", 3);
    const auto eight =
        WavClip::parse(riff(chunk("fmt ", fmtBody(1, 2, 11025, 8)) + chunk("data", bytes)));
    QVERIFY(eight.has_value());
    QCOMPARE(eight->frameCount(), 1);
    QCOMPARE(mb::audioFormatOf(*eight).sampleFormat(), QAudioFormat::UInt8);
}

void SoundsTest::parserRejectsDamagedOrUnsupportedFiles() {
    const QByteArray data = int16Samples({1, 2, 3, 4});
    const QByteArray good = riff(chunk("fmt ", fmtBody(1, 1, 22050, 16)) + chunk("data", data));
    QVERIFY(WavClip::parse(good).has_value());

    QVERIFY(!WavClip::parse(QByteArray()).has_value());
    QVERIFY(!WavClip::parse(good.left(11)).has_value());
    QVERIFY(!WavClip::parse(good.left(good.size() - 1)).has_value());  // data runs past the end
    QByteArray notRiff = good;
    std::memcpy(notRiff.data(), "RIFX", 4);
    QVERIFY(!WavClip::parse(notRiff).has_value());
    // MPEG Layer-3 inside a WAVE container is not PCM.
    QVERIFY(!WavClip::parse(riff(chunk("fmt ", fmtBody(0x55, 1, 22050, 16)) + chunk("data", data)))
                 .has_value());
    QVERIFY(!WavClip::parse(riff(chunk("fmt ", fmtBody(1, 1, 22050, 24)) + chunk("data", data)))
                 .has_value());
    QVERIFY(!WavClip::parse(riff(chunk("fmt ", fmtBody(1, 0, 22050, 16)) + chunk("data", data)))
                 .has_value());
    QVERIFY(!WavClip::parse(riff(chunk("data", data) + chunk("fmt ", fmtBody(1, 1, 22050, 16))))
                 .has_value());
    QVERIFY(!WavClip::parse(riff(chunk("fmt ", fmtBody(1, 1, 22050, 16)))).has_value());
}

void SoundsTest::conversionFollowsTheOutputFormat() {
    WavClip clip;
    clip.sampleRate = 22050;
    clip.channels = 1;
    clip.bitsPerSample = 16;
    clip.pcm = int16Samples({0, 16384, -16384, 32767});

    QAudioFormat stereoFloat;
    stereoFloat.setSampleRate(44100);
    stereoFloat.setChannelCount(2);
    stereoFloat.setSampleFormat(QAudioFormat::Float);
    const QByteArray out = mb::convertPcm(clip, stereoFloat);
    QCOMPARE(out.size(), 8 * 2 * qsizetype(sizeof(float)));
    std::vector<float> values(16);
    std::memcpy(values.data(), out.constData(), out.size());
    for (int frame = 0; frame < 8; ++frame) {
        QCOMPARE(values[2 * frame], values[2 * frame + 1]);  // mono copied to both sides
    }
    QVERIFY(std::abs(values[2 * 2] - 0.5f) < 0.01f);   // original sample 1
    QVERIFY(std::abs(values[2 * 1] - 0.25f) < 0.01f);  // halfway between samples 0 and 1
    QVERIFY(std::abs(values[2 * 4] + 0.5f) < 0.01f);   // original sample 2

    QAudioFormat bytes;
    bytes.setSampleRate(22050);
    bytes.setChannelCount(1);
    bytes.setSampleFormat(QAudioFormat::UInt8);
    const QByteArray eight = mb::convertPcm(clip, bytes);
    QCOMPARE(eight.size(), 4);
    QCOMPARE(quint8(eight[0]), quint8(128));
    QCOMPARE(quint8(eight[3]), quint8(255));

    QCOMPARE(mb::convertPcm(clip, QAudioFormat()), QByteArray());
}

void SoundsTest::playerRecordsRequestsWithoutAudio() {
    SoundPlayer player;
    QSignalSpy spy(&player, &SoundPlayer::requested);
    QCOMPARE(player.lastRequested(), QString());

    player.play("turn");
    QCOMPARE(player.lastRequested(), QString("turn"));
    player.play("WINNER");
    QCOMPARE(player.lastRequested(), QString("winner"));
    player.play("no such clip");
    QCOMPARE(player.lastRequested(), QString("no such clip"));

    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(0).at(0).toString(), QString("turn"));
    QCOMPARE(spy.at(1).at(0).toString(), QString("winner"));

    // Every clip in quick succession, each cutting off the one before, then a stop.
    for (const QString& name : SoundPlayer::clipNames()) player.play(name);
    player.stop();
    player.stop();
    QCOMPARE(spy.count(), 3 + SoundPlayer::clipNames().size());
}

namespace {
QStringList captured;
void capture(QtMsgType, const QMessageLogContext&, const QString& message) {
    captured << message;
}
}  // namespace

void SoundsTest::playerStaysQuietWithoutAudioDevice() {
    captured.clear();
    const QtMessageHandler previous = qInstallMessageHandler(capture);
    const bool audio = SoundPlayer::audioAvailable();
    {
        SoundPlayer player;
        player.play("select");
        player.play("replace");
        player.play("wave3");
    }
    qInstallMessageHandler(previous);
    if (audio) QSKIP("an audio output exists here; the quiet path is not taken");
    QVERIFY2(captured.isEmpty(), qPrintable(captured.join('\n')));
}

QTEST_MAIN(SoundsTest)
#include "test_sounds.moc"

#include "client/gamesettings.h"

#include <algorithm>

#include "core/profile.h"

namespace mb {

GameSettings readGameSettings(const ProfileFile& ini, const QString& section, QSize largest) {
    GameSettings s;
    auto text = [&](const char* key, const QString& fallback) {
        return ini.readString(section, QLatin1String(key), fallback);
    };
    s.textSize = std::clamp(ini.readInteger(section, QStringLiteral("Textsize"), kDefaultTextSize),
                            kMinTextSize, kMaxTextSize);
    auto coordinate = [&](const char* key, int fallback) {
        return std::clamp(ini.readInteger(section, QLatin1String(key), fallback),
                          -kMaxWindowCoordinate, kMaxWindowCoordinate);
    };
    auto extent = [&](const char* key, int fallback, int most) {
        return std::clamp(ini.readInteger(section, QLatin1String(key), fallback), 0,
                          std::max(most, fallback));
    };
    const QRect& d = kDefaultWindowBounds;
    s.bounds = QRect(coordinate("Left", d.left()), coordinate("Top", d.top()),
                     extent("Width", d.width(), largest.width()),
                     extent("Height", d.height(), largest.height()));

    s.textColour =
        textToColour(text("Textcolor", QStringLiteral("clblack"))).value_or(kColourBlack);
    bool numeric = false;
    const qlonglong score = text("Playtoscore", QStringLiteral("600")).toLongLong(&numeric);
    if (numeric) s.playToScore = score;

    const QString speed = text("Botspeed", QString());
    s.botSpeedMs = speed == QLatin1String("2000")  ? int(kBotSpeedSlow.count())
                   : speed == QLatin1String("500") ? int(kBotSpeedFast.count())
                                                   : int(kBotSpeedNormal.count());
    s.turnSound = text("Turnsound", QStringLiteral("0")) == QLatin1String("1") ? 1 : 0;
    for (int n = 1; n <= chat::kPhraseCount; ++n)
        s.phrases[size_t(n)] = ini.readString(section, QStringLiteral("Phrase%1").arg(n), QString())
                                   .left(kMaxStoredPhraseLength);
    s.playSounds = text("Playsounds", QString()) != QLatin1String("false");
    s.playerPhraseSounds =
        text("Playerphrasesounds", QStringLiteral("true")) != QLatin1String("false");
    s.showHelp = text("Help", QStringLiteral("1")) == QLatin1String("1");
    return s;
}

QList<std::pair<QString, QString>> gameSettingsKeys(const GameSettings& s, int playToScore) {
    auto flag = [](bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); };
    return {
        {QStringLiteral("Textsize"), QString::number(s.textSize)},
        {QStringLiteral("Top"), QString::number(s.bounds.top())},
        {QStringLiteral("Left"), QString::number(s.bounds.left())},
        {QStringLiteral("Width"), QString::number(s.bounds.width())},
        {QStringLiteral("Height"), QString::number(s.bounds.height())},
        {QStringLiteral("Textcolor"), colourToText(s.textColour)},
        {QStringLiteral("Playtoscore"), QString::number(playToScore)},
        {QStringLiteral("Botspeed"), QString::number(s.botSpeedMs)},
        {QStringLiteral("Turnsound"), QString::number(s.turnSound)},
        {QStringLiteral("Playerphrasesounds"), flag(s.playerPhraseSounds)},
        {QStringLiteral("Playsounds"), flag(s.playSounds)},
    };
}

}  // namespace mb

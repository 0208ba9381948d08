#include "lobby/lobbysettings.h"

#include "core/profile.h"
#include "host/hostcore.h"
#include "host/hostlimits.h"

namespace mb {

namespace {

const QString kSection = QString::fromLatin1(kLobbySection);

QString addressKey(int n) {
    return QStringLiteral("Address%1").arg(n);
}

}  // namespace

std::optional<QString> playerNameFor(const QString& typed) {
    const QString trimmed = typed.trimmed();
    if (trimmed.isEmpty()) return std::nullopt;
    return QString::fromUtf8(cutAtCharacter(trimmed.toUtf8(), kMaxNameBytes));
}

bool isAddressText(const QString& text) {
    if (text.isEmpty() || text.size() > kMaxAddressLength || text.startsWith(u'-')) return false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                        (u >= '0' && u <= '9') || u == '.' || u == '-';
        if (!ok) return false;
    }
    return true;
}

QStringList withAddress(QStringList list, const QString& address) {
    list.removeIf([&](const QString& a) { return a.compare(address, Qt::CaseInsensitive) == 0; });
    list.prepend(address);
    while (list.size() > kRememberedAddresses) list.removeLast();
    return list;
}

LobbySettings LobbySettings::load(const QString& path) {
    const ProfileFile file(path);
    LobbySettings s;
    s.name = file.readString(kSection, QStringLiteral("Name"), QString());
    for (int n = 1; n <= kRememberedAddresses; ++n) {
        const QString a = file.readString(kSection, addressKey(n), QString()).trimmed();
        // A hand-edited file may hold anything; only addresses the lobby could use come back.
        if (isAddressText(a) && !s.addresses.contains(a, Qt::CaseInsensitive))
            s.addresses.append(a);
    }
    return s;
}

bool LobbySettings::save(const QString& path) const {
    QList<std::pair<QString, QString>> keys{{QStringLiteral("Name"), name}};
    for (int n = 1; n <= kRememberedAddresses; ++n)
        keys.append({addressKey(n), addresses.value(n - 1)});
    ProfileFile file(path);
    return file.writeStrings(kSection, keys);
}

}  // namespace mb

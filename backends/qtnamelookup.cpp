#include "backends/qtnamelookup.h"

#include <QHostAddress>
#include <QHostInfo>
#include <algorithm>
#include <utility>

namespace mb {

int QtNameLookup::start(const QString& name, QObject* context, Done done) {
    return QHostInfo::lookupHost(name, context, [done = std::move(done)](const QHostInfo& info) {
        const QList<QHostAddress> addresses = info.addresses();
        const auto v4 = std::find_if(addresses.begin(), addresses.end(), [](const QHostAddress& a) {
            return a.protocol() == QAbstractSocket::IPv4Protocol;
        });
        if (info.error() != QHostInfo::NoError || v4 == addresses.end())
            done(std::nullopt);
        else
            done(v4->toIPv4Address());
    });
}

void QtNameLookup::abort(int id) {
    QHostInfo::abortHostLookup(id);
}

}  // namespace mb

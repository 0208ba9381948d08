#include "discovery/tabledirectory.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>

#include <QTimer>

#include "discovery/avahipoll.h"

namespace mb {

namespace {

AvahiStringList* stringList(const TableRecord& record) {
    AvahiStringList* list = nullptr;
    const QList<QByteArray> items = encodeTableRecord(record);
    // Avahi keeps the list in reverse; adding from the end gives the announced order.
    for (auto it = items.crbegin(); it != items.crend(); ++it)
        list = avahi_string_list_add_arbitrary(list, reinterpret_cast<const uint8_t*>(it->data()),
                                               size_t(it->size()));
    return list;
}

QString avahiError(int code) {
    return QString::fromUtf8(avahi_strerror(code));
}

QString keyOf(AvahiIfIndex interface, const char* name) {
    return QString::number(interface) + u'/' + QString::fromUtf8(name);
}

}  // namespace

struct TableDirectory::Callbacks {
    static void client(AvahiClient* client, AvahiClientState state, void* self) {
        auto* d = static_cast<TableDirectory*>(self);
        // The first call comes from inside avahi_client_new(), before it has returned.
        d->client_ = client;
        switch (state) {
            case AVAHI_CLIENT_S_RUNNING:
                d->clientRunning();
                break;
            case AVAHI_CLIENT_S_COLLISION:
            case AVAHI_CLIENT_S_REGISTERING:
                // The machine's own name is being settled; services are added again once it is.
                if (d->group_) avahi_entry_group_reset(d->group_);
                d->registered_ = false;
                break;
            case AVAHI_CLIENT_CONNECTING:
                // Also after a running daemon went away: what it held for us went with it, and
                // is announced again when a daemon runs.
                if (d->group_) avahi_entry_group_free(d->group_);
                d->group_ = nullptr;
                d->registered_ = false;
                d->setState(State::Unavailable, QStringLiteral("the Avahi service is not running"));
                break;
            case AVAHI_CLIENT_FAILURE:
                d->setState(State::Unavailable, avahiError(avahi_client_errno(client)));
                // Not from inside the client's own callback.
                QTimer::singleShot(0, d, [d] {
                    d->stopClient();
                    d->retryTimer_->start();
                });
                break;
        }
    }

    static void group(AvahiEntryGroup* group, AvahiEntryGroupState state, void* self) {
        auto* d = static_cast<TableDirectory*>(self);
        d->group_ = group;
        if (state == AVAHI_ENTRY_GROUP_COLLISION) {
            // Another table on the network has our name: take "NAME #2" and so on.
            char* other = avahi_alternative_service_name(d->name_.constData());
            d->name_ = QByteArray(other);
            avahi_free(other);
            avahi_entry_group_reset(group);
            d->registered_ = false;
            d->registerService();
        } else if (state == AVAHI_ENTRY_GROUP_FAILURE) {
            d->problem_ = avahiError(avahi_client_errno(avahi_entry_group_get_client(group)));
        }
    }

    static void browse(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol,
                       AvahiBrowserEvent event, const char* name, const char* type,
                       const char* domain, AvahiLookupResultFlags, void* self) {
        auto* d = static_cast<TableDirectory*>(self);
        if (event == AVAHI_BROWSER_NEW) {
            const QString key = keyOf(interface, name);
            if (d->tables_.contains(key)) return;
            // The resolver stays: it reports again when the table's record changes.
            AvahiServiceResolver* r =
                avahi_service_resolver_new(d->client_, interface, protocol, name, type, domain,
                                           AVAHI_PROTO_INET, AvahiLookupFlags(0), resolve, d);
            if (r) d->tables_.insert(key, Found{r, false});
        } else if (event == AVAHI_BROWSER_REMOVE) {
            const QString key = keyOf(interface, name);
            const auto it = d->tables_.find(key);
            if (it == d->tables_.end()) return;
            const bool reported = it->reported;
            avahi_service_resolver_free(it->resolver);
            d->tables_.erase(it);
            if (reported) emit d->tableRemoved(key);
        }
    }

    static void resolve(AvahiServiceResolver*, AvahiIfIndex interface, AvahiProtocol,
                        AvahiResolverEvent event, const char* name, const char*, const char*,
                        const char*, const AvahiAddress* address, uint16_t port,
                        AvahiStringList* txt, AvahiLookupResultFlags, void* self) {
        auto* d = static_cast<TableDirectory*>(self);
        const QString key = keyOf(interface, name);
        const auto it = d->tables_.find(key);
        if (it == d->tables_.end() || event != AVAHI_RESOLVER_FOUND || !address) return;
        // The record is fed item by item as the wire carries it, and the parser's size cap
        // stops a huge one early.
        TableRecordParser parser;
        for (AvahiStringList* item = txt; item; item = avahi_string_list_get_next(item)) {
            const qsizetype size =
                std::min<qsizetype>(qsizetype(avahi_string_list_get_size(item)), 255);
            const char length = char(size);
            parser.feed(QByteArrayView(&length, 1));
            parser.feed(QByteArrayView(
                reinterpret_cast<const char*>(avahi_string_list_get_text(item)), size));
        }
        RecordParse parse = parser.finish();
        if (!parse.record) {
            emit d->recordRefused(key, parse.reason);
            return;
        }
        char text[AVAHI_ADDRESS_STR_MAX] = {};
        avahi_address_snprint(text, sizeof text, address);
        it->reported = true;
        TableEntry entry{key, QByteArray(name), QString::fromLatin1(text), port, *parse.record};
        emit d->tableFound(entry);
    }
};

TableDirectory::TableDirectory(QObject* parent)
    : QObject(parent),
      poll_(new QtAvahiPoll(this)),
      updateTimer_(new QTimer(this)),
      retryTimer_(new QTimer(this)) {
    updateTimer_->setSingleShot(true);
    connect(updateTimer_, &QTimer::timeout, this, &TableDirectory::pushRecord);
    retryTimer_->setSingleShot(true);
    retryTimer_->setInterval(kDaemonRetryInterval);
    connect(retryTimer_, &QTimer::timeout, this, &TableDirectory::startClient);
}

TableDirectory::~TableDirectory() {
    stopClient();
}

void TableDirectory::setState(State state, const QString& problem) {
    problem_ = problem;
    if (state_ == state) return;
    state_ = state;
    if (state != State::Running) forgetTables();
    emit stateChanged(state);
}

void TableDirectory::startClient() {
    if (client_) return;
    int error = 0;
    // Without the daemon, the client waits for it (CONNECTING) instead of failing; without
    // the system bus it fails here, and is tried again later.
    AvahiClient* client =
        avahi_client_new(poll_->poll(), AVAHI_CLIENT_NO_FAIL, Callbacks::client, this, &error);
    if (!client) {
        client_ = nullptr;
        setState(State::Unavailable, error == AVAHI_ERR_NO_DAEMON || error == AVAHI_ERR_DBUS_ERROR
                                         ? QStringLiteral("the Avahi service is not running")
                                         : avahiError(error));
        retryTimer_->start();
    }
}

void TableDirectory::stopClient() {
    for (const Found& f : std::as_const(tables_)) avahi_service_resolver_free(f.resolver);
    tables_.clear();
    if (browser_) avahi_service_browser_free(browser_);
    browser_ = nullptr;
    if (group_) avahi_entry_group_free(group_);
    group_ = nullptr;
    registered_ = false;
    if (client_) avahi_client_free(client_);
    client_ = nullptr;
}

void TableDirectory::forgetTables() {
    QList<QString> gone;
    for (auto it = tables_.begin(); it != tables_.end(); ++it) {
        if (it->reported) gone << it.key();
        avahi_service_resolver_free(it->resolver);
    }
    tables_.clear();
    if (browser_) avahi_service_browser_free(browser_);
    browser_ = nullptr;
    for (const QString& key : gone) emit tableRemoved(key);
}

void TableDirectory::clientRunning() {
    setState(State::Running);
    if (announcing_) registerService();
    if (browsing_ && !browser_) {
        browser_ =
            avahi_service_browser_new(client_, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET, kTableServiceType,
                                      nullptr, AvahiLookupFlags(0), Callbacks::browse, this);
        if (!browser_) problem_ = avahiError(avahi_client_errno(client_));
    }
}

void TableDirectory::announce(const QString& name, quint16 port, const TableRecord& record) {
    announcing_ = true;
    name_ = tableNameFor(name);
    if (name_.isEmpty()) name_ = "Marrowby";
    port_ = port;
    record_ = record;
    if (!client_)
        startClient();
    else if (state_ == State::Running)
        registerService();
}

void TableDirectory::browse() {
    browsing_ = true;
    if (!client_)
        startClient();
    else if (state_ == State::Running)
        clientRunning();
}

void TableDirectory::registerService() {
    if (!client_ || registered_) return;
    if (!group_) group_ = avahi_entry_group_new(client_, Callbacks::group, this);
    if (!group_) {
        problem_ = avahiError(avahi_client_errno(client_));
        return;
    }
    AvahiStringList* txt = stringList(record_);
    int error = avahi_entry_group_add_service_strlst(
        group_, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AvahiPublishFlags(0), name_.constData(),
        kTableServiceType, nullptr, nullptr, port_, txt);
    avahi_string_list_free(txt);
    if (error == AVAHI_ERR_COLLISION) {
        char* other = avahi_alternative_service_name(name_.constData());
        name_ = QByteArray(other);
        avahi_free(other);
        registerService();
        return;
    }
    if (error == 0) error = avahi_entry_group_commit(group_);
    if (error != 0) {
        problem_ = avahiError(error);
        return;
    }
    registered_ = true;
    published_ = record_;
    sinceUpdate_.start();
}

void TableDirectory::setRecord(const TableRecord& record) {
    record_ = record;
    if (!registered_ || updateTimer_->isActive() || record_ == published_) return;
    const auto elapsed = std::chrono::milliseconds(sinceUpdate_.elapsed());
    if (elapsed >= kRecordUpdateInterval)
        pushRecord();
    else
        updateTimer_->start(kRecordUpdateInterval - elapsed);
}

void TableDirectory::pushRecord() {
    if (!registered_ || !group_ || record_ == published_) return;
    AvahiStringList* txt = stringList(record_);
    const int error = avahi_entry_group_update_service_txt_strlst(
        group_, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AvahiPublishFlags(0), name_.constData(),
        kTableServiceType, nullptr, txt);
    avahi_string_list_free(txt);
    if (error != 0) {
        problem_ = avahiError(error);
        return;
    }
    published_ = record_;
    sinceUpdate_.start();
}

}  // namespace mb

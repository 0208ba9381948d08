#include "client/application.h"

#include <cstdio>
#include <type_traits>

#include "client/spylistform.h"
#include "core/backends.h"
#include "dialogs/aboutform.h"
#include "dialogs/downloadform.h"
#include "dialogs/gamestartform.h"
#include "dialogs/helpform.h"
#include "dialogs/phrasesform.h"
#include "host/serverform.h"
#include "host/tableannouncer.h"
#include "net/namelookup.h"
#include "records/tallylistform.h"
#include "widgets/blinkrest.h"
#include "widgets/storeahead.h"

Application::Application(QStringList arguments, Tchat::Ports ports,
                         std::chrono::milliseconds breakInterval) {
    // An idle table must not wake twice a second for the chat entry's cursor.
    blinkRest_ = std::make_unique<mb::BlinkRest>();
    // Each window's first frame is painted into memory already given to it.
    storeAhead_ = std::make_unique<mb::StoreAhead>();
    // A joining copy dials its host by name, through the services library, opened then.
    mb::setNameLookup([] {
        const auto get = mb::backends::entry<mb::GetNameLookup>(mb::kNameLookupSymbol);
        return get ? get() : nullptr;
    });
    chat_ = std::make_unique<Tchat>(arguments, ports);
    Tchat* chat = chat_.get();
    mb::ServerOptions options;
    options.port = QString::number(ports.game);
    options.breakInterval = breakInterval;
    // The local host follows the hosting player's Bot Speed menu and turn count.
    options.botSpeed = [chat] { return std::chrono::milliseconds(chat->botSpeed()); };
    options.hostTurnCount = [chat] { return chat->state().myturncount; };
    // Another connection's malformed message must not put a box in front of the table.
    options.malformedSink = [chat](const QString& text) { chat->peerNotice(text); };
    server_ = std::make_unique<mb::TServer>(std::move(options));
    if (arguments.size() >= 3 && arguments[2] == QLatin1String("true")) {
        announcer_ = std::make_unique<mb::TableAnnouncer>(
            *server_, QStringLiteral("%1's table").arg(arguments[0]));
        QObject::connect(
            announcer_.get(), &mb::TableAnnouncer::unavailable, [](const QString& reason) {
                std::fprintf(stderr, "marrowby: not announced on the local network: %s\n",
                             qPrintable(reason));
            });
    }
    about_ = std::make_unique<Tabout>();
    // The rest when first asked for (see Tchat::Windows), each into its place here.
    const auto maker = [](auto& window) {
        return [&window] {
            window = std::make_unique<typename std::decay_t<decltype(window)>::element_type>();
            return window.get();
        };
    };
    chat->attach({server_.get(), about_.get(), maker(download_), maker(gamestart_), maker(help_),
                  maker(phrases_), maker(spylist_), maker(tallylist_)});
}

// Through the table's side, so that each window is made and fitted out in one place.
Tdownload& Application::download() {
    return *chat_->downloadWindow();
}
Thelp& Application::help() {
    return *chat_->helpWindow();
}
Tgamestart& Application::gamestart() {
    return *chat_->gamestartWindow();
}
Tphrases& Application::phrases() {
    return *chat_->phrasesWindow();
}
Tspylist& Application::spylist() {
    return *chat_->spylistWindow();
}
Ttallylist& Application::tallylist() {
    return *chat_->tallylistWindow();
}

Application::~Application() = default;

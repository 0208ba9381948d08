#pragma once
// Creates the windows of the program, in the fixed order the program relies on, and keeps
// them alive until the process ends. The table, the host and the about window are made at
// once; the side windows when first asked for (see Tchat::Windows): the first frame needs
// none of them.
#include <QStringList>
#include <chrono>
#include <memory>

#include "client/chatform.h"

namespace mb {
class BlinkRest;
class StoreAhead;
class TableAnnouncer;
}  // namespace mb

class Application {
public:
    // The pause interval is the host's one-second tick; tests shorten it.
    explicit Application(QStringList arguments, Tchat::Ports ports = {},
                         std::chrono::milliseconds breakInterval = std::chrono::seconds(1));
    ~Application();

    Tchat& main() { return *chat_; }
    mb::TServer& server() { return *server_; }
    Tabout& about() { return *about_; }
    // These are made the first time they are asked for, here or by the table.
    Tdownload& download();
    Tgamestart& gamestart();
    Thelp& help();
    Tphrases& phrases();
    Tspylist& spylist();
    Ttallylist& tallylist();

private:
    // Declared in creation order; destroyed in reverse.
    std::unique_ptr<mb::BlinkRest> blinkRest_;
    std::unique_ptr<mb::StoreAhead> storeAhead_;
    std::unique_ptr<Tchat> chat_;
    std::unique_ptr<mb::TServer> server_;
    // A copy that hosts for others tells the local network about its table.
    std::unique_ptr<mb::TableAnnouncer> announcer_;
    std::unique_ptr<Tabout> about_;
    std::unique_ptr<Tdownload> download_;
    std::unique_ptr<Tgamestart> gamestart_;
    std::unique_ptr<Thelp> help_;
    std::unique_ptr<Tphrases> phrases_;
    std::unique_ptr<Tspylist> spylist_;
    std::unique_ptr<Ttallylist> tallylist_;
};

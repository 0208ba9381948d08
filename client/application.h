#pragma once
// Creates every window of the program, in the fixed order the program relies on, and keeps
// them alive until the process ends. The help window alone is made when it is first opened:
// it is the costliest of them to build and most games never show it.
#include <QStringList>
#include <chrono>
#include <memory>

#include "client/chatform.h"

namespace mb {
class BlinkRest;
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
    Tdownload& download() { return *download_; }
    Tgamestart& gamestart() { return *gamestart_; }
    // Built the first time it is asked for, by the Help menu or here.
    Thelp& help();
    Tphrases& phrases() { return *phrases_; }
    Tspylist& spylist() { return *spylist_; }
    Ttallylist& tallylist() { return *tallylist_; }

private:
    // Declared in creation order; destroyed in reverse.
    std::unique_ptr<mb::BlinkRest> blinkRest_;
    std::unique_ptr<Tchat> chat_;
    std::unique_ptr<mb::TServer> server_;
    // A copy that hosts for others tells the local network about its table.
    std::unique_ptr<mb::TableAnnouncer> announcer_;
    std::unique_ptr<Tabout> about_;
    std::unique_ptr<Tdownload> download_;
    std::unique_ptr<Tgamestart> gamestart_;
    std::unique_ptr<Thelp> help_;  // see help()
    std::unique_ptr<Tphrases> phrases_;
    std::unique_ptr<Tspylist> spylist_;
    std::unique_ptr<Ttallylist> tallylist_;
};

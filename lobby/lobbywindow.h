#pragma once
// The lobby's window: the player's name, the tables found on this network, an address for a
// table elsewhere, and Join, Host a Table and Play Solo, each of which starts the game
// program. While a game it started is linked the window stays hidden; it comes back with a
// line saying how the game ended. The rules live in the window-free parts beside it.
#include <QStringList>
#include <QWidget>
#include <functional>

#include "net/protocol.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace mb {

enum class GameEnd;
class LobbyLink;
class TableDirectory;
class TableList;

class LobbyWindow : public QWidget {
    Q_OBJECT
public:
    // Starts the game program with `arguments`; false with a reason when it cannot.
    using Launcher = std::function<bool(const QStringList& arguments, QString* error)>;
    // The game program "marrowby" in `directory` (normally the lobby's own).
    static Launcher gameIn(const QString& directory);

    LobbyWindow(QString settingsPath, Launcher launcher, quint16 linkPort = kLobbyPort,
                QWidget* parent = nullptr);
    ~LobbyWindow() override;

    TableList& tables() { return *tables_; }
    TableDirectory& directory() { return *directory_; }
    LobbyLink& link() { return *link_; }
    // Shows the window above the others (a second lobby asks for this).
    void bringToFront();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void join();
    void hostTable();
    void playSolo();
    // The checked name, or nothing after saying what is wrong.
    std::optional<QString> checkedName();
    void start(const QStringList& arguments);
    void setStatus(const QString& text);
    void gameEnded(GameEnd end);
    void showDirectoryState();

    QString settingsPath_;
    Launcher launcher_;
    TableDirectory* directory_;
    TableList* tables_;
    LobbyLink* link_;
    QLabel* logo_;
    QLineEdit* name_;
    QTreeView* list_;
    QLabel* notice_;
    QComboBox* address_;
    QPushButton* join_;
    QPushButton* host_;
    QPushButton* solo_;
    QLabel* status_;
    QStringList addresses_;
    // An address typed for the game now running that was not remembered before: forgotten
    // again if that game reports it never got into the table, so that a mistyped address
    // does not stay in the list.
    QString untried_;
    bool linkTaken_ = false;
};

}  // namespace mb

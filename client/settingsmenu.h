#pragma once
// The Options menu and the settings behind it: it owns the menu's items, the colour dialog and
// one GameSettings value, reads the settings file once per start and writes it on each change.
// The window learns of a change through the signals; it never looks the items up by name.
#include <QObject>
#include <QString>
#include <functional>

#include "client/gamesettings.h"

class QAction;
class QActionGroup;
class QColorDialog;
class QMenu;
class QWidget;

class SettingsMenu : public QObject {
    Q_OBJECT
public:
    // `window` is the parent of the colour dialog and of notices; `section` the game's section.
    SettingsMenu(QWidget* window, QString section);

    // Builds the items into the Options menu, once, in their final order.
    void buildOptions(QMenu* options);

    void setPath(const QString& path) { path_ = path; }
    const QString& path() const { return path_; }

    // Reads the file and sets the items from it; marks the quick instructions as seen.
    const mb::GameSettings& load(QSize largestWindow);
    bool loaded() const { return loaded_; }
    const mb::GameSettings& values() const { return values_; }
    // Writes the values with the window's own ones (its bounds, the target score) as `gather`
    // gives them. Nothing is written before the file was read: the built-in values would
    // overwrite what earlier runs stored.
    void save();
    void setGather(std::function<void(mb::GameSettings&, int& playToScore)> gather) {
        gather_ = std::move(gather);
    }
    void setBounds(const QRect& bounds) { values_.bounds = bounds; }

    // The two items whose check marks follow other parts of the window.
    QAction* scrollChatOffItem() const { return scrollChatOff_; }
    QAction* justWatchItem() const { return justWatch_; }

signals:
    void textSizeChosen(int points);  // from the next line on
    void colourChosen(mb::WinColor colour);
    void scrollChatOffToggled(bool off);
    void clearChatChosen();
    void resetLocationChosen();
    void justWatchChosen();  // the check mark follows the host's answer, not the click

private:
    void showTextSize(int points);
    void chooseColour();

    QWidget* window_;
    QString section_;
    QString path_;
    mb::GameSettings values_;
    bool loaded_ = false;
    std::function<void(mb::GameSettings&, int&)> gather_;
    QAction* playSounds_ = nullptr;
    QAction* playerPhraseSounds_ = nullptr;
    QActionGroup* turnSound_ = nullptr;
    QActionGroup* botSpeed_ = nullptr;
    QActionGroup* textSize_ = nullptr;
    QAction* scrollChatOff_ = nullptr;
    QAction* justWatch_ = nullptr;
    QColorDialog* colourDialog_ = nullptr;
};

#pragma once
// The host's game start dialog: one choice, the score to play to.
#include <QDialog>

class QSpinBox;

namespace mb {
class PictureButton;
}

class Tgamestart : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMinScore = 100;
    static constexpr int kMaxScore = 10000;
    static constexpr int kStep = 100;

    explicit Tgamestart(QWidget* parent = nullptr);
    int playToScore() const;
    void setPlayToScore(int score);
    // Takes the main window's background picture.
    // The dialog's start picture, as a click target for tests and keyboard users alike.
    void button_startClick();

signals:
    void startRequested(int playToScore);

private:
    QSpinBox* UpDown1 = nullptr;  // the arrows and the read-only edit box they drive
    mb::PictureButton* button_start = nullptr;
};

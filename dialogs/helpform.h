#pragma once
// The help window: fixed help texts, one topic at a time, chosen with the buttons on its left.
#include <QDialog>
#include <array>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

class Thelp : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTopicCount = 8;

    explicit Thelp(QWidget* parent = nullptr);
    // Brings the text box of topic `tag` (1..8) to the front, as its button does.
    void SelButton1Click(int tag);
    int currentTopic() const;
    QString captionText() const;
    QPlainTextEdit* memo(int tag) const { return memos_.at(size_t(tag)); }
    QPushButton* topicButton(int tag) const { return buttons_.at(size_t(tag)); }

signals:
    // The "About" button: the main window shows its about window.
    void aboutRequested();

private:
    std::array<QPlainTextEdit*, kTopicCount + 1> memos_{};
    std::array<QPushButton*, kTopicCount + 1> buttons_{};
    QStackedWidget* stack_ = nullptr;
    QLabel* caption_ = nullptr;
};

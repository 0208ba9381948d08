#pragma once
// The phrase list: the user edits the texts of the nine phrase buttons and stores them.
#include <QDialog>
#include <QStringList>
#include <array>

class QLineEdit;

class Tphrases : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPhraseCount = 9;
    static constexpr int kMaxPhraseLength = 50;

    explicit Tphrases(QWidget* parent = nullptr);
    // The settings file and section the phrases are stored in.
    void setSettings(const QString& path, const QString& section);
    // Fills the boxes with the buttons' current phrases (index 0 is button 1) and shows the
    // window; edits made before an earlier close without "Done" are gone.
    void showPhrases(const QStringList& phrases);
    QLineEdit* phraseEdit(int n) const { return phrase.at(size_t(n)); }
    void button_doneClick();

signals:
    // The nine texts (index 0 is button 1), to become the buttons' phrases at once.
    void phrasesApplied(const QStringList& phrases);

private:
    std::array<QLineEdit*, kPhraseCount + 1> phrase{};
    QString path_;
    QString section_;
};

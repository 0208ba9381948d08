#pragma once
// Finding the game's non-modal message boxes by their text.
#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace mbtest {

enum class BoxState { Any, Visible };

inline QMessageBox* findBox(const QString& text, BoxState state = BoxState::Any) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w);
            box && box->text() == text && (state == BoxState::Any || box->isVisible()))
            return box;
    return nullptr;
}

}  // namespace mbtest

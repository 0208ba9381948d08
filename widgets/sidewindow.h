#pragma once
// The program's side windows (start, spy list, tally, help, about, phrases) open centred on the
// main window, wherever it stands, and in front of it.
class QWidget;

namespace mb {

// Centres `side` on `window`. Does nothing for a window that is not there.
void centreOn(QWidget* side, const QWidget* window);
// Centres `side` on `window`, shows it and brings it to the front.
void showCentredOn(QWidget* side, const QWidget* window);

}  // namespace mb

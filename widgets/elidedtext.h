#pragma once
// Texts that may be longer than the room they get: names other players chose (up to 32 bytes)
// and phrases. They are cut with "…" where they would be clipped, and the whole text is shown
// as a tooltip, always as plain text: a name must never be read as markup.
#include <QString>

class QLabel;

namespace mb {

// A tooltip that shows the text exactly as it was typed.
QString plainToolTip(const QString& text);

// Shows `text` followed by `ending` in the label, the text cut with "…" so that the ending
// always fits the label's width; the whole text becomes the tooltip when it was cut.
void setElidedText(QLabel* label, const QString& text, const QString& ending = {});

}  // namespace mb

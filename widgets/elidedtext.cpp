#include "widgets/elidedtext.h"

#include <QFontMetrics>
#include <QLabel>
#include <algorithm>

namespace mb {

QString plainToolTip(const QString& text) {
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

void setElidedText(QLabel* label, const QString& text, const QString& ending) {
    const QFontMetrics metrics(label->font());
    const int room = std::max(0, label->contentsRect().width() - metrics.horizontalAdvance(ending));
    const QString shown = metrics.elidedText(text, Qt::ElideRight, room);
    label->setText(shown + ending);
    label->setToolTip(shown == text ? QString() : plainToolTip(text));
}

}  // namespace mb

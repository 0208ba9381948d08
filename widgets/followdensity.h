#pragma once
// Pictures drawn for a pixel density, kept in step with the screen their widget shows on.
#include <QtGlobal>
#include <functional>

class QWidget;

namespace mb {

// Calls `apply` with the widget's pixel density whenever the widget is shown, or its window
// moves to another screen while it shows, at a density other than the one last applied.
// `applied` is the density the widget's pictures were drawn for already; 0 when none were.
// A hidden widget draws nothing: the next show catches up. The watch is a child of the widget.
void followDensity(QWidget* widget, std::function<void(qreal dpr)> apply, qreal applied = 0);

}  // namespace mb

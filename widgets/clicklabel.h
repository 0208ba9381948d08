#pragma once
// A label that reports clicks with its tag. It shows text as plain text only: names and lines
// typed by other players must never be read as markup.
#include <QLabel>

namespace mb {

class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(int tag = 0, QWidget* parent = nullptr);
    int tag() const { return tag_; }

signals:
    void clicked(int tag);
    void rightClicked(int tag, const QPoint& globalPos);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    int tag_;
};

}  // namespace mb

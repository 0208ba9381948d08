#pragma once
// A picture button: the normal picture, and the pressed one while the button is held down.
#include <QAbstractButton>
#include <QPixmap>

namespace mb {

class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PictureButton(QWidget* parent = nullptr);
    void setPictures(QPixmap normal, QPixmap pressed);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap normal_;
    QPixmap pressed_;
};

}  // namespace mb

#include "widgets/programicons.h"

#include <QImage>
#include <QPixmap>

namespace mb {

QIcon compiledIcon(std::span<const IconData> sizes) {
    QIcon icon;
    for (const IconData& size : sizes) {
        const QImage image(reinterpret_cast<const uchar*>(size.argb), size.pixels, size.pixels,
                           size.pixels * int(sizeof(*size.argb)),
                           QImage::Format_ARGB32_Premultiplied);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

}  // namespace mb

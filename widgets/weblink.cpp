#include "widgets/weblink.h"

#include <QDesktopServices>

namespace mb {
namespace {

WebOpener& opener() {
    static WebOpener current = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return current;
}

}  // namespace

bool openWebAddress(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return false;
    return opener() ? opener()(url) : false;
}

WebOpener setWebOpener(WebOpener next) {
    WebOpener previous = std::move(opener());
    opener() = std::move(next);
    return previous;
}

}  // namespace mb

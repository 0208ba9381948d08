#pragma once
// Opening a web address with the desktop's default handler. Only http and https addresses are
// handed on: anything else (file:, a custom scheme) could start a program.
#include <QUrl>
#include <functional>

namespace mb {

using WebOpener = std::function<bool(const QUrl&)>;

// False for a scheme other than http or https, or when the desktop cannot open it.
bool openWebAddress(const QUrl& url);
// Tests capture what would be opened; returns the previous opener so it can be restored.
WebOpener setWebOpener(WebOpener opener);

}  // namespace mb

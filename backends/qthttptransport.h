#pragma once
// The HTTP client's transport on Qt Network (dialogs/httptransfer.h).
#include "dialogs/httptransfer.h"

class QNetworkAccessManager;

namespace mb {

class QtHttpTransport final : public HttpTransport {
public:
    explicit QtHttpTransport(QObject* owner);
    std::unique_ptr<HttpTransfer> get(const HttpRequest& request,
                                      HttpTransfer::Hooks hooks) override;

private:
    QNetworkAccessManager* manager_;  // a child of the owner
};

}  // namespace mb

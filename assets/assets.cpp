#include "assets/assets.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerAssetResources() {
    Q_INIT_RESOURCE(assets);
}

namespace mb {

void initAssets() {
    static const bool registered = [] {
        registerAssetResources();
        return true;
    }();
    Q_UNUSED(registered);
}

}  // namespace mb

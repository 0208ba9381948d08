#include "widgets/fontsahead.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

namespace mb {

// The same call Qt's font database makes first: it loads the configuration once per process,
// and every later call finds it loaded.
FontsAhead::FontsAhead() {
    try {
        thread_ = std::jthread([] { FcInit(); });
    } catch (const std::system_error&) {
        // No thread to be had: the first text reads the configuration, as it would anyway.
    }
}

void FontsAhead::wait() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace mb

#include "widgets/fontsahead.h"

#include <fontconfig/fontconfig.h>

namespace mb {

// The same call Qt's font database makes first: it loads the configuration once per process,
// and every later call finds it loaded.
FontsAhead::FontsAhead() : thread_([] { FcInit(); }) {}

void FontsAhead::wait() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace mb

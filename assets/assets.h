#pragma once

namespace mb {

// Registers the compiled-in pictures and sound clips with Qt's resource system. The library is
// static, so its resources only exist once this has run; every entry point of the library calls
// it itself, and calling it again is harmless.
void initAssets();

}  // namespace mb

// What the programs find in this library when they open it (core/backends.h): plain C names,
// so that a lookup by name finds them.
#include "assets/audioout.h"
#include "backends/qtaudioout.h"
#include "backends/qthttptransport.h"
#include "backends/qtnamelookup.h"
#include "core/backends.h"
#include "net/namelookup.h"

extern "C" {

__attribute__((visibility("default"))) int marrowby_backends_interface() {
    return mb::backends::kInterfaceVersion;
}

__attribute__((visibility("default"))) mb::AudioOut* marrowby_make_audio_out() {
    return new mb::QtAudioOut;
}

__attribute__((visibility("default"))) mb::NameLookup* marrowby_name_lookup() {
    // One for the whole program, as long as it runs: sockets may dial until the very end.
    static mb::QtNameLookup lookup;
    return &lookup;
}

__attribute__((visibility("default"))) mb::HttpTransport* marrowby_make_http_transport(
    QObject* owner) {
    return new mb::QtHttpTransport(owner);
}

}  // extern "C"

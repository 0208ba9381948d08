#include "net/namelookup.h"

namespace mb {
namespace {

// Set once at the start on the UI thread and only read after; sockets live on that thread.
NameLookup* programLookup = nullptr;

}  // namespace

void setNameLookup(NameLookup* lookup) {
    programLookup = lookup;
}

NameLookup* nameLookup() {
    return programLookup;
}

}  // namespace mb

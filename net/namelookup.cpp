#include "net/namelookup.h"

#include <utility>

namespace mb {
namespace {

// Set once at the start on the UI thread and only read after; sockets live on that thread.
NameLookup* programLookup = nullptr;
std::function<NameLookup*()> lookupMaker;

}  // namespace

void setNameLookup(NameLookup* lookup) {
    programLookup = lookup;
    lookupMaker = nullptr;
}

void setNameLookup(std::function<NameLookup*()> maker) {
    programLookup = nullptr;
    lookupMaker = std::move(maker);
}

NameLookup* nameLookup() {
    // Asked once: a maker that found nothing is not asked again at every name.
    if (lookupMaker) programLookup = std::exchange(lookupMaker, nullptr)();
    return programLookup;
}

}  // namespace mb

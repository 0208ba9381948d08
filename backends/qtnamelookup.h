#pragma once
// The name look-up of the programs that dial names (the game joining a host by name): the
// system's resolver through QtNetwork, on its own threads, so a slow name server never
// freezes a window.
#include "net/namelookup.h"

namespace mb {

class QtNameLookup final : public NameLookup {
public:
    int start(const QString& name, QObject* context, Done done) override;
    void abort(int id) override;
};

}  // namespace mb

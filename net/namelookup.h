#pragma once
// How the socket component finds the address of a host name without blocking. It asks
// through this interface rather than a resolver of its own, so that a program that never
// dials a name (the dedicated host listens only) does not load a resolver and its libraries:
// about a megabyte of every table a server runs.
#include <QString>
#include <functional>
#include <optional>

class QObject;

namespace mb {

class NameLookup {
public:
    // The first IPv4 address of the name, in host byte order; nothing when it was not found.
    using Done = std::function<void(std::optional<quint32> address)>;

    virtual ~NameLookup() = default;
    // Starts looking `name` up. `done` runs later from the event loop, never inside this
    // call, and not at all once `context` is gone or the look-up has been aborted. Returns an
    // id for abort(), zero or more.
    virtual int start(const QString& name, QObject* context, Done done) = 0;
    virtual void abort(int id) = 0;
};

// The program's look-up, which it keeps alive for as long as sockets may dial. None is set at
// first: then every name is not found (reported, as always, later from the event loop).
void setNameLookup(NameLookup* lookup);
// Or one made at the first look-up, by `maker` (which may give none): the game's lives in a
// library it opens only then (core/backends.h).
void setNameLookup(std::function<NameLookup*()> maker);
NameLookup* nameLookup();

// The services library's entry point that gives its look-up, which lives as long as the
// program.
inline constexpr char kNameLookupSymbol[] = "marrowby_name_lookup";
using GetNameLookup = NameLookup* (*)();

}  // namespace mb

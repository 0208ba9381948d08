#pragma once
// The Qt services the first frame does not need, sound output, the look-up of host names and
// HTTP, live in a shared library of their own that the windowed programs open at run time
// instead of linking it. Linked, Qt Multimedia and Qt Network and the twenty-odd libraries
// under them (the sound server's client and its file codecs, Kerberos, the proxy finder) would
// be loaded and relocated before main() on every start: about 7 ms and 3 MiB before the first
// frame can show. A program that links the library (the tests do) is served from itself.
//
// Everything here is called on the UI thread; only the opening itself may run on another.
#include <QString>
#include <functional>

class QObject;

namespace mb::backends {

inline constexpr char kFileName[] = "marrowby-backends.so";

// The library answers this entry point with the number below, as it was when it was built; the
// program takes a library only with its own number, since a library left from another version
// would lay its interfaces out differently. Raise it when an entry point or interface changes.
inline constexpr char kInterfaceSymbol[] = "marrowby_backends_interface";
inline constexpr int kInterfaceVersion = 1;
using InterfaceVersion = int (*)();

// Starts opening the library on another core, so that the first sound or name does not wait
// for it. Does nothing once it has been opened or tried, or when the program links it; opens
// it in turn when no thread can be started.
void loadAhead();

// Whether an opening begun by loadAhead() is still under way, so that symbol() would wait for
// it. Opening takes some milliseconds (a score of libraries mapped and bound); a caller that
// can put its work off rather than hold the UI thread asks first.
bool stillOpening();

// Calls `done` on the UI thread once no opening is under way: at once when none is, else from
// the event loop when it has finished. Not called if `context` is destroyed first.
void whenOpened(QObject* context, std::function<void()> done);

// The address of the library's entry point `name`, opening the library first if need be:
// the running process itself, then the program's folder, then the installed place relative to
// it. Null when none has it; problem() then says why, and so does standard error, once.
void* symbol(const char* name);

// The same, as the entry point's function type.
template <typename Entry>
Entry entry(const char* name) {
    return reinterpret_cast<Entry>(symbol(name));
}

// Why the library could not be opened; empty while it is fine or not yet tried.
QString problem();

}  // namespace mb::backends

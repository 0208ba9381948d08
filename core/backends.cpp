#include "core/backends.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStringList>

#include <atomic>
#include <cstdio>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace mb::backends {
namespace {

struct Waiter {
    QPointer<QObject> context;
    std::function<void()> done;
};

struct Library {
    std::jthread opening;             // the opening begun by loadAhead(), joined before any use
    std::atomic<bool> opened{false};  // set by that thread as its last act
    std::vector<Waiter> waiters;      // whenOpened() calls made while it ran
    bool tried = false;               // opened or failed: never tried again
    void* handle = nullptr;
    QString problem;
    bool told = false;  // the problem went to standard error
};

Library& library() {
    // Never closed: Qt's libraries do not take being unloaded, and the process ends soon after
    // the windows anyway.
    static Library lib;
    return lib;
}

// Where the library may be, most specific first. Worked out on the UI thread: the
// application object is not to be asked from another.
QStringList candidates() {
    const QString programDir = QCoreApplication::instance()
                                   ? QCoreApplication::applicationDirPath()
                                   : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    const QString file = QLatin1String(kFileName);
    QStringList paths;
    if (!programDir.isEmpty()) {
        const QDir dir(programDir);
        paths << dir.filePath(file)
              << QDir::cleanPath(
                     dir.filePath(QStringLiteral(MARROWBY_BACKENDS_FROM_BINDIR "/") + file));
    }
    // Last the installed place itself, which only the administrator writes: a copy of the
    // program taken elsewhere still finds its sounds there.
    paths << QStringLiteral(MARROWBY_BACKENDS_INSTALLED "/") + file;
    paths.removeDuplicates();
    return paths;
}

void open(const QStringList& paths, void*& handle, QString& problem) {
    QStringList failures;
    for (const QString& path : paths) {
        if (!QFileInfo::exists(path)) continue;
        // Bound at once, so that no later call into it stops the UI thread to resolve a symbol.
        void* opened = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!opened) {
            failures << QString::fromLocal8Bit(dlerror());
            continue;
        }
        const auto version = reinterpret_cast<InterfaceVersion>(dlsym(opened, kInterfaceSymbol));
        if (version && version() == kInterfaceVersion) {
            handle = opened;
            problem.clear();
            return;
        }
        // Left open: closing would run the destructors of the Qt libraries it brought in.
        failures << QStringLiteral("%1 is from another version of the game").arg(path);
    }
    problem = failures.isEmpty()
                  ? QStringLiteral("%1 was not found beside the program or in %2")
                        .arg(QLatin1String(kFileName), QStringLiteral(MARROWBY_BACKENDS_INSTALLED))
                  : failures.join(QStringLiteral("; "));
}

void finishOpening(Library& lib) {
    if (lib.opening.joinable()) lib.opening.join();
}

// On the UI thread, once the opening thread is done.
void runWaiters() {
    Library& lib = library();
    finishOpening(lib);
    // A waiter may ask again (a sound may play another): take the list first.
    for (Waiter& w : std::exchange(lib.waiters, {}))
        if (w.context) w.done();
}

}  // namespace

void loadAhead() {
    Library& lib = library();
    if (lib.tried || dlsym(RTLD_DEFAULT, kInterfaceSymbol)) return;
    lib.tried = true;
    const QStringList paths = candidates();
    // Done before the application object goes: the thread's last act posts to it.
    if (QCoreApplication::instance()) qAddPostRoutine([] { finishOpening(library()); });
    try {
        lib.opening = std::jthread([&lib, paths] {
            open(paths, lib.handle, lib.problem);
            lib.opened = true;
            // Posted, not called: the waiters belong to the UI thread. Without an event loop
            // they are never told, and symbol() still joins.
            if (QCoreApplication* app = QCoreApplication::instance())
                QMetaObject::invokeMethod(app, &runWaiters, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        open(paths, lib.handle, lib.problem);
    }
}

bool stillOpening() {
    const Library& lib = library();
    return lib.opening.joinable() && !lib.opened;
}

void whenOpened(QObject* context, std::function<void()> done) {
    if (!stillOpening()) {
        finishOpening(library());
        done();
        return;
    }
    library().waiters.push_back({context, std::move(done)});
}

void* symbol(const char* name) {
    // A program that links the library has its entry points already.
    if (void* own = dlsym(RTLD_DEFAULT, name)) return own;
    Library& lib = library();
    if (!lib.tried) {
        lib.tried = true;
        open(candidates(), lib.handle, lib.problem);
    }
    finishOpening(lib);
    void* found = lib.handle ? dlsym(lib.handle, name) : nullptr;
    if (lib.handle && !found)
        lib.problem = QStringLiteral("%1 has no %2").arg(kFileName, QLatin1String(name));
    if (!found && !lib.told) {
        // Said once: without the library every sound and every name would say it again.
        lib.told = true;
        std::fprintf(stderr, "marrowby: %s\n", qPrintable(lib.problem));
    }
    return found;
}

QString problem() {
    Library& lib = library();
    finishOpening(lib);
    return lib.problem;
}

}  // namespace mb::backends

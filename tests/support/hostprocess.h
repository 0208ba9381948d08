#pragma once
// A real marrowby-host for tests: started as a process on a free port (or a given one), its
// log lines collected, stopped by a signal.
#include <signal.h>

#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QTest>

#include "tests/support/rawpeer.h"

namespace mbtest {

// The program beside the test's build tree (MARROWBY_BINARY_DIR, set for every test).
inline QString builtProgram(const QString& name) {
    return QDir(qEnvironmentVariable("MARROWBY_BINARY_DIR")).filePath(name);
}

inline QString hostBinary() {
#ifdef MARROWBY_HOST_BINARY
    if (qEnvironmentVariableIsEmpty("MARROWBY_BINARY_DIR"))
        return QStringLiteral(MARROWBY_HOST_BINARY);
#endif
    return builtProgram(QStringLiteral("marrowby-host"));
}

inline quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

class HostProcess {
public:
    // On a free port unless `fixedPort` is given.
    bool start(const QStringList& extraArgs = {}, quint16 fixedPort = 0) {
        port = fixedPort ? fixedPort : freePort();
        process.setProgram(hostBinary());
        process.setArguments(QStringList{"--port", QString::number(port)} + extraArgs);
        process.start();
        return process.waitForStarted(kNetWaitMs) &&
               waitLog(QStringLiteral("listening on port %1").arg(port));
    }
    bool waitLog(const QString& text) {
        return QTest::qWaitFor(
            [&] {
                log += QString::fromUtf8(process.readAllStandardOutput());
                return log.contains(text);
            },
            kNetWaitMs);
    }
    bool stop(int signalNumber) {
        ::kill(pid_t(process.processId()), signalNumber);
        return QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; },
                               kNetWaitMs) &&
               process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    ~HostProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }

    QProcess process;
    quint16 port = 0;
    QString log;
};

}  // namespace mbtest

// Each side's dispatch table against the protocol's list: a command the list sends to a side
// that has no handler for it would be dropped there without a word.
#include <QApplication>
#include <QTest>

#include "client/chatform.h"
#include "host/hostcore.h"
#include "net/commands.h"

namespace {

class NoOutput : public mb::HostOutput, public mb::HostTimers {
public:
    void send(int, const QByteArray&) override {}
    void closeSeat(int) override {}
    void startBreaksTimer() override {}
    void stopBreaksTimer() override {}
    void startComputerTimer(std::chrono::milliseconds) override {}
    void stopComputerTimer() override {}
};

QStringList listed(mb::Receiver side) {
    QStringList names;
    for (const mb::Command& c : mb::kCommands)
        if (mb::receivedBy(c.receiver, side)) names << QString::fromLatin1(c.name);
    names.sort();
    return names;
}

// The table's names, sorted. A name handled twice stays twice: only its first handler would run.
QStringList handled(const mb::Dispatcher& dispatcher) {
    QStringList names;
    for (const QByteArray& name : dispatcher.commands()) names << QString::fromLatin1(name);
    names.sort();
    return names;
}

}  // namespace

class TestCommands : public QObject {
    Q_OBJECT
private slots:
    void hostHandlesWhatItReceives() {
        NoOutput out;
        mb::HostCore core(out, out, mb::GameRandom(1), mb::kProgramVersion);
        QCOMPARE(handled(core.dispatcher()), listed(mb::Receiver::Host));
    }

    void clientHandlesWhatItReceives() {
        // Connects nowhere: only the table is read.
        Tchat chat(QStringList{"Cy"}, Tchat::Ports{1, 1});
        QCOMPARE(handled(chat.dispatcher()), listed(mb::Receiver::Client));
    }
};

QTEST_MAIN(TestCommands)
#include "test_commands.moc"

// Framing throughput: a stream of typical messages cut in network-sized reads, queued and popped.
#include <QElapsedTimer>
#include <cstdio>

#include "net/framing.h"

int main() {
    constexpr int kMessages = 200000;
    constexpr qsizetype kReads = mb::kReadChunk;
    constexpr int kRounds = 10;
    QByteArray stream;
    for (int i = 0; i < kMessages; ++i)
        stream +=
            mb::frame(i % 3 == 0   ? QByteArray("CMD_hisplay+2+0+0+37+1+")
                      : i % 3 == 1 ? QByteArray("CMD_chat+3+Ann chats: good one! :)#12|clBlue")
                                   : QByteArray("CMD_nextplayer+3+17+"));
    qint64 handled = 0;
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < kRounds; ++round) {
        mb::FrameDecoder decoder;
        mb::InboundQueue queue;
        QList<QByteArray> out;
        for (qsizetype at = 0; at < stream.size(); at += kReads) {
            out.clear();
            decoder.feed(QByteArrayView(stream).sliced(at, std::min(kReads, stream.size() - at)),
                         out);
            for (const auto& m : out) queue.push(m);
            while (!queue.empty()) handled += mb::splitCommand(queue.pop()).first.size() > 0;
        }
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double megabytes = double(stream.size()) * kRounds / 1e6;
    std::printf("framing: %.1f MB in %.3f s = %.1f MB/s, %.2f M messages/s (%lld handled)\n",
                megabytes, seconds, megabytes / seconds, double(handled) / seconds / 1e6,
                static_cast<long long>(handled));
    return 0;
}

#pragma once
// The block coder's steps written as plainly as possible, one byte at a time: the oracle that
// the tests and the fuzz targets hold the fast coder and decoder to, byte for byte.
#include <QByteArray>
#include <optional>
#include <vector>

namespace mbtest {

// The block that the fast coder must make of `piece` (at most 32768 bytes).
inline QByteArray plainBlock(const QByteArray& piece) {
    const auto at = [&](qsizetype i) { return i < piece.size() ? quint8(piece[i]) : 0; };
    const qsizetype n = piece.size();
    std::vector<int> table(4096, -1);
    QByteArray out(n + 16, 0);
    out[0] = char(0x40);
    qsizetype x = 0, y = 3, z = 1;
    int items = 0;
    quint32 control = 0;
    const auto word = [&](qsizetype where, quint32 w) {
        out[where] = char(w >> 8);
        out[where + 1] = char(w);
    };
    while (x < n && y <= n) {
        if (items == 16) {
            word(z, control);
            z = y;
            y += 2;
            items = 0;
            control = 0;
        }
        qsizetype r = 0;
        while (x + r < n && r < 4095 && at(x + r) == at(x)) ++r;
        if (r >= 16) {
            out[y] = 0;
            out[y + 1] = char((r - 16) >> 8);
            out[y + 2] = char((r - 16) & 0xFF);
            out[y + 3] = char(at(x));
            y += 4;
            x += r;
            control = control << 1 | 1;
        } else {
            const quint32 h = ((((at(x) << 4) ^ at(x + 1)) << 4 ^ at(x + 2)) * 40543u >> 4) & 0xFFF;
            const int p = table[h];
            table[h] = int(x);
            qsizetype l = 0;
            if (p != -1 && x - p < 4096)
                while (l < 18 && x + l < n && at(x + l) == at(p + l)) ++l;
            if (l >= 3) {
                word(y, quint32((x - p) * 16 + (l - 3)));
                y += 2;
                x += l;
                control = control << 1 | 1;
            } else {
                out[y++] = char(at(x++));
                control <<= 1;
            }
        }
        ++items;
    }
    word(z, items == 0 ? 0 : (control << (16 - items)) & 0xFFFF);
    if (y > n) return char(0x80) + piece;
    return out.left(y);
}

// What the fast decoder must make of a block: its bytes, or nothing when the block is corrupt.
inline std::optional<QByteArray> plainDecode(const QByteArray& block) {
    const qsizetype length = block.size();
    const auto at = [&](qsizetype i) { return quint8(block[i]); };
    if (length <= 1) return QByteArray();
    if (at(0) == 0x80) {
        if (length - 1 > 32768) return std::nullopt;
        return block.mid(1);
    }
    if (length < 3) return std::nullopt;
    QByteArray out;
    qsizetype in = 1;
    quint32 control = 0;
    int left = 0;
    bool first = true;
    while (first || in < length) {
        if (left == 0) {
            // Every control word but the first needs an item after it.
            if (!first && in + 2 >= length) return std::nullopt;
            control = at(in) << 8 | at(in + 1);
            in += 2;
            left = 16;
            first = false;
            continue;
        }
        const bool literal = (control & 0x8000) == 0;
        control <<= 1;
        --left;
        if (literal) {
            if (out.size() >= 32768) return std::nullopt;
            out += char(at(in++));
            continue;
        }
        if (in + 2 > length) return std::nullopt;
        const qsizetype offset = at(in) << 4 | at(in + 1) >> 4;
        if (offset == 0) {
            if (in + 4 > length) return std::nullopt;
            const qsizetype count = (at(in + 1) & 0x0F) * 256 + at(in + 2) + 16;
            if (out.size() + count > 32768) return std::nullopt;
            out += QByteArray(count, char(at(in + 3)));
            in += 4;
        } else {
            const qsizetype count = (at(in + 1) & 0x0F) + 3;
            if (offset > out.size() || out.size() + count > 32768) return std::nullopt;
            for (qsizetype i = 0; i < count; ++i) out += out[out.size() - offset];
            in += 2;
        }
    }
    return out;
}

}  // namespace mbtest

#include "core/profile.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "core/savefile.h"

namespace mb {
namespace ini {
namespace {

constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView v) {
    while (!v.isEmpty() && isBlank(v.front())) v = v.sliced(1);
    while (!v.isEmpty() && isBlank(v.back())) v.chop(1);
    return v;
}

bool sameName(QByteArrayView a, QByteArrayView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// One line of the file. [begin, contentEnd) is its text without the line end (CR bytes before
// the LF count as the line end); [contentEnd, end) is the line end, empty on a last line
// without one.
struct Line {
    qsizetype begin = 0;
    qsizetype contentEnd = 0;
    qsizetype end = 0;
};

enum class Kind { Other, Section, Key };

struct Parsed {
    Kind kind = Kind::Other;
    QByteArrayView name;       // section or key name
    qsizetype valueBegin = 0;  // key lines: where the value starts (after "=" and blanks)
};

class Lines {
public:
    explicit Lines(const QByteArray& text) : text_(text) {
        if (QByteArrayView(text).startsWith(kByteOrderMark)) pos_ = kByteOrderMark.size();
    }

    bool next(Line& line) {
        if (pos_ >= text_.size()) return false;
        line.begin = pos_;
        qsizetype lf = text_.indexOf('\n', pos_);
        line.end = lf < 0 ? text_.size() : lf + 1;
        qsizetype content = lf < 0 ? text_.size() : lf;
        while (content > line.begin && text_.at(content - 1) == '\r') --content;
        line.contentEnd = content;
        pos_ = line.end;
        return true;
    }

    Parsed parse(const Line& line) const {
        const QByteArrayView content(text_.constData() + line.begin, line.contentEnd - line.begin);
        const QByteArrayView t = trimmed(content);
        Parsed p;
        if (t.isEmpty() || t.front() == ';' || t.front() == '#') return p;
        if (t.front() == '[') {
            const qsizetype close = t.indexOf(']');
            if (close > 0) {
                p.kind = Kind::Section;
                p.name = trimmed(t.sliced(1, close - 1));
            }
            return p;
        }
        const qsizetype eq = content.indexOf('=');
        if (eq < 0) return p;
        const QByteArrayView name = trimmed(content.first(eq));
        if (name.isEmpty()) return p;
        p.kind = Kind::Key;
        p.name = name;
        qsizetype v = line.begin + eq + 1;
        while (v < line.contentEnd && isBlank(text_.at(v))) ++v;
        p.valueBegin = v;
        return p;
    }

private:
    const QByteArray& text_;
    qsizetype pos_ = 0;
};

// Where a key lives, or where it would be added.
struct Place {
    bool sectionFound = false;
    bool keyFound = false;
    Line keyLine;
    qsizetype valueBegin = 0;
    Line lastOfSection;  // the header or the section's last key line
};

Place locate(const QByteArray& text, QByteArrayView section, QByteArrayView key) {
    Place place;
    Lines lines(text);
    Line line;
    bool inside = false;
    while (lines.next(line)) {
        const Parsed p = lines.parse(line);
        if (p.kind == Kind::Section) {
            if (inside) break;  // only the first section of that name counts
            if (sameName(p.name, section)) {
                inside = true;
                place.sectionFound = true;
                place.lastOfSection = line;
            }
        } else if (inside && p.kind == Kind::Key) {
            place.lastOfSection = line;
            if (sameName(p.name, key)) {
                place.keyFound = true;
                place.keyLine = line;
                place.valueBegin = p.valueBegin;
                break;
            }
        }
    }
    return place;
}

QByteArrayView lineEndOf(const QByteArray& text) {
    const qsizetype lf = text.indexOf('\n');
    if (lf > 0 && text.at(lf - 1) == '\r') return "\r\n";
    return "\n";
}

QByteArray encodeValue(QByteArrayView value) {
    QByteArray v = value.toByteArray();
    v.replace('\r', ' ').replace('\n', ' ');
    const bool padded = !v.isEmpty() && (isBlank(v.front()) || isBlank(v.back()));
    const bool quoted = v.size() >= 2 && v.front() == '"' && v.back() == '"';
    if (padded || quoted) return '"' + v + '"';
    return v;
}

}  // namespace

std::optional<QByteArray> lookup(const QByteArray& text, QByteArrayView section,
                                 QByteArrayView key) {
    const Place place = locate(text, section, key);
    if (!place.keyFound) return std::nullopt;
    QByteArrayView value = trimmed(QByteArrayView(text.constData() + place.valueBegin,
                                                  place.keyLine.contentEnd - place.valueBegin));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.sliced(1, value.size() - 2);
    return value.toByteArray();
}

QByteArray withKey(const QByteArray& text, QByteArrayView section, QByteArrayView key,
                   QByteArrayView value) {
    const Place place = locate(text, section, key);
    const QByteArray encoded = encodeValue(value);
    QByteArray out = text;
    if (place.keyFound) {
        out.replace(place.valueBegin, place.keyLine.contentEnd - place.valueBegin, encoded);
        return out;
    }
    const QByteArray eol = lineEndOf(text).toByteArray();
    const QByteArray keyLine = key.toByteArray() + '=' + encoded;
    if (place.sectionFound) {
        const Line& after = place.lastOfSection;
        if (text.at(after.end - 1) == '\n')
            out.insert(after.end, keyLine + eol);
        else  // the file's last line, without a line end
            out.insert(after.end, eol + keyLine + eol);
        return out;
    }
    const bool hasContent =
        out.size() > (out.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0);
    if (hasContent && !out.endsWith('\n')) out += eol;
    out += '[' + section.toByteArray() + ']' + eol + keyLine + eol;
    return out;
}

}  // namespace ini

ProfileFile::ProfileFile(QString path) : path_(std::move(path)) {
    QFile file;
    switch (openRegularFile(file, path_)) {
        case OpenResult::Missing:
            return;                   // every key reads as its default; the first write creates it
        case OpenResult::NotRegular:  // a FIFO would block, a directory or device is no settings
                                      // file
        case OpenResult::Failed:
            writable_ = false;
            return;
        case OpenResult::Opened:
            break;
    }
    // Ask for what the file holds, not for the bound: a read sets aside all it may be given,
    // 8 MiB for a settings file of a few hundred bytes. The byte past its size shows a file that
    // grew meanwhile, which is then read on up to the bound.
    const qint64 expected = std::clamp<qint64>(file.size(), 0, ini::kMaxFileBytes) + 1;
    text_ = file.read(expected);
    if (text_.size() == expected) text_ += file.read(ini::kMaxFileBytes + 1 - text_.size());
    // A file we cannot hold whole is left alone: rewriting part of it would lose the rest.
    if (text_.size() > ini::kMaxFileBytes || file.error() != QFile::NoError) {
        text_.clear();
        writable_ = false;
    }
}

QString ProfileFile::readString(const QString& section, const QString& key,
                                const QString& fallback) const {
    const auto value = ini::lookup(text_, section.toUtf8(), key.toUtf8());
    return value ? QString::fromUtf8(*value) : fallback;
}

int ProfileFile::readInteger(const QString& section, const QString& key, int fallback) const {
    const auto value = ini::lookup(text_, section.toUtf8(), key.toUtf8());
    if (!value || value->isEmpty()) return fallback;
    for (qsizetype i = 0; i < value->size(); ++i) {
        const char c = value->at(i);
        const bool sign = i == 0 && (c == '-' || c == '+') && value->size() > 1;
        if (!sign && (c < '0' || c > '9')) return fallback;
    }
    bool ok = false;
    const int n = value->toInt(&ok, 10);
    return ok ? n : fallback;
}

bool ProfileFile::writeString(const QString& section, const QString& key, const QString& value) {
    return writeStrings(section, {{key, value}});
}

bool ProfileFile::writeStrings(const QString& section,
                               const QList<std::pair<QString, QString>>& values) {
    if (!writable_) return false;
    const QByteArray sectionName = section.toUtf8();
    QByteArray next = text_;
    for (const auto& [key, value] : values)
        next = ini::withKey(next, sectionName, key.toUtf8(), value.toUtf8());
    if (next == text_ && QFileInfo::exists(path_)) return true;
    // Only over a regular file or at a new path; whatever was put there since the pass began
    // (a FIFO, a directory) is never replaced.
    SaveTarget file;
    if (!file.open(path_, SpecialFiles::Refuse) || file.device().write(next) != next.size() ||
        !file.commit())
        return false;
    text_ = std::move(next);
    return true;
}

}  // namespace mb

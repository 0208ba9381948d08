#pragma once
// One dispatch point per side: an ordered table of exact command names and their handlers.
#include <QByteArray>
#include <QString>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace mb {

class Dispatcher {
public:
    using Handler = std::function<void(const QByteArray& body)>;
    using ErrorHandler = std::function<void(const QString& text)>;

    Dispatcher() = default;
    Dispatcher(std::initializer_list<std::pair<QByteArray, Handler>> table) : table_(table) {}
    void add(QByteArray command, Handler handler) {
        table_.emplace_back(std::move(command), std::move(handler));
    }

    // Where a ConversionError's text goes instead of the error notice, e.g. to a caller that
    // counts a peer's malformed messages. Empty: the error notice.
    void setErrorHandler(ErrorHandler handler) { onError_ = std::move(handler); }

    // Splits the entry, calls the handler of the exact command name and returns true when one
    // ran. A ConversionError from the handler goes to the error handler; the entry is finished.
    bool dispatch(const QByteArray& entry) const;
    // The command names of the table, in order.
    std::vector<QByteArray> commands() const;

private:
    std::vector<std::pair<QByteArray, Handler>> table_;
    ErrorHandler onError_;
};

}  // namespace mb

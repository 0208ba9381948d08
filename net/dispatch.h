#pragma once
// One dispatch point per side: an ordered table of exact command names and their handlers.
#include <QByteArray>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace mb {

class Dispatcher {
public:
    using Handler = std::function<void(const QByteArray& body)>;

    Dispatcher() = default;
    Dispatcher(std::initializer_list<std::pair<QByteArray, Handler>> table) : table_(table) {}
    void add(QByteArray command, Handler handler) {
        table_.emplace_back(std::move(command), std::move(handler));
    }

    // Splits the entry, calls the handler of the exact command name and returns true when one
    // ran. A ConversionError from the handler goes to the error notice; the entry is finished.
    bool dispatch(const QByteArray& entry) const;
    // The command names of the table, in order.
    std::vector<QByteArray> commands() const;

private:
    std::vector<std::pair<QByteArray, Handler>> table_;
};

}  // namespace mb

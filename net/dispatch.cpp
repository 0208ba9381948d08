#include "net/dispatch.h"

#include "core/errornotice.h"
#include "net/framing.h"

namespace mb {

bool Dispatcher::dispatch(const QByteArray& entry) const {
    const auto [command, body] = splitCommand(entry);
    if (command.isEmpty()) return false;
    for (const auto& [name, handler] : table_) {
        if (name != command) continue;
        try {
            handler(body);
        } catch (const ConversionError& e) {
            // The message is lost but the program carries on with the next entry.
            const QString text = QString::fromUtf8(e.what());
            if (onError_)
                onError_(text);
            else
                showErrorNotice(text);
        }
        return true;
    }
    return false;
}

std::vector<QByteArray> Dispatcher::commands() const {
    std::vector<QByteArray> names;
    names.reserve(table_.size());
    for (const auto& entry : table_) names.push_back(entry.first);
    return names;
}

}  // namespace mb

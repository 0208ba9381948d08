#include "core/errornotice.h"

#include <cstdio>

namespace mb {

namespace {
ErrorSink& sink() {
    static ErrorSink current = [](const QString& text) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    };
    return current;
}
}  // namespace

void showErrorNotice(const QString& text) {
    if (sink()) sink()(text);
}

ErrorSink setErrorSink(ErrorSink next) {
    return std::exchange(sink(), std::move(next));
}

}  // namespace mb

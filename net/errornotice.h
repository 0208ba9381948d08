#pragma once
// The application's standard error notice. The windowed program routes it to a message box;
// headless programs and tests keep the default (standard error) or install their own sink.
#include <QString>
#include <functional>

namespace mb {

using ErrorSink = std::function<void(const QString&)>;

void showErrorNotice(const QString& text);
// Returns the previous sink so a test can restore it.
ErrorSink setErrorSink(ErrorSink sink);

}  // namespace mb

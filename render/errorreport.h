#pragma once
// The standard report for an error that reaches the message loop: by default one line on standard
// error; the program installs a message box. The loop goes on afterwards.
#include <exception>
#include <functional>

namespace tess {

using ExceptionReporter = std::function<void(const std::exception&)>;

ExceptionReporter SetExceptionReporter(ExceptionReporter reporter);
void ReportException(const std::exception& error);

}  // namespace tess

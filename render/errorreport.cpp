#include "render/errorreport.h"

#include <cstdio>
#include <utility>

namespace tess {

namespace {
ExceptionReporter& Reporter() {
  static ExceptionReporter reporter;
  return reporter;
}
}  // namespace

ExceptionReporter SetExceptionReporter(ExceptionReporter reporter) {
  return std::exchange(Reporter(), std::move(reporter));
}

void ReportException(const std::exception& error) {
  if (const auto& reporter = Reporter()) {
    reporter(error);
    return;
  }
  std::fprintf(stderr, "tessarine: %s\n", error.what());
}

}  // namespace tess

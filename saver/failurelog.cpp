#include "saver/failurelog.h"

#include <array>
#include <cstdio>
#include <utility>

namespace tess {

namespace {

struct Log {
  FailureListener listener;
  std::array<bool, static_cast<size_t>(TFailureKind::kCount)> told{};
};

Log& TheLog() {
  static Log log;
  return log;
}

const char* Subject(TFailureKind kind) {
  switch (kind) {
    case TFailureKind::kFrame:
      return "frames are skipped";
    case TFailureKind::kSprite:
      return "a symbol could not be drawn";
    case TFailureKind::kBackground:
      return "the background picture could not be drawn";
    case TFailureKind::kFlip:
      return "a frame could not be shown";
    case TFailureKind::kCount:
      break;
  }
  return "a failure";
}

}  // namespace

FailureListener SetFailureListener(FailureListener listener) {
  return std::exchange(TheLog().listener, std::move(listener));
}

void ReportFailure(TFailureKind kind, const std::string& what) {
  Log& log = TheLog();
  bool& told = log.told[static_cast<size_t>(kind)];
  if (told) return;
  told = true;
  const std::string line = std::string("tessarine: ") + Subject(kind) + ": " + what +
                           " (further failures of this kind are not shown)";
  if (log.listener) {
    log.listener(line);
    return;
  }
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

void ResetFailureLog() {
  TheLog().told = {};
}

}  // namespace tess

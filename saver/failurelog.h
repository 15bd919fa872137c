#pragma once
// The saver goes on when a single frame, sprite, background or flip fails, as it must: the next
// frame starts afresh. So that a failure that keeps happening does not show only as a frozen or
// empty screen, the first failure of each kind in a run is told in one line on standard error.
#include <functional>
#include <string>

namespace tess {

enum class TFailureKind { kFrame, kSprite, kBackground, kFlip, kCount };

// Where the lines go: standard error, unless a test listens.
using FailureListener = std::function<void(const std::string& line)>;
FailureListener SetFailureListener(FailureListener listener);

// Tells the first failure of its kind in this run; later ones of that kind are kept quiet.
void ReportFailure(TFailureKind kind, const std::string& what);

// Forgets which kinds were told (a new run, in tests).
void ResetFailureLog();

}  // namespace tess

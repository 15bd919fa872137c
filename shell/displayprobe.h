#pragma once
// Whether the X display answers at all. A display that accepts the connection but never answers
// would hang the start inside the GUI layer with nothing said, holding the instance guard so
// that every later start ends silently; we ask first, with a time limit.
#include <chrono>

namespace tess {

enum class TDisplayAnswer { kAnswers, kRefuses, kSilent };

// Connects to $DISPLAY on a thread of its own and waits at most `limit` for the server's answer.
TDisplayAnswer ProbeXDisplay(std::chrono::milliseconds limit);

}  // namespace tess

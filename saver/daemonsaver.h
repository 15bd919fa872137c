#pragma once
// The saver inside a window that a screen-saver daemon owns: frames at the window's size, no
// window, cursor or exit rule of our own; the daemon ends us with a signal.
#include <memory>

namespace tess {

class TX11WindowPresenter;

// Runs the frames in the daemon's window until a termination signal or until the window goes
// away. Returns the exit status.
int RunInDaemonWindow(std::unique_ptr<TX11WindowPresenter> window);

}  // namespace tess

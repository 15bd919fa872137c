#pragma once
// Program entry: one fixed order of start-up steps, then the saver, the settings dialog or an
// immediate end, chosen by the run switch.

namespace tess {

inline constexpr const char* kApplicationTitle = "Tessarine";

// Runs the program and returns its exit status: 0 on every normal path (a refused second
// instance and a saver window that cannot be made included), 1 when start-up fails.
int RunProgram(int argc, char** argv);

}  // namespace tess

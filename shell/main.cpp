#include "shell/startup.h"
#include "shell/termination.h"

int main(int argc, char** argv) {
  const int status = tess::RunProgram(argc, argv);
  // Everything is cleaned up by now: windows closed, the cursor back, the guard released.
  tess::DieByTerminationSignal();
  return status;
}

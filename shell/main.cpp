#include "shell/startup.h"

int main(int argc, char** argv) {
  return tess::RunProgram(argc, argv);
}

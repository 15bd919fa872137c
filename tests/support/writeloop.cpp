// tessarine-writeloop: rewrites the settings file through the program's own writer as fast as it
// can, alternating two sets of settings, until it is killed. The fault tests kill it at random
// moments and check that the file is always one complete version or the other.
#include <cstdio>

#include "settings/settings.h"

int main() {
  tess::SetDefaults(tess::Settings);
  for (int i = 0;; ++i) {
    tess::Settings.General.SimColor = i % 2 == 0 ? 1 : 3;
    try {
      tess::WriteSettings();
    } catch (const std::exception& error) {
      std::fprintf(stderr, "tessarine-writeloop: %s\n", error.what());
      return 1;
    }
  }
}

#include "shell/runswitch.h"

#include <cstring>

namespace tess {

char RunSwitchOf(const char* firstArgument) {
  if (firstArgument == nullptr || std::strlen(firstArgument) < 2) return '\0';
  const char c = firstArgument[1];
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

RunMode RunModeOf(char runSwitch) {
  switch (runSwitch) {
    case '\0':
    case 'S':
      return RunMode::kSaver;
    case 'C':
      return RunMode::kSettingsDialog;
    default:
      return RunMode::kNone;
  }
}

}  // namespace tess

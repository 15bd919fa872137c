#pragma once
// The run switch: only the second character of the first argument decides, upper-cased, so "/s",
// "-S" and "xs" all run the saver and a leading slash or hyphen is never looked at.

namespace tess {

enum class RunMode { kSaver, kSettingsDialog, kNone };

// NUL when the argument is missing or shorter than two characters.
char RunSwitchOf(const char* firstArgument);

RunMode RunModeOf(char runSwitch);

}  // namespace tess

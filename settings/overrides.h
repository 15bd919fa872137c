#pragma once
// Settings given on the command line after the run switch (`--set Section.Key=VALUE`), as a
// screen-saver daemon's own settings dialog passes them. They are read exactly as the file's
// values are, through the same clamps, over the values the file gave; the file itself is never
// written with them, so a daemon's options cannot change the user's settings.
#include <string>
#include <vector>

#include "core/screen.h"

namespace tess {

struct TSettings;

struct TCommandLine {
  std::vector<std::string> assignments;  // "Section.Key=VALUE", in the order given
  bool help = false;
  // Whether the first argument is the run switch; an option in its place means there is none
  // (which runs the saver).
  bool hasRunSwitch = false;
  // What is wrong with the options (an unknown one, one without its value); empty when nothing.
  std::string problem;
};

// The options after the run switch, or from the first argument when that is an option:
// `--set KEY=VALUE` and `--set=KEY=VALUE` (repeatable) and `--help`. Other arguments that are no
// options (a window number after "/p") are ignored, as they always were, and so is "-root",
// which some daemons add for a saver that draws on the whole screen; any other option is a
// problem.
TCommandLine ParseCommandLine(int argc, const char* const* argv);

// Applies the assignments over `settings`; key names compare without case. An assignment that
// names no key, or whose value the reader would not keep as given, changes nothing: it gets one
// line in the result, naming the option and why.
std::vector<std::string> ApplyOverrides(const std::vector<std::string>& assignments,
                                        TSettings& settings, ScreenSize screen);

// The text of --help: the run switches, the options and every key with its default and range.
std::string HelpText();

}  // namespace tess

#include "shell/runswitch.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

TEST(RunSwitch, OnlyTheSecondCharacterOfTheFirstArgumentDecides) {
  const struct {
    const char* argument;
    char runSwitch;
    RunMode mode;
  } cases[] = {
      {nullptr, '\0', RunMode::kSaver},      {"", '\0', RunMode::kSaver},
      {"S", '\0', RunMode::kSaver},          {"C", '\0', RunMode::kSaver},
      {"X", '\0', RunMode::kSaver},          {"/s", 'S', RunMode::kSaver},
      {"/S", 'S', RunMode::kSaver},          {"-s", 'S', RunMode::kSaver},
      {"xs", 'S', RunMode::kSaver},          {"/Sabc", 'S', RunMode::kSaver},
      {"/c", 'C', RunMode::kSettingsDialog}, {"/C", 'C', RunMode::kSettingsDialog},
      {"-c", 'C', RunMode::kSettingsDialog}, {"/c:1234", 'C', RunMode::kSettingsDialog},
      {"/p", 'P', RunMode::kNone},           {"/a", 'A', RunMode::kNone},
      {"--", '-', RunMode::kNone},           {"/\xc3\xa9", '\xc3', RunMode::kNone},
  };
  for (const auto& c : cases) {
    const char* shown = c.argument ? c.argument : "(none)";
    EXPECT_EQ(RunSwitchOf(c.argument), c.runSwitch) << shown;
    EXPECT_EQ(RunModeOf(RunSwitchOf(c.argument)), c.mode) << shown;
  }
}

}  // namespace
}  // namespace tess

// The settings table is the one place a key is described: the README's key table, the
// xscreensaver description and the command-line overrides must agree with it, so that a key
// changed in one place cannot be forgotten in another.
#include "settings/settingstable.h"

#include <gtest/gtest.h>

#include <QXmlStreamReader>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>

#include "settings/overrides.h"
#include "settings/settings.h"
#include "tests/support/tempdir.h"

namespace tess {
namespace {

std::string SourceFile(const std::string& name) {
  const char* dir = std::getenv("TESSARINE_SOURCE_DIR");
  return testing::ReadFile(std::string(dir != nullptr ? dir : ".") + "/" + name);
}

// The README's row for a key: name, default, range and meaning, with the fallback and the
// missing dialog control said where they matter.
std::string ReadmeRow(const TSettingKey& key) {
  std::string meaning = key.meaning;
  if (key.ranged && key.fallback != key.defaultValue)
    meaning += " (out of range: " + std::to_string(key.fallback) + ")";
  if (*key.controls == '\0') meaning += " (no dialog control)";
  const std::string range = key.RangeText();
  return "| `" + key.Name() + "` | " + key.DefaultText() + " | " + range +
         (range.empty() ? "" : " ") + "| " + meaning + " |";
}

TEST(SettingsTable, TheReadmeListsEveryKeyAsTheTableHasIt) {
  const std::string readme = SourceFile("README.md");
  std::vector<std::string> rows;
  for (size_t at = readme.find("\n| `"); at != std::string::npos;
       at = readme.find("\n| `", at + 1)) {
    const size_t end = readme.find('\n', at + 1);
    const std::string row = readme.substr(at + 1, end - at - 1);
    if (row.find("`.") == std::string::npos && row.find("Var.") == std::string::npos &&
        row.find("General.") == std::string::npos)
      continue;  // a table of commands, not of keys
    rows.push_back(row);
  }
  ASSERT_EQ(rows.size(), SettingKeys().size());
  for (size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(rows[i], ReadmeRow(SettingKeys()[i]));
}

// Every control of the xscreensaver description passes a key of the table with its range and
// default, or an in-range value; a boolean's arg says the opposite of the key's default.
TEST(SettingsTable, TheXScreenSaverControlsFollowTheTable) {
  QXmlStreamReader xml(QByteArray::fromStdString(SourceFile("packaging/tessarine.xml")));
  std::set<std::string> covered;
  int controls = 0;
  const auto keyOf = [](const QString& arg, QString& value) -> const TSettingKey* {
    if (!arg.startsWith("--set ")) return nullptr;
    const QString assignment = arg.mid(6);
    const auto eq = assignment.indexOf('=');
    value = assignment.mid(eq + 1);
    return FindSettingKey(assignment.left(eq).toStdString());
  };
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const auto a = xml.attributes();
    const QString name = xml.name().toString();
    for (const char* attribute : {"arg", "arg-set", "arg-unset"}) {
      if (!a.hasAttribute(attribute)) continue;
      const QString arg = a.value(attribute).toString();
      EXPECT_TRUE(arg.startsWith('-')) << arg.toStdString() << ": every switch starts with -";
      if (name == "command") continue;
      QString value;
      const TSettingKey* key = keyOf(arg, value);
      ASSERT_NE(key, nullptr) << arg.toStdString();
      covered.insert(key->Name());
      ++controls;
      if (name == "number") {
        EXPECT_EQ(value, "%") << arg.toStdString();
        EXPECT_EQ(a.value("low").toInt(), key->low) << key->Name();
        EXPECT_EQ(a.value("high").toInt(), key->high) << key->Name();
        EXPECT_EQ(a.value("default").toInt(), key->defaultValue) << key->Name();
      } else if (name == "boolean") {
        // Ticked by default exactly when the key's default is true.
        EXPECT_EQ(value.toInt(), std::string(attribute) == "arg-unset" ? 0 : 1);
        EXPECT_EQ(key->defaultValue, std::string(attribute) == "arg-unset" ? 1 : 0) << key->Name();
      } else {
        EXPECT_GE(value.toInt(), key->low) << arg.toStdString();
        EXPECT_LE(value.toInt(), key->high) << arg.toStdString();
      }
    }
  }
  ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_GT(controls, 20);
  // The scene, the colour and each scene's main settings.
  for (const char* key : {"General.VarNum", "General.SimColor", "FirstVar.SimCount",
                          "SecondVar.SimCount", "ThirdVar.ChainsCount", "ThirdVar.Rotation"})
    EXPECT_TRUE(covered.count(key)) << key;
}

TEST(SettingsTable, KeysAreFoundWithoutCaseAndEachOnce) {
  std::set<std::string> names;
  for (const TSettingKey& key : SettingKeys()) {
    EXPECT_TRUE(names.insert(key.Name()).second) << key.Name();
    EXPECT_EQ(FindSettingKey(key.Name()), &key);
  }
  EXPECT_EQ(names.size(), 25u);
  EXPECT_EQ(FindSettingKey("thirdvar.ROTSPEED")->Name(), "ThirdVar.RotSpeed");
  EXPECT_EQ(FindSettingKey("ThirdVar"), nullptr);
  EXPECT_EQ(FindSettingKey("ThirdVar.Nothing"), nullptr);
}

TEST(CommandLine, OptionsAfterTheRunSwitchAreTakenAndEverythingElseIgnored) {
  const char* argv[] = {"tessarine", "-s",          "--set", "ThirdVar.SimSize=1",
                        "1234",      "--set=a.b=2", "-root"};
  const TCommandLine line = ParseCommandLine(7, argv);
  EXPECT_EQ(line.assignments, (std::vector<std::string>{"ThirdVar.SimSize=1", "a.b=2"}));
  EXPECT_FALSE(line.help);
  EXPECT_TRUE(line.hasRunSwitch);
  EXPECT_EQ(line.problem, "");
  const char* help[] = {"tessarine", "--help"};
  EXPECT_TRUE(ParseCommandLine(2, help).help);
  const char* laterHelp[] = {"tessarine", "/s", "--help"};
  EXPECT_TRUE(ParseCommandLine(3, laterHelp).help);
  // Options without a switch: no switch, which runs the saver.
  const char* noSwitch[] = {"tessarine", "--set", "General.VarNum=3"};
  const TCommandLine bare = ParseCommandLine(3, noSwitch);
  EXPECT_FALSE(bare.hasRunSwitch);
  EXPECT_EQ(bare.assignments, (std::vector<std::string>{"General.VarNum=3"}));
  // Options the help does not allow are said, never passed over.
  const struct {
    std::vector<const char*> args;
    const char* problem;
  } bad[] = {
      {{"tessarine", "/s", "-set", "General.VarNum=3"}, "unknown option -set"},
      {{"tessarine", "/s", "--sett=General.VarNum=3"}, "unknown option --sett=General.VarNum=3"},
      {{"tessarine", "/s", "--set"}, "--set needs Section.Key=VALUE"},
      {{"tessarine", "--bogus"}, "unknown option --bogus"}};
  for (const auto& c : bad) {
    EXPECT_EQ(ParseCommandLine(static_cast<int>(c.args.size()), c.args.data()).problem, c.problem);
  }
}

TEST(CommandLine, OverridesGoThroughTheClampsAndBadOnesKeepTheFilesValue) {
  const ScreenSize screen{1920, 1080};
  const struct {
    std::vector<std::string> options;
    std::function<bool(const TSettings&)> holds;
    std::vector<std::string> problems;  // what each line says, in order
  } cases[] = {
      {{"General.VarNum=3"}, [](const TSettings& s) { return s.General.VarNum == 3; }, {}},
      {{"general.varnum=2", "FIRSTVAR.SimCount=$20"},
       [](const TSettings& s) { return s.General.VarNum == 2 && s.FirstVar.SimCount == 32; },
       {}},
      // The cell size first, whatever the order: 128 chains fit only cells of 15 pixels.
      {{"ThirdVar.ChainsCount=128", "ThirdVar.SimSize=1"},
       [](const TSettings& s) { return s.ThirdVar.ChainsCount == 128 && s.ThirdVar.SimSize == 1; },
       {}},
      {{"FirstVar.SimCount=500"},
       [](const TSettings& s) { return s.FirstVar.SimCount == 40; },
       {"--set FirstVar.SimCount=500: outside 10 to 100"}},
      {{"ThirdVar.ChainsCount=200"},
       [](const TSettings& s) { return s.ThirdVar.ChainsCount == 10; },
       {"--set ThirdVar.ChainsCount=200: outside 10 to 64"}},
      {{"FirstVar.SimCount=many", "FirstVar.Bogus=1", "VarNum=2"},
       [](const TSettings& s) { return s.FirstVar.SimCount == 40 && s.General.VarNum == 1; },
       {"--set FirstVar.Bogus=1: no such setting", "--set VarNum=2: no such setting",
        "--set FirstVar.SimCount=many: not a number"}},
      {{"General.BGPic=1"},
       [](const TSettings& s) { return !s.General.BGPic; },
       {"--set General.BGPic=1: no picture file"}},
      {{"General.BGPicPath=/a\nVarNum=3"},
       [](const TSettings& s) { return s.General.BGPicPath.empty(); },
       {"holds a line break"}},
  };
  for (const auto& c : cases) {
    TSettings settings;
    settings.FirstVar.SimCount = 40;  // the file's values
    const auto problems = ApplyOverrides(c.options, settings, screen);
    EXPECT_TRUE(c.holds(settings)) << c.options.front();
    ASSERT_EQ(problems.size(), c.problems.size()) << c.options.front();
    for (size_t i = 0; i < problems.size(); ++i)
      EXPECT_NE(problems[i].find(c.problems[i]), std::string::npos) << problems[i];
  }
}

TEST(CommandLine, HelpNamesEveryKeyAndTheFileInUse) {
  ::setenv("XDG_CONFIG_HOME", "/elsewhere/conf", 1);
  const std::string help = HelpText();
  ::unsetenv("XDG_CONFIG_HOME");
  for (const TSettingKey& key : SettingKeys())
    EXPECT_NE(help.find(key.Name()), std::string::npos) << key.Name();
  EXPECT_NE(help.find("--set Section.Key=VALUE"), std::string::npos);
  EXPECT_NE(help.find("(file /elsewhere/conf/Orvanex.ini)"), std::string::npos);
}

}  // namespace
}  // namespace tess

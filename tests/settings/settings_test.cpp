#include "settings/settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>

#include "settings/ini.h"
#include "tests/support/tempdir.h"

namespace tess {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::TempDir;
using testing::WriteFile;

const char* const kDefaultFile =
    "[General]\nSimColor=2\nBGColor=0\nBGPic=0\nBGPicPath=\nVarNum=1\nLaying=0\n"
    "[FirstVar]\nSimCount=55\nMoving=1\nChBrightness=1\nMovingSpeed=10\nChBrightnessSpeed=1\n"
    "MinSimSize=10\nMaxSimSize=110\n"
    "[SecondVar]\nSimCount=55\nMoving=1\nSimSize=4\nMovingSpeed=10\nChBrightnessSpeed=1\n"
    "[ThirdVar]\nChainsCount=10\nSimCount=15\nMovSpeed=7\nRotSpeed=7\nSimSize=4\nRotation=2\n"
    "RotDirection=1\n";

class SettingsFileTest : public ::testing::Test {
 protected:
  SettingsFileTest()
      : config_("XDG_CONFIG_HOME", dir_.path().string()),
        previousScreen_(SetScreenSizeProvider([this] { return screen_; })) {
    SetDefaults(Settings);
  }
  ~SettingsFileTest() override { SetScreenSizeProvider(previousScreen_); }

  std::filesystem::path File() const { return dir_ / kSettingsFileName; }

  // Runs the reader on a file with the given content and returns what it rewrote.
  std::string ReadFrom(const std::string& content) {
    WriteFile(File(), content);
    SetDefaults(Settings);
    ReadSettings();
    return ReadFile(File());
  }

  TempDir dir_;
  ScopedEnv config_;
  ScreenSize screen_{1024, 768};
  ScreenSizeProvider previousScreen_;
};

TEST_F(SettingsFileTest, FirstStartCreatesTheFileWithTheDefaultsInOrder) {
  ASSERT_FALSE(std::filesystem::exists(File()));
  ReadSettings();
  EXPECT_EQ(ReadFile(File()), kDefaultFile);
  EXPECT_EQ(Settings, TSettings{});
  EXPECT_EQ(SettingsFilePath(), File());
}

TEST_F(SettingsFileTest, OutOfRangeValuesTakeTheirFallbacks) {
  const struct {
    const char* section;
    const char* key;
    const char* stored;
    const char* rewritten;
  } cases[] = {
      {"ThirdVar", "MovSpeed", "11", "10"},  // not the default 7
      {"ThirdVar", "MovSpeed", "0", "10"},
      {"ThirdVar", "RotSpeed", "11", "10"},
      {"ThirdVar", "RotSpeed", "0", "10"},
      {"ThirdVar", "MovSpeed", "abc", "7"},  // unreadable: the default
      {"General", "Laying", "-1", "0"},
      {"ThirdVar", "Rotation", "5", "2"},
      {"General", "SimColor", "0", "2"},
      {"General", "VarNum", "4", "1"},
      {"FirstVar", "SimCount", "0x20", "32"},
      {"FirstVar", "SimCount", "$20", "32"},
      {"FirstVar", "SimCount", "20abc", "55"},
      {"FirstVar", "SimCount", "101", "55"},
      {"FirstVar", "Moving", "4", "1"},
      {"FirstVar", "MovingSpeed", "0", "10"},
      {"FirstVar", "ChBrightnessSpeed", "11", "1"},
      {"FirstVar", "MinSimSize", "9", "10"},
      {"FirstVar", "MaxSimSize", "111", "110"},
      {"FirstVar", "ChBrightness", "7", "1"},
      {"FirstVar", "ChBrightness", "0", "0"},
      {"SecondVar", "SimSize", "8", "4"},
      {"SecondVar", "Moving", "-3", "1"},
      {"ThirdVar", "SimSize", "0", "4"},
      {"ThirdVar", "ChainsCount", "35", "10"},  // above 1024 / 30 = 34
      {"ThirdVar", "ChainsCount", "34", "34"},
      {"ThirdVar", "ChainsCount", "9", "10"},
      {"ThirdVar", "SimCount", "20", "15"},  // above 3 * 768 / 4 / 30 = 19
      {"ThirdVar", "SimCount", "19", "19"},
      {"ThirdVar", "SimCount", "4", "15"},
      {"General", "BGColor", "-5", "-5"},  // any value
  };
  for (const auto& c : cases) {
    const std::string out =
        ReadFrom(std::string("[") + c.section + "]\n" + c.key + "=" + c.stored + "\n");
    const auto rewritten = IniDocument::Parse(out).Value(c.section, c.key);
    EXPECT_EQ(rewritten, c.rewritten) << c.section << "." << c.key << "=" << c.stored;
  }
}

TEST_F(SettingsFileTest, ChainBoundsFollowTheScreenAndTheJustSettledSize) {
  EXPECT_EQ(ChainsBound(1024, 4), 34);
  EXPECT_EQ(ChainLengthBound(768, 4), 19);
  EXPECT_EQ(ChainsBound(800, 4), 27);  // 26.67
  EXPECT_EQ(ChainLengthBound(600, 4), 15);
  EXPECT_EQ(ChainsBound(640, 7), 14);
  EXPECT_EQ(ChainLengthBound(480, 7), 8);

  screen_ = {640, 480};
  // The size is read first, so a size of 7 makes a stored length of 9 too long: the fallback 15
  // is then kept although it exceeds the bound.
  ReadFrom("[ThirdVar]\nSimCount=9\nSimSize=7\nChainsCount=14\n");
  EXPECT_EQ(Settings.ThirdVar.SimSize, 7);
  EXPECT_EQ(Settings.ThirdVar.SimCount, 15);
  EXPECT_EQ(Settings.ThirdVar.ChainsCount, 14);
}

TEST_F(SettingsFileTest, BackgroundPictureNeedsAnExistingFile) {
  const auto picture = dir_ / "bg.bmp";
  WriteFile(picture, "BM");
  // A picture deep in folders, at a path longer than 2 047 bytes: still the system's to open.
  auto deep = dir_.path();
  while (deep.string().size() < 2000)
    deep /= std::string(240, 'd');
  std::filesystem::create_directories(deep);
  WriteFile(deep / "bg.bmp", "BM");
  const struct {
    std::string path;
    const char* stored;
    bool expected;
  } cases[] = {
      {(dir_ / "missing.bmp").string(), "1", false},
      {dir_.path().string(), "1", false},  // a folder does not count
      {"", "1", false},
      {picture.string(), "5", true},
      {picture.string(), "0", false},
      {(deep / "bg.bmp").string(), "1", true},
  };
  for (const auto& c : cases) {
    const auto out =
        ReadFrom("[General]\nBGPic=" + std::string(c.stored) + "\nBGPicPath=" + c.path + "\n");
    EXPECT_EQ(Settings.General.BGPic, c.expected) << c.path;
    EXPECT_EQ(Settings.General.BGPicPath, c.path);
    const auto doc = IniDocument::Parse(out);
    EXPECT_EQ(doc.Value("General", "BGPic"), c.expected ? "1" : "0") << c.path;
    EXPECT_EQ(doc.Value("General", "BGPicPath"), c.path);
  }
  // Longer than any path can be: read cut short, but the file keeps its line whole.
  const std::string tooLong = "/" + std::string(5000, 'p');
  const auto out = ReadFrom("[General]\nBGPic=1\nBGPicPath=" + tooLong + "\n");
  EXPECT_NE(out.find("BGPicPath=" + tooLong + "\n"), std::string::npos);
  EXPECT_EQ(Settings.General.BGPic, false);
}

TEST_F(SettingsFileTest, AByteOrderMarkIsNoPartOfTheFirstSection) {
  const std::string out = ReadFrom("\xEF\xBB\xBF[General]\r\nSimColor=1\r\nVarNum=3\r\n");
  EXPECT_EQ(Settings.General.SimColor, 1);
  EXPECT_EQ(Settings.General.VarNum, 3);
  EXPECT_EQ(out.rfind("\xEF\xBB\xBF[General]\r\nSimColor=1\r\n", 0), 0u) << out;
  EXPECT_EQ(out.find("[General]", 10), std::string::npos) << "a second [General]";
}

TEST_F(SettingsFileTest, FilesThatCannotBeReadSayWhyAndStayAsTheyAre) {
  const std::string huge = "[General]\nSimColor=1\n" + std::string(600 << 10, '\n');
  const struct {
    const char* name;
    std::function<void(const std::filesystem::path&)> make;
    const char* why;
  } cases[] = {
      {"600 KB of blank lines", [&](const auto& file) { WriteFile(file, huge); },
       "it is larger than 512 KB"},
      {"a folder", [](const auto& file) { std::filesystem::create_directory(file); },
       "it is a folder"},
      {"a link to /dev/zero",
       [](const auto& file) { std::filesystem::create_symlink("/dev/zero", file); },
       "it is not a regular file"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(File());
    c.make(File());
    const auto start = std::chrono::steady_clock::now();
    try {
      ReadSettings();
      ADD_FAILURE() << c.name << " was read";
    } catch (const ESettingsReadError& error) {
      EXPECT_EQ(
          std::string(error.what()).rfind(std::string("Unable to read Orvanex.ini: ") + c.why, 0),
          0u)
          << c.name << ": " << error.what();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.name;
  }
  std::filesystem::remove_all(File());
  WriteFile(File(), huge);
  EXPECT_THROW(ReadSettings(), ESettingsReadError);
  EXPECT_EQ(ReadFile(File()), huge);
}

TEST_F(SettingsFileTest, HostileFilesAreReadWithoutHarmAndUnknownLinesSurvive) {
  std::string hostile = "\xef\xbb\xbfgarbage\x01\x02\n";
  hostile += std::string(200000, 'z') + "\n";
  hostile += "[General]\r\nSimColor=3\r\nSimColor=1\r\n[General]\nVarNum=3\n";
  hostile += "[FirstVar]\nSimCount=" + std::string(100000, '9') + "\n";
  hostile += std::string("\0\0\0", 3) + "\n[ThirdVar]\nRotation=4";  // no final newline
  const std::string out = ReadFrom(hostile);
  EXPECT_EQ(Settings.General.SimColor, 3);
  EXPECT_EQ(Settings.General.VarNum, 1);  // only the first [General] is read
  EXPECT_EQ(Settings.FirstVar.SimCount, 55);
  EXPECT_EQ(Settings.ThirdVar.Rotation, 4);
  EXPECT_EQ(out.rfind("\xef\xbb\xbfgarbage\x01\x02", 0), 0u);
  EXPECT_NE(out.find(std::string(200000, 'z')), std::string::npos);
  EXPECT_NE(out.find(std::string("\0\0\0", 3)), std::string::npos);
  // A second read of our own output gives the same record and the same bytes.
  const TSettings first = Settings;
  EXPECT_EQ(ReadFrom(out), out);
  EXPECT_EQ(Settings, first);
}

TEST_F(SettingsFileTest, AFolderThatCannotBeMadeGivesTheWriteError) {
  const auto blocker = dir_ / "not-a-folder";
  WriteFile(blocker, "x");
  ScopedEnv config("XDG_CONFIG_HOME", (blocker / "sub").string());
  try {
    ReadSettings();
    FAIL() << "the write must fail";
  } catch (const ESettingsWriteError& error) {
    EXPECT_STREQ(error.what(), "Unable to write to Orvanex.ini");
  }
}

TEST_F(SettingsFileTest, AReadOnlyFileIsLeftIntact) {
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores file permissions";
  WriteFile(File(), "[General]\nSimColor=1\n");
  std::filesystem::permissions(File(), std::filesystem::perms::owner_read);
  EXPECT_THROW(ReadSettings(), ESettingsWriteError);
  std::filesystem::permissions(File(), std::filesystem::perms::owner_all);
  EXPECT_EQ(ReadFile(File()), "[General]\nSimColor=1\n");
}

TEST_F(SettingsFileTest, AnUnreadableFileIsNeverReplaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores file permissions";
  WriteFile(File(), "[General]\nSimColor=1\nmy own notes\n");
  std::filesystem::permissions(File(), std::filesystem::perms::owner_write);
  EXPECT_THROW(ReadSettings(), ESettingsReadError);
  std::filesystem::permissions(File(), std::filesystem::perms::owner_all);
  EXPECT_EQ(ReadFile(File()), "[General]\nSimColor=1\nmy own notes\n");
}

TEST(SettingsPath, FollowsTheBaseDirectoryRules) {
  {
    ScopedEnv config("XDG_CONFIG_HOME", "/some/where");
    EXPECT_EQ(SettingsFilePath(), "/some/where/Orvanex.ini");
  }
  {
    ScopedEnv config("XDG_CONFIG_HOME", "");
    ScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(SettingsFilePath(), "/home/u/.config/Orvanex.ini");
  }
  {
    ScopedEnv config("XDG_CONFIG_HOME", "relative/path");
    ScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(SettingsFilePath(), "/home/u/.config/Orvanex.ini");
  }
  {
    // A relative home is no base either: the user database's home is taken instead.
    ScopedEnv config("XDG_CONFIG_HOME", "");
    ScopedEnv home("HOME", "relative-home");
    EXPECT_TRUE(SettingsFilePath().is_absolute()) << SettingsFilePath();
  }
}

}  // namespace
}  // namespace tess

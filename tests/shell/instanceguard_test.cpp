#include "shell/instanceguard.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "tests/support/tempdir.h"

namespace tess {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

class InstanceGuardTest : public ::testing::Test {
 protected:
  TempDir runtime_;
  ScopedEnv env_{"XDG_RUNTIME_DIR", runtime_.path().string()};
};

TEST_F(InstanceGuardTest, ASecondGuardSeesTheFirstUntilItIsReleased) {
  {
    TInstanceGuard first;
    ASSERT_TRUE(first.Held());
    TInstanceGuard second;
    EXPECT_TRUE(second.AlreadyExists());
    EXPECT_FALSE(second.Held());
  }
  TInstanceGuard third;
  EXPECT_FALSE(third.AlreadyExists());
  EXPECT_TRUE(third.Held());
}

TEST_F(InstanceGuardTest, GuardsWithDifferentSuffixesRunSideBySide) {
  TInstanceGuard a("-0x200001");
  TInstanceGuard b("-0x400001");
  EXPECT_TRUE(a.Held());
  EXPECT_TRUE(b.Held());
}

TEST_F(InstanceGuardTest, AKilledHolderDoesNotBlockTheNextStart) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    TInstanceGuard held;
    const char ok = held.Held() ? '1' : '0';
    (void)!::write(ready[1], &ok, 1);
    ::pause();
    ::_exit(0);
  }
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, '1');
  EXPECT_TRUE(TInstanceGuard().AlreadyExists());
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_FALSE(TInstanceGuard().AlreadyExists());
  ::close(ready[0]);
  ::close(ready[1]);
}

// Where the guard lives, and that nobody else's file or folder can take its place.
TEST_F(InstanceGuardTest, WithoutAPrivateRuntimeFolderAPrivateFolderOfOursHoldsTheGuard) {
  const std::string uid = std::to_string(::geteuid());
  const std::string ours = runtime_.path().string() + "/tessarine-" + uid;
  const bool root = ::geteuid() == 0;
  const struct {
    const char* name;
    std::function<void()> prepare;
    bool held;
    bool needsRoot;
  } cases[] = {
      {"no runtime folder: a private folder is made", [] {}, true, false},
      {"a runtime folder others may write in is not used",
       [&] {
         std::filesystem::create_directory(runtime_ / "shared");
         ::chmod((runtime_ / "shared").c_str(), 01777);
         ::setenv("XDG_RUNTIME_DIR", (runtime_ / "shared").c_str(), 1);
       },
       true, false},
      {"our folder made by someone else: no guard, but no refusal either",
       [&] {
         std::filesystem::create_directory(ours);
         EXPECT_EQ(::chown(ours.c_str(), 65534, 65534), 0);
       },
       false, true},
      {"a guard file someone else owns is never taken",
       [&] {
         std::filesystem::create_directory(ours);
         ::chmod(ours.c_str(), 0700);
         testing::WriteFile(ours + "/one_inst_orvanex_memfile", "");
         EXPECT_EQ(::chown((ours + "/one_inst_orvanex_memfile").c_str(), 65534, 65534), 0);
       },
       false, true},
      {"a link in the guard's place is never followed",
       [&] {
         std::filesystem::create_directory(ours);
         ::chmod(ours.c_str(), 0700);
         std::filesystem::create_symlink(runtime_ / "elsewhere",
                                         ours + "/one_inst_orvanex_memfile");
       },
       false, false},
  };
  for (const auto& c : cases) {
    if (c.needsRoot && !root) continue;  // another user's files need root to make
    ScopedEnv noRuntime("XDG_RUNTIME_DIR", "");
    ScopedEnv tmp("TMPDIR", runtime_.path().string());
    std::filesystem::remove_all(ours);
    c.prepare();
    TInstanceGuard guard;
    EXPECT_EQ(guard.Held(), c.held) << c.name;
    EXPECT_FALSE(guard.AlreadyExists()) << c.name;
    if (c.held) {
      struct stat st {};
      ASSERT_EQ(::stat(ours.c_str(), &st), 0) << c.name;
      EXPECT_EQ(st.st_mode & 0777, 0700u) << c.name;
      EXPECT_EQ(TInstanceGuard::PathFor(""), ours + "/one_inst_orvanex_memfile") << c.name;
    }
  }
}

TEST_F(InstanceGuardTest, AGuardForOneDaemonWindowIsRemovedAtTheEnd) {
  const std::string path = TInstanceGuard::PathFor("-0x200001");
  {
    TInstanceGuard guard("-0x200001", true);
    ASSERT_TRUE(guard.Held());
    EXPECT_TRUE(std::filesystem::exists(path));
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace tess

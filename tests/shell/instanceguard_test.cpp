#include "shell/instanceguard.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST_F(InstanceGuardTest, WithoutARuntimeFolderTheTemporaryFolderCarriesTheUserId) {
  ScopedEnv noRuntime("XDG_RUNTIME_DIR", "");
  ScopedEnv tmp("TMPDIR", runtime_.path().string());
  EXPECT_EQ(TInstanceGuard::PathFor(""),
            runtime_.path().string() + "/one_inst_orvanex_memfile-" + std::to_string(::getuid()));
}

}  // namespace
}  // namespace tess

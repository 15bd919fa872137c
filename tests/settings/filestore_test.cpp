#include "settings/filestore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <system_error>
#include <vector>

#include "tests/support/tempdir.h"

namespace tess {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(WriteFileAtomically, ReplacesContentKeepsModeAndLeavesNoTemporaryFiles) {
  TempDir dir;
  const auto file = dir / "a.ini";
  WriteFile(file, "old content that is longer than the new one");
  ::chmod(file.c_str(), 0640);
  WriteFileAtomically(file, "new");
  EXPECT_EQ(ReadFile(file), "new");
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(WriteFileAtomically, CreatesMissingFoldersAndFollowsSymbolicLinks) {
  TempDir dir;
  WriteFileAtomically(dir / "x/y/z.ini", "abc");
  EXPECT_EQ(ReadFile(dir / "x/y/z.ini"), "abc");

  fs::create_directory(dir / "dotfiles");
  WriteFile(dir / "dotfiles/real.ini", "1");
  fs::create_symlink("dotfiles/real.ini", dir / "link.ini");
  WriteFileAtomically(dir / "link.ini", "2");
  EXPECT_TRUE(fs::is_symlink(dir / "link.ini"));
  EXPECT_EQ(ReadFile(dir / "dotfiles/real.ini"), "2");

  // A chain of links, relative and absolute: every link stays, the file at the end changes.
  fs::create_symlink(dir / "link.ini", dir / "dotfiles/middle");
  fs::create_symlink("dotfiles/middle", dir / "chain.ini");
  WriteFileAtomically(dir / "chain.ini", "3");
  EXPECT_TRUE(fs::is_symlink(dir / "chain.ini"));
  EXPECT_TRUE(fs::is_symlink(dir / "dotfiles/middle"));
  EXPECT_TRUE(fs::is_symlink(dir / "link.ini"));
  EXPECT_EQ(ReadFile(dir / "dotfiles/real.ini"), "3");
}

TEST(WriteFileAtomically, KeepsTheOwnerAndGroupOfAnotherUsersFile) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can write another user's file";
  TempDir dir;
  const auto file = dir / "a.ini";
  WriteFile(file, "a user's settings");
  ::chmod(file.c_str(), 0600);
  ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
  WriteFileAtomically(file, "rewritten by root");
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_gid, 65534u);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(WriteFileAtomically, AFailedWriteKeepsTheOldFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
  TempDir dir;
  fs::create_directory(dir / "locked");
  const auto file = dir / "locked/a.ini";
  WriteFile(file, "precious");
  fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_THROW(WriteFileAtomically(file, "new"), std::system_error);
  fs::permissions(dir / "locked", fs::perms::owner_all);
  EXPECT_EQ(ReadFile(file), "precious");
}

TEST(WriteFileAtomically, WritersSideBySideNeverDisturbEachOther) {
  // Savers in several daemon windows write the settings file at the same moment.
  TempDir dir;
  const auto file = dir / "a.ini";
  std::vector<pid_t> writers;
  for (int w = 0; w < 3; ++w) {
    const pid_t child = ::fork();
    if (child == 0) {
      try {
        for (int i = 0; i < 300; ++i)
          WriteFileAtomically(file, std::string(1000, 'a' + w));
      } catch (...) {
        ::_exit(1);
      }
      ::_exit(0);
    }
    writers.push_back(child);
  }
  for (pid_t writer : writers) {
    int status = 0;
    ::waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed";
  }
  EXPECT_EQ(ReadFile(file).size(), 1000u);
}

TEST(WriteFileAtomically, RemovesTheTemporaryFilesOfDeadWritersOnly) {
  TempDir dir;
  WriteFile(dir / ".a.ini.999999999.abcdef", "left by a writer that is gone");
  const std::string live = ".a.ini." + std::to_string(::getppid()) + ".abcdef";
  WriteFile(dir / live, "a writer still at work");
  WriteFile(dir / ".a.ini.unrelated", "not ours");
  WriteFileAtomically(dir / "a.ini", "x");
  EXPECT_FALSE(fs::exists(dir / ".a.ini.999999999.abcdef"));
  EXPECT_TRUE(fs::exists(dir / live));
  EXPECT_TRUE(fs::exists(dir / ".a.ini.unrelated"));
}

TEST(ReadWholeFile, TellsMissingUnreadableAndTooLargeApart) {
  TempDir dir;
  std::string out;
  EXPECT_EQ(ReadWholeFile(dir / "none", out, 100), FileReadStatus::kMissing);
  EXPECT_EQ(ReadWholeFile(dir.path(), out, 100), FileReadStatus::kUnreadable);
  WriteFile(dir / "big", std::string(101, 'x'));
  EXPECT_EQ(ReadWholeFile(dir / "big", out, 100), FileReadStatus::kUnreadable);
  EXPECT_EQ(ReadWholeFile(dir / "big", out, 101), FileReadStatus::kRead);
  EXPECT_EQ(out.size(), 101u);
}

}  // namespace
}  // namespace tess

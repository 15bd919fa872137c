#include "shell/instanceguard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tess {

namespace {

// A folder only we can write in: ours, and closed to everybody else. Anything else (another
// user's folder, a link, a folder others may write in) could hold a guard that someone else made.
bool IsPrivateFolder(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 077) == 0;
}

// The runtime folder when it is private, as it should be; else a private folder of ours in the
// temporary folder, made when missing. Empty when neither can be had.
std::string GuardFolder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
      runtime && *runtime == '/' && IsPrivateFolder(runtime)) {
    return runtime;
  }
  const char* tmp = std::getenv("TMPDIR");
  const std::string folder =
      std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/tessarine-" + std::to_string(::geteuid());
  ::mkdir(folder.c_str(), 0700);  // fails harmlessly when it exists; checked next
  return IsPrivateFolder(folder) ? folder : std::string();
}

}  // namespace

std::string TInstanceGuard::PathFor(const std::string& suffix) {
  const std::string folder = GuardFolder();
  return folder.empty() ? folder : folder + "/" + kInstanceGuardName + suffix;
}

TInstanceGuard::TInstanceGuard(const std::string& suffix, bool removeWhenDone)
    : path_(PathFor(suffix)), removeWhenDone_(removeWhenDone) {
  if (path_.empty()) return;
  // O_NOFOLLOW, and a file of our own: nobody can make us lock a file they control.
  fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) return;
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || st.st_uid != ::geteuid() || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    alreadyExists_ = errno == EWOULDBLOCK;
    ::close(fd_);
    fd_ = -1;
    return;
  }
}

TInstanceGuard::~TInstanceGuard() {
  if (fd_ < 0) return;
  // Removed while still locked, so that no other start takes the name in between.
  if (removeWhenDone_) ::unlink(path_.c_str());
  ::close(fd_);
}

}  // namespace tess

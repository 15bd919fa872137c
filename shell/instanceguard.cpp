#include "shell/instanceguard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tess {

std::string TInstanceGuard::PathFor(const std::string& suffix) {
  const std::string name = std::string(kInstanceGuardName) + suffix;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
    return std::string(runtime) + "/" + name;
  }
  const char* tmp = std::getenv("TMPDIR");
  const std::string folder = tmp && *tmp == '/' ? tmp : "/tmp";
  return folder + "/" + name + "-" + std::to_string(::getuid());
}

TInstanceGuard::TInstanceGuard(const std::string& suffix) {
  const std::string path = PathFor(suffix);
  // O_NOFOLLOW: in a shared temporary folder another user must not redirect us through a link.
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) return;
  while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    alreadyExists_ = errno == EWOULDBLOCK;
    ::close(fd_);
    fd_ = -1;
    return;
  }
}

TInstanceGuard::~TInstanceGuard() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace tess

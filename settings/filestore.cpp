#include "settings/filestore.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace tess {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

// The file that a write must replace: the end of a chain of symbolic links, or the path itself.
// Each link is followed in turn, so that every link of the chain stays a link. A chain that
// loops, or runs longer than the kernel would follow, leads nowhere: the path itself is replaced.
fs::path ResolveTarget(const fs::path& path) {
  constexpr int kMaxLinks = 40;  // the kernel's own limit for a path
  fs::path current = path;
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(current, ec))) return current;
    const fs::path target = fs::read_symlink(current, ec);
    if (ec) return current;
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  return path;
}

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      ThrowErrno("write");
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
}

mode_t ModeForNewFile() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Temporary files of writers that died mid-write. Their names carry the writer's process id, so
// that only the leftovers of processes that are gone are removed: savers in several daemon
// windows may write at the same moment.
void RemoveStaleTemporaries(const fs::path& folder, const std::string& prefix) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    const auto dot = name.find('.', prefix.size());
    if (dot == std::string::npos || name.size() != dot + 7) continue;
    const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    fs::remove(entry.path(), ec);
  }
}

void SyncFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // best effort: the rename itself has already happened
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

FileReadStatus ReadWholeFile(const fs::path& path, std::string& out, size_t limit,
                             std::string* problem) {
  out.clear();
  const auto unreadable = [problem](std::string why) {
    if (problem != nullptr) *problem = std::move(why);
    return FileReadStatus::kUnreadable;
  };
  std::error_code ec;
  const auto status = fs::status(path, ec);
  if (!fs::exists(status)) return FileReadStatus::kMissing;
  if (fs::is_directory(status)) return unreadable("it is a folder");
  if (!fs::is_regular_file(status)) return unreadable("it is not a regular file");
  const auto size = fs::file_size(path, ec);
  if (ec) return unreadable(ec.message());
  if (size > limit) {
    return unreadable("it is larger than " + std::to_string(limit / 1024) +
                      " KB, more than settings can be");
  }
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) return unreadable(std::generic_category().message(errno != 0 ? errno : EIO));
  out.resize(size);
  in.read(out.data(), static_cast<std::streamsize>(size));
  out.resize(static_cast<size_t>(in.gcount()));
  if (in.bad()) return unreadable(std::generic_category().message(EIO));
  return FileReadStatus::kRead;
}

void WriteFileAtomically(const fs::path& path, std::string_view bytes) {
  const fs::path target = ResolveTarget(path);
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";

  std::error_code ec;
  fs::create_directories(folder, ec);  // a failure shows up when the temporary file is made

  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && ::access(target.c_str(), W_OK) != 0) ThrowErrno("access");

  const std::string prefix = "." + target.filename().string() + ".";
  RemoveStaleTemporaries(folder, prefix);
  std::string temporary = (folder / (prefix + std::to_string(::getpid()) + ".XXXXXX")).string();
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) ThrowErrno("mkstemp");
  try {
    const mode_t mode = exists ? (existing.st_mode & 07777) : ModeForNewFile();
    // The replacement belongs to whoever owned the file: root rewriting a user's file must not
    // take it over. Only a privileged writer can give a file away; for anyone else the owner is
    // already right, or cannot be changed and stays the writer's.
    if (exists && (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())) {
      (void)!::fchown(fd, existing.st_uid, existing.st_gid);
    }
    if (::fchmod(fd, mode) != 0) ThrowErrno("fchmod");
    WriteAll(fd, bytes);
    if (::fsync(fd) != 0) ThrowErrno("fsync");
  } catch (...) {
    ::close(fd);
    ::unlink(temporary.c_str());
    throw;
  }
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    errno = error;
    ThrowErrno("close");
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    errno = error;
    ThrowErrno("rename");
  }
  SyncFolder(folder);
}

}  // namespace tess

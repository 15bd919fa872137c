#pragma once
// Only one Tessarine runs at a time, saver and dialog alike. The guard is an exclusive lock on a
// file in the user's runtime folder: the kernel drops it when the process ends, however it ends,
// so a crashed saver never blocks the next start.
#include <string>

namespace tess {

inline constexpr const char* kInstanceGuardName = "one_inst_orvanex_memfile";

class TInstanceGuard {
 public:
  // `suffix` separates guards that may run side by side (one per daemon window).
  explicit TInstanceGuard(const std::string& suffix = {});
  ~TInstanceGuard();
  TInstanceGuard(const TInstanceGuard&) = delete;
  TInstanceGuard& operator=(const TInstanceGuard&) = delete;

  // True when another process holds the guard. When the guard cannot be made for any other
  // reason, start-up goes on without it.
  bool AlreadyExists() const { return alreadyExists_; }
  bool Held() const { return fd_ >= 0; }

  // $XDG_RUNTIME_DIR/<name>, or the temporary folder with the user id in the name.
  static std::string PathFor(const std::string& suffix);

 private:
  int fd_ = -1;
  bool alreadyExists_ = false;
};

}  // namespace tess

#pragma once
// Only one Tessarine runs at a time, saver and dialog alike. The guard is an exclusive lock on a
// file in the user's runtime folder: the kernel drops it when the process ends, however it ends,
// so a crashed saver never blocks the next start.
#include <string>

namespace tess {

inline constexpr const char* kInstanceGuardName = "one_inst_orvanex_memfile";

class TInstanceGuard {
 public:
  // `suffix` separates guards that may run side by side (one per daemon window); such a guard
  // is used once and removed at the end with `removeWhenDone`.
  explicit TInstanceGuard(const std::string& suffix = {}, bool removeWhenDone = false);
  ~TInstanceGuard();
  TInstanceGuard(const TInstanceGuard&) = delete;
  TInstanceGuard& operator=(const TInstanceGuard&) = delete;

  // True when another process holds the guard. When the guard cannot be made for any other
  // reason (no private folder for it, a file someone else owns in its place), start-up goes on
  // without it: nobody else can keep us from starting.
  bool AlreadyExists() const { return alreadyExists_; }
  bool Held() const { return fd_ >= 0; }

  // $XDG_RUNTIME_DIR/<name> when that folder is private, else <temporary folder>/tessarine-<uid>/
  // <name>, a private folder made for it; empty when there is no private folder to be had.
  static std::string PathFor(const std::string& suffix);

 private:
  std::string path_;
  bool removeWhenDone_ = false;
  int fd_ = -1;
  bool alreadyExists_ = false;
};

}  // namespace tess

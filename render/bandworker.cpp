#include "render/bandworker.h"

namespace tess {

TBandWorker::TBandWorker(std::function<void(int, int)> draw)
    : draw_(std::move(draw)), thread_([this] { Loop(); }) {}

TBandWorker::~TBandWorker() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void TBandWorker::Start(int first, int end) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    first_ = first;
    end_ = end;
    pending_ = true;
  }
  wake_.notify_one();
}

void TBandWorker::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [this] { return !pending_; });
}

void TBandWorker::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return pending_ || stopping_; });
    if (stopping_) return;
    const int first = first_, end = end_;
    lock.unlock();
    draw_(first, end);
    lock.lock();
    pending_ = false;
    done_.notify_one();
  }
}

}  // namespace tess

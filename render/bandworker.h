#pragma once
// A second thread that draws some of a frame's bands while the user-interface thread draws the
// others, so that a frame that changed a lot (the chains scene at 4K) is composed in about half
// the time and still fits in a refresh period. Bands are rows of the back surface that no two
// drawings share, so the two threads never touch the same pixel.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace tess {

class TBandWorker {
 public:
  // `draw(first, end)` draws bands [first, end); it runs on the worker thread.
  explicit TBandWorker(std::function<void(int first, int end)> draw);
  ~TBandWorker();
  TBandWorker(const TBandWorker&) = delete;
  TBandWorker& operator=(const TBandWorker&) = delete;

  // Has the worker draw bands [first, end); returns at once.
  void Start(int first, int end);
  // Returns once the worker has drawn them.
  void Wait();

 private:
  void Loop();

  std::function<void(int, int)> draw_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  int first_ = 0;
  int end_ = 0;
  bool pending_ = false;
  bool stopping_ = false;
  std::thread thread_;  // last: started once everything it uses exists
};

}  // namespace tess

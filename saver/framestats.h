#pragma once
// TESSARINE_STATS=1: every 5 seconds the saver prints on standard error its frame rate, the CPU
// time of its own process per frame, the median time to compose a frame and to present it, and
// the display's refresh rate with the scene steps it took per second. Measuring changes nothing
// that is drawn.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tess {

class IFramePacer;

class TFrameStats {
 public:
  // Reads TESSARINE_STATS; when it is not "1" every call below costs one branch.
  TFrameStats();

  bool Enabled() const { return enabled_; }

  // One frame: the time spent composing it and presenting it (waiting for the refresh excluded),
  // the scene steps it took, and what paces the frames, when known.
  void AddFrame(double composeMilliseconds, double presentMilliseconds, int steps = 1,
                const IFramePacer* pacer = nullptr, const std::string& renderer = {});
  // Frames start again after a pause: the time without them counts for nothing.
  void Restart();
  // Names the monitor in every line ("HDMI-1: 60.0 fps ..."); empty for the primary one.
  void SetLabel(std::string label) { label_ = std::move(label); }

 private:
  void Report(double seconds, const IFramePacer* pacer, const std::string& renderer);

  bool enabled_ = false;
  std::string label_;
  std::chrono::steady_clock::time_point windowStart_;
  double cpuAtWindowStart_ = 0;
  int64_t steps_ = 0;
  std::vector<double> compose_;
  std::vector<double> present_;
};

// Milliseconds of CPU time (user and system) this process has used so far.
double ProcessCpuMilliseconds();

}  // namespace tess

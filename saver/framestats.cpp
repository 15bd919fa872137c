#include "saver/framestats.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "render/framepacer.h"

namespace tess {

namespace {

constexpr double kReportSeconds = 5.0;

double Median(std::vector<double>& values) {
  if (values.empty()) return 0;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

}  // namespace

double ProcessCpuMilliseconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

TFrameStats::TFrameStats() {
  const char* value = std::getenv("TESSARINE_STATS");
  enabled_ = value != nullptr && std::strcmp(value, "1") == 0;
  if (!enabled_) return;
  compose_.reserve(2048);
  present_.reserve(2048);
  Restart();
}

void TFrameStats::Restart() {
  if (!enabled_) return;
  compose_.clear();
  present_.clear();
  steps_ = 0;
  cpuAtWindowStart_ = ProcessCpuMilliseconds();
  windowStart_ = std::chrono::steady_clock::now();
}

void TFrameStats::AddFrame(double composeMilliseconds, double presentMilliseconds, int steps,
                           const IFramePacer* pacer, const std::string& renderer) {
  if (!enabled_) return;
  steps_ += steps;
  compose_.push_back(composeMilliseconds);
  present_.push_back(presentMilliseconds);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - windowStart_).count();
  if (seconds >= kReportSeconds) Report(seconds, pacer, renderer);
}

void TFrameStats::Report(double seconds, const IFramePacer* pacer, const std::string& renderer) {
  const double frames = static_cast<double>(compose_.size());
  const double cpu = ProcessCpuMilliseconds();
  char pacing[160] = "";
  if (pacer != nullptr) {
    std::snprintf(pacing, sizeof pacing, "; refresh %.1f Hz, %.1f steps per second (%s)",
                  pacer->RefreshHz(), static_cast<double>(steps_) / seconds,
                  pacer->Description().c_str());
  }
  const std::string who = label_.empty() ? "" : label_ + ": ";
  std::fprintf(stderr,
               "tessarine: %s%.1f fps, %.3f ms CPU per frame, composition %.3f ms, present %.3f ms "
               "(medians over %.0f frames)%s%s%s\n",
               who.c_str(), frames / seconds, (cpu - cpuAtWindowStart_) / frames, Median(compose_),
               Median(present_), frames, pacing, renderer.empty() ? "" : "; renderer ",
               renderer.c_str());
  std::fflush(stderr);
  Restart();
}

}  // namespace tess

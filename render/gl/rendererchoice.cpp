#include "render/gl/rendererchoice.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string_view>

namespace tess {

TRendererMode RendererModeFromEnvironment() {
  const char* value = std::getenv("TESSARINE_RENDERER");
  const std::string_view mode = value != nullptr ? value : "";
  if (mode == "gl") return TRendererMode::kGl;
  if (mode == "software") return TRendererMode::kSoftware;
  if (!mode.empty() && mode != "auto") {
    static std::once_flag said;
    std::call_once(said, [&] {
      std::fprintf(stderr,
                   "tessarine: TESSARINE_RENDERER=%s is not auto, gl or software: taken as auto\n",
                   value);
    });
  }
  return TRendererMode::kAuto;
}

std::string RefuseDevice(TRendererMode mode, const std::string& renderer, bool software) {
  if (mode == TRendererMode::kSoftware) return "TESSARINE_RENDERER=software";
  if (mode == TRendererMode::kAuto && software)
    return "the only GL is a software rasteriser, " + renderer;
  return {};
}

std::string DescribeGl(const std::string& renderer) {
  return "gl (" + renderer + ")";
}

std::string DescribeSoftware(const std::string& why) {
  return "software (" + why + ")";
}

void AnnounceRenderer(const std::string& description) {
  static std::mutex lock;
  static std::string last;
  const std::lock_guard guard(lock);
  if (description == last) return;
  last = description;
  std::fprintf(stderr, "tessarine: renderer %s\n", description.c_str());
  std::fflush(stderr);
}

}  // namespace tess

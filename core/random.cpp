#include "core/random.h"

#include <chrono>

namespace tess {

RandomGenerator& SharedRandom() {
  static RandomGenerator generator;
  return generator;
}

uint32_t UtcMillisecondsOfDay() {
  using namespace std::chrono;
  const auto now = time_point_cast<milliseconds>(system_clock::now());
  const auto sinceMidnight = now - floor<days>(now);
  return static_cast<uint32_t>(sinceMidnight.count());
}

}  // namespace tess

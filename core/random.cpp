#include "core/random.h"

#include <chrono>

namespace tess {

RandomGenerator& SharedRandom() {
  static RandomGenerator generator;
  return generator;
}

namespace {
uint32_t gStartupSeed = 0;
}  // namespace

void SeedSharedRandom(uint32_t seed) {
  gStartupSeed = seed;
  SharedRandom().Seed(seed);
}

uint32_t StartupSeed() {
  return gStartupSeed;
}

uint32_t UtcMillisecondsOfDay() {
  using namespace std::chrono;
  const auto now = time_point_cast<milliseconds>(system_clock::now());
  const auto sinceMidnight = now - floor<days>(now);
  return static_cast<uint32_t>(sinceMidnight.count());
}

}  // namespace tess

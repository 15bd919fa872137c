#pragma once
// The program's one pseudo-random generator. Every scene draws from it in a fixed order, so a run
// is reproducible from the 32-bit seed alone; there is deliberately no floating-point draw.
#include <cstdint>

namespace tess {

class RandomGenerator {
 public:
  explicit RandomGenerator(uint32_t seed = 0) : state_(seed) {}

  void Seed(uint32_t seed) { state_ = seed; }
  uint32_t State() const { return state_; }

  // An integer from 0 to n - 1: advance the linear congruential state, then take the upper half
  // of the 64-bit product state * n, which spreads the state evenly over the range.
  int32_t random(int32_t n) {
    state_ = state_ * 134775813u + 1u;
    return static_cast<int32_t>((uint64_t{state_} * static_cast<uint32_t>(n)) >> 32);
  }

 private:
  uint32_t state_;
};

// The generator shared by the whole program, seeded once at start-up.
RandomGenerator& SharedRandom();

// Seeds the shared generator at start-up and remembers the seed, from which generators of their
// own (the scenes of further monitors) are seeded.
void SeedSharedRandom(uint32_t seed);
uint32_t StartupSeed();

// The seed of the generator of a further scene number `index` (1 and up): far from the
// start-up seed and from every other index's, so that no two scenes draw alike.
constexpr uint32_t SeedForScene(uint32_t startupSeed, uint32_t index) {
  return startupSeed + index * 0x9E3779B9u;  // steps of the golden ratio over 2^32
}

// Milliseconds since midnight of the current UTC time: the start-up seed.
uint32_t UtcMillisecondsOfDay();

}  // namespace tess

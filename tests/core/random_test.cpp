#include "core/random.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

struct Draw {
  int32_t n;
  uint32_t stateAfter;
  int32_t result;
};

// Each row: state := state * 134775813 + 1 (mod 2^32), result := (state * n) >> 32.
TEST(RandomGenerator, FirstDrawsFollowTheUpdateAndTheUpperProduct) {
  struct Case {
    uint32_t seed;
    std::vector<Draw> draws;
  };
  const Case cases[] = {
      // 0 * 134775813 + 1 = 1, and 1 * 100 >> 32 = 0;
      // 1 * 134775813 + 1 = 134775814, and 13477581400 / 4294967296 = 3.14 -> 3.
      {0, {{100, 1, 0}, {100, 134775814, 3}, {100, 3698175007u, 86}, {15, 870078620u, 3}}},
      {1, {{10, 134775814, 0}, {10, 3698175007u, 8}}},
      {123456789, {{1000, 2335298922u, 543}, {2, 1699992339u, 0}, {50, 1678830432u, 19}}},
      // The state wraps: 0xFFFFFFFF * 134775813 + 1 = 4160191484 (mod 2^32).
      {0xFFFFFFFFu, {{7, 4160191484u, 6}, {1, 866343917u, 0}, {0, 2231304098u, 0}}},
  };
  for (const auto& c : cases) {
    RandomGenerator rng(c.seed);
    for (const auto& d : c.draws) {
      EXPECT_EQ(rng.random(d.n), d.result) << "seed " << c.seed << " n " << d.n;
      EXPECT_EQ(rng.State(), d.stateAfter) << "seed " << c.seed;
    }
  }
}

TEST(RandomGenerator, DrawsStayInRangeAndSeedingRestarts) {
  RandomGenerator rng(42);
  std::vector<int32_t> first;
  for (int i = 0; i < 1000; ++i) {
    const int32_t v = rng.random(15);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 15);
    first.push_back(v);
  }
  rng.Seed(42);
  for (int32_t v : first)
    EXPECT_EQ(rng.random(15), v);
}

TEST(RandomGenerator, SeedOfTheDayIsWithinADay) {
  EXPECT_LT(UtcMillisecondsOfDay(), 24u * 60 * 60 * 1000);
}

}  // namespace
}  // namespace tess

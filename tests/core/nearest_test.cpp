#include "core/nearest.h"

#include <gtest/gtest.h>

#include <limits>

namespace tess {
namespace {

TEST(Nearest, HalvesGoToTheEvenNeighbour) {
  const struct {
    long double x;
    int64_t expected;
  } cases[] = {
      {0.5L, 0},    {1.5L, 2},     {2.5L, 2},   {-0.5L, 0},   {-1.5L, -2},
      {-2.5L, -2},  {7.5L, 8},     {14.5L, 14}, {15.5L, 16},  {29.5L, 30},
      {26.67L, 27}, {0.49999L, 0}, {2.51L, 3},  {-2.51L, -3}, {1e10L, 10000000000LL},
  };
  for (const auto& c : cases)
    EXPECT_EQ(nearest(c.x), c.expected) << static_cast<double>(c.x);
}

TEST(Nearest, ExtendedPrecisionKeepsExactTies) {
  // 1024 / 30 * 1 and 800 / 30 evaluated in long double, as the bounds are.
  EXPECT_EQ(nearest(1024.0L / 30), 34);
  EXPECT_EQ(nearest(800.0L / 30), 27);
  EXPECT_EQ(nearest(3 * 480 / 4.0L / 45), 8);
}

TEST(Nearest, HalfPixelRoundingInIntegersAgreesWithExtendedPrecision) {
  for (int64_t twice = -300000; twice <= 300000; ++twice) {
    ASSERT_EQ(NearestHalf(twice), nearest(twice / 2.0L)) << twice;
  }
  for (int64_t twice : {int64_t{1} << 40, (int64_t{1} << 40) + 1, -(int64_t{1} << 40) - 1}) {
    EXPECT_EQ(NearestHalf(twice), nearest(twice / 2.0L)) << twice;
  }
}

TEST(Nearest, NonFiniteValuesDoNotInvokeUndefinedConversions) {
  EXPECT_EQ(nearest(std::numeric_limits<long double>::quiet_NaN()), 0);
  EXPECT_EQ(nearest(std::numeric_limits<long double>::infinity()),
            std::numeric_limits<int64_t>::max());
  EXPECT_EQ(nearest(-std::numeric_limits<long double>::infinity()),
            std::numeric_limits<int64_t>::min());
  EXPECT_EQ(nearest32(4294967296.0L + 5), 5);  // stored into 32 bits like the original
}

}  // namespace
}  // namespace tess

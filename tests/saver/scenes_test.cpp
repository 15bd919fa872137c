#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "saver/scenes.h"
#include "tests/support/alloc_counter.h"

namespace tess {
namespace {

struct Draw {
  uint16_t x, y, size, index, list;
  friend bool operator==(const Draw&, const Draw&) = default;
};

// Records every sprite of a frame, and checks each against what the lists hold.
class Recorder : public IGlyphSink {
 public:
  std::vector<Draw> frame;
  bool keepFrames = false;
  std::vector<std::vector<Draw>> frames;
  long badIndex = 0;

  void DrawSim(uint16_t X, uint16_t Y, uint16_t Size, uint16_t Index, uint16_t List) override {
    const int items = List == 3 ? 150 : 300;
    if (List < 1 || List > 3 || Index >= items) ++badIndex;
    frame.push_back({X, Y, Size, Index, List});
  }
  void EndFrame() {
    if (keepFrames) frames.push_back(frame);
    frame.clear();
  }
};

class SceneTest : public ::testing::Test {
 public:
  SceneTest() { SetDefaults(settings); }

  void Start(int var, ScreenSize screen = {1024, 768}) {
    settings.General.VarNum = var;
    scenes.Resize(screen);
    scenes.Initialize();
  }
  // One frame; returns the sprites it drew.
  std::vector<Draw> Step() {
    scenes.Step();
    std::vector<Draw> drawn = sink.frame;
    sink.EndFrame();
    return drawn;
  }

  TSettings settings;
  RandomGenerator rng{12345};
  Recorder sink;
  TScenes scenes{settings, rng, sink, {1024, 768}};
};

// ---- Variation 1 --------------------------------------------------------------------------------

TEST_F(SceneTest, ZoomingSymbolsPhaseInAtTheRatioOfTheDefaults) {
  Start(1);
  EXPECT_DOUBLE_EQ(scenes.First().FirstVarRatio, 0.55);
  std::vector<size_t> counts;
  for (int f = 1; f <= 300; ++f)
    counts.push_back(Step().size());
  EXPECT_EQ(counts[0], 1u);  // frame 1
  EXPECT_EQ(counts[1], 1u);  // frame 2: the second symbol comes at its end
  EXPECT_EQ(counts[2], 2u);  // frame 3
  EXPECT_EQ(counts[3], 2u);
  EXPECT_EQ(counts[4], 3u);    // the third came at the end of frame 4
  EXPECT_EQ(counts[98], 54u);  // frame 99
  EXPECT_EQ(counts[99], 55u);  // the 55th came at the end of frame 99
  for (size_t f = 1; f < counts.size(); ++f) {
    EXPECT_LE(counts[f], counts[f - 1] + 1);
    EXPECT_LE(counts[f], 55u);
  }
}

TEST_F(SceneTest, ApproachingSymbolsNeverExceedTheLargestSizeAndBothWaysGoOneAbove) {
  for (int moving : {1, 2, 3}) {
    settings.FirstVar.Moving = moving;
    settings.FirstVar.SimCount = 100;
    Start(1);
    int smallest = 1000, largest = 0;
    for (int f = 0; f < 2000; ++f) {
      for (const Draw& d : Step()) {
        smallest = std::min<int>(smallest, d.size);
        largest = std::max<int>(largest, d.size);
      }
    }
    EXPECT_EQ(smallest, 10) << moving;
    EXPECT_EQ(largest, moving == 3 ? 111 : 110) << moving;
  }
}

TEST_F(SceneTest, RecedingSymbolsKeepTheFirstBrightnessStepAtZero) {
  settings.FirstVar.Moving = 2;
  settings.FirstVar.ChBrightnessSpeed = 10;  // a brightness change at every size step
  Start(1);
  std::vector<int> levels;
  for (int f = 0; f < 6; ++f)
    levels.push_back(Step()[0].index % 10);
  // Record 1's brightness: 0, then a step to -1 turned back to 0, then it climbs.
  EXPECT_EQ(levels, (std::vector<int>{0, 0, 1, 2, 3, 4}));
}

TEST_F(SceneTest, BrightnessPulsesTwentyStepsPerCycleOrStaysBrightestWhenOff) {
  settings.FirstVar.ChBrightnessSpeed = 10;
  Start(1);
  std::vector<int> levels;
  for (int f = 0; f < 22; ++f)
    levels.push_back(Step()[0].index % 10);
  EXPECT_EQ(levels,
            (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 1}));
  settings.FirstVar.ChBrightness = false;
  Start(1);
  for (int f = 0; f < 500; ++f) {
    for (const Draw& d : Step())
      ASSERT_EQ(d.index % 10, 9);
  }
}

TEST_F(SceneTest, SlowZoomStillDrawsEveryFrame) {
  settings.FirstVar.MovingSpeed = 1;
  Start(1);
  std::vector<int> sizes;
  for (int f = 0; f < 21; ++f)
    sizes.push_back(Step()[0].size);
  EXPECT_EQ(sizes[0], 10);
  EXPECT_EQ(sizes[9], 11);  // the size changes on frames 1, 11, 21: drawn from frames 2, 12
  EXPECT_EQ(sizes[10], 11);
  EXPECT_EQ(sizes[11], 12);
}

TEST_F(SceneTest, EqualOrCrossedSizeLimitsStillStartAndAnimate) {
  const struct {
    int moving, min, max;
    size_t expectedSymbols;
  } cases[] = {
      {1, 50, 50, 55},  // no zoom at all: the symbols phase in one per frame and jump about
      {2, 50, 50, 55}, {3, 50, 50, 1},  // negative ratio: only the first symbol
      {1, 100, 20, 1}, {3, 100, 20, 1},
  };
  for (const auto& c : cases) {
    settings.FirstVar.Moving = c.moving;
    settings.FirstVar.MinSimSize = c.min;
    settings.FirstVar.MaxSimSize = c.max;
    Start(1);
    std::set<std::pair<int, int>> places;
    size_t shown = 0;
    for (int f = 0; f < 300; ++f) {
      const auto drawn = Step();
      shown = drawn.size();
      places.insert({drawn[0].x, drawn[0].y});
    }
    EXPECT_EQ(shown, c.expectedSymbols) << c.moving << " " << c.min << " " << c.max;
    EXPECT_GT(places.size(), 10u) << "the first symbol keeps moving";
    EXPECT_EQ(sink.badIndex, 0);
  }
}

// ---- Variation 2 --------------------------------------------------------------------------------

// The frame at the end of which the n-th symbol is enabled.
int FrameEnabling(SceneTest& t, const std::function<std::vector<Draw>()>& step, size_t n) {
  for (int f = 1; f <= 1000; ++f) {
    step();
    if (t.scenes.Second().SecondVarActive >= static_cast<int>(n)) return f;
  }
  return -1;
}

TEST_F(SceneTest, DriftingSymbolsPhaseInOnePerFrameOrInBursts) {
  settings.SecondVar.ChBrightnessSpeed = 10;
  Start(2);
  EXPECT_EQ(Step().size(), 1u);
  EXPECT_EQ(FrameEnabling(
                *this, [&] { return Step(); }, 55) +
                1,
            54);
  settings.SecondVar.ChBrightnessSpeed = 1;
  Start(2);
  std::vector<int> enabledAt;
  for (int f = 1; f <= 200; ++f) {
    const int before = scenes.Second().SecondVarActive;
    Step();
    if (scenes.Second().SecondVarActive > before) enabledAt.push_back(f);
  }
  ASSERT_GE(enabledAt.size(), 54u);
  EXPECT_EQ(std::vector<int>(enabledAt.begin(), enabledAt.begin() + 5),
            (std::vector<int>{1, 2, 11, 12, 13}));
  EXPECT_EQ(enabledAt[53], 182);  // the 55th symbol
}

TEST_F(SceneTest, ABouncingSymbolIsPutBackInsideAndTurnsRound) {
  TSecondVarSim sim;
  sim.Size = 30;
  sim.X = 4;
  sim.Y = 100;
  sim.DX = 0.7;
  MoveSecondVarSim(sim, {1024, 768});
  EXPECT_EQ(sim.X, 15.0);
  EXPECT_EQ(sim.DX, -0.7);
  MoveSecondVarSim(sim, {1024, 768});
  EXPECT_EQ(sim.X, 15.0);
  EXPECT_EQ(sim.DX, 0.7);
  MoveSecondVarSim(sim, {1024, 768});
  EXPECT_DOUBLE_EQ(sim.X, 15.7);
}

TEST_F(SceneTest, AWrappingSymbolReentersAtTheOppositeEdgeWithItsVelocity) {
  const struct {
    double x, y, dx, dy, expectedX, expectedY;
  } cases[] = {
      {1008.5, 300, 0.6, 0, 15, 300},   // through the right edge
      {500, 752.5, 0, 0.9, 500, 15},    // through the bottom edge
      {15.2, 300, -0.5, 0, 1009, 300},  // through the left edge
      {500, 15.1, 0, -0.3, 500, 753},   // through the top edge
  };
  for (const auto& c : cases) {
    TSecondVarSim sim;
    sim.Size = 30;
    sim.Wrap = true;
    sim.X = c.x;
    sim.Y = c.y;
    sim.DX = c.dx;
    sim.DY = c.dy;
    MoveSecondVarSim(sim, {1024, 768});
    EXPECT_DOUBLE_EQ(sim.X, c.expectedX);
    EXPECT_DOUBLE_EQ(sim.Y, c.expectedY);
    EXPECT_EQ(sim.DX, c.dx);
    EXPECT_EQ(sim.DY, c.dy);
  }
}

TEST_F(SceneTest, WithoutMovementNoVelocityIsDrawnAndFadedSymbolsMove) {
  settings.SecondVar.Moving = false;
  settings.General.VarNum = 2;
  RandomGenerator reference(rng.State());
  scenes.Initialize();
  // Per record: the symbol, two coordinates and the wrap test; no velocity draws.
  for (int i = 0; i < 100 * 4; ++i)
    reference.random(2);
  EXPECT_EQ(rng.State(), reference.State());
  for (const auto& sim : scenes.Second().SecondVarSims) {
    EXPECT_EQ(sim.DX, 0.0);
    EXPECT_EQ(sim.DY, 0.0);
  }
  settings.SecondVar.ChBrightnessSpeed = 10;
  std::set<std::pair<int, int>> places;
  for (int f = 0; f < 200; ++f) {
    const auto drawn = Step();
    places.insert({drawn[0].x, drawn[0].y});
  }
  EXPECT_GE(places.size(), 9u);  // re-placed after each fade (every 20 brightness steps)
  EXPECT_LE(places.size(), 11u);
}

TEST_F(SceneTest, WithMovementASymbolKeepsItsShapeForever) {
  settings.SecondVar.ChBrightnessSpeed = 10;
  Start(2);
  std::map<int, int> shapeOfRecord;
  for (int f = 0; f < 3000; ++f) {
    const auto drawn = Step();
    for (size_t r = 0; r < drawn.size(); ++r) {
      const int shape = drawn[r].index / 10;
      const auto [it, inserted] = shapeOfRecord.emplace(static_cast<int>(r), shape);
      ASSERT_EQ(it->second, shape);
    }
  }
}

// ---- Variation 3 --------------------------------------------------------------------------------

// The first broken invariant of the chains, or an empty string. Plain code, no assertion per
// slot: it runs after every one of a hundred thousand frames.
std::string BrokenChainInvariant(const TThirdVarState& s) {
  static std::vector<char> taken;
  taken.assign(static_cast<size_t>(s.ColCount) + 1, 0);
  for (int k = 1; k <= s.ChainCount; ++k) {
    const int q = s.ChainColumn[static_cast<size_t>(k)];
    if (q < 1 || q > s.ColCount) return "chain " + std::to_string(k) + " has no column";
    if (taken[q]++) return "two chains share column " + std::to_string(q);
    if (s.Column(q).Chain != k) return "column " + std::to_string(q) + " forgot its chain";
  }
  int woken = 0;
  for (int q = 1; q <= s.ColCount; ++q) {
    const TThirdVarColumn& c = s.Column(q);
    if (c.Free != (c.Chain == 0)) return "column " + std::to_string(q) + ": Free and Chain differ";
    if (c.Free) continue;
    int marks = 0, visible = 0;
    for (int i = 1; i <= s.ChainLength; ++i) {
      const TThirdVarSim& sim = c.Slot(i);
      marks += sim.Head + sim.Eraser;
      visible += sim.Visible;
      if (sim.Phase < 0 || sim.Phase > 9) return "phase out of range";
      if (i > 1 && sim.Row != (c.Slot(i - 1).Row + 1 > s.RowCount ? 1 : c.Slot(i - 1).Row + 1)) {
        return "rows do not follow in column " + std::to_string(q);
      }
    }
    if (marks > 1) return "column " + std::to_string(q) + " has two heads or erasers";
    woken += visible > 0;
  }
  if (woken != std::min(s.ThirdVarActive, s.ChainCount)) return "a woken chain does not show";
  return {};
}

TEST_F(SceneTest, AChainStartsAsOneHeadAndGrowsAtTheFirstMoveFrame) {
  settings.ThirdVar.MovSpeed = 10;
  Start(3);
  const auto first = Step();
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].list, 2);
  const auto second = Step();
  ASSERT_GE(second.size(), 2u);
  EXPECT_EQ(second[0].list, 1);
  EXPECT_EQ(second[1].list, 2);
  EXPECT_EQ(second[1].x, second[0].x);
  // One row down, or round to the top row from the last one.
  const int lastRowCentre = scenes.Third().RowCount * 30 - 15;
  EXPECT_EQ(second[1].y, second[0].y == lastRowCentre ? 15 : second[0].y + 30);
}

struct ChainCase {
  const char* name;
  ScreenSize screen;
  int size, chains, length, move, rot, rotation;
  bool forward;
};

void PrintTo(const ChainCase& c, std::ostream* out) {
  *out << c.name;
}

class ChainInvariants : public SceneTest, public ::testing::WithParamInterface<ChainCase> {};

TEST_P(ChainInvariants, HoldAfterEveryOneOfAHundredThousandFrames) {
  const ChainCase& c = GetParam();
  settings.ThirdVar = {c.chains, c.length, c.move, c.rot, c.size, c.rotation, c.forward};
  Start(3, c.screen);
  for (int f = 1; f <= 100000; ++f) {
    scenes.Step();
    sink.frame.clear();
    const std::string broken = BrokenChainInvariant(scenes.Third());
    ASSERT_EQ(broken, "") << "frame " << f;
  }
  EXPECT_EQ(sink.badIndex, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Extremes, ChainInvariants,
    ::testing::Values(ChainCase{"FullGridOfSmallestCells", {1024, 768}, 1, 68, 38, 10, 10, 2, true},
                      ChainCase{"LargestCellsSlowest", {1024, 768}, 7, 23, 13, 1, 1, 4, false},
                      ChainCase{"MiddleSizes", {640, 480}, 4, 21, 12, 10, 7, 3, true},
                      ChainCase{"FewerColumnsThanChains", {300, 200}, 7, 10, 5, 10, 10, 2, true},
                      ChainCase{
                          "LongChainsWrappingTheRows", {1024, 1600}, 1, 68, 80, 10, 10, 1, true}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(SceneTest, WithEveryColumnTakenAChainRestartsInTheColumnItLeft) {
  settings.ThirdVar.SimSize = 7;  // 45-pixel cells: 1024 / 45 = 23 columns
  settings.ThirdVar.ChainsCount = 23;
  settings.ThirdVar.SimCount = 5;
  settings.ThirdVar.MovSpeed = 10;
  Start(3);
  ASSERT_EQ(scenes.Third().ColCount, 23);
  std::vector<int> columnOf(24);
  for (int k = 1; k <= 23; ++k)
    columnOf[k] = scenes.Third().ChainColumn[k];
  for (int f = 0; f < 500; ++f) {
    Step();
    for (int k = 1; k <= 23; ++k)
      ASSERT_EQ(scenes.Third().ChainColumn[k], columnOf[k]);
  }
}

TEST_F(SceneTest, TurningFollowsAxisDirectionAndPace) {
  const struct {
    int rotation;
    bool forward;
    int rotSpeed;
    int offset;
    std::vector<int> phases;  // of the first head over the first frames
  } cases[] = {
      {2, true, 10, 0, {0, 1, 2, 3}},
      {3, false, 10, 10, {0, 9, 8, 7}},  // reverse: frame 01 then frame 10
      {4, true, 10, 20, {0, 1, 2, 3}},
      {1, true, 10, 0, {0, 0, 0, 0}},  // no turning whatever the other settings
  };
  for (const auto& c : cases) {
    settings.ThirdVar.Rotation = c.rotation;
    settings.ThirdVar.RotDirection = c.forward;
    settings.ThirdVar.RotSpeed = c.rotSpeed;
    settings.ThirdVar.MovSpeed = 1;  // the head stays put for 19 frames
    Start(3);
    std::vector<int> phases;
    for (int f = 0; f < 4; ++f) {
      const Draw d = Step()[0];
      phases.push_back(d.index % 30 - c.offset);
      EXPECT_EQ(d.index % 30 / 10, c.offset / 10);
    }
    EXPECT_EQ(phases, c.phases) << c.rotation;
  }
  settings.ThirdVar.Rotation = 2;
  settings.ThirdVar.RotSpeed = 1;  // every 28th frame
  Start(3);
  std::vector<int> changes;
  int last = 0;
  for (int f = 1; f <= 60; ++f) {
    const int phase = Step()[0].index % 30;
    if (phase != last) changes.push_back(f);
    last = phase;
  }
  EXPECT_EQ(changes, (std::vector<int>{29, 57}));
}

TEST_F(SceneTest, MovePaceAndSmallCellsOnHalfPixels) {
  for (const auto& [speed, period] : std::vector<std::pair<int, int>>{{10, 1}, {7, 7}, {1, 19}}) {
    settings.ThirdVar.MovSpeed = speed;
    Start(3);
    std::vector<int> growth;
    size_t before = 1;
    for (int f = 1; f <= 3 * period + 1; ++f) {
      const size_t now = Step().size();
      if (now > before) growth.push_back(f);
      before = now;
    }
    // The first chain grows on the frame after each move frame (1, 1 + period, ...).
    ASSERT_GE(growth.size(), 2u) << speed;
    EXPECT_EQ(growth[0], 2) << speed;
    EXPECT_EQ(growth[1], 2 + period) << speed;
  }
  settings.ThirdVar.SimSize = 1;  // 15-pixel cells: centres on half pixels, ties to even
  Start(3);
  const Draw d = Step()[0];
  EXPECT_EQ(d.size, 15);
  EXPECT_EQ(d.x % 2, 0);
}

// ---- All scenes ---------------------------------------------------------------------------------

// Counts sprites and those outside the lists or off any 16-bit position; keeps nothing.
class CheckingCounter : public IGlyphSink {
 public:
  long sprites = 0;
  long bad = 0;
  void DrawSim(uint16_t, uint16_t, uint16_t Size, uint16_t Index, uint16_t List) override {
    ++sprites;
    const int items = List == 3 ? 150 : 300;
    bad += (List < 1 || List > 3 || Index >= items || Size == 0);
  }
};

struct LongRun {
  const char* name;
  int var;
  ScreenSize screen;
  std::function<void(TSettings&)> set;
};

void PrintTo(const LongRun& run, std::ostream* out) {
  *out << run.name;
}

class MillionFrames : public ::testing::TestWithParam<LongRun> {};

// A million frames of a scene at extreme settings: no crash, no sprite outside the lists, and
// (where the allocator can be counted) not one allocation, so the footprint cannot grow.
TEST_P(MillionFrames, RunWithoutFault) {
  const LongRun& run = GetParam();
  TSettings settings;
  run.set(settings);
  settings.General.VarNum = run.var;
  RandomGenerator rng(2024);
  CheckingCounter counter;
  TScenes scenes(settings, rng, counter, run.screen);
  scenes.Initialize();
  const long allocationsBefore = testing::AllocationCount();
  for (int f = 0; f < 1000000; ++f)
    scenes.Step();
  if (testing::AllocationCountingEnabled()) {
    EXPECT_EQ(testing::AllocationCount(), allocationsBefore);
  }
  EXPECT_EQ(counter.bad, 0);
  EXPECT_GE(counter.sprites, 1000000);
}

INSTANTIATE_TEST_SUITE_P(
    Extremes, MillionFrames,
    ::testing::Values(LongRun{"ZoomBothWaysSmall",
                              1,
                              {640, 480},
                              [](TSettings& s) { s.FirstVar = {100, 3, true, 10, 10, 10, 110}; }},
                      LongRun{"ZoomCrossedLimits4K",
                              1,
                              {3840, 2160},
                              [](TSettings& s) { s.FirstVar = {100, 2, true, 1, 1, 100, 20}; }},
                      LongRun{"DriftLargestSmall",
                              2,
                              {640, 480},
                              [](TSettings& s) {
                                s.SecondVar = {100, true, 7, 10, 10};
                              }},
                      LongRun{"StillSmallest4K",
                              2,
                              {3840, 2160},
                              [](TSettings& s) {
                                s.SecondVar = {10, false, 1, 1, 10};
                              }},
                      LongRun{"ChainsFullGridSmall",
                              3,
                              {640, 480},
                              [](TSettings& s) { s.ThirdVar = {43, 24, 10, 10, 1, 4, false}; }},
                      LongRun{"ChainsFullGrid4K",
                              3,
                              {3840, 2160},
                              [](TSettings& s) { s.ThirdVar = {85, 36, 10, 10, 7, 2, true}; }}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(SceneTest, TwoStatesSideBySideDrawTheSameFromTheSameSeed) {
  for (int var = 1; var <= 3; ++var) {
    settings.General.VarNum = var;
    RandomGenerator rngA(777), rngB(777);
    Recorder a, b;
    TScenes sa(settings, rngA, a, {1280, 720}), sb(settings, rngB, b, {1280, 720});
    sa.Initialize();
    sb.Initialize();
    for (int f = 0; f < 2000; ++f) {
      sa.Step();
      sb.Step();
      ASSERT_EQ(a.frame, b.frame) << "variation " << var << " frame " << f;
      a.EndFrame();
      b.EndFrame();
    }
  }
}

TEST_F(SceneTest, FrameStepsAllocateNothing) {
  if (!testing::AllocationCountingEnabled()) GTEST_SKIP() << "the sanitizer owns the allocator";
  for (int var = 1; var <= 3; ++var) {
    Start(var);
    sink.frame.reserve(40000);
    Step();
    const long before = testing::AllocationCount();
    for (int f = 0; f < 5000; ++f) {
      scenes.Step();
      sink.frame.clear();
    }
    EXPECT_EQ(testing::AllocationCount(), before) << "variation " << var;
  }
}

}  // namespace
}  // namespace tess

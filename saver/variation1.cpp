#include "saver/variation1.h"

#include <algorithm>
#include <limits>

namespace tess {

namespace {

constexpr int32_t kApproach = 1, kRecede = 2, kBoth = 3;
constexpr int32_t kSymbols = kAllSymbols;
constexpr int32_t kBrightest = 9;

void Reseed(TFirstVarSim& sim, const TSceneEnv& env) {
  sim.SimNum = env.rng.random(kSymbols) + 1;
  sim.X = env.rng.random(env.screen.W + 1);
  sim.Y = env.rng.random(env.screen.H + 1);
}

// Symbols to enable per size step. When the smallest and largest sizes are equal (a hand-edited
// file) a zoom takes no steps at all: the ratio is infinite, so the symbols phase in one per
// frame, and each one jumps to a new place at every step. A largest size below the smallest
// gives a negative ratio, and only the first symbol ever shows.
double PhaseInRatio(const TSettings::TFirstVar& v) {
  const long double span = static_cast<long double>(v.MaxSimSize) - v.MinSimSize;
  const long double divisor = v.Moving == kBoth ? 2 * span - 1 : span;
  if (divisor == 0) return std::numeric_limits<double>::infinity();
  return static_cast<double>(v.SimCount / divisor);
}

void UpdateSize(TFirstVarSim& sim, const TSceneEnv& env) {
  const auto& v = env.settings.FirstVar;
  sim.Size += sim.SizeStep;
  if (v.Moving == kApproach) {
    if (sim.Size > v.MaxSimSize) {
      Reseed(sim, env);
      sim.Size = v.MinSimSize;
    }
  } else if (v.Moving == kRecede) {
    if (sim.Size < v.MinSimSize) {
      Reseed(sim, env);
      sim.Size = v.MaxSimSize;
    }
  } else if (v.Moving == kBoth) {
    // The size stays one above the maximum until the next step turns it back.
    if (sim.Size > v.MaxSimSize) sim.SizeStep = -1;
    if (sim.Size < v.MinSimSize) {
      Reseed(sim, env);
      sim.Size = v.MinSimSize;
      sim.SizeStep = +1;
    }
  }
}

void UpdateBrightness(TFirstVarSim& sim, const TSettings::TFirstVar& v) {
  if (!v.ChBrightness) return;
  if (!AdvancePace(sim.BrCounter, 11 - v.ChBrightnessSpeed)) return;
  sim.Brightness += sim.BrStep;
  if (sim.Brightness > kBrightest) {
    sim.BrStep = -1;
    sim.Brightness = kBrightest;
  }
  if (sim.Brightness < 0) {
    sim.BrStep = +1;
    sim.Brightness = 0;
  }
}

}  // namespace

void InitFirstVar(TFirstVarState& state, const TSceneEnv& env) {
  const auto& v = env.settings.FirstVar;
  const bool grows = v.Moving == kApproach || v.Moving == kBoth;
  for (int32_t i = 1; i <= kFirstVarRecords; ++i) {
    TFirstVarSim& sim = state.Sim(i);
    sim.SimNum = env.rng.random(kSymbols) + 1;
    sim.X = env.rng.random(env.screen.W + 1);
    sim.Y = env.rng.random(env.screen.H + 1);
    sim.Size = grows ? v.MinSimSize : v.MaxSimSize;
    sim.Active = i == 1;
    sim.SizeStep = grows ? +1 : -1;
    sim.Brightness = v.ChBrightness ? 0 : kBrightest;
    sim.BrCounter = 1;
    sim.BrStep = grows ? +1 : -1;  // follows the zoom direction
  }
  state.FirstVarTick = 1;
  state.FirstVarRatio = PhaseInRatio(v);
  state.FirstVarSteps = 0;
  state.FirstVarActive = 1;
}

void StepFirstVar(TFirstVarState& state, const TSceneEnv& env) {
  const auto& v = env.settings.FirstVar;
  const bool stepFrame = state.FirstVarTick == 1;
  for (TFirstVarSim& sim : state.FirstVarSims) {
    if (!sim.Active) continue;
    env.sink.DrawSim(Low16(sim.X), Low16(sim.Y), Low16(sim.Size),
                     Low16(RampIndex(sim.SimNum, sim.Brightness + 1)), kRampList);
    if (stepFrame) {
      UpdateSize(sim, env);
      UpdateBrightness(sim, v);
    }
  }
  if (stepFrame) ++state.FirstVarSteps;
  // At most one record per frame, in record order, never beyond the fixed array.
  const int32_t target = std::min(v.SimCount, kFirstVarRecords);
  if (PhaseInNext(state.FirstVarSteps, state.FirstVarRatio, state.FirstVarActive, target))
    state.Sim(state.FirstVarActive).Active = true;
  AdvancePace(state.FirstVarTick, 11 - v.MovingSpeed);
}

}  // namespace tess

#include "saver/variation2.h"

#include <algorithm>

#include "core/nearest.h"

namespace tess {

namespace {

constexpr int32_t kSymbols = kAllSymbols;
constexpr int32_t kBrightest = 9;
constexpr long double kVelocitySteps = 100.0L;
constexpr int32_t kVelocityRange = 50;  // magnitudes 0.51 to 1.00

// random(n) for a range that a screen narrower than a symbol could make empty.
int32_t RandomBelow(RandomGenerator& rng, int32_t n) {
  return rng.random(std::max(n, 1));
}

// The margin is the size step itself, not half the edge, so a symbol may start partly off the
// screen.
void Place(TSecondVarSim& sim, const TSceneEnv& env) {
  const int32_t s = env.settings.SecondVar.SimSize;
  sim.X = s + RandomBelow(env.rng, env.screen.W - 2 * s + 1);
  sim.Y = s + RandomBelow(env.rng, env.screen.H - 2 * s + 1);
}

double Velocity(int32_t sign, int32_t magnitude) {
  return static_cast<double>(sign == 0 ? 1 - magnitude / kVelocitySteps
                                       : -1 + magnitude / kVelocitySteps);
}

void UpdateBrightness(TSecondVarSim& sim, const TSceneEnv& env) {
  sim.Brightness += sim.BrStep;
  if (sim.Brightness > kBrightest) {
    sim.Brightness = kBrightest;
    sim.BrStep = -1;
  }
  if (sim.Brightness < 0) {
    if (!env.settings.SecondVar.Moving) {
      sim.SimNum = env.rng.random(kSymbols) + 1;
      Place(sim, env);
    }
    sim.Brightness = 0;
    sim.BrStep = +1;
  }
}

}  // namespace

void InitSecondVar(TSecondVarState& state, const TSceneEnv& env) {
  const auto& v = env.settings.SecondVar;
  for (int32_t i = 1; i <= kSecondVarRecords; ++i) {
    TSecondVarSim& sim = state.Sim(i);
    sim.SimNum = env.rng.random(kSymbols) + 1;
    sim.Size = CellSize(v.SimSize);
    Place(sim, env);
    if (v.Moving) {
      const int32_t sx = env.rng.random(2);
      const int32_t sy = env.rng.random(2);
      const int32_t mx = env.rng.random(kVelocityRange);
      const int32_t my = env.rng.random(kVelocityRange);
      sim.DX = Velocity(sx, mx);
      sim.DY = Velocity(sy, my);
    } else {
      sim.DX = 0;
      sim.DY = 0;
    }
    sim.Active = i == 1;
    sim.Brightness = 0;
    sim.BrStep = +1;
    sim.MoveCounter = 0;
    sim.Wrap = RandomBelow(env.rng, v.SimCount) == 0;
  }
  state.SecondVarRatio = static_cast<double>(v.SimCount / 19.0L);
  state.SecondVarTick = 1;
  state.SecondVarSteps = 0;
  state.SecondVarActive = 1;
}

void MoveSecondVarSim(TSecondVarSim& sim, ScreenSize screen) {
  const long double h = sim.Size / 2.0L;
  const long double w = screen.W, hgt = screen.H;
  sim.X = static_cast<double>(sim.X + static_cast<long double>(sim.DX));
  sim.Y = static_cast<double>(sim.Y + static_cast<long double>(sim.DY));
  if (sim.X - h < 0) {
    if (sim.Wrap) {
      sim.X = static_cast<double>(w - h);
    } else {
      sim.X = static_cast<double>(h);
      sim.DX = -sim.DX;
    }
  }
  if (sim.Y - h < 0) {
    if (sim.Wrap) {
      sim.Y = static_cast<double>(hgt - h);
    } else {
      sim.Y = static_cast<double>(h);
      sim.DY = -sim.DY;
    }
  }
  if (sim.X + h > w) {
    if (sim.Wrap) {
      sim.X = static_cast<double>(h);
    } else {
      sim.X = static_cast<double>(w - h);
      sim.DX = -sim.DX;
    }
  }
  if (sim.Y + h > hgt) {
    if (sim.Wrap) {
      sim.Y = static_cast<double>(h);
    } else {
      sim.Y = static_cast<double>(hgt - h);
      sim.DY = -sim.DY;
    }
  }
}

void StepSecondVar(TSecondVarState& state, const TSceneEnv& env) {
  const auto& v = env.settings.SecondVar;
  const bool brightnessFrame = state.SecondVarTick == 1;
  for (TSecondVarSim& sim : state.SecondVarSims) {
    if (!sim.Active) continue;
    env.sink.DrawSim(Low16(nearest(sim.X)), Low16(nearest(sim.Y)), Low16(sim.Size),
                     Low16(RampIndex(sim.SimNum, sim.Brightness + 1)), kRampList);
    if (v.Moving && AdvancePace(sim.MoveCounter, 11 - v.MovingSpeed)) {
      MoveSecondVarSim(sim, env.screen);
    }
    if (brightnessFrame) UpdateBrightness(sim, env);
  }
  if (brightnessFrame) ++state.SecondVarSteps;
  const int32_t target = std::min(v.SimCount, kSecondVarRecords);
  if (PhaseInNext(state.SecondVarSteps, state.SecondVarRatio, state.SecondVarActive, target))
    state.Sim(state.SecondVarActive).Active = true;
  AdvancePace(state.SecondVarTick, 11 - v.ChBrightnessSpeed);
}

}  // namespace tess

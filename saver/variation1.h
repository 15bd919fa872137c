#pragma once
// Variation 1, zooming symbols: up to 100 symbols at random places grow towards the viewer,
// shrink away, or both, while their brightness pulses. A symbol that has finished its zoom is
// replaced by a new one at a new place. At the start the symbols are enabled one by one over
// about one zoom's duration, so that their phases spread out.
//
// Arithmetic is done in extended precision and stored into the declared types, so that a seed
// replays exactly; the phase-in test decides on exact boundaries.
#include <array>
#include <cstdint>

#include "saver/scene.h"

namespace tess {

struct TFirstVarSim {
  int32_t SimNum = 0;  // 1 to 15
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Size = 0;
  bool Active = false;
  int32_t SizeStep = 0;    // +1 growing, -1 shrinking
  int32_t Brightness = 0;  // 0 dimmest to 9 brightest
  int32_t BrCounter = 0;
  int32_t BrStep = 0;
};

inline constexpr int kFirstVarRecords = 100;

struct TFirstVarState {
  std::array<TFirstVarSim, kFirstVarRecords> FirstVarSims{};  // records 1 to 100
  int32_t FirstVarTick = 0;
  double FirstVarRatio = 0;  // symbols to enable per size step
  int32_t FirstVarSteps = 0;
  int32_t FirstVarActive = 0;

  TFirstVarSim& Sim(int32_t number) { return FirstVarSims[static_cast<size_t>(number - 1)]; }
};

void InitFirstVar(TFirstVarState& state, const TSceneEnv& env);
void StepFirstVar(TFirstVarState& state, const TSceneEnv& env);

}  // namespace tess

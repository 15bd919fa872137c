#pragma once
// Variation 2, drifting symbols: up to 100 symbols of one size pulse in brightness and drift in
// straight lines, most bouncing off the screen edges and a few wrapping round to the opposite
// edge. With movement off they stand still and each is replaced by a new symbol at a new place
// whenever it has faded out. Symbols are enabled one by one at the start.
//
// Positions and velocities are doubles computed in extended precision, so that moves and edge
// tests decide exactly as the original did.
#include <array>
#include <cstdint>

#include "saver/scene.h"

namespace tess {

struct TSecondVarSim {
  int32_t SimNum = 0;
  double X = 0;
  double Y = 0;
  int32_t Size = 0;
  bool Active = false;
  double DX = 0;  // pixels per move step, positive to the right
  double DY = 0;  // positive downwards
  int32_t Brightness = 0;
  int32_t BrStep = 0;
  int32_t MoveCounter = 0;
  bool Wrap = false;  // leaves at one edge and comes back at the other instead of bouncing
};

inline constexpr int kSecondVarRecords = 100;

struct TSecondVarState {
  std::array<TSecondVarSim, kSecondVarRecords> SecondVarSims{};
  double SecondVarRatio = 0;  // symbols to enable per brightness step
  int32_t SecondVarTick = 0;
  int32_t SecondVarSteps = 0;
  int32_t SecondVarActive = 0;

  TSecondVarSim& Sim(int32_t number) { return SecondVarSims[static_cast<size_t>(number - 1)]; }
};

void InitSecondVar(TSecondVarState& state, const TSceneEnv& env);
void StepSecondVar(TSecondVarState& state, const TSceneEnv& env);

// One move of a symbol: its velocity, then the left, top, right and bottom edges in this order.
void MoveSecondVarSim(TSecondVarSim& sim, ScreenSize screen);

}  // namespace tess

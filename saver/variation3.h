#pragma once
// Variation 3, rotating chains: a grid of square cells with chains of symbols in its columns.
// A chain starts as a bright head at a random row, grows down its column (wrapping to the top
// row) until it has its full length, then vanishes from its upper end and starts again in another
// free column. Chains wake one after another at the start so that their life cycles spread out;
// optionally every visible symbol turns about one of three axes by stepping through the stored
// turn frames.
//
// The state lives in fixed arrays for the largest case (300 columns of 100 slots); nothing is
// allocated per frame.
#include <array>
#include <cstdint>

#include "saver/scene.h"

namespace tess {

struct TThirdVarSim {
  int32_t SimNum = 0;  // 1 to 10
  int32_t Row = 0;
  int32_t Size = 0;
  bool Visible = false;
  bool Head = false;  // drawn from the bright list
  int32_t Phase = 0;  // turn frame 0 to 9
  int32_t RotCounter = 0;
  bool Eraser = false;  // while the chain fades: the next slot to disappear
};

inline constexpr int kThirdVarColumns = 300;
inline constexpr int kThirdVarSlots = 100;

struct TThirdVarColumn {
  int32_t Chain = 0;  // the chain living here, 0 when none
  bool Free = false;
  int32_t Stage = 0;  // 1 growing, -1 fading
  std::array<TThirdVarSim, kThirdVarSlots> Sims{};

  TThirdVarSim& Slot(int32_t i) { return Sims[static_cast<size_t>(i - 1)]; }
  const TThirdVarSim& Slot(int32_t i) const { return Sims[static_cast<size_t>(i - 1)]; }
};

struct TThirdVarState {
  std::array<TThirdVarColumn, kThirdVarColumns> ThirdVarColumns{};
  int32_t ColCount = 0;
  int32_t RowCount = 0;
  int32_t ThirdVarTick = 0;
  int32_t ThirdVarSteps = 0;
  double ThirdVarRatio = 0;  // chains to wake per move step
  int32_t ThirdVarActive = 0;
  int32_t RotOffset = 0;
  int32_t RotStep = 0;
  // The chain count and length in use, bounded by the grid and the arrays.
  int32_t ChainCount = 0;
  int32_t ChainLength = 0;
  // Which column each chain lives in, kept with Chain so that no frame searches for it.
  std::array<int32_t, kThirdVarColumns + 1> ChainColumn{};

  TThirdVarColumn& Column(int32_t q) { return ThirdVarColumns[static_cast<size_t>(q - 1)]; }
  const TThirdVarColumn& Column(int32_t q) const {
    return ThirdVarColumns[static_cast<size_t>(q - 1)];
  }
};

void InitThirdVar(TThirdVarState& state, const TSceneEnv& env);
void StepThirdVar(TThirdVarState& state, const TSceneEnv& env);

}  // namespace tess

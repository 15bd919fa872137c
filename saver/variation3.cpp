#include "saver/variation3.h"

#include <algorithm>

#include "core/nearest.h"

namespace tess {

namespace {

constexpr int32_t kSymbols = kTurnedSymbols;
constexpr int32_t kLastPhase = kFramesPerSet - 1;

int32_t NextRow(int32_t row, int32_t rowCount) {
  return row + 1 > rowCount ? 1 : row + 1;
}

// Takes a free column at random for chain k; there is always one, since the chain count never
// exceeds the column count.
int32_t TakeFreeColumn(TThirdVarState& state, const TSceneEnv& env, int32_t k) {
  int32_t q;
  do {
    q = env.rng.random(state.ColCount) + 1;
  } while (!state.Column(q).Free);
  TThirdVarColumn& column = state.Column(q);
  column.Free = false;
  column.Chain = k;
  column.Stage = 1;
  state.ChainColumn[static_cast<size_t>(k)] = q;
  return q;
}

// A new chain in column q: random symbols below a head at a random row; only the head may show.
void FillChain(TThirdVarState& state, const TSceneEnv& env, int32_t q, bool headVisible) {
  TThirdVarColumn& column = state.Column(q);
  const int32_t size = CellSize(env.settings.ThirdVar.SimSize);
  for (int32_t i = 1; i <= state.ChainLength; ++i) {
    TThirdVarSim& sim = column.Slot(i);
    sim.SimNum = env.rng.random(kSymbols) + 1;
    sim.Size = size;
    sim.Row = i == 1 ? env.rng.random(state.RowCount) + 1
                     : NextRow(column.Slot(i - 1).Row, state.RowCount);
    sim.Visible = i == 1 && headVisible;
    sim.Head = i == 1;
    sim.Phase = 0;
    sim.RotCounter = 1;
    sim.Eraser = false;
  }
}

void DrawChains(TThirdVarState& state, const TSceneEnv& env) {
  const int32_t turnLength = 31 - 3 * env.settings.ThirdVar.RotSpeed;
  for (int32_t k = 1; k <= state.ChainCount; ++k) {
    const int32_t q = state.ChainColumn[static_cast<size_t>(k)];
    TThirdVarColumn& column = state.Column(q);
    for (int32_t i = 1; i <= state.ChainLength; ++i) {
      TThirdVarSim& sim = column.Slot(i);
      if (!sim.Visible) continue;
      // nearest(q * Size - Size / 2), with q * Size - Size / 2 on a whole or half pixel.
      env.sink.DrawSim(Low16(NearestHalf(2 * int64_t{q} * sim.Size - sim.Size)),
                       Low16(NearestHalf(2 * int64_t{sim.Row} * sim.Size - sim.Size)),
                       Low16(sim.Size),
                       Low16(TurnedIndex(sim.SimNum, 1, sim.Phase + 1) + state.RotOffset),
                       sim.Head ? kBrightList : kNormalList);
      if (AdvancePace(sim.RotCounter, turnLength)) {
        sim.Phase += state.RotStep;
        if (sim.Phase > kLastPhase) sim.Phase = 0;
        if (sim.Phase < 0) sim.Phase = kLastPhase;
      }
    }
  }
}

// One move step of chain k in column q: the head goes one row down, or the top symbol goes.
void MoveChain(TThirdVarState& state, const TSceneEnv& env, int32_t k, int32_t q) {
  TThirdVarColumn& column = state.Column(q);
  const int32_t n = state.ChainLength;
  int32_t m = 0;
  for (int32_t i = n; i >= 1; --i) {
    if (column.Slot(i).Head || column.Slot(i).Eraser) {
      m = i;
      break;
    }
  }
  if (m == 0 || !column.Slot(m).Visible) return;
  if (column.Stage == 1 && column.Slot(m).Head) {
    column.Slot(m).Head = false;
    if (m < n) {
      column.Slot(m + 1).Visible = true;
      column.Slot(m + 1).Head = true;
    } else {
      column.Stage = -1;
      column.Slot(1).Eraser = true;
    }
  }
  if (column.Stage == -1 && column.Slot(m).Eraser) {
    column.Slot(m).Eraser = false;
    column.Slot(m).Visible = false;
    if (m < n) {
      column.Slot(m + 1).Eraser = true;
    } else {
      column.Chain = 0;
      column.Free = true;
      FillChain(state, env, TakeFreeColumn(state, env, k), true);
    }
  }
}

bool ChainShows(const TThirdVarState& state, int32_t k) {
  const TThirdVarColumn& column = state.Column(state.ChainColumn[static_cast<size_t>(k)]);
  for (int32_t i = 1; i <= state.ChainLength; ++i) {
    if (column.Slot(i).Visible) return true;
  }
  return false;
}

// Shows the hidden head of the highest-numbered chain that has not shown yet.
void WakeNextChain(TThirdVarState& state) {
  for (int32_t k = state.ChainCount; k >= 1; --k) {
    if (ChainShows(state, k)) continue;
    state.Column(state.ChainColumn[static_cast<size_t>(k)]).Slot(1).Visible = true;
    return;
  }
}

}  // namespace

void InitThirdVar(TThirdVarState& state, const TSceneEnv& env) {
  const auto& v = env.settings.ThirdVar;
  const int32_t s = CellSize(v.SimSize);
  // Screens wider than 300 cells and chains longer than 100 symbols would overrun the fixed
  // arrays: they are capped. A screen with fewer columns than chains (narrower than about ten
  // cells) gets one chain per column, so that every chain finds a free column.
  state.ColCount =
      std::clamp(nearest32(static_cast<long double>(env.screen.W) / s), 0, kThirdVarColumns);
  state.RowCount = nearest32(static_cast<long double>(env.screen.H) / s);
  state.ChainLength = std::clamp(v.SimCount, 1, kThirdVarSlots);
  state.ChainCount = std::clamp(v.ChainsCount, 0, state.ColCount);
  for (int32_t q = 1; q <= state.ColCount; ++q)
    state.Column(q).Free = true;
  for (int32_t k = 1; k <= state.ChainCount; ++k) {
    const int32_t q = TakeFreeColumn(state, env, k);
    FillChain(state, env, q, k == 1);
  }
  state.ThirdVarRatio = static_cast<double>(state.ChainCount / (2.0L * state.ChainLength - 1));
  state.ThirdVarTick = 1;
  state.ThirdVarActive = 1;
  state.ThirdVarSteps = 0;
}

void StepThirdVar(TThirdVarState& state, const TSceneEnv& env) {
  const auto& v = env.settings.ThirdVar;
  // Turning about axis 1, 2 or 3 (Rotation 2 to 4) shows turn set 1, 2 or 3; no turning shows
  // set 1, unturned.
  const int32_t set = v.Rotation == 3 ? 2 : v.Rotation == 4 ? 3 : 1;
  state.RotOffset = static_cast<int32_t>(TurnedIndex(1, set, 1));
  state.RotStep = v.RotDirection ? +1 : -1;
  if (v.Rotation == 1) state.RotStep = 0;

  DrawChains(state, env);
  const bool moveFrame = state.ThirdVarTick == 1;
  if (moveFrame) {
    for (int32_t k = 1; k <= state.ChainCount; ++k) {
      MoveChain(state, env, k, state.ChainColumn[static_cast<size_t>(k)]);
    }
    ++state.ThirdVarSteps;
  }
  if (static_cast<long double>(state.ThirdVarSteps) * state.ThirdVarRatio - state.ThirdVarActive +
              1 >=
          1 &&
      state.ThirdVarActive < state.ChainCount) {
    ++state.ThirdVarActive;
    WakeNextChain(state);
  }
  AdvancePace(state.ThirdVarTick, 21 - 2 * v.MovSpeed);
}

}  // namespace tess

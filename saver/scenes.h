#pragma once
// One scene state behind one door: the three variations' states, made once, the choice by
// General.VarNum (any other number draws no scene), and what the scene draws from, handed in by
// its environment: the settings, a generator (the program's shared one for the primary screen,
// one of its own elsewhere), where its glyphs go, and the size it draws in. So one process can
// run several scene states side by side, one per monitor, without any of them seeing another.
#include <memory>

#include "saver/scene.h"
#include "saver/variation1.h"
#include "saver/variation2.h"
#include "saver/variation3.h"

namespace tess {

class TScenes {
 public:
  TScenes(const TSettings& settings, RandomGenerator& rng, IGlyphSink& sink, ScreenSize size = {});
  ~TScenes();
  TScenes(const TScenes&) = delete;
  TScenes& operator=(const TScenes&) = delete;

  // The size the scene draws in from now on; like the screen's size it may change at any time,
  // and each step uses it where it needs it.
  void Resize(ScreenSize size) { env_.screen = size; }
  ScreenSize Size() const { return env_.screen; }

  void Initialize();
  void Step();

  TFirstVarState& First() { return *first_; }
  TSecondVarState& Second() { return *second_; }
  TThirdVarState& Third() { return *third_; }

 private:
  TSceneEnv env_;
  std::unique_ptr<TFirstVarState> first_;
  std::unique_ptr<TSecondVarState> second_;
  std::unique_ptr<TThirdVarState> third_;
};

}  // namespace tess

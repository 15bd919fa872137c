#pragma once
// The three scenes behind one door: the state of each, made once, and the choice by
// General.VarNum. Any other number draws no scene.
#include <memory>

#include "saver/scene.h"
#include "saver/variation1.h"
#include "saver/variation2.h"
#include "saver/variation3.h"

namespace tess {

class TScenes {
 public:
  TScenes();
  ~TScenes();
  TScenes(const TScenes&) = delete;
  TScenes& operator=(const TScenes&) = delete;

  void Initialize(const TSceneEnv& env);
  void Step(const TSceneEnv& env);

  TFirstVarState& First() { return *first_; }
  TSecondVarState& Second() { return *second_; }
  TThirdVarState& Third() { return *third_; }

 private:
  std::unique_ptr<TFirstVarState> first_;
  std::unique_ptr<TSecondVarState> second_;
  std::unique_ptr<TThirdVarState> third_;
};

}  // namespace tess

#include "saver/scenes.h"

namespace tess {

TScenes::TScenes()
    : first_(std::make_unique<TFirstVarState>()),
      second_(std::make_unique<TSecondVarState>()),
      third_(std::make_unique<TThirdVarState>()) {}

TScenes::~TScenes() = default;

void TScenes::Initialize(const TSceneEnv& env) {
  const int32_t var = env.settings.General.VarNum;
  if (var == 1) InitFirstVar(*first_, env);
  if (var == 2) InitSecondVar(*second_, env);
  if (var == 3) InitThirdVar(*third_, env);
}

void TScenes::Step(const TSceneEnv& env) {
  switch (env.settings.General.VarNum) {
    case 1:
      StepFirstVar(*first_, env);
      break;
    case 2:
      StepSecondVar(*second_, env);
      break;
    case 3:
      StepThirdVar(*third_, env);
      break;
    default:
      break;
  }
}

}  // namespace tess

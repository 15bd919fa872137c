#include "saver/scenes.h"

namespace tess {

TScenes::TScenes(const TSettings& settings, RandomGenerator& rng, IGlyphSink& sink, ScreenSize size)
    : env_{settings, rng, sink, size},
      first_(std::make_unique<TFirstVarState>()),
      second_(std::make_unique<TSecondVarState>()),
      third_(std::make_unique<TThirdVarState>()) {}

TScenes::~TScenes() = default;

void TScenes::Initialize() {
  const int32_t var = env_.settings.General.VarNum;
  if (var == 1) InitFirstVar(*first_, env_);
  if (var == 2) InitSecondVar(*second_, env_);
  if (var == 3) InitThirdVar(*third_, env_);
}

void TScenes::Step() {
  switch (env_.settings.General.VarNum) {
    case 1:
      StepFirstVar(*first_, env_);
      break;
    case 2:
      StepSecondVar(*second_, env_);
      break;
    case 3:
      StepThirdVar(*third_, env_);
      break;
    default:
      break;
  }
}

}  // namespace tess

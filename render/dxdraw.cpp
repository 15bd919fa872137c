#include "render/dxdraw.h"

#include <algorithm>
#include <chrono>

#include "render/errors.h"
#include "render/presenter.h"

namespace tess {

namespace {

// Runs a clean-up when the scope ends, also when it ends by an exception.
template <typename F>
class Finally {
 public:
  explicit Finally(F f) : f_(std::move(f)) {}
  ~Finally() { f_(); }
  Finally(const Finally&) = delete;
  Finally& operator=(const Finally&) = delete;

 private:
  F f_;
};

}  // namespace

TDXDrawOptions DeriveEffectiveOptions(TDXDrawOptions o) {
  if (!(o & doFullScreen)) o &= ~(doNoWindowChange | doAllowReboot | doAllowPalette256 | doFlip);
  if (!(o & do3D))
    o &= ~(doDirectX7Mode | doRetainedMode | doHardware | doSelectDriver | doZBuffer);
  if (o & doSystemMemory) o &= ~doFlip;
  if (o & doDirectX7Mode) o &= ~doRetainedMode;
  o &= ~doHardware;
  return o;
}

TDXDraw::TDXDraw() = default;

TDXDraw::~TDXDraw() {
  try {
    Finalize();
  } catch (...) {  // a subscriber failing while everything goes away changes nothing
  }
  const auto subscribers = subscribers_;
  for (auto it = subscribers.rbegin(); it != subscribers.rend(); ++it) {
    try {
      (*it)->DXDrawNotify(*this, TDXDrawNotifyKind::nkDestroying);
    } catch (...) {
    }
  }
  ReleaseEverything();
}

void TDXDraw::SetPresenter(IPresenter* presenter) {
  if (presenter_ != nullptr) presenter_->AwaitPresented();
  presenter_ = presenter;
  if (presenter_) {
    const QSize size = presenter_->ClientSize();
    controlWidth_ = size.width();
    controlHeight_ = size.height();
  }
}

void TDXDraw::SetOptions(TDXDrawOptions options) {
  options_ = options;
  if (!initialized_) effectiveOptions_ = DeriveEffectiveOptions(options_);
}

int32_t TDXDraw::SurfaceWidth() const {
  return back_ && back_->HasInterface() ? back_->Width() : surfaceWidth_;
}

int32_t TDXDraw::SurfaceHeight() const {
  return back_ && back_->HasInterface() ? back_->Height() : surfaceHeight_;
}

void TDXDraw::Loaded() {
  if (AutoSize) {
    surfaceWidth_ = controlWidth_;
    surfaceHeight_ = controlHeight_;
  }
  Notify(TDXDrawNotifyKind::nkSurfaceSize);
  if (AutoInitialize && presenter_ == nullptr) Initialize();
}

void TDXDraw::FormShown() {
  if (AutoInitialize && !initAttempted_) Initialize();
}

void TDXDraw::Notify(TDXDrawNotifyKind kind) {
  // Subscribers may leave during the broadcast (an image list going away): work on a copy.
  const auto subscribers = subscribers_;
  for (auto it = subscribers.rbegin(); it != subscribers.rend(); ++it) {
    (*it)->DXDrawNotify(*this, kind);
  }
}

void TDXDraw::CreateBackSurface() {
  back_ = std::make_unique<TDirectDrawSurface>(*ddraw_);
  back_->SystemMemory = (options_ & doSystemMemory) != 0;
  back_->SetDeferred(DeferredComposition);
  if (presenter_ != nullptr && DeferredComposition) back_->SetExecutor(presenter_->Executor());
  const int32_t width = std::max(surfaceWidth_, 1), height = std::max(surfaceHeight_, 1);
  // Memory the presenter can show without copying, where it offers some.
  QImage shared =
      presenter_ != nullptr ? presenter_->AllocateBackBuffer({width, height}) : QImage();
  try {
    if (!shared.isNull()) {
      back_->AdoptPixels(std::move(shared));
    } else {
      back_->SetSize(width, height);
    }
  } catch (const EDirectDrawSurfaceError&) {
    throw EDXDrawError(CannotBeMade("Surface"));
  }
  effectiveOptions_ |= doSystemMemory;  // our surfaces never live in video memory
  back_->FillDeviceColor(0);
}

void TDXDraw::Initialize() {
  initAttempted_ = true;
  Finalize();
  if (presenter_ == nullptr) throw EDXDrawError("Form not found");

  hasState_ = true;
  updating_ = true;
  try {
    Notify(TDXDrawNotifyKind::nkInitializing);
    // Frames are always presented into the window (blit strategy): no display-mode change and
    // no page flipping.
    ddraw_ = std::make_unique<TDirectDraw>();
    const QSize client = presenter_->ClientSize();
    controlWidth_ = client.width();
    controlHeight_ = client.height();
    if (AutoSize) {
      surfaceWidth_ = controlWidth_;
      surfaceHeight_ = controlHeight_;
    }
    primary_ = std::make_unique<TDirectDrawSurface>(*ddraw_);
    primary_->MakePrimary(controlWidth_, controlHeight_);
    CreateBackSurface();
  } catch (...) {
    updating_ = false;
    Finalize();
    throw;
  }
  updating_ = false;
  initialized_ = true;
  ++restoreSuppression_;
  {
    Finally lower([this] { --restoreSuppression_; });
    Notify(TDXDrawNotifyKind::nkSurfaceSize);
    Notify(TDXDrawNotifyKind::nkInitialize);
    initNotified_ = true;
    Notify(TDXDrawNotifyKind::nkInitializeSurface);
    surfaceNotified_ = true;
  }
  RestoreSurfaces();
}

void TDXDraw::ReleaseEverything() {
  // No wait for the display here: shared memory stays the display's until it lets go, and the
  // presenter may be gone already.
  back_.reset();
  primary_.reset();
  ddraw_.reset();
}

void TDXDraw::Finalize() {
  if (!hasState_) return;
  surfaceWidth_ = SurfaceWidth();
  surfaceHeight_ = SurfaceHeight();
  updating_ = true;
  Finally cleanUp([this] {
    hasState_ = false;
    initialized_ = false;
    effectiveOptions_ = DeriveEffectiveOptions(options_);
    ReleaseEverything();
    updating_ = false;
  });
  surfaceNotified_ = false;
  Notify(TDXDrawNotifyKind::nkFinalizeSurface);
  initNotified_ = false;
  Notify(TDXDrawNotifyKind::nkFinalize);
}

void TDXDraw::RestoreSurfaces() {
  if (!initialized_ || updating_) return;
  updating_ = true;
  Finally clear([this] { updating_ = false; });
  if (!primary_->Restore() || !back_->Restore()) return;
  if (presenter_ != nullptr) presenter_->AwaitPresented();
  back_->ForgetFrameHistory();  // a restored surface holds nothing of the last frame
  primary_->FillDeviceColor(0);
  back_->FillDeviceColor(0);
  Notify(TDXDrawNotifyKind::nkRestore);
}

bool TDXDraw::ValidateSurfaces() {
  if (!initialized_ || updating_ || !primary_ || !primary_->HasInterface()) return false;
  if (!primary_->IsLost() && !back_->IsLost()) return true;
  RestoreSurfaces();
  return !primary_->IsLost() && !back_->IsLost();
}

bool TDXDraw::ReadyToDraw() {
  const bool ready =
      initialized_ && !updating_ && back_ && back_->HasInterface() && ValidateSurfaces();
  // Drawing without deferral writes pixels right away: the display must be done with them.
  if (ready && !DeferredComposition && presenter_ != nullptr) presenter_->AwaitPresented();
  return ready;
}

QPoint TDXDraw::PresentOffset() const {
  if (!back_ || (effectiveOptions_ & doStretch) || !(effectiveOptions_ & doCenter)) return {};
  // Integer division truncates towards zero, as the centring always did.
  return {(controlWidth_ - back_->Width()) / 2, (controlHeight_ - back_->Height()) / 2};
}

namespace {
double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}
}  // namespace

void TDXDraw::Present(bool waitForVerticalBlank, bool wholeSurface) {
  if (!initialized_ || updating_ || !ValidateSurfaces()) return;
  // The frame is finished before the wait, so that the refresh finds it ready to show; the
  // display must be done with the last one first.
  auto start = std::chrono::steady_clock::now();
  presenter_->AwaitPresented();
  TPresentParts parts = back_->CommitFrame();
  if (back_->TakeExecutorFailure()) presenter_->ExecutorFailed();
  lastCommitMs_ = MillisecondsSince(start);
  const QRect whole(0, 0, back_->Width(), back_->Height());
  if (wholeSurface) parts = {&whole, 1};
  if (waitForVerticalBlank) presenter_->WaitForVerticalBlank();
  start = std::chrono::steady_clock::now();
  if (!parts.empty()) presenter_->Present(back_->Pixels(), parts, PresentOffset());
  lastPresentMs_ = MillisecondsSince(start);
}

void TDXDraw::Flip() {
  Present((effectiveOptions_ & doWaitVBlank) != 0, false);
}

void TDXDraw::Repaint() {
  Present(false, true);
}

void TDXDraw::ControlResized(int32_t width, int32_t height) {
  controlWidth_ = width;
  controlHeight_ = height;
  if (!AutoSize || updating_) return;
  if (width == SurfaceWidth() && height == SurfaceHeight()) return;
  if (!initialized_) {
    surfaceWidth_ = width;
    surfaceHeight_ = height;
  } else {
    surfaceWidth_ = std::max(width, 1);
    surfaceHeight_ = std::max(height, 1);
    primary_->MakePrimary(controlWidth_, controlHeight_);
    ++restoreSuppression_;
    Finally lower([this] { --restoreSuppression_; });
    Notify(TDXDrawNotifyKind::nkFinalizeSurface);
    surfaceNotified_ = false;
    try {
      back_.reset();
      CreateBackSurface();
    } catch (...) {
      Finalize();
      throw;
    }
    Notify(TDXDrawNotifyKind::nkInitializeSurface);
    surfaceNotified_ = true;
  }
  Notify(TDXDrawNotifyKind::nkSurfaceSize);
}

void TDXDraw::Subscribe(IDXDrawSubscriber* subscriber) {
  if (const auto it = std::find(subscribers_.begin(), subscribers_.end(), subscriber);
      it != subscribers_.end()) {
    subscribers_.erase(it);
  }
  subscribers_.push_back(subscriber);
  subscriber->DXDrawNotify(*this, TDXDrawNotifyKind::nkSurfaceSize);
  if (initialized_) subscriber->DXDrawNotify(*this, TDXDrawNotifyKind::nkInitialize);
  if (surfaceNotified_) subscriber->DXDrawNotify(*this, TDXDrawNotifyKind::nkInitializeSurface);
  if (restoreSuppression_ == 0) subscriber->DXDrawNotify(*this, TDXDrawNotifyKind::nkRestore);
}

void TDXDraw::Unsubscribe(IDXDrawSubscriber* subscriber) {
  const auto it = std::find(subscribers_.begin(), subscribers_.end(), subscriber);
  if (it == subscribers_.end()) return;
  subscribers_.erase(it);
  if (surfaceNotified_) subscriber->DXDrawNotify(*this, TDXDrawNotifyKind::nkFinalizeSurface);
  if (initialized_) subscriber->DXDrawNotify(*this, TDXDrawNotifyKind::nkFinalize);
}

}  // namespace tess

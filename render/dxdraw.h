#pragma once
// The drawing surface control: it owns the back surface every frame is composed in and presents
// it through a presenter (the window) once per Flip, paced by the display's refresh. It tells its
// subscribers (the image lists) about every step of its life, so that they make, drop and upload
// their image surfaces at the right moments. Initialisation waits for the first showing of the
// window it belongs to.
#include <QPoint>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/colour.h"
#include "render/surface.h"

namespace tess {

class IPresenter;
class TDXDraw;

enum class TDXDrawNotifyKind {
  nkDestroying,
  nkInitializing,
  nkInitialize,
  nkInitializeSurface,
  nkFinalize,
  nkFinalizeSurface,
  nkRestore,
  nkSurfaceSize,
};

class IDXDrawSubscriber {
 public:
  virtual ~IDXDrawSubscriber() = default;
  virtual void DXDrawNotify(TDXDraw& sender, TDXDrawNotifyKind kind) = 0;
};

// The option set, bit 0 first.
enum TDXDrawOption : uint32_t {
  doFullScreen = 1u << 0,
  doNoWindowChange = 1u << 1,
  doAllowReboot = 1u << 2,
  doWaitVBlank = 1u << 3,
  doAllowPalette256 = 1u << 4,
  doSystemMemory = 1u << 5,
  doStretch = 1u << 6,
  doCenter = 1u << 7,
  doFlip = 1u << 8,
  do3D = 1u << 9,
  doDirectX7Mode = 1u << 10,
  doRetainedMode = 1u << 11,
  doHardware = 1u << 12,
  doSelectDriver = 1u << 13,
  doZBuffer = 1u << 14,
};
using TDXDrawOptions = uint32_t;

inline constexpr TDXDrawOptions kDefaultDXDrawOptions =
    doAllowReboot | doWaitVBlank | doCenter | doDirectX7Mode | doHardware | doSelectDriver;

// The options that actually govern behaviour, derived from the assigned ones.
TDXDrawOptions DeriveEffectiveOptions(TDXDrawOptions options);

class TDXDraw {
 public:
  TDXDraw();
  ~TDXDraw();
  TDXDraw(const TDXDraw&) = delete;
  TDXDraw& operator=(const TDXDraw&) = delete;

  // The window the control belongs to; none until the form sets it.
  void SetPresenter(IPresenter* presenter);
  IPresenter* Presenter() const { return presenter_; }

  bool AutoInitialize = true;
  bool AutoSize = true;
  // Compose frames by redrawing and presenting only what changed (see TFrameRecorder); off,
  // every flip presents the whole back surface as drawn.
  bool DeferredComposition = true;
  ColourInt Color = 0;  // the control's own background, until the first presentation

  TDXDrawOptions Options() const { return options_; }
  void SetOptions(TDXDrawOptions options);
  TDXDrawOptions EffectiveOptions() const { return effectiveOptions_; }

  // The back surface's size; while it exists, its real size.
  int32_t SurfaceWidth() const;
  int32_t SurfaceHeight() const;

  bool Initialized() const { return initialized_; }
  bool Updating() const { return updating_; }
  bool InitAttempted() const { return initAttempted_; }
  bool SurfaceNotified() const { return surfaceNotified_; }
  int32_t RestoreSuppression() const { return restoreSuppression_; }

  // Exist only while initialised.
  TDirectDrawSurface* BackSurface() const { return back_.get(); }
  TDirectDrawSurface* PrimarySurface() const { return primary_.get(); }
  const TDirectDraw* DDraw() const { return ddraw_.get(); }

  // Events of the window: its description was loaded, it was shown, the control was resized.
  void Loaded();
  void FormShown();
  void ControlResized(int32_t width, int32_t height);

  void Initialize();
  void Finalize();
  void RestoreSurfaces();
  bool ValidateSurfaces();
  bool ReadyToDraw();

  // Presents the back surface, after waiting for the display's refresh.
  void Flip();
  // Presents the back surface without waiting, as a repaint of the window does.
  void Repaint();
  // Where the back surface's origin lies in the client area.
  QPoint PresentOffset() const;

  // How long the last flip spent drawing the changed area and handing it to the presenter
  // (the wait for the refresh not included), in milliseconds.
  double LastCommitMilliseconds() const { return lastCommitMs_; }
  double LastPresentMilliseconds() const { return lastPresentMs_; }

  void Subscribe(IDXDrawSubscriber* subscriber);
  void Unsubscribe(IDXDrawSubscriber* subscriber);

 private:
  void Present(bool waitForVerticalBlank, bool wholeSurface);
  void Notify(TDXDrawNotifyKind kind);
  void CreateBackSurface();
  void ReleaseEverything();

  IPresenter* presenter_ = nullptr;
  TDXDrawOptions options_ = kDefaultDXDrawOptions;
  TDXDrawOptions effectiveOptions_ = DeriveEffectiveOptions(kDefaultDXDrawOptions);
  int32_t controlWidth_ = 0;
  int32_t controlHeight_ = 0;
  int32_t surfaceWidth_ = 0;
  int32_t surfaceHeight_ = 0;
  bool initialized_ = false;
  bool updating_ = false;
  bool initAttempted_ = false;
  bool hasState_ = false;
  bool initNotified_ = false;
  bool surfaceNotified_ = false;
  int32_t restoreSuppression_ = 0;
  double lastCommitMs_ = 0;
  double lastPresentMs_ = 0;
  std::unique_ptr<TDirectDraw> ddraw_;
  std::unique_ptr<TDirectDrawSurface> primary_;
  std::unique_ptr<TDirectDrawSurface> back_;
  std::vector<IDXDrawSubscriber*> subscribers_;
};

}  // namespace tess

#pragma once
// Image lists: pictures kept as pictures of the GUI layer, each with a derived image surface that
// is made, dropped and made again following the drawing surface's notifications. Drawing an item
// scales it into a rectangle, clipped, with its transparent colour as the colour key.
#include <QImage>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/colour.h"
#include "render/dxdraw.h"
#include "render/rect.h"

namespace tess {

class TPictureCollection;

class TPictureCollectionItem {
 public:
  explicit TPictureCollectionItem(TPictureCollection& collection);
  ~TPictureCollectionItem();
  TPictureCollectionItem(const TPictureCollectionItem&) = delete;
  TPictureCollectionItem& operator=(const TPictureCollectionItem&) = delete;

  std::string Name;
  int32_t PatternWidth = 0;   // 0 or less: the picture's width
  int32_t PatternHeight = 0;  // 0 or less: the picture's height
  int32_t SkipWidth = 0;
  int32_t SkipHeight = 0;
  bool SystemMemory = false;
  bool Transparent = true;

  const QImage& Picture() const { return picture_; }
  // Copies the picture in; the image surfaces keep the former pixels until the next upload.
  void SetPicture(const QImage& picture) { picture_ = picture; }
  // Mutable access for code that rewrites the pixels in place.
  QImage& MutablePicture() { return picture_; }

  ColourInt TransparentColor() const { return transparentColor_; }
  // Takes effect at once on existing image surfaces.
  void SetTransparentColor(ColourInt colour);

  bool Initialized() const { return initialized_; }
  int32_t PatternCount() const { return static_cast<int32_t>(patterns_.size()); }
  const TDirectDrawSurface* PatternSurface(int32_t index) const;
  TRect PatternRect(int32_t index) const;

  void DrawStretched(TDirectDrawSurface& dest, const TRect& destRect, int32_t patternIndex);

  // Driven by the collection.
  void InitializeFor(const TDXDraw* dxdraw);
  void Finalize();
  void Upload();

 private:
  struct Pattern {
    TRect rect;
    std::unique_ptr<TDirectDrawSurface> surface;
  };
  void DropSurfaces();
  std::unique_ptr<TDirectDrawSurface> MakeSurface(const TRect& rect);

  TPictureCollection& collection_;
  QImage picture_;
  ColourInt transparentColor_ = 0;
  bool initialized_ = false;
  std::vector<Pattern> patterns_;
};

class TPictureCollection {
 public:
  TPictureCollection() = default;
  TPictureCollection(const TPictureCollection&) = delete;
  TPictureCollection& operator=(const TPictureCollection&) = delete;

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // Raises EListError "List index out of bounds (i)" outside 0 to Count - 1.
  TPictureCollectionItem& Items(int32_t index);
  TPictureCollectionItem& Add();

  const TDXDraw* DXDraw() const { return dxdraw_; }
  // Stored with the lists; only palettised displays would use it.
  std::array<uint32_t, 256> ColorTable{};

  void InitializeItems(const TDXDraw& dxdraw);
  void FinalizeItems();
  void UploadItems();

 private:
  std::vector<std::unique_ptr<TPictureCollectionItem>> items_;
  const TDXDraw* dxdraw_ = nullptr;
};

class TDXImageList : public IDXDrawSubscriber {
 public:
  TDXImageList() = default;
  ~TDXImageList();
  TDXImageList(const TDXImageList&) = delete;
  TDXImageList& operator=(const TDXImageList&) = delete;

  TPictureCollection Items;

  TDXDraw* DXDraw() const { return dxdraw_; }
  // Leaves the former drawing surface and subscribes to the new one.
  void SetDXDraw(TDXDraw* dxdraw);

  void DXDrawNotify(TDXDraw& sender, TDXDrawNotifyKind kind) override;

 private:
  TDXDraw* dxdraw_ = nullptr;
};

}  // namespace tess

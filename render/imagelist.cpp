#include "render/imagelist.h"

#include "render/errors.h"

namespace tess {

// ---- TPictureCollectionItem ---------------------------------------------------------------------

TPictureCollectionItem::TPictureCollectionItem(TPictureCollection& collection)
    : collection_(collection) {}

TPictureCollectionItem::~TPictureCollectionItem() = default;

void TPictureCollectionItem::SetTransparentColor(ColourInt colour) {
  if (colour != transparentColor_) transparentColor_ = colour;
  for (auto& pattern : patterns_) {
    try {
      pattern.surface->SetSourceColorKey(pattern.surface->DeviceColorOf(transparentColor_));
    } catch (...) {  // one surface failing does not stop the others
    }
  }
}

const TDirectDrawSurface* TPictureCollectionItem::PatternSurface(int32_t index) const {
  return index >= 0 && index < PatternCount() ? patterns_[index].surface.get() : nullptr;
}

TRect TPictureCollectionItem::PatternRect(int32_t index) const {
  return index >= 0 && index < PatternCount() ? patterns_[index].rect : TRect{};
}

void TPictureCollectionItem::DropSurfaces() {
  patterns_.clear();
}

void TPictureCollectionItem::InitializeFor(const TDXDraw* dxdraw) {
  DropSurfaces();
  initialized_ = dxdraw != nullptr && dxdraw->Initialized();
}

void TPictureCollectionItem::Finalize() {
  DropSurfaces();
  initialized_ = false;
}

std::unique_ptr<TDirectDrawSurface> TPictureCollectionItem::MakeSurface(const TRect& rect) {
  auto surface = std::make_unique<TDirectDrawSurface>(*collection_.DXDraw()->DDraw());
  surface->SystemMemory = SystemMemory;
  surface->LoadFromGraphic(picture_, rect);
  surface->SetSourceColorKey(surface->DeviceColorOf(transparentColor_));
  return surface;
}

void TPictureCollectionItem::Upload() {
  if (picture_.isNull()) return;
  if (!initialized_) {
    const TDXDraw* dxdraw = collection_.DXDraw();
    if (dxdraw != nullptr && dxdraw->Initialized()) InitializeFor(dxdraw);
    if (!initialized_) return;
  }
  DropSurfaces();
  const int32_t w = PatternWidth > 0 ? PatternWidth : picture_.width();
  const int32_t h = PatternHeight > 0 ? PatternHeight : picture_.height();
  if (w == picture_.width() && h == picture_.height()) {
    const TRect whole = RectOfSize(w, h);
    patterns_.push_back({whole, MakeSurface(whole)});
    return;
  }
  // A grid of patterns with gaps between them.
  for (int32_t top = 0; top + h <= picture_.height(); top += h + SkipHeight) {
    for (int32_t left = 0; left + w <= picture_.width(); left += w + SkipWidth) {
      const TRect rect{left, top, left + w, top + h};
      patterns_.push_back({rect, MakeSurface(rect)});
    }
  }
}

void TPictureCollectionItem::DrawStretched(TDirectDrawSurface& dest, const TRect& destRect,
                                           int32_t patternIndex) {
  if (!initialized_ || patternIndex < 0 || patternIndex >= PatternCount()) return;
  const Pattern& pattern = patterns_[patternIndex];
  dest.BlitStretched(destRect, pattern.rect, pattern.surface.get(), Transparent);
}

// ---- TPictureCollection
// ---------------------------------------------------------------------------

TPictureCollectionItem& TPictureCollection::Items(int32_t index) {
  if (index < 0 || index >= Count()) throw EListError(ListIndexOutOfBounds(index));
  return *items_[index];
}

TPictureCollectionItem& TPictureCollection::Add() {
  items_.push_back(std::make_unique<TPictureCollectionItem>(*this));
  return *items_.back();
}

void TPictureCollection::InitializeItems(const TDXDraw& dxdraw) {
  FinalizeItems();
  dxdraw_ = &dxdraw;
  if (!dxdraw.Initialized()) {
    throw EPictureCollectionError(CannotBeInitialized("TPictureCollection"));
  }
  for (auto& item : items_)
    item->InitializeFor(dxdraw_);
}

void TPictureCollection::FinalizeItems() {
  for (auto& item : items_)
    item->Finalize();
  dxdraw_ = nullptr;
}

void TPictureCollection::UploadItems() {
  for (auto& item : items_)
    item->Upload();
}

// ---- TDXImageList
// ---------------------------------------------------------------------------------

TDXImageList::~TDXImageList() {
  try {
    SetDXDraw(nullptr);
  } catch (...) {
  }
}

void TDXImageList::SetDXDraw(TDXDraw* dxdraw) {
  if (dxdraw_ != nullptr) {
    TDXDraw* former = dxdraw_;
    dxdraw_ = nullptr;
    former->Unsubscribe(this);
  }
  dxdraw_ = dxdraw;
  if (dxdraw_ != nullptr) dxdraw_->Subscribe(this);
}

void TDXImageList::DXDrawNotify(TDXDraw& sender, TDXDrawNotifyKind kind) {
  switch (kind) {
    case TDXDrawNotifyKind::nkDestroying:
      SetDXDraw(nullptr);
      break;
    case TDXDrawNotifyKind::nkInitialize:
      Items.InitializeItems(sender);
      break;
    case TDXDrawNotifyKind::nkFinalize:
      Items.FinalizeItems();
      break;
    case TDXDrawNotifyKind::nkRestore:
      Items.UploadItems();
      break;
    default:
      break;
  }
}

}  // namespace tess

#pragma once
// Composes recorded frames on the graphics device (OpenGL ES 3.0, or desktop GL with its ES 3
// compatibility), pixel for pixel as the processor composes them. The pictures blitted from are
// textures uploaded when their pixels change; each frame is drawn whole into a frame buffer
// object as instanced quads. The symbols' pictures share one atlas texture, so that a frame is a
// draw call or two (one per run of drawings from a picture too large for the atlas). The
// fragment shader addresses texels with integers by the blits' own nearest-pixel rule and drops
// the colour key; nothing is blended, dithered or converted, so every pixel gets the very bytes
// the processor would write. Texture and frame buffer rows run top-down, as in memory, so that
// uploads and read-backs copy rows unchanged; the frame holds true colours, which a window shows
// as they are.
//
// Text is drawn by the GUI layer as everywhere else: the few pixels under it are read back and
// drawn into, so that its smoothing mixes with exactly what lies beneath, and the result is drawn
// as a picture of its own. The credit line stays in place over a background that rarely changes
// under it: while the drawings beneath it are the last frame's, its last pixels are drawn again
// without asking the device for them (a read-back waits for all the device's work).
//
// Needs a current context; everything GL-side is made in it and must be released in it.
#include <QImage>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "render/frameexecutor.h"

namespace tess {

class TDirectDrawSurface;

class TGlComposer : public IFrameExecutor {
 public:
  // Compiles the program and makes the buffers; a failure leaves Ready() false with Error().
  TGlComposer();
  ~TGlComposer() override;
  TGlComposer(const TGlComposer&) = delete;
  TGlComposer& operator=(const TGlComposer&) = delete;

  bool Ready() const { return error_.empty(); }
  const std::string& Error() const { return error_; }

  bool Execute(const TRecordedFrame& frame) override;

  // The last frame, read back as Format_RGB32 (each pixel enlarged `scale` times).
  QImage ReadBack(int scale = 1);
  // Draws the last frame into the frame buffer `target` of `targetSize` (0: the window's), each
  // pixel a `scale` x `scale` block, with its top-left at the target's top left; with
  // `flipRows` row 0 lands at the top of a window, whose rows run bottom-up.
  bool Show(uint32_t target, int targetWidth, int targetHeight, int scale, bool flipRows);

  // Bytes of device memory held: the frame and every picture's texture.
  size_t DeviceBytes() const;
  int DrawCallsLastFrame() const { return drawCalls_; }

  // Makes the next Execute fail as a lost device would (for tests of the way back).
  static void FailNextFrame();

 private:
  // Where a picture's pixels lie: a place in the shared atlas, or a texture of its own.
  struct Texture {
    uint32_t id = 0;
    bool own = false;  // a texture of its own, deleted with the entry
    int32_t x = 0, y = 0;
    uint64_t version = 0;
    int32_t width = 0, height = 0;
    uint64_t lastUsed = 0;
  };
  // A row of the atlas, filled left to right with pictures no taller than it.
  struct Shelf {
    int32_t y = 0, height = 0, used = 0;
  };
  // One quad as the vertex shader reads it.
  struct Instance {
    int32_t bounds[4];  // left, top, right, bottom
    int32_t dest[4];    // left, top, width, height
    int32_t src[4];     // left, top, width, height
    uint32_t value;     // fill: the raw colour; keyed blit: the raw key
    uint32_t mode;      // 0 fill, 1 copy, 2 keyed copy
  };

  bool EnsureFrame(int32_t width, int32_t height);
  const Texture* TextureOf(const TDrawOp& blit);
  // A place in the atlas for a picture of that size, or false when it is full.
  bool PlaceInAtlas(int32_t width, int32_t height, Texture& texture);
  void ClearAtlas();
  void Flush(uint32_t texture);
  // Draws the text over the pixels read back from the frame into the text's own texture.
  void DrawText(const TTextOp& text, const TRect& bounds);
  static bool Reaches(const TDrawOp& op, const TRect& area);
  bool TextUnchanged(const TTextOp& text, const TRect& bounds) const;
  void RememberText(const TRecordedFrame& frame, size_t index);
  void DropUnusedTextures();
  bool Failed(const char* what);

  std::string error_;
  uint32_t program_ = 0, vertexArray_ = 0, instanceBuffer_ = 0;
  int viewportLocation_ = -1;
  uint32_t frameTexture_ = 0, framebuffer_ = 0;
  int32_t width_ = 0, height_ = 0;
  size_t instanceCapacity_ = 0;
  std::vector<Instance> batch_;
  uint32_t bound_ = 0;     // the texture the batch draws from
  bool unmapped_ = false;  // a batch found no storage: the frame is incomplete
  std::unordered_map<const TDirectDrawSurface*, Texture> textures_;
  // Pictures asked for lately, by address: most drawings find theirs here without hashing.
  static constexpr size_t kRecent = 256;
  std::array<std::pair<const TDirectDrawSurface*, Texture*>, kRecent> recent_{};
  // The last frame's first text as drawn, and the drawings beneath it that gave its pixels.
  struct TextPatch {
    uint32_t texture = 0;
    int32_t textureWidth = 0, textureHeight = 0;
    bool valid = false;
    int32_t frameWidth = 0, frameHeight = 0;
    TRect bounds;
    TTextOp text;
    std::vector<TDrawOp> beneath;
  };
  TextPatch textPatch_;
  std::vector<TDrawOp> beneath_;  // this frame's drawings under the last frame's text
  uint32_t atlas_ = 0;
  std::vector<Shelf> shelves_;
  bool atlasFull_ = false;  // cleared and packed afresh at the next frame
  uint64_t frame_ = 0;
  int drawCalls_ = 0;
};

}  // namespace tess

#include "render/gl/glcomposer.h"

#include <GLES3/gl3.h>

#include <QPainter>
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

#include "render/framerecorder.h"
#include "render/surface.h"

namespace tess {

namespace {

bool& FailNextSlot() {
  static bool fail = false;
  return fail;
}

// A picture unused for this many frames gives its texture back (a sprite size that is gone, a
// replaced background).
constexpr uint64_t kTextureIdleFrames = 120;

// The atlas the pictures share (OpenGL ES 3.0 promises textures of 2048 pixels a side), and the
// largest picture put there: a background picture gets a texture of its own.
constexpr int32_t kAtlasSize = 2048;
constexpr int32_t kAtlasLargest = 512;

void UseNearestTexels(bool swizzle) {
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  if (!swizzle) return;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_R, GL_BLUE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_B, GL_RED);
}

// Four corners of the drawing's bounds as a strip; positions map surface pixels to device
// coordinates without flipping, so row y of the surface is row y of the frame buffer.
constexpr const char* kVertexShader = R"(#version 300 es
precision highp float;
precision highp int;
layout(location = 0) in ivec4 bounds;
layout(location = 1) in ivec4 dest;
layout(location = 2) in ivec4 src;
layout(location = 3) in uvec2 valueMode;
uniform vec2 viewport;
flat out ivec4 vDest;
flat out ivec4 vSrc;
flat out uint vValue;
flat out uint vMode;
void main() {
  int corner = gl_VertexID;
  vec2 p = vec2(float((corner & 1) == 0 ? bounds.x : bounds.z),
                float((corner & 2) == 0 ? bounds.y : bounds.w));
  gl_Position = vec4(p / viewport * 2.0 - 1.0, 0.0, 1.0);
  vDest = dest;
  vSrc = src;
  vValue = valueMode.x;
  vMode = valueMode.y;
}
)";

// Pictures are uploaded with their bytes as they lie in memory (blue, green, red, 0xFF) and read
// through a swizzle as red, green, blue: the frame buffer holds true colours, which a window
// shows as they are. The raw value 0x00RRGGBB is (r << 16) | (g << 8) | b of a texel.
constexpr const char* kFragmentShader = R"(#version 300 es
precision highp float;
precision highp int;
uniform highp sampler2D picture;
flat in ivec4 vDest;
flat in ivec4 vSrc;
flat in uint vValue;
flat in uint vMode;
out vec4 colour;
vec4 FromRaw(uint raw) {
  return vec4(float((raw >> 16) & 255u), float((raw >> 8) & 255u), float(raw & 255u), 255.0) /
         255.0;
}
void main() {
  if (vMode == 0u) {
    colour = FromRaw(vValue);
    return;
  }
  // The source pixel under the centre of the destination pixel: floor((2d + 1) * s / 2D).
  uvec2 d = uvec2(ivec2(gl_FragCoord.xy) - vDest.xy);
  uvec2 s = uvec2(vSrc.xy) + ((2u * d + 1u) * uvec2(vSrc.zw)) / (2u * uvec2(vDest.zw));
  vec4 texel = texelFetch(picture, ivec2(s), 0);
  if (vMode == 2u) {
    uvec4 b = uvec4(texel * 255.0 + 0.5);
    if (((b.r << 16) | (b.g << 8) | b.b) == vValue) discard;
  }
  colour = texel;
}
)";

std::string CompileLog(GLuint shader) {
  GLint length = 0;
  glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
  std::string log(static_cast<size_t>(std::max(length, 1)), '\0');
  glGetShaderInfoLog(shader, length, nullptr, log.data());
  return log;
}

GLuint Compile(GLenum kind, const char* text, std::string& error) {
  const GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    error = "shader: " + CompileLog(shader);
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

// A blit whose sampling would overflow the shader's 32-bit arithmetic (pictures and sizes far
// beyond any screen) is left to the processor.
bool SamplesInRange(const TDrawOp& op) {
  const uint64_t limit = uint64_t{1} << 32;
  return uint64_t(2) * static_cast<uint64_t>(op.dest.Width()) *
                 static_cast<uint64_t>(std::max(op.src.Width(), op.src.Height())) <
             limit &&
         uint64_t(2) * static_cast<uint64_t>(op.dest.Height()) *
                 static_cast<uint64_t>(std::max(op.src.Width(), op.src.Height())) <
             limit;
}

}  // namespace

void TGlComposer::FailNextFrame() {
  FailNextSlot() = true;
}

TGlComposer::TGlComposer() {
  const GLuint vertex = Compile(GL_VERTEX_SHADER, kVertexShader, error_);
  if (vertex == 0) return;
  const GLuint fragment = Compile(GL_FRAGMENT_SHADER, kFragmentShader, error_);
  if (fragment == 0) {
    glDeleteShader(vertex);
    return;
  }
  program_ = glCreateProgram();
  glAttachShader(program_, vertex);
  glAttachShader(program_, fragment);
  glLinkProgram(program_);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint linked = GL_FALSE;
  glGetProgramiv(program_, GL_LINK_STATUS, &linked);
  if (linked != GL_TRUE) {
    error_ = "the program does not link";
    return;
  }
  viewportLocation_ = glGetUniformLocation(program_, "viewport");
  glUseProgram(program_);
  glUniform1i(glGetUniformLocation(program_, "picture"), 0);

  glGenVertexArrays(1, &vertexArray_);
  glGenBuffers(1, &instanceBuffer_);
  glBindVertexArray(vertexArray_);
  glBindBuffer(GL_ARRAY_BUFFER, instanceBuffer_);
  const auto attribute = [](GLuint location, GLint size, GLenum type, size_t offset) {
    glEnableVertexAttribArray(location);
    glVertexAttribIPointer(location, size, type, sizeof(Instance),
                           reinterpret_cast<const void*>(offset));
    glVertexAttribDivisor(location, 1);
  };
  attribute(0, 4, GL_INT, offsetof(Instance, bounds));
  attribute(1, 4, GL_INT, offsetof(Instance, dest));
  attribute(2, 4, GL_INT, offsetof(Instance, src));
  attribute(3, 2, GL_UNSIGNED_INT, offsetof(Instance, value));
  glBindVertexArray(0);
  // Every pixel is exactly what the shader writes.
  glDisable(GL_DITHER);
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_SCISSOR_TEST);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  if (glGetError() != GL_NO_ERROR) error_ = "the device refused the composer's state";
}

TGlComposer::~TGlComposer() {
  for (auto& [surface, texture] : textures_) {
    if (texture.own) glDeleteTextures(1, &texture.id);
  }
  if (atlas_ != 0) glDeleteTextures(1, &atlas_);
  if (textPatch_.texture != 0) glDeleteTextures(1, &textPatch_.texture);
  if (framebuffer_ != 0) glDeleteFramebuffers(1, &framebuffer_);
  if (frameTexture_ != 0) glDeleteTextures(1, &frameTexture_);
  if (instanceBuffer_ != 0) glDeleteBuffers(1, &instanceBuffer_);
  if (vertexArray_ != 0) glDeleteVertexArrays(1, &vertexArray_);
  if (program_ != 0) glDeleteProgram(program_);
}

bool TGlComposer::EnsureFrame(int32_t width, int32_t height) {
  if (width == width_ && height == height_ && framebuffer_ != 0) return true;
  if (framebuffer_ == 0) glGenFramebuffers(1, &framebuffer_);
  if (frameTexture_ != 0) glDeleteTextures(1, &frameTexture_);
  glGenTextures(1, &frameTexture_);
  glBindTexture(GL_TEXTURE_2D, frameTexture_);
  glTexStorage2D(GL_TEXTURE_2D, 1, GL_RGBA8, width, height);
  UseNearestTexels(false);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, frameTexture_, 0);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;
  width_ = width;
  height_ = height;
  return true;
}

bool TGlComposer::PlaceInAtlas(int32_t width, int32_t height, Texture& texture) {
  if (width > kAtlasLargest || height > kAtlasLargest) return false;
  if (atlas_ == 0) {
    glGenTextures(1, &atlas_);
    glBindTexture(GL_TEXTURE_2D, atlas_);
    glTexStorage2D(GL_TEXTURE_2D, 1, GL_RGBA8, kAtlasSize, kAtlasSize);
    UseNearestTexels(true);
  }
  for (Shelf& shelf : shelves_) {
    // A shelf much taller than the picture would waste the rest of its height.
    if (shelf.height >= height && shelf.height <= height * 2 && shelf.used + width <= kAtlasSize) {
      texture.x = shelf.used;
      texture.y = shelf.y;
      shelf.used += width;
      return true;
    }
  }
  const int32_t top = shelves_.empty() ? 0 : shelves_.back().y + shelves_.back().height;
  if (top + height > kAtlasSize) {
    atlasFull_ = true;
    return false;
  }
  shelves_.push_back({top, height, width});
  texture.x = 0;
  texture.y = top;
  return true;
}

// Everything in the atlas goes (between frames): it is packed again as the pictures are used.
void TGlComposer::ClearAtlas() {
  for (auto it = textures_.begin(); it != textures_.end();) {
    it = it->second.own ? std::next(it) : textures_.erase(it);
  }
  shelves_.clear();
  atlasFull_ = false;
  recent_.fill({});
}

const TGlComposer::Texture* TGlComposer::TextureOf(const TDrawOp& op) {
  const TDirectDrawSurface& source = *op.source;
  // The address's middle bits, mixed: heap objects lie at least 16 bytes apart.
  const size_t slot = static_cast<size_t>(
      ((reinterpret_cast<uintptr_t>(&source) >> 4) * 0x9E3779B97F4A7C15ull) >> 56);
  auto& [recentSource, recentTexture] = recent_[slot % kRecent];
  if (recentSource != &source) {
    recentSource = &source;
    recentTexture = &textures_[&source];
  }
  Texture& texture = *recentTexture;
  texture.lastUsed = frame_;
  // The version recorded with the drawing: the picture itself stays out of the cache.
  if (texture.id != 0 && texture.version == op.sourceVersion) return &texture;
  const QImage& pixels = source.Pixels();
  if (pixels.isNull()) return nullptr;
  // Drawings batched so far may read the pixels this upload replaces: they are drawn first.
  if (texture.id != 0 && texture.id == bound_) Flush(bound_);
  if (texture.id == 0 || texture.width != pixels.width() || texture.height != pixels.height()) {
    if (texture.own) glDeleteTextures(1, &texture.id);
    texture = {};
    texture.lastUsed = frame_;
    texture.width = pixels.width();
    texture.height = pixels.height();
    if (PlaceInAtlas(texture.width, texture.height, texture)) {
      texture.id = atlas_;
    } else {
      texture.own = true;
      glGenTextures(1, &texture.id);
      glBindTexture(GL_TEXTURE_2D, texture.id);
      glTexStorage2D(GL_TEXTURE_2D, 1, GL_RGBA8, texture.width, texture.height);
      UseNearestTexels(true);
    }
  }
  glBindTexture(GL_TEXTURE_2D, texture.id);
  // The bytes as they lie in memory: no conversion on the way.
  glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pixels.bytesPerLine() / 4));
  glTexSubImage2D(GL_TEXTURE_2D, 0, texture.x, texture.y, pixels.width(), pixels.height(), GL_RGBA,
                  GL_UNSIGNED_BYTE, pixels.constBits());
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  texture.version = op.sourceVersion;
  return &texture;
}

void TGlComposer::Flush(uint32_t texture) {
  if (batch_.empty()) return;
  glBindBuffer(GL_ARRAY_BUFFER, instanceBuffer_);
  const auto bytes = static_cast<GLsizeiptr>(batch_.size() * sizeof(Instance));
  if (batch_.size() > instanceCapacity_) {
    instanceCapacity_ = std::max(batch_.size(), instanceCapacity_ * 2);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(instanceCapacity_ * sizeof(Instance)),
                 nullptr, GL_STREAM_DRAW);
  }
  // The storage is given up and taken afresh (the device may still be reading the last batch),
  // without waiting for it.
  void* storage =
      glMapBufferRange(GL_ARRAY_BUFFER, 0, bytes, GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT);
  if (storage == nullptr) {  // out of memory, or the device is gone
    batch_.clear();
    unmapped_ = true;
    return;
  }
  std::memcpy(storage, batch_.data(), static_cast<size_t>(bytes));
  glUnmapBuffer(GL_ARRAY_BUFFER);
  glBindTexture(GL_TEXTURE_2D, texture);
  glDrawArraysInstanced(GL_TRIANGLE_STRIP, 0, 4, static_cast<GLsizei>(batch_.size()));
  ++drawCalls_;
  batch_.clear();
}

// Reads the pixels under the text and draws the text into them as the processor would.
void TGlComposer::DrawText(const TTextOp& text, const TRect& bounds) {
  const int w = bounds.Width(), h = bounds.Height();
  QImage patch(w, h, QImage::Format_RGBX8888);  // the frame buffer's byte order
  glPixelStorei(GL_PACK_ROW_LENGTH, static_cast<GLint>(patch.bytesPerLine() / 4));
  glReadPixels(bounds.Left, bounds.Top, w, h, GL_RGBA, GL_UNSIGNED_BYTE, patch.bits());
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  patch.convertTo(QImage::Format_RGB32);  // what the processor's text is drawn into
  {
    QPainter painter(&patch);
    painter.translate(-bounds.Left, -bounds.Top);
    painter.setClipRect(QRect(bounds.Left, bounds.Top, w, h));
    TDirectDrawSurfaceCanvas::PaintText(painter, text);
  }
  TextPatch& kept = textPatch_;
  if (kept.texture == 0) glGenTextures(1, &kept.texture);
  glBindTexture(GL_TEXTURE_2D, kept.texture);
  if (kept.textureWidth < w || kept.textureHeight < h) {
    kept.textureWidth = std::max(kept.textureWidth, w);
    kept.textureHeight = std::max(kept.textureHeight, h);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kept.textureWidth, kept.textureHeight, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    UseNearestTexels(true);  // a picture's bytes, as the pictures' textures hold them
  }
  glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(patch.bytesPerLine() / 4));
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, patch.constBits());
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

// Whether a drawing can change a pixel of `area`: a symbol's see-through corners over the credit
// line leave it as it was.
bool TGlComposer::Reaches(const TDrawOp& op, const TRect& area) {
  if (!op.bounds.Intersects(area)) return false;
  if (op.kind != TDrawOp::Kind::kBlit || !op.transparent) return true;
  return TDirectDrawSurface::InkFootprint(op.dest, op.src, *op.source).Intersects(area);
}

// The text's pixels are a function of the text and of the drawings that reach its area, in
// order, once one of them paints all of it: when these are the last frame's, so are the pixels.
// (Over pixels left from the last frame, text would be drawn over its own smoothing.)
bool TGlComposer::TextUnchanged(const TTextOp& text, const TRect& bounds) const {
  const TextPatch& kept = textPatch_;
  const auto covers = [&](const TDrawOp& op) { return TFrameRecorder::Covers(op, bounds); };
  return kept.valid && kept.bounds == bounds && kept.frameWidth == width_ &&
         kept.frameHeight == height_ && kept.text == text &&
         std::any_of(beneath_.begin(), beneath_.end(), covers) &&
         std::equal(beneath_.begin(), beneath_.end(), kept.beneath.begin(), kept.beneath.end(),
                    SameDrawing);
}

void TGlComposer::RememberText(const TRecordedFrame& frame, size_t index) {
  TextPatch& kept = textPatch_;
  const TDrawOp& op = frame.ops[index];
  if (!kept.valid || kept.bounds != op.bounds) {  // beneath_ gathered another area
    beneath_.clear();
    for (size_t i = 0; i < index; ++i) {
      const TDrawOp& under = frame.ops[i];
      if (Reaches(under, op.bounds)) beneath_.push_back(under);
    }
  }
  kept.beneath.swap(beneath_);
  kept.bounds = op.bounds;
  kept.text = frame.texts[static_cast<size_t>(op.text)];
  kept.frameWidth = width_;
  kept.frameHeight = height_;
  kept.valid = true;
}

void TGlComposer::DropUnusedTextures() {
  for (auto it = textures_.begin(); it != textures_.end();) {
    if (frame_ - it->second.lastUsed > kTextureIdleFrames) {
      if (it->second.own) glDeleteTextures(1, &it->second.id);
      recent_.fill({});  // it may point at the entry
      it = textures_.erase(it);
    } else {
      ++it;
    }
  }
}

bool TGlComposer::Failed(const char* what) {
  error_ = what;
  return false;
}

bool TGlComposer::Execute(const TRecordedFrame& frame) {
  if (!Ready()) return false;
  if (std::exchange(FailNextSlot(), false)) return Failed("the device was lost (simulated)");
  ++frame_;
  drawCalls_ = 0;
  if (atlasFull_) ClearAtlas();
  if (!EnsureFrame(frame.surface.Width(), frame.surface.Height()))
    return Failed("no frame buffer of the screen's size");
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glViewport(0, 0, width_, height_);
  glUseProgram(program_);
  glUniform2f(viewportLocation_, static_cast<float>(width_), static_cast<float>(height_));
  glBindVertexArray(vertexArray_);
  glActiveTexture(GL_TEXTURE0);
  bound_ = 0;
  beneath_.clear();
  bool beforeText = true;
  for (size_t i = 0; i < frame.ops.size(); ++i) {
    const TDrawOp& op = frame.ops[i];
    if (op.bounds.Empty()) continue;
    Instance quad{{op.bounds.Left, op.bounds.Top, op.bounds.Right, op.bounds.Bottom},
                  {0, 0, 1, 1},
                  {0, 0, 1, 1},
                  op.value,
                  0};
    switch (op.kind) {
      case TDrawOp::Kind::kFill:
        break;
      case TDrawOp::Kind::kBlit: {
        if (!SamplesInRange(op)) return Failed("a blit too large for the device's arithmetic");
        const Texture* texture = TextureOf(op);
        if (texture == nullptr) return Failed("a picture without pixels");
        if (texture->id != bound_) Flush(bound_);
        bound_ = texture->id;
        quad.dest[0] = op.dest.Left;
        quad.dest[1] = op.dest.Top;
        quad.dest[2] = op.dest.Width();
        quad.dest[3] = op.dest.Height();
        quad.src[0] = texture->x + op.src.Left;
        quad.src[1] = texture->y + op.src.Top;
        quad.src[2] = op.src.Width();
        quad.src[3] = op.src.Height();
        quad.mode = op.transparent ? 2 : 1;
        break;
      }
      case TDrawOp::Kind::kText: {
        const TTextOp& text = frame.texts[static_cast<size_t>(op.text)];
        const bool first = std::exchange(beforeText, false);
        if (!first || !TextUnchanged(text, op.bounds)) {
          Flush(bound_);  // the pixels beneath must be drawn before they are read
          DrawText(text, op.bounds);
          if (first) {
            RememberText(frame, i);
          } else {
            textPatch_.valid = false;  // its texture now holds another text
          }
        }
        if (textPatch_.texture != bound_) Flush(bound_);
        bound_ = textPatch_.texture;
        quad.dest[0] = op.bounds.Left;
        quad.dest[1] = op.bounds.Top;
        quad.dest[2] = quad.src[2] = op.bounds.Width();
        quad.dest[3] = quad.src[3] = op.bounds.Height();
        quad.src[0] = quad.src[1] = 0;
        quad.mode = 1;
        break;
      }
    }
    if (beforeText && textPatch_.valid && Reaches(op, textPatch_.bounds)) beneath_.push_back(op);
    batch_.push_back(quad);
  }
  Flush(bound_);
  glBindVertexArray(0);
  DropUnusedTextures();
  const GLenum error = glGetError();
  if (std::exchange(unmapped_, false)) return Failed("the device cannot take the drawings");
  if (error == GL_OUT_OF_MEMORY) return Failed("the device is out of memory");
  if (error != GL_NO_ERROR) return Failed("the device reported an error");
  return true;
}

bool TGlComposer::Show(uint32_t target, int targetWidth, int targetHeight, int scale,
                       bool flipRows) {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
  const int w = width_ * scale, h = height_ * scale;
  if (w < targetWidth || h < targetHeight) {  // the remainder a scale leaves stays black
    glViewport(0, 0, targetWidth, targetHeight);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  if (flipRows) {
    glBlitFramebuffer(0, 0, width_, height_, 0, targetHeight, w, targetHeight - h,
                      GL_COLOR_BUFFER_BIT, GL_NEAREST);
  } else {
    glBlitFramebuffer(0, 0, width_, height_, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  return glGetError() == GL_NO_ERROR;
}

QImage TGlComposer::ReadBack(int scale) {
  if (framebuffer_ == 0) return {};
  QImage image(width_ * scale, height_ * scale, QImage::Format_RGBX8888);
  GLuint enlarged = 0, texture = 0;
  if (scale == 1) {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  } else {
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexStorage2D(GL_TEXTURE_2D, 1, GL_RGBA8, image.width(), image.height());
    glGenFramebuffers(1, &enlarged);
    glBindFramebuffer(GL_FRAMEBUFFER, enlarged);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    Show(enlarged, image.width(), image.height(), scale, false);
    glBindFramebuffer(GL_FRAMEBUFFER, enlarged);
  }
  glPixelStorei(GL_PACK_ROW_LENGTH, static_cast<GLint>(image.bytesPerLine() / 4));
  glReadPixels(0, 0, image.width(), image.height(), GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  if (enlarged != 0) {
    glDeleteFramebuffers(1, &enlarged);
    glDeleteTextures(1, &texture);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  }
  image.convertTo(QImage::Format_RGB32);
  return image;
}

size_t TGlComposer::DeviceBytes() const {
  size_t bytes = static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4;
  if (atlas_ != 0) bytes += size_t{kAtlasSize} * kAtlasSize * 4;
  bytes += static_cast<size_t>(textPatch_.textureWidth) *
           static_cast<size_t>(textPatch_.textureHeight) * 4;
  for (const auto& [surface, texture] : textures_) {
    if (texture.own)
      bytes += static_cast<size_t>(texture.width) * static_cast<size_t>(texture.height) * 4;
  }
  return bytes + instanceCapacity_ * sizeof(Instance);
}

}  // namespace tess

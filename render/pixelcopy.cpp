#include "render/pixelcopy.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tess {

namespace {

void FillScalar(uint32_t* dest, int count, uint32_t value) {
  std::fill(dest, dest + count, value);
}

void KeyedCopyScalar(uint32_t* dest, const uint32_t* source, int count, uint32_t key) {
  for (int i = 0; i < count; ++i) {
    if (source[i] != key) dest[i] = source[i];
  }
}

// Each row's part that can hold ink, given to `copy` (inlined into each vector level's loop).
template <typename Copy>
inline void ForEachInkRow(const TKeyedRows& r, Copy copy) {
  for (int row = 0; row < r.rows; ++row) {
    const int left = std::max<int>(r.left, r.inkLeft[row]);
    const int right = std::min<int>(r.right, r.inkRight[row]);
    if (left < right) {
      copy(r.dest + row * r.destStride + left, r.source + row * r.sourceStride + left,
           right - left);
    }
  }
}

void FillRowsScalar(uint32_t* dest, ptrdiff_t stride, int count, int rows, uint32_t value) {
  for (int row = 0; row < rows; ++row)
    FillScalar(dest + row * stride, count, value);
}

void KeyedRowsScalar(const TKeyedRows& r) {
  ForEachInkRow(r, [&](uint32_t* d, const uint32_t* s, int n) { KeyedCopyScalar(d, s, n, r.key); });
}

#if defined(__x86_64__)

// Both operations may be applied twice to a pixel with the same result. So a row that is not a
// whole number of vectors ends with one more vector that overlaps the one before it, instead of
// a slow masked store or a loop pixel by pixel.

inline void Fill4(uint32_t* dest, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dest), v);
}

void FillSse2(uint32_t* dest, int count, uint32_t value) {
  if (count < 4) return FillScalar(dest, count, value);
  const __m128i v = _mm_set1_epi32(static_cast<int>(value));
  for (int i = 0; i + 4 <= count; i += 4)
    Fill4(dest + i, v);
  Fill4(dest + count - 4, v);
}

// Where the source is the key the destination's own pixel is written back: the same value, in
// one store per four pixels instead of a branch per pixel.
inline void KeyedCopy4(uint32_t* dest, const uint32_t* source, __m128i key) {
  const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
  const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dest));
  const __m128i seeThrough = _mm_cmpeq_epi32(s, key);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dest),
                   _mm_or_si128(_mm_and_si128(seeThrough, d), _mm_andnot_si128(seeThrough, s)));
}

void KeyedCopySse2(uint32_t* dest, const uint32_t* source, int count, uint32_t key) {
  if (count < 4) return KeyedCopyScalar(dest, source, count, key);
  const __m128i k = _mm_set1_epi32(static_cast<int>(key));
  for (int i = 0; i + 4 <= count; i += 4)
    KeyedCopy4(dest + i, source + i, k);
  KeyedCopy4(dest + count - 4, source + count - 4, k);
}

void FillRowsSse2(uint32_t* dest, ptrdiff_t stride, int count, int rows, uint32_t value) {
  for (int row = 0; row < rows; ++row)
    FillSse2(dest + row * stride, count, value);
}

void KeyedRowsSse2(const TKeyedRows& r) {
  ForEachInkRow(r, [&](uint32_t* d, const uint32_t* s, int n) { KeyedCopySse2(d, s, n, r.key); });
}

__attribute__((target("avx2"))) void FillAvx2(uint32_t* dest, int count, uint32_t value) {
  if (count < 8) return FillSse2(dest, count, value);
  const __m256i v = _mm256_set1_epi32(static_cast<int>(value));
  for (int i = 0; i + 8 <= count; i += 8)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest + i), v);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest + count - 8), v);
}

__attribute__((target("avx2"))) inline void KeyedCopy8(uint32_t* dest, const uint32_t* source,
                                                       __m256i key) {
  const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source));
  const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dest));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest),
                      _mm256_blendv_epi8(s, d, _mm256_cmpeq_epi32(s, key)));
}

__attribute__((target("avx2"))) void KeyedCopyAvx2(uint32_t* dest, const uint32_t* source,
                                                   int count, uint32_t key) {
  if (count < 8) return KeyedCopySse2(dest, source, count, key);
  const __m256i k = _mm256_set1_epi32(static_cast<int>(key));
  for (int i = 0; i + 8 <= count; i += 8)
    KeyedCopy8(dest + i, source + i, k);
  KeyedCopy8(dest + count - 8, source + count - 8, k);
}

__attribute__((target("avx2"))) void FillRowsAvx2(uint32_t* dest, ptrdiff_t stride, int count,
                                                  int rows, uint32_t value) {
  for (int row = 0; row < rows; ++row)
    FillAvx2(dest + row * stride, count, value);
}

__attribute__((target("avx2"))) void KeyedRowsAvx2(const TKeyedRows& r) {
  ForEachInkRow(r, [&](uint32_t* d, const uint32_t* s, int n) { KeyedCopyAvx2(d, s, n, r.key); });
}

TVectorLevel DetectedLevel() {
  return __builtin_cpu_supports("avx2") ? TVectorLevel::kAvx2 : TVectorLevel::kSse2;
}

#else

TVectorLevel DetectedLevel() {
  return TVectorLevel::kScalar;
}

#endif

using FillFunction = void (*)(uint32_t*, int, uint32_t);
using KeyedCopyFunction = void (*)(uint32_t*, const uint32_t*, int, uint32_t);
using KeyedRowsFunction = void (*)(const TKeyedRows&);
using FillRowsFunction = void (*)(uint32_t*, ptrdiff_t, int, int, uint32_t);

struct Kernels {
  TVectorLevel level;
  FillFunction fill;
  FillRowsFunction fillRows;
  KeyedCopyFunction keyedCopy;
  KeyedRowsFunction keyedRows;
};

Kernels KernelsFor(TVectorLevel level) {
  switch (level) {
#if defined(__x86_64__)
    case TVectorLevel::kAvx2:
      return {level, &FillAvx2, &FillRowsAvx2, &KeyedCopyAvx2, &KeyedRowsAvx2};
    case TVectorLevel::kSse2:
      return {level, &FillSse2, &FillRowsSse2, &KeyedCopySse2, &KeyedRowsSse2};
#endif
    default:
      return {TVectorLevel::kScalar, &FillScalar, &FillRowsScalar, &KeyedCopyScalar,
              &KeyedRowsScalar};
  }
}

// Chosen once; a call then costs one indirect jump.
Kernels& Active() {
  static Kernels kernels = KernelsFor(DetectedLevel());
  return kernels;
}

}  // namespace

TVectorLevel VectorLevel() {
  return Active().level;
}

void ForceVectorLevel(TVectorLevel level) {
  // A level the processor lacks cannot be forced.
  Active() = KernelsFor(std::min(level, DetectedLevel()));
}

const char* VectorLevelName(TVectorLevel level) {
  switch (level) {
    case TVectorLevel::kAvx2:
      return "AVX2";
    case TVectorLevel::kSse2:
      return "SSE2";
    case TVectorLevel::kScalar:
      break;
  }
  return "scalar";
}

void FillPixels(uint32_t* dest, int count, uint32_t value) {
  Active().fill(dest, count, value);
}

void FillRows(uint32_t* dest, ptrdiff_t stride, int count, int rows, uint32_t value) {
  Active().fillRows(dest, stride, count, rows, value);
}

void KeyedCopy(uint32_t* dest, const uint32_t* source, int count, uint32_t key) {
  Active().keyedCopy(dest, source, count, key);
}

void KeyedCopyRows(const TKeyedRows& rows) {
  Active().keyedRows(rows);
}

}  // namespace tess

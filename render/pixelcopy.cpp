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

void FillRowsScalar(uint32_t* dest, ptrdiff_t stride, int count, int rows, uint32_t value) {
  for (int row = 0; row < rows; ++row)
    FillScalar(dest + row * stride, count, value);
}

#if defined(__x86_64__)

// A fill may write a pixel twice with the same result. So a row that is not a whole number of
// vectors ends with one more vector that overlaps the one before it, instead of a slow masked
// store or a loop pixel by pixel.

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

void FillRowsSse2(uint32_t* dest, ptrdiff_t stride, int count, int rows, uint32_t value) {
  for (int row = 0; row < rows; ++row)
    FillSse2(dest + row * stride, count, value);
}

__attribute__((target("avx2"))) void FillAvx2(uint32_t* dest, int count, uint32_t value) {
  if (count < 8) return FillSse2(dest, count, value);
  const __m256i v = _mm256_set1_epi32(static_cast<int>(value));
  for (int i = 0; i + 8 <= count; i += 8)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest + i), v);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest + count - 8), v);
}

__attribute__((target("avx2"))) void FillRowsAvx2(uint32_t* dest, ptrdiff_t stride, int count,
                                                  int rows, uint32_t value) {
  for (int row = 0; row < rows; ++row)
    FillAvx2(dest + row * stride, count, value);
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
using FillRowsFunction = void (*)(uint32_t*, ptrdiff_t, int, int, uint32_t);

struct Kernels {
  TVectorLevel level;
  FillFunction fill;
  FillRowsFunction fillRows;
};

Kernels KernelsFor(TVectorLevel level) {
  switch (level) {
#if defined(__x86_64__)
    case TVectorLevel::kAvx2:
      return {level, &FillAvx2, &FillRowsAvx2};
    case TVectorLevel::kSse2:
      return {level, &FillSse2, &FillRowsSse2};
#endif
    default:
      return {TVectorLevel::kScalar, &FillScalar, &FillRowsScalar};
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

}  // namespace tess

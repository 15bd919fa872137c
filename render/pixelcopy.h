#pragma once
// The inner loops of composing a frame: filling rows with one pixel value, in vector instructions
// (SSE2, which every x86-64 processor has, or AVX2 where the processor has it, chosen once at run
// time; a plain loop elsewhere; every level gives the same pixels), and copying a short run of
// a sprite's ink.
#include <cstddef>
#include <cstdint>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace tess {

enum class TVectorLevel { kScalar, kSse2, kAvx2 };

// The best level this processor and build can use, or the one a test or benchmark forced.
TVectorLevel VectorLevel();
void ForceVectorLevel(TVectorLevel level);
const char* VectorLevelName(TVectorLevel level);

void FillPixels(uint32_t* dest, int count, uint32_t value);
// `rows` rows of `count` pixels, `stride` pixels apart.
void FillRows(uint32_t* dest, ptrdiff_t stride, int count, int rows, uint32_t value);

// A plain copy of a few pixels (a run of a sprite's row), inline: for runs this short the C
// library's copy costs more in its call than in copying.
inline void CopyPixels(uint32_t* dest, const uint32_t* source, int count) {
#if defined(__x86_64__)
  if (count >= 4) {
    // Overlapping the last vector with the one before it copies the same pixels twice, harmlessly.
    for (int i = 0; i + 4 <= count; i += 4) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + i),
                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i)));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + count - 4),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + count - 4)));
    return;
  }
#endif
  for (int i = 0; i < count; ++i)
    dest[i] = source[i];
}
}  // namespace tess

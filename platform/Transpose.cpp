#include "platform/Transpose.h"

#include <algorithm>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// The AVX2 copy is chosen at run time, by what the processor has: the build assumes SSE2 only.
#if defined(__x86_64__) && defined(__GNUC__)
#define FIXTRAIL_HAS_AVX2_KERNEL 1
#include <immintrin.h>
#endif

namespace {

// Square tiles for the transpose: a tile's source columns and destination rows both stay in
// the data cache, which the plain double loop (one cache line per pixel written) does not.
constexpr int KTile = 32;

// Logical (x, y) is aBack[x * H + (H - 1 - y)] and lands at aDevice[y * W + x]; columns aX0 to
// aX1 and rows aY0 to aY1, inclusive. KWidth and KHeight, when not 0, are the geometry known
// at compile time.
template <int KWidth, int KHeight>
void CopyTiles(std::uint16_t* aDevice, const std::uint16_t* aBack, int aWidth, int aHeight, int aX0,
               int aY0, int aX1, int aY1) {
    const int width = KWidth != 0 ? KWidth : aWidth;
    const int height = KHeight != 0 ? KHeight : aHeight;
    for (int y0 = aY0; y0 <= aY1; y0 += KTile) {
        const int y1 = std::min(y0 + KTile - 1, aY1);
        for (int x0 = aX0; x0 <= aX1; x0 += KTile) {
            const int x1 = std::min(x0 + KTile - 1, aX1);
            for (int y = y0; y <= y1; ++y) {
                std::uint16_t* row = aDevice + static_cast<std::size_t>(y) * width;
                const std::uint16_t* column = aBack + (height - 1 - y);
                for (int x = x0; x <= x1; ++x) {
                    row[x] = column[static_cast<std::size_t>(x) * height];
                }
            }
        }
    }
}

#if defined(__SSE2__)
// One 8 x 8 block: aFirst is the back buffer's pixel (x, y + 7), aTarget the device's (x, y).
inline void CopyBlockSse2(std::uint16_t* aTarget, const std::uint16_t* aFirst, std::size_t aWidth,
                          std::size_t aHeight) {
    __m128i a[8];
    for (std::size_t i = 0; i < 8; ++i) {
        a[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(aFirst + i * aHeight));
    }
    const __m128i t0 = _mm_unpacklo_epi16(a[0], a[1]);
    const __m128i t1 = _mm_unpackhi_epi16(a[0], a[1]);
    const __m128i t2 = _mm_unpacklo_epi16(a[2], a[3]);
    const __m128i t3 = _mm_unpackhi_epi16(a[2], a[3]);
    const __m128i t4 = _mm_unpacklo_epi16(a[4], a[5]);
    const __m128i t5 = _mm_unpackhi_epi16(a[4], a[5]);
    const __m128i t6 = _mm_unpacklo_epi16(a[6], a[7]);
    const __m128i t7 = _mm_unpackhi_epi16(a[6], a[7]);
    const __m128i u0 = _mm_unpacklo_epi32(t0, t2);
    const __m128i u1 = _mm_unpackhi_epi32(t0, t2);
    const __m128i u2 = _mm_unpacklo_epi32(t1, t3);
    const __m128i u3 = _mm_unpackhi_epi32(t1, t3);
    const __m128i u4 = _mm_unpacklo_epi32(t4, t6);
    const __m128i u5 = _mm_unpackhi_epi32(t4, t6);
    const __m128i u6 = _mm_unpacklo_epi32(t5, t7);
    const __m128i u7 = _mm_unpackhi_epi32(t5, t7);
    // Row j holds lane j of every column: the device row y + 7 - j.
    const __m128i rows[8] = {
        _mm_unpacklo_epi64(u0, u4), _mm_unpackhi_epi64(u0, u4), _mm_unpacklo_epi64(u1, u5),
        _mm_unpackhi_epi64(u1, u5), _mm_unpacklo_epi64(u2, u6), _mm_unpackhi_epi64(u2, u6),
        _mm_unpacklo_epi64(u3, u7), _mm_unpackhi_epi64(u3, u7),
    };
    for (std::size_t j = 0; j < 8; ++j) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(aTarget + (7 - j) * aWidth), rows[j]);
    }
}

// Blocks of 8 × 8 pixels transposed in registers: eight loads and eight stores of 16 bytes
// instead of 64 of each. Strips of 8 columns keep the rows they write in the cache.
template <int KWidth, int KHeight>
void CopyAreaSse2(std::uint16_t* aDevice, const std::uint16_t* aBack, int aWidth, int aHeight,
                  int aX0, int aY0, int aX1, int aY1) {
    const std::size_t width = KWidth != 0 ? KWidth : aWidth;
    const std::size_t height = KHeight != 0 ? KHeight : aHeight;
    const int blockX1 = aX0 + (aX1 - aX0 + 1) / 8 * 8 - 1;
    const int blockY1 = aY0 + (aY1 - aY0 + 1) / 8 * 8 - 1;
    for (int x = aX0; x <= blockX1; x += 8) {
        for (int y = aY0; y <= blockY1; y += 8) {
            // Lane j of column i is the pixel (x + i, y + 7 - j).
            const std::uint16_t* first = aBack + static_cast<std::size_t>(x) * height +
                                         (height - 1 - static_cast<std::size_t>(y) - 7);
            CopyBlockSse2(aDevice + static_cast<std::size_t>(y) * width + x, first, width, height);
        }
    }
    // The rows below the blocks, then the columns right of them.
    if (blockY1 < aY1 && aX0 <= blockX1) {
        CopyTiles<KWidth, KHeight>(aDevice, aBack, aWidth, aHeight, aX0, blockY1 + 1, blockX1, aY1);
    }
    if (blockX1 < aX1) {
        CopyTiles<KWidth, KHeight>(aDevice, aBack, aWidth, aHeight, blockX1 + 1, aY0, aX1, aY1);
    }
}
#endif

#if defined(FIXTRAIL_HAS_AVX2_KERNEL)
// The 8 × 8 blocks of the SSE2 copy two side by side: each 128-bit lane transposes its own
// block with the same unpacks, so a row of the pair is one 32-byte store of 16 pixels. Half the
// shuffles per pixel; the output is the SSE2 copy's. aFirst is the pixel (x, y + 7) of the back
// buffer, aTarget the device's (x, y + 7).
__attribute__((target("avx2"), always_inline)) inline void CopyPairAvx2(std::uint16_t* aTarget,
                                                                        const std::uint16_t* aFirst,
                                                                        std::size_t aWidth,
                                                                        std::size_t aHeight) {
    // Lane j of column i is the pixel (x + i, y + 7 - j) in the low half, (x + 8 + i, y + 7 - j)
    // in the high one.
    __m256i a[8];
    for (std::size_t i = 0; i < 8; ++i) {
        const __m128i left =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(aFirst + i * aHeight));
        const __m128i right =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(aFirst + (i + 8) * aHeight));
        a[i] = _mm256_inserti128_si256(_mm256_castsi128_si256(left), right, 1);
    }
    const __m256i t0 = _mm256_unpacklo_epi16(a[0], a[1]);
    const __m256i t1 = _mm256_unpackhi_epi16(a[0], a[1]);
    const __m256i t2 = _mm256_unpacklo_epi16(a[2], a[3]);
    const __m256i t3 = _mm256_unpackhi_epi16(a[2], a[3]);
    const __m256i t4 = _mm256_unpacklo_epi16(a[4], a[5]);
    const __m256i t5 = _mm256_unpackhi_epi16(a[4], a[5]);
    const __m256i t6 = _mm256_unpacklo_epi16(a[6], a[7]);
    const __m256i t7 = _mm256_unpackhi_epi16(a[6], a[7]);
    const __m256i u0 = _mm256_unpacklo_epi32(t0, t2);
    const __m256i u1 = _mm256_unpackhi_epi32(t0, t2);
    const __m256i u2 = _mm256_unpacklo_epi32(t1, t3);
    const __m256i u3 = _mm256_unpackhi_epi32(t1, t3);
    const __m256i u4 = _mm256_unpacklo_epi32(t4, t6);
    const __m256i u5 = _mm256_unpackhi_epi32(t4, t6);
    const __m256i u6 = _mm256_unpacklo_epi32(t5, t7);
    const __m256i u7 = _mm256_unpackhi_epi32(t5, t7);
    // Row j of the pair is the device row y + 7 - j.
    const __m256i rows[8] = {
        _mm256_unpacklo_epi64(u0, u4), _mm256_unpackhi_epi64(u0, u4), _mm256_unpacklo_epi64(u1, u5),
        _mm256_unpackhi_epi64(u1, u5), _mm256_unpacklo_epi64(u2, u6), _mm256_unpackhi_epi64(u2, u6),
        _mm256_unpacklo_epi64(u3, u7), _mm256_unpackhi_epi64(u3, u7),
    };
    for (std::size_t j = 0; j < 8; ++j) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(aTarget - j * aWidth), rows[j]);
    }
}

// The first column the AVX2 pairs copy. A store across two cache lines costs two: when every
// device row starts at the same place in a 64-byte line, the pairs of a wide area start on a
// line and the columns before go by SSE2 blocks. For a label's few columns those (and their
// scalar rest) cost more.
inline int PairStart(const std::uint16_t* aDevice, std::size_t aWidth, int aX0, int aX1) {
    const auto address = reinterpret_cast<std::uintptr_t>(aDevice + aX0);
    if (aWidth * 2 % 64 != 0 || aX1 - aX0 + 1 < 128) {
        return aX0;
    }
    return aX0 + std::min(static_cast<int>((64 - address % 64) % 64 / 2), aX1 - aX0 + 1);
}

template <int KWidth, int KHeight>
__attribute__((target("avx2"))) void CopyAreaAvx2(std::uint16_t* aDevice,
                                                  const std::uint16_t* aBack, int aWidth,
                                                  int aHeight, int aX0, int aY0, int aX1, int aY1) {
    const std::size_t width = KWidth != 0 ? KWidth : aWidth;
    const std::size_t height = KHeight != 0 ? KHeight : aHeight;
    const int start = PairStart(aDevice, width, aX0, aX1);
    if (start > aX0) {
        CopyAreaSse2<KWidth, KHeight>(aDevice, aBack, aWidth, aHeight, aX0, aY0, start - 1, aY1);
        if (start > aX1) {
            return;
        }
    }
    const int pairX1 = start + (aX1 - start + 1) / 16 * 16 - 1;
    const int blockY1 = aY0 + (aY1 - aY0 + 1) / 8 * 8 - 1;
    // Two pairs at a time where there are: 32 pixels, a whole cache line of each row written at
    // once, and two independent transposes for the processor to overlap.
    int x = start;
    for (; x + 31 <= pairX1; x += 32) {
        for (int y = aY0; y <= blockY1; y += 8) {
            const std::uint16_t* first = aBack + static_cast<std::size_t>(x) * height +
                                         (height - 1 - static_cast<std::size_t>(y) - 7);
            std::uint16_t* target = aDevice + (static_cast<std::size_t>(y) + 7) * width + x;
            CopyPairAvx2(target, first, width, height);
            CopyPairAvx2(target + 16, first + 16 * height, width, height);
        }
    }
    for (; x <= pairX1; x += 16) {
        for (int y = aY0; y <= blockY1; y += 8) {
            const std::uint16_t* first = aBack + static_cast<std::size_t>(x) * height +
                                         (height - 1 - static_cast<std::size_t>(y) - 7);
            std::uint16_t* target = aDevice + (static_cast<std::size_t>(y) + 7) * width + x;
            CopyPairAvx2(target, first, width, height);
        }
    }
    // The rows below the pairs, then the columns right of them (fewer than 16: SSE2 blocks).
    if (blockY1 < aY1 && start <= pairX1) {
        CopyTiles<KWidth, KHeight>(aDevice, aBack, aWidth, aHeight, start, blockY1 + 1, pairX1,
                                   aY1);
    }
    if (pairX1 < aX1) {
        CopyAreaSse2<KWidth, KHeight>(aDevice, aBack, aWidth, aHeight, pairX1 + 1, aY0, aX1, aY1);
    }
}
#endif

template <int KWidth, int KHeight>
void CopyArea(TTransposeKernel aKernel, std::uint16_t* aDevice, const std::uint16_t* aBack,
              int aWidth, int aHeight, int aX0, int aY0, int aX1, int aY1) {
    switch (aKernel) {
#if defined(FIXTRAIL_HAS_AVX2_KERNEL)
        case TTransposeKernel::Avx2:
            CopyAreaAvx2<KWidth, KHeight>(aDevice, aBack, aWidth, aHeight, aX0, aY0, aX1, aY1);
            return;
#endif
#if defined(__SSE2__)
        case TTransposeKernel::Sse2:
            CopyAreaSse2<KWidth, KHeight>(aDevice, aBack, aWidth, aHeight, aX0, aY0, aX1, aY1);
            return;
#endif
        default:
            CopyTiles<KWidth, KHeight>(aDevice, aBack, aWidth, aHeight, aX0, aY0, aX1, aY1);
            return;
    }
}

#if defined(__SSE2__)
constexpr bool KHasSse2 = true;
#else
constexpr bool KHasSse2 = false;
#endif

bool ProcessorHasAvx2() {
#if defined(FIXTRAIL_HAS_AVX2_KERNEL)
    // Checks the operating system saves the wide registers, too.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
#else
    return false;
#endif
}

// What this build on this processor has, asked once: the processor does not change under the
// program.
struct TKernels {
    bool iAvx2 = ProcessorHasAvx2();
    TTransposeKernel iFastest =
        iAvx2 ? TTransposeKernel::Avx2
              : (KHasSse2 ? TTransposeKernel::Sse2 : TTransposeKernel::Scalar);
};

const TKernels& Kernels() {
    static const TKernels kernels;
    return kernels;
}

}  // namespace

bool HasTransposeKernel(TTransposeKernel aKernel) {
    switch (aKernel) {
        case TTransposeKernel::Scalar:
            return true;
        case TTransposeKernel::Sse2:
            return KHasSse2;
        case TTransposeKernel::Avx2:
            return Kernels().iAvx2;
    }
    return false;
}

void CopyToRowMajor(std::uint16_t* aDevice, const std::uint16_t* aBack, int aWidth, int aHeight) {
    CopyAreaToRowMajor(aDevice, aBack, aWidth, aHeight, 0, 0, aWidth - 1, aHeight - 1);
}

void CopyAreaToRowMajor(std::uint16_t* aDevice, const std::uint16_t* aBack, int aWidth, int aHeight,
                        int aX0, int aY0, int aX1, int aY1) {
    CopyAreaToRowMajorBy(Kernels().iFastest, aDevice, aBack, aWidth, aHeight, aX0, aY0, aX1, aY1);
}

void CopyAreaToRowMajorBy(TTransposeKernel aKernel, std::uint16_t* aDevice,
                          const std::uint16_t* aBack, int aWidth, int aHeight, int aX0, int aY0,
                          int aX1, int aY1) {
    if (!HasTransposeKernel(aKernel)) {
        aKernel = TTransposeKernel::Scalar;
    }
    // The panels this device family has get a copy with their geometry built in: the compiler
    // then turns the index arithmetic into constant strides, twice as fast as the general loop.
    if (aWidth == KPanel320x240.iWidth && aHeight == KPanel320x240.iHeight) {
        CopyArea<KPanel320x240.iWidth, KPanel320x240.iHeight>(aKernel, aDevice, aBack, aWidth,
                                                              aHeight, aX0, aY0, aX1, aY1);
    } else if (aWidth == KPanel480x272.iWidth && aHeight == KPanel480x272.iHeight) {
        CopyArea<KPanel480x272.iWidth, KPanel480x272.iHeight>(aKernel, aDevice, aBack, aWidth,
                                                              aHeight, aX0, aY0, aX1, aY1);
    } else {
        CopyArea<0, 0>(aKernel, aDevice, aBack, aWidth, aHeight, aX0, aY0, aX1, aY1);
    }
}

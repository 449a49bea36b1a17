#pragma once

#include <cstdint>

// The copy of a back buffer in the device's column layout to a row-major panel: logical pixel
// (x, y) is aBack[x * height + (height - 1 - y)] and lands at aDevice[y * width + x].

// The panel sizes of the device family, whose copies have their geometry built in.
struct TPanelSize {
    int iWidth;
    int iHeight;
};
constexpr TPanelSize KPanel320x240 = {320, 240};
constexpr TPanelSize KPanel480x272 = {480, 272};

// aDevice and aBack hold aWidth × aHeight 16-bit pixels; aBack in the column layout.
void CopyToRowMajor(std::uint16_t* aDevice, const std::uint16_t* aBack, int aWidth, int aHeight);
// The same copy of columns aX0..aX1 and rows aY0..aY1 only (inclusive, inside the screen).
void CopyAreaToRowMajor(std::uint16_t* aDevice, const std::uint16_t* aBack, int aWidth, int aHeight,
                        int aX0, int aY0, int aX1, int aY1);

// The ways of doing that copy, all with the same output: scalar tiles (every build), 8 × 8
// blocks in SSE2 registers (x86), pairs of them in AVX2 registers (x86-64, when the processor
// has it). CopyAreaToRowMajor takes the fastest there is, chosen once; tests and benchmarks name
// one.
enum class TTransposeKernel { Scalar, Sse2, Avx2 };
// True when this build, on this processor, has aKernel.
bool HasTransposeKernel(TTransposeKernel aKernel);
// CopyAreaToRowMajor by aKernel; by the scalar tiles when aKernel is not there.
void CopyAreaToRowMajorBy(TTransposeKernel aKernel, std::uint16_t* aDevice,
                          const std::uint16_t* aBack, int aWidth, int aHeight, int aX0, int aY0,
                          int aX1, int aY1);

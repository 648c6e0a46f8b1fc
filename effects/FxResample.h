#pragma once
// Resampling kernels and a separable resampler built on them.
//
// The kernel table holds seven named filters (name, kernel function, support). Resample()
// scales a 24-bit bitmap with any of them: the weights of every output column and row are
// worked out once (stretched by the reduction factor when shrinking, so each kernel also
// low-passes), normalised to sum 1, held as 14-bit fixed point and applied rows first, then
// columns. Pixel centres sit at half-integers, as in ImageMagick's -resize, so a kernel's
// result can be compared with `convert -filter <name> -resize`.
#include <array>
#include <string_view>

#include "Bitmap24.h"

namespace kalvora {

using FxKernelFunction = float (*)(float t);

struct FxResampleKernel {
  const char* name;
  FxKernelFunction kernel;
  float support;  // the kernel is 0 for |t| >= support (Box: for t outside (-0.5, 0.5])
};

float BoxKernel(float t);
float TriangleKernel(float t);
float HermiteKernel(float t);
float BellKernel(float t);
float BSplineKernel(float t);
float Lanczos3Kernel(float t);
float MitchellKernel(float t);

// "Box", "Triangle", "Hermite", "Bell", "B-Spline", "Lanczos3", "Mitchell", in this order.
const std::array<FxResampleKernel, 7>& ResampleKernels();
// The kernel of that name (case-insensitive), nullptr for an unknown name.
const FxResampleKernel* FindResampleKernel(std::string_view name);

// `source` scaled to newWidth x newHeight with the kernel. An empty source or a size below 1
// gives an empty bitmap. `threads` > 1 splits the rows among that many threads (the result is
// the same bytes as with one).
Bitmap24 Resample(const Bitmap24& source, int newWidth, int newHeight, const FxResampleKernel& kernel,
                  int threads = 1);

}  // namespace kalvora

// Resampling kernels (exact values) and the resampler built on them.
#include <gtest/gtest.h>

#include <cmath>

#include "FxResample.h"
#include "FxTestUtil.h"

using namespace kalvora;
using namespace fxtest;

TEST(ResampleKernels, TableNamesAndSupports) {
  const auto& t = ResampleKernels();
  const char* names[] = {"Box", "Triangle", "Hermite", "Bell", "B-Spline", "Lanczos3", "Mitchell"};
  const float supports[] = {0.5f, 1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 2.0f};
  for (int i = 0; i < 7; ++i) {
    EXPECT_STREQ(t[std::size_t(i)].name, names[i]);
    EXPECT_EQ(t[std::size_t(i)].support, supports[i]);
    EXPECT_EQ(FindResampleKernel(names[i]), &t[std::size_t(i)]);
    // Zero at and beyond the support, symmetric.
    EXPECT_EQ(t[std::size_t(i)].kernel(supports[i] + 0.01f), 0.0f) << names[i];
    if (i > 0) {
      EXPECT_EQ(t[std::size_t(i)].kernel(0.3f), t[std::size_t(i)].kernel(-0.3f)) << names[i];
    }
  }
  EXPECT_EQ(FindResampleKernel("lanczos3"), &t[5]);
  EXPECT_EQ(FindResampleKernel("Sinc"), nullptr);
}

TEST(ResampleKernels, Values) {
  EXPECT_EQ(BoxKernel(0.5f), 1.0f);
  EXPECT_EQ(BoxKernel(-0.5f), 0.0f);
  EXPECT_EQ(TriangleKernel(0.25f), 0.75f);
  EXPECT_EQ(HermiteKernel(0.5f), 0.5f);  // (1 - 3) / 4 + 1
  EXPECT_EQ(BellKernel(0.0f), 0.75f);
  EXPECT_EQ(BellKernel(1.0f), 0.125f);  // 0.5 * 0.25
  EXPECT_FLOAT_EQ(BSplineKernel(0.0f), 2.0f / 3.0f);
  EXPECT_FLOAT_EQ(BSplineKernel(1.0f), 1.0f / 6.0f);
  EXPECT_EQ(Lanczos3Kernel(0.0f), 1.0f);
  EXPECT_NEAR(Lanczos3Kernel(1.0f), 0.0f, 1e-6);
  EXPECT_NEAR(Lanczos3Kernel(0.5f), (2 / M_PI) * (std::sin(M_PI / 6) / (M_PI / 6)), 1e-6);
  EXPECT_FLOAT_EQ(MitchellKernel(0.0f), 16.0f / 18.0f);
  EXPECT_FLOAT_EQ(MitchellKernel(1.0f), (-7.0f / 3 + 12 - 20 + 32.0f / 3) / 6);
  EXPECT_EQ(MitchellKernel(2.0f), 0.0f);
}

TEST(Resample, SameSizeKeepsThePicture) {
  const Bitmap24 src = noise(17, 11, 3);
  for (const char* k : {"Box", "Triangle", "Hermite"})
    EXPECT_EQ(Resample(src, 17, 11, *FindResampleKernel(k)), src) << k;
}

TEST(Resample, HalvingWithBoxAveragesPairs) {
  const Bitmap24 src = greys({10, 20, 30, 41, 100, 200});
  const Bitmap24 out = Resample(src, 3, 1, *FindResampleKernel("Box"));
  EXPECT_EQ(out, greys({15, 36, 150}));  // 35.5 rounds up in fixed point
}

TEST(Resample, UniformStaysUniformAndThreadsAgree) {
  const Bitmap24 flat(50, 40, Bgr{12, 130, 250});
  const Bitmap24 picture = scene(97, 61);
  for (const auto& k : ResampleKernels()) {
    for (auto [w, h] : {std::pair{25, 20}, std::pair{131, 77}, std::pair{1, 1}, std::pair{3, 200}}) {
      EXPECT_TRUE(uniform(Resample(flat, w, h, k), Bgr{12, 130, 250})) << k.name << " " << w << "x" << h;
      const Bitmap24 one = Resample(picture, w, h, k, 1);
      EXPECT_EQ(one.width(), w);
      EXPECT_EQ(one, Resample(picture, w, h, k, 4)) << k.name;
    }
  }
}

TEST(Resample, EmptyAndBadSizes) {
  const auto& k = ResampleKernels()[0];
  EXPECT_TRUE(Resample(Bitmap24(), 10, 10, k).isEmpty());
  EXPECT_TRUE(Resample(noise(5, 5, 1), 0, 10, k).isEmpty());
  EXPECT_TRUE(Resample(noise(5, 5, 1), 10, -1, k).isEmpty());
  EXPECT_EQ(Resample(noise(1, 1, 1), 300, 2, k).width(), 300);
}

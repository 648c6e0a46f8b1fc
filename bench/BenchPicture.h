// A photograph-like 4000 x 3000 JPEG for the video benchmarks: gradients, grain and waves, so the
// encoders see neither flat colour nor noise.
#pragma once

#include <QFile>
#include <QString>
#include <cmath>
#include <cstdint>
#include <random>

#include "PxFile.h"

inline bool MakeBenchPicture(const QString& path, int seed) {
  std::mt19937 rng{static_cast<unsigned>(seed)};
  px::Bitmap b;
  if (px::CreateBitmap(b, 4000, 3000, 24) != px::kOk) return false;
  for (int y = 0; y < 3000; ++y) {
    uint8_t* p = b.scanLine(y);
    for (int x = 0; x < 4000; ++x, p += 3) {
      const int g = int(rng() & 15);
      p[0] = uint8_t((x * 255 / 4000 + g + seed * 40) & 255);
      p[1] = uint8_t((y * 255 / 3000 + g) & 255);
      p[2] = uint8_t(128 + 100 * std::sin((x + seed * 300) / 150.0) * std::cos(y / 170.0));
    }
  }
  return px::SaveBitmap(QFile::encodeName(path).toStdString(), b, px::kFormatJfif, 24, 12) == px::kOk;
}

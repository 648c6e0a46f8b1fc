// Build tool: draws the frame collection (24-bit BMPs; magenta marks where the picture
// shows through) into the folder given as the first argument.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Rgb {
  uint8_t r, g, b;
};
const Rgb kMagenta{255, 0, 255};

bool writeBmp(const std::string& path, int w, int h, const std::function<Rgb(int, int)>& pixel) {
  const int row = (w * 3 + 3) & ~3;
  const uint32_t dataSize = uint32_t(row * h), fileSize = 54 + dataSize;
  uint8_t hdr[54] = {'B', 'M'};
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) hdr[at + i] = uint8_t(v >> (8 * i));
  };
  put32(2, fileSize);
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(w));
  put32(22, uint32_t(h));
  hdr[26] = 1;
  hdr[28] = 24;
  put32(34, dataSize);
  put32(38, 2835);
  put32(42, 2835);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fwrite(hdr, 1, 54, f);
  std::vector<uint8_t> line(size_t(row), 0);
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      Rgb c = pixel(x, y);
      line[size_t(x) * 3] = c.b;
      line[size_t(x) * 3 + 1] = c.g;
      line[size_t(x) * 3 + 2] = c.r;
    }
    std::fwrite(line.data(), 1, line.size(), f);
  }
  return std::fclose(f) == 0;
}

uint8_t clamp(double v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// Distance from the nearest edge.
int edge(int x, int y, int w, int h) { return std::min(std::min(x, y), std::min(w - 1 - x, h - 1 - y)); }

Rgb bevel(int d, int border, Rgb base) {
  double light = 1.0 - 0.6 * std::fabs(double(d) / border - 0.5);
  return {clamp(base.r * light), clamp(base.g * light), clamp(base.b * light)};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string dir = std::string(argv[1]) + "/";
  bool ok = true;
  ok &= writeBmp(dir + "Gold.bmp", 480, 360, [](int x, int y) {
    int d = edge(x, y, 480, 360);
    return d < 36 ? bevel(d, 36, {222, 180, 70}) : kMagenta;
  });
  ok &= writeBmp(dir + "Holz.bmp", 480, 360, [](int x, int y) {
    int d = edge(x, y, 480, 360);
    if (d >= 30) return kMagenta;
    double grain = 0.8 + 0.2 * std::sin((x + 3 * y) * 0.15 + std::sin(y * 0.05) * 4);
    return Rgb{clamp(150 * grain), clamp(95 * grain), clamp(50 * grain)};
  });
  ok &= writeBmp(dir + "Silber.bmp", 360, 480, [](int x, int y) {
    int d = edge(x, y, 360, 480);
    return d < 28 ? bevel(d, 28, {205, 210, 220}) : kMagenta;
  });
  ok &= writeBmp(dir + "Passepartout.bmp", 400, 400, [](int x, int y) {
    int d = edge(x, y, 400, 400);
    if (d < 10) return Rgb{40, 40, 40};
    if (d < 60) return d == 58 || d == 59 ? Rgb{120, 110, 90} : Rgb{245, 238, 220};
    return kMagenta;
  });
  ok &= writeBmp(dir + "Oval.bmp", 480, 360, [](int x, int y) {
    double dx = (x - 239.5) / 200.0, dy = (y - 179.5) / 145.0;
    double r = dx * dx + dy * dy;
    if (r < 1.0) return kMagenta;
    return r < 1.08 ? Rgb{230, 200, 120} : Rgb{30, 40, 90};
  });
  return ok ? 0 : 1;
}

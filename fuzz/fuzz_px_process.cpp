// Processing, effects and drawing of px with arguments taken from the input: every call gives a
// status and stays inside its bitmaps, whatever the sizes, depths, angles, rectangles and codes.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "PxDraw.h"
#include "PxEffects.h"
#include "PxProcess.h"

namespace {

struct Reader {
  const uint8_t* p;
  size_t n;
  int32_t i32() {
    int32_t v = 0;
    size_t k = n < 4 ? n : 4;
    std::memcpy(&v, p, k);
    p += k;
    n -= k;
    return v;
  }
  uint8_t u8() {
    if (!n) return 0;
    --n;
    return *p++;
  }
  int small(int lo, int hi) { return lo + int(uint32_t(i32()) % uint32_t(hi - lo + 1)); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Text needs the font database of a GUI application.
  static QGuiApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "fuzz_px_process";
    static char* argv[] = {name, nullptr};
    px::limits().maxPixels = 1000 * 1000;
    return new QGuiApplication(argc, argv);
  }();
  (void)app;
  Reader r{data, size};
  static const int kBits[5] = {1, 4, 8, 24, 32};
  const int bits = kBits[r.u8() % 5];
  const int w = r.small(1, 64), h = r.small(1, 64);
  px::Bitmap b;
  if (px::CreateBitmap(b, w, h, bits) != px::kOk) return 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < int(b.rowBytes()); ++x) b.scanLine(y)[x] = r.u8();
  b.viewPerspective = r.u8() % 9;
  const QRegion rgn(r.small(-80, 80), r.small(-80, 80), r.small(-10, 90), r.small(-10, 90));
  px::Bitmap other = b;
  px::DetachBitmap(other);
  switch (r.u8() % 12) {
    case 0: px::SizeBitmap(b, r.small(-5, 300), r.small(-5, 300), r.small(0, 5)); break;
    case 1: px::RotateBitmap(b, r.i32(), r.small(0, 3), uint32_t(r.i32())); break;
    case 2: px::FlipBitmap(b), px::ReverseBitmap(b); break;
    case 3: px::GrayScaleBitmap(b, r.small(0, 40)); break;
    case 4: px::SharpenBitmap(b, r.small(-10, 1100)); break;
    case 5: px::GaussianFilterBitmap(b, r.small(-10, 220)); break;
    case 6: {
      double m[9];
      for (double& v : m) v = r.i32() / 65536.0;
      px::BalanceColors(b, m, m + 3, m + 6);
      break;
    }
    case 7: px::RemoveRedeyeBitmap(b, uint32_t(r.i32()), r.small(-5, 300), r.small(-5, 300), &rgn); break;
    case 8: px::FillBitmap(b, uint32_t(r.i32()), &rgn); break;
    case 9:
      px::CombineBitmap(b, r.i32() % 200, r.i32() % 200, r.i32() % 200, r.i32() % 200, other, r.i32() % 200,
                        r.i32() % 200, r.small(799, 801));
      break;
    case 10: {
      QImage from(w, h, QImage::Format_RGB32), to(w, h, QImage::Format_RGB32);
      from.fill(Qt::red);
      to.fill(Qt::blue);
      QImage canvas = from.copy();
      px::EffectSettings s;
      s.code = r.small(999, 17000);
      s.grain = r.small(-2, 300);
      s.wandSize = r.small(0, 20);
      px::EfxComposeFrame(canvas, from, to, QRect(r.small(-10, 70), r.small(-10, 70), r.small(-5, 80), r.small(-5, 80)), s,
                          r.small(-10, 110) / 100.0);
      break;
    }
    default: {
      QImage img(w, h, QImage::Format_RGB32);
      img.fill(Qt::white);
      QPainter p(&img);
      px::TextStyle t;
      t.flags = r.small(0, 0x1FFF);
      t.angle = r.i32() % 7200;
      t.shadowX = r.small(-20, 20);
      t.shadowY = r.small(-20, 20);
      px::EfxDrawRotated3dText(p, QStringLiteral("Ag"), QRect(r.small(-50, 50), r.small(-50, 50), r.small(-5, 90), r.small(-5, 90)), t);
      px::ShapeStyle s;
      s.backgroundStyle = r.small(-1, 5);
      s.borderStyle = r.small(-1, 6);
      s.borderThickness = r.small(-2, 30);
      s.outerStyle = r.small(0, 2);
      s.outerThickness = r.small(-2, 30);
      px::EfxDraw3dShape(p, r.small(0, 5) * 1000, QRect(r.small(-50, 50), r.small(-50, 50), r.small(-5, 90), r.small(-5, 90)), s);
      break;
    }
  }
  if (b.allocated()) {
    volatile uint8_t v = b.scanLine(b.height - 1)[b.rowBytes() - 1];
    (void)v;
  }
  return 0;
}

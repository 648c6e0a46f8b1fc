// Raster library operations driven by arbitrary bytes: streamed bitmap data, then drawing,
// transfers through every resampler and kernel, and the remap with arbitrary vectors. The
// clipped forms and the transfers must stay inside the bitmaps whatever the numbers.
#include <QBuffer>
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "Bitmap32.h"
#include "Kernels.h"
#include "NestedSamplers.h"
#include "Rasterizers.h"
#include "Resamplers.h"
#include "Transfer.h"
#include "Transforms.h"

using namespace kalvora::raster;

namespace {

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
  std::int32_t Int() {
    std::int32_t v = 0;
    if (pos + 4 <= size) std::memcpy(&v, data + pos, 4);
    pos += 4;
    return v;
  }
  std::int32_t Small(int range) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(Int()) % range) - range / 4; }
  std::uint8_t Byte() { return pos < size ? data[pos++] : (pos++, 0); }
  bool More() const { return pos < size; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{data, size};
  TBitmap32 a, b;
  {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size < 4096 ? size : 4096));
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    try {
      a.ReadData(buf);
    } catch (const ERasterException&) {
    }
  }
  if (a.Empty() || a.Width() > 64 || a.Height() > 64) a.SetSize(1 + in.Byte() % 40, 1 + in.Byte() % 40);
  b.SetSize(in.Byte() % 50, in.Byte() % 50);
  int steps = 0;
  while (in.More() && ++steps < 40) {
    const std::uint8_t op = in.Byte();
    const TColor32 c = static_cast<TColor32>(in.Int());
    try {
      switch (op % 12) {
        case 0: b.FillRectS(in.Int(), in.Int(), in.Int(), in.Int(), c); break;
        case 1: b.FrameRectS(in.Small(200), in.Small(200), in.Small(200), in.Small(200), c); break;
        case 2: b.LineAAS(in.Int(), in.Int(), in.Int(), in.Int(), c, in.Byte() & 1); break;
        case 3: b.BlendSubPixelS(in.Int(), in.Int(), c); break;
        case 4: b.SetClipRect({in.Small(100), in.Small(100), in.Small(100), in.Small(100)}); break;
        case 5: b.SetCombineMode(in.Byte() & 1 ? TCombineMode::cmMerge : TCombineMode::cmBlend); break;
        case 6: {
          a.SetResamplerClassName(ResamplerList()[in.Byte() % 4].name);
          if (auto* k = dynamic_cast<TKernelResampler*>(a.Resampler())) {
            k->SetKernelClassName(KernelList()[in.Byte() % 13].name);
            k->SetKernelMode(static_cast<TKernelMode>(in.Byte() % 3));
          }
          a.SetDrawMode(static_cast<TDrawMode>(in.Byte() % 4));
          a.SetMasterAlpha(in.Byte());
          break;
        }
        case 7: {
          const TRect d{in.Small(120), in.Small(120), in.Small(120), in.Small(120)};
          const TRect s{in.Small(80), in.Small(80), in.Small(80), in.Small(80)};
          StretchTransfer(&b, d, b.ClipRect(), &a, s, a.Resampler(), a.DrawMode(), a.OnPixelCombine);
          break;
        }
        case 8: {
          TRemapTransformation t;
          t.VectorMap()->SetSize(in.Byte() % 40, in.Byte() % 40);
          for (int i = 0; i < 8 && !t.VectorMap()->Empty(); ++i)
            t.VectorMap()->SetFixedVector(in.Byte() % t.VectorMap()->Width(), in.Byte() % t.VectorMap()->Height(),
                                          {in.Int(), in.Int()});
          t.SetSrcRect(FloatRect(in.Small(60), in.Small(60), in.Small(60), in.Small(60)));
          t.SetMappingRect(FloatRect(in.Small(60), in.Small(60), in.Small(60), in.Small(60)));
          t.Scale(static_cast<float>(in.Small(40)) / 4, static_cast<float>(in.Small(40)) / 4);
          Transform(&b, &a, &t);
          TTransformer tr(a.Resampler(), &t);
          TSuperSampler ss(&tr);
          ss.SetSamplingX(in.Byte() % 5);
          TRegularRasterizer r;
          r.SetSampler(&ss);
          r.Rasterize(&b, b.BoundsRect(), &a);
          break;
        }
        case 9: (void)b.PixelXS(in.Int(), in.Int()); (void)b.PixelXW(in.Int(), in.Int()); break;
        case 10: b.SetWrapMode(static_cast<TWrapMode>(in.Byte() % 3)); (void)b.PixelW(in.Int(), in.Int()); break;
        case 11: {
          auto* r = a.Resampler();
          r->PrepareSampling();
          (void)r->GetSampleFloat(static_cast<float>(in.Small(200)) / 3, static_cast<float>(in.Small(200)) / 3);
          (void)r->GetSampleFixed(in.Int(), in.Int());
          r->FinalizeSampling();
          break;
        }
      }
    } catch (const ERasterException&) {
    }
  }
  return 0;
}

// TBitmap32 as a container: sizes, clipping, notification, assignment, files and streams.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Bitmap32.h"
#include "VectorMaps.h"
#include "Kernels.h"
#include "Resamplers.h"
#include "SmallDisk.h"
#include "TestSupport.h"

using namespace kalvora::raster;

namespace {

struct Events {
  int changes = 0, resizes = 0, handles = 0;
  std::vector<TRect> areas;
  void Watch(TBitmap32& b) {
    b.OnChange = [this](TNotifiablePersistent*) { ++changes; };
    b.OnResize = [this](TNotifiablePersistent*) { ++resizes; };
    b.OnHandleChanged = [this](TNotifiablePersistent*) { ++handles; };
    b.OnAreaChanged = [this](TBitmap32*, const TRect& r, std::uint32_t) { areas.push_back(r); };
  }
};

}  // namespace

TEST(Bitmap32, SetSizeEdgeCases) {
  TBitmap32 b;
  Events e;
  e.Watch(b);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Bits(), nullptr);
  EXPECT_TRUE(b.SetSize(-5, 10));
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 10);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Handle(), nullptr);
  const int changes = e.changes;
  EXPECT_FALSE(b.SetSize(-5, 10));
  EXPECT_EQ(e.changes, changes);
  EXPECT_TRUE(b.SetSize(3, 2));
  EXPECT_FALSE(b.Empty());
  EXPECT_EQ(b.ClipRect(), (TRect{0, 0, 3, 2}));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(b.Bits()[i], 0u);  // a fresh bitmap reads as zero
  const int resizes = e.resizes, handles = e.handles;
  const TColor32* bits = b.Bits();
  EXPECT_FALSE(b.SetSize(3, 2));
  EXPECT_EQ(b.Bits(), bits);
  EXPECT_EQ(e.resizes, resizes);
  EXPECT_EQ(e.handles, handles);
  b.Delete();
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Width(), 0);
}

TEST(Bitmap32, AllocationFailureLeavesAnEmptyBitmap) {
  TBitmap32 b;
  b.SetSize(4, 4);
  EXPECT_THROW(b.SetSize(100000, 100000), EBitmapException);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);
  b.Clear(0xFF00FF00u);  // nothing to clear, no crash
}

TEST(Bitmap32, ClipRect) {
  TBitmap32 b;
  b.SetSize(10, 8);
  EXPECT_FALSE(b.Clipping());
  b.SetClipRect({20, 20, 30, 30});
  EXPECT_EQ(b.ClipRect(), TRect{});
  EXPECT_TRUE(b.Clipping());
  b.SetClipRect({-5, 2, 4, 100});
  EXPECT_EQ(b.ClipRect(), (TRect{0, 2, 4, 8}));
  EXPECT_EQ(b.FixedClipRect(), (TFixedRect{0, 0x20000, 0x40000, 0x80000}));
  EXPECT_EQ(b.ClipRect256(), (TRect{0, 512, 1024, 2048}));
  b.ResetClipRect();
  EXPECT_FALSE(b.Clipping());
  b.SetClipRect({2, 2, 4, 4});
  b.SetSize(5, 5);  // a resize resets the clip rectangle
  EXPECT_EQ(b.ClipRect(), (TRect{0, 0, 5, 5}));
}

TEST(Bitmap32, UpdatesAndMeasuring) {
  TBitmap32 b;
  b.SetSize(4, 4);
  Events e;
  e.Watch(b);
  b.BeginUpdate();
  b.Clear(0xFF112233u);
  b.SetDrawMode(TDrawMode::dmBlend);
  b.EndUpdate();
  EXPECT_EQ(e.changes, 0);
  EXPECT_TRUE(e.areas.empty());
  b.Changed();
  EXPECT_EQ(e.changes, 1);
  ASSERT_EQ(e.areas.size(), 1u);
  EXPECT_EQ(e.areas[0], b.BoundsRect());
  b.SetDrawMode(TDrawMode::dmBlend);  // same value: no change
  EXPECT_EQ(e.changes, 1);
  // an unpaired EndUpdate raises and the count stays at 0
  EXPECT_THROW(b.EndUpdate(), std::logic_error);
  EXPECT_EQ(b.UpdateCount(), 0);

  std::vector<TRect> measured;
  b.BeginMeasuring([&measured](TBitmap32*, const TRect& r, std::uint32_t) { measured.push_back(r); });
  b.Clear(0xFFFFFFFFu);
  b.FillRectS(1, 1, 3, 3, 0xFF000000u);
  b.EndMeasuring();
  EXPECT_EQ(b.Pixel(1, 1), 0xFF112233u);  // measuring changes no pixel
  EXPECT_EQ(measured.size(), 2u);
  EXPECT_EQ(e.changes, 1);  // and fires no OnChange
  b.Changed();
  EXPECT_EQ(e.areas.size(), 2u);  // the old handler is back
}

TEST(Bitmap32, ClearResetAlphaAndClippedClear) {
  TBitmap32 b;
  b.SetSize(4, 3);
  b.Clear(0x80102030u);
  b.ResetAlpha();
  EXPECT_EQ(b.Pixel(3, 2), 0xFF102030u);
  b.ResetAlpha(7);
  EXPECT_EQ(b.Pixel(0, 0), 0x07102030u);
  b.SetClipRect({1, 1, 3, 2});
  b.Clear(0xFFFFFFFFu);
  EXPECT_EQ(b.Pixel(1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(b.Pixel(2, 1), 0xFFFFFFFFu);
  EXPECT_EQ(b.Pixel(0, 1), 0x07102030u);
  EXPECT_EQ(b.Pixel(1, 0), 0x07102030u);
}

TEST(Bitmap32, AssignCopiesPixelsAndProperties) {
  TBitmap32 a;
  a.SetSize(3, 2);
  a.Clear(0x80FF0000u);
  a.SetDrawMode(TDrawMode::dmBlend);
  a.SetCombineMode(TCombineMode::cmMerge);
  a.SetWrapMode(TWrapMode::wmMirror);
  a.SetMasterAlpha(100);
  a.SetOuterColor(0x12345678u);
  a.SetResamplerClassName("TKernelResampler");
  auto* kr = dynamic_cast<TKernelResampler*>(a.Resampler());
  ASSERT_NE(kr, nullptr);
  kr->SetKernelClassName("TCubicKernel");
  kr->SetTableSize(17);
  kr->SetPixelAccessMode(TPixelAccessMode::pamWrap);

  TBitmap32 b;
  b.Assign(&a);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Pixel(2, 1), 0x80FF0000u);
  EXPECT_EQ(b.DrawMode(), TDrawMode::dmBlend);
  EXPECT_EQ(b.CombineMode(), TCombineMode::cmMerge);
  EXPECT_EQ(b.WrapMode(), TWrapMode::wmMirror);
  EXPECT_EQ(b.MasterAlpha(), 100u);
  EXPECT_EQ(b.OuterColor(), 0x12345678u);
  EXPECT_EQ(b.ResamplerClassName(), "TKernelResampler");
  auto* kb = dynamic_cast<TKernelResampler*>(b.Resampler());
  ASSERT_NE(kb, nullptr);
  EXPECT_EQ(kb->KernelClassName(), "TCubicKernel");
  EXPECT_EQ(kb->TableSize(), 17);
  EXPECT_EQ(kb->PixelAccessMode(), TPixelAccessMode::pamWrap);
  EXPECT_NE(kb, kr);

  b.Assign(static_cast<const TBitmap32*>(nullptr));
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Width(), 0);
}

TEST(Bitmap32, ResamplerByName) {
  TBitmap32 b;
  EXPECT_EQ(b.ResamplerClassName(), "TNearestResampler");
  TCustomResampler* r = b.Resampler();
  b.SetResamplerClassName("TNoSuchResampler");
  b.SetResamplerClassName("");
  b.SetResamplerClassName("tlinearresampler");  // names compare exactly
  EXPECT_EQ(b.Resampler(), r);
  b.SetResamplerClassName("TDraftResampler");
  EXPECT_EQ(b.ResamplerClassName(), "TDraftResampler");
  b.SetResampler(nullptr);
  EXPECT_EQ(b.ResamplerClassName(), "TDraftResampler");
  new TLinearResampler(&b);  // installs itself
  EXPECT_EQ(b.ResamplerClassName(), "TLinearResampler");
  const auto& list = ResamplerList();
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Names(), (std::vector<std::string>{"TNearestResampler", "TLinearResampler", "TDraftResampler",
                                                     "TKernelResampler"}));
}

TEST(Bitmap32, ChangeHandlerSeesTheFinishedNewResampler) {
  // Every way a resampler comes into a bitmap notifies once, after the old one is gone and the
  // new one is whole: the handler may ask it anything.
  TBitmap32 b;
  b.SetSize(4, 3);
  std::vector<std::string> seen;
  std::vector<float> widths;
  b.OnChange = [&](TNotifiablePersistent*) {
    seen.emplace_back(b.Resampler()->ClassName());
    widths.push_back(b.Resampler()->GetWidth());
  };
  auto* linear = new TLinearResampler(&b);
  EXPECT_EQ(b.Resampler(), linear);
  b.SetResamplerClassName("TKernelResampler");
  new TDraftResampler(&b);
  b.SetResampler(new TNearestResampler(nullptr));
  TBitmap32 other;
  other.SetResamplerClassName("TKernelResampler");
  b.Assign(&other);  // copies the resampler class by name inside one update: one notice at its end
  EXPECT_EQ(seen, (std::vector<std::string>{"TLinearResampler", "TKernelResampler", "TDraftResampler",
                                             "TNearestResampler", "TKernelResampler"}));
  EXPECT_EQ(widths.front(), 1.0f);
  EXPECT_EQ(b.ResamplerClassName(), "TKernelResampler");
}

namespace {
// A resampler whose own constructor fails after its base part is built.
class FailingResampler : public TNearestResampler {
 public:
  explicit FailingResampler(TBitmap32* bitmap, TResamplerInstall&& install = TResamplerInstall())
      : TNearestResampler(bitmap, std::move(install)) {
    throw std::runtime_error("no resampler today");
  }
};
}  // namespace

TEST(Bitmap32, FailedResamplerLeavesTheOldOne) {
  TBitmap32 b;
  TCustomResampler* old = b.Resampler();
  int changes = 0;
  b.OnChange = [&changes](TNotifiablePersistent*) { ++changes; };
  EXPECT_THROW(new FailingResampler(&b), std::runtime_error);
  EXPECT_EQ(b.Resampler(), old);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(b.ResamplerClassName(), "TNearestResampler");
}

TEST(Bitmap32, AssignFromPictures) {
  QImage rgb(3, 2, QImage::Format_RGB888);
  rgb.fill(QColor(10, 20, 30));
  TBitmap32 b;
  b.Assign(rgb);
  EXPECT_EQ(b.Pixel(2, 1), 0xFF0A141Eu);  // no alpha channel: opaque
  QImage argb(2, 1, QImage::Format_ARGB32);
  argb.setPixel(0, 0, 0x40102030u);
  argb.setPixel(1, 0, 0xFF405060u);
  b.Assign(argb);
  EXPECT_EQ(b.Pixel(0, 0), 0x40102030u);
  EXPECT_EQ(b.Pixel(1, 0), 0xFF405060u);
  QImage back;
  b.AssignTo(back);
  EXPECT_EQ(back.pixel(0, 0), 0x40102030u);
  b.Assign(QImage());
  EXPECT_TRUE(b.Empty());
}

TEST(Bitmap32, CanvasDrawsIntoThePixels) {
  TBitmap32 b;
  b.SetSize(4, 4);
  b.Canvas().fill(0xFF00FF00u);
  EXPECT_EQ(b.Pixel(3, 3), 0xFF00FF00u);
  EXPECT_EQ(b.RgbView().pixel(0, 0), 0xFF00FF00u);
  b.SetSize(2, 2);  // a resize drops the canvas
  EXPECT_FALSE(b.HasCanvas());
}

TEST(Bitmap32, BitmapFileRoundTripKeepsPixelsAndAlpha) {
  testsupport::TempFolder tmp;
  TBitmap32 b;
  b.SetSize(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) b.SetPixel(x, y, 0x80000000u | static_cast<TColor32>(x * 40 + y * 7) << 8 | 0x11);
  const QString path = tmp.file("out.jpg");  // always a bitmap file, whatever the extension
  b.SaveToFile(path);
  const QByteArray bytes = testsupport::readBytes(path);
  ASSERT_EQ(bytes.size(), 54 + 3 * 2 * 4);
  EXPECT_EQ(bytes.left(2), QByteArray("BM"));
  auto le32 = [&bytes](int at) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at])) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 3])) << 24;
  };
  EXPECT_EQ(le32(2), 78u);
  EXPECT_EQ(le32(10), 54u);
  EXPECT_EQ(le32(14), 40u);
  EXPECT_EQ(le32(18), 3u);
  EXPECT_EQ(le32(22), 2u);
  EXPECT_EQ(le32(28) & 0xFFFF, 32u);
  EXPECT_EQ(le32(30), 0u);
  EXPECT_EQ(le32(54), b.Pixel(0, 1));  // bottom row first, alpha kept
  TBitmap32 c;
  c.LoadFromFile(path);
  ASSERT_EQ(c.Width(), 3);
  ASSERT_EQ(c.Height(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(c.Pixel(x, y) & 0xFFFFFF, b.Pixel(x, y) & 0xFFFFFF);
}

TEST(Bitmap32, LoadsJpegAndRejectsBadFiles) {
  testsupport::TempFolder tmp;
  QImage img(8, 6, QImage::Format_RGB32);
  img.fill(QColor(200, 100, 50));
  ASSERT_TRUE(img.save(tmp.file("Temp.jpg"), "JPEG", 95));
  TBitmap32 b;
  b.LoadFromFile(tmp.file("Temp.jpg"));
  ASSERT_EQ(b.Width(), 8);
  EXPECT_EQ(b.Pixel(4, 3) >> 24, 255u);
  EXPECT_NEAR(static_cast<int>(RedComponent(b.Pixel(4, 3))), 200, 3);

  EXPECT_THROW(b.LoadFromFile(tmp.file("missing.jpg")), EBitmapException);
  ASSERT_TRUE(testsupport::writeBytes(tmp.file("junk.jpg"), QByteArray("\xFF\xD8\xFF garbage", 12)));
  EXPECT_THROW(b.LoadFromFile(tmp.file("junk.jpg")), EBitmapException);
  EXPECT_EQ(b.Width(), 8);  // unchanged after a failed load
  EXPECT_THROW(b.SaveToFile(tmp.file("no/such/folder/x.bmp")), EBitmapException);
}

TEST(Bitmap32, ASaveOnAFullDiskFailsAndKeepsTheOldFile) {
  testsupport::TempFolder tmp;
  testsupport::SmallDisk disk(tmp.file("klein"), 64);
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  const QString path = tmp.file("klein/bild.bmp");
  TBitmap32 old;
  old.SetSize(2, 2);
  old.SaveToFile(path);
  const QByteArray before = testsupport::readBytes(path);
  ASSERT_TRUE(disk.fill());
  TBitmap32 bigger;
  bigger.SetSize(32, 32);  // smaller than a write buffer
  EXPECT_THROW(bigger.SaveToFile(path), EBitmapException);
  EXPECT_EQ(testsupport::readBytes(path), before);
  EXPECT_EQ(QDir(tmp.file("klein")).entryList(QDir::Files | QDir::Hidden), (QStringList{"bild.bmp", "filler"}));
}

TEST(Bitmap32, DataStreaming) {
  TBitmap32 a;
  a.SetSize(2, 2);
  a.Clear(0x01020304u);
  QBuffer buf;
  buf.open(QIODevice::ReadWrite);
  a.WriteData(buf);
  EXPECT_EQ(buf.size(), 8 + 16);
  buf.seek(0);
  TBitmap32 b;
  b.ReadData(buf);
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.Pixel(1, 1), 0x01020304u);
  // a short stream or an impossible size raises and leaves the bitmap
  QByteArray bad;
  const std::int32_t wh[2] = {100000, 100000};
  bad.append(reinterpret_cast<const char*>(wh), 8);
  QBuffer badBuf(&bad);
  badBuf.open(QIODevice::ReadOnly);
  EXPECT_THROW(b.ReadData(badBuf), EBitmapException);
  QByteArray shortData = buf.data().left(12);
  QBuffer shortBuf(&shortData);
  shortBuf.open(QIODevice::ReadOnly);
  EXPECT_THROW(b.ReadData(shortBuf), EBitmapException);
  EXPECT_EQ(b.Pixel(0, 0), 0x01020304u);
}

TEST(Bitmap32, LockCount) {
  TBitmap32 b;
  b.Lock();
  b.Lock();
  EXPECT_EQ(b.LockCount(), 2);
  b.Unlock();
  b.Unlock();
  EXPECT_EQ(b.LockCount(), 0);
}

TEST(CustomMap, SetSizeFromTakesTheSourceSize) {
  TBitmap32 src;
  src.SetSize(17, 9);
  TBitmap32 m;
  m.SetSizeFrom(&src);
  EXPECT_EQ(m.Width(), 17);
  EXPECT_EQ(m.Height(), 9);
  m.SetSizeFrom(QImage(23, 5, QImage::Format_ARGB32));
  EXPECT_EQ(m.Width(), 23);
  EXPECT_EQ(m.Height(), 5);
  m.SetSizeFrom(static_cast<const TCustomMap*>(nullptr));
  EXPECT_EQ(m.Width(), 0);
  EXPECT_EQ(m.Height(), 0);
}

TEST(VectorMap, CombineModeChangesOnlyWhenDifferent) {
  TVectorMap v;
  int changes = 0;
  v.OnChange = [&](TNotifiablePersistent*) { ++changes; };
  EXPECT_EQ(v.VectorCombineMode(), TVectorCombineMode::vcmAdd);
  struct Case {
    TVectorCombineMode mode;
    int changes;
  };
  for (Case c : {Case{TVectorCombineMode::vcmAdd, 0}, Case{TVectorCombineMode::vcmReplace, 1},
                 Case{TVectorCombineMode::vcmReplace, 1}, Case{TVectorCombineMode::vcmCustom, 2}}) {
    v.SetVectorCombineMode(c.mode);
    EXPECT_EQ(v.VectorCombineMode(), c.mode);
    EXPECT_EQ(changes, c.changes);
  }
}

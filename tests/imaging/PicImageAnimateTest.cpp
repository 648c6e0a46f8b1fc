// Bitmap lists and animation playback, driven by counted timer ticks and a test clock.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTest>

#include "PicImageVCL.h"
#include "PxFile.h"
#include "TestSupport.h"

namespace {

int64_t g_now = 0;
int64_t g_step = 0;
int64_t TestClock() { return g_now += g_step; }

struct ClockGuard {
  explicit ClockGuard(int64_t step) {
    g_now = 0;
    g_step = step;
    TPicImage::SetTickSource(&TestClock);
  }
  ~ClockGuard() { TPicImage::SetTickSource(nullptr); }
};

const std::vector<uint32_t> kPalette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};

px::Bitmap Frame(int w, int h, int index, int left, int top, int delay, int disposal = 1) {
  px::Bitmap b;
  EXPECT_EQ(px::CreateBitmap(b, w, h, 8, &kPalette), px::kOk);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px::SetIndex(b, x, y, index);
  b.frameLeft = left;
  b.frameTop = top;
  b.delay = delay;
  b.disposal = disposal;
  return b;
}

QString WriteGif(const testsupport::TempFolder& t, const char* name, const px::BitmapList& l, int loopCount) {
  const QString path = t.file(name);
  px::SaveOptions o;
  o.loopCount = loopCount;
  o.globalWidth = l.globalWidth;
  o.globalHeight = l.globalHeight;
  EXPECT_EQ(px::SaveBitmapList(path.toStdString(), l, px::kFormatGif, 0, 2, o), px::kOk);
  return path;
}

// Three frames with 1/100 s delays 10, 20, 30.
px::BitmapList ThreeFrames() {
  px::BitmapList l;
  l.append(Frame(10, 10, 1, 0, 0, 10));
  l.append(Frame(5, 5, 2, 2, 2, 20, 2));
  l.append(Frame(5, 5, 3, 12, 2, 30));
  l.globalWidth = 20;
  l.globalHeight = 10;
  return l;
}

}  // namespace

TEST(PicImageAnimation, GifPlaysFrameByFrameWithItsDelaysLoopsAndStops) {
  ClockGuard clock(0);
  testsupport::TempFolder t;
  const QString gif = WriteGif(t, "a.gif", ThreeFrames(), 2);
  TPicImage img;
  img.setObjectName("PicImage1");
  img.SetAutoAnimate(true);
  std::vector<bool> animate;
  img.OnAnimate = [&](TPicImage*, bool on) { animate.push_back(on); };
  ASSERT_EQ(img.Load(gif, 0, 1, -1), 1);
  ASSERT_TRUE(img.AnimationPlaying());
  ASSERT_TRUE(img.PlaybackActive());
  ASSERT_FALSE(img.AnimationLoop());  // the file says: twice
  ASSERT_EQ(animate, std::vector<bool>{true});
  EXPECT_EQ(img.BitmapWidth(), 20);
  // The first frame is shown at once and waits its delay.
  struct Expect {
    int frame, interval;
  } expected[] = {{0, 100}, {1, 200}, {2, 300}, {0, 100}, {1, 200}, {2, 300}};
  for (size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(i);
    ASSERT_NE(img.Playback(), nullptr);
    EXPECT_EQ(img.Playback()->Index(), expected[i].frame);
    EXPECT_TRUE(img.AnimationTimerActive());
    EXPECT_EQ(img.AnimationTimerInterval(), expected[i].interval);
    // Processing is refused while the animation plays.
    EXPECT_THROW(img.Flip(), EPicImageError);
    EXPECT_EQ(img.LastError(), -16);
    img.AnimationTimer();
  }
  // Played twice: the playback has stopped and the first list item is the picture again.
  EXPECT_FALSE(img.AnimationPlaying());
  EXPECT_FALSE(img.PlaybackActive());
  EXPECT_FALSE(img.AnimationTimerActive());
  EXPECT_EQ(img.Playback(), nullptr);
  EXPECT_EQ(animate, (std::vector<bool>{true, false}));
  EXPECT_EQ(img.BitmapWidth(), 10);
  EXPECT_EQ(px::GetPixel(img.Bitmap(), 0, 0), 0xFF0000u);
  EXPECT_EQ(img.Flip(), 1);
}

TEST(PicImageAnimation, FramesAreComposedWithTheirPositionAndDisposal) {
  ClockGuard clock(0);
  testsupport::TempFolder t;
  TPicImage img;
  img.SetAutoAnimate(true);
  ASSERT_EQ(img.Load(WriteGif(t, "d.gif", ThreeFrames(), 1), 0, 1, -1), 1);
  const px::Bitmap& screen = img.Bitmap();
  const uint32_t background = px::GetPixel(screen, 19, 9);
  EXPECT_EQ(px::GetPixel(screen, 3, 3), 0xFF0000u);
  img.AnimationTimer();  // frame 1: green square over the red one
  EXPECT_EQ(px::GetPixel(img.Bitmap(), 3, 3), 0x00FF00u);
  EXPECT_EQ(px::GetPixel(img.Bitmap(), 0, 0), 0xFF0000u);
  img.AnimationTimer();  // frame 2: frame 1 asked for its place to be cleared
  EXPECT_EQ(px::GetPixel(img.Bitmap(), 3, 3), background);
  EXPECT_EQ(px::GetPixel(img.Bitmap(), 0, 0), 0xFF0000u);
  EXPECT_EQ(px::GetPixel(img.Bitmap(), 13, 3), 0x0000FFu);
}

TEST(PicImageAnimation, TheTimeSpentShorttensTheWaitAndEndlessFilesLoop) {
  ClockGuard clock(30);  // every clock reading is 30 ms later
  testsupport::TempFolder t;
  TPicImage img;
  img.SetAutoAnimate(true);
  ASSERT_EQ(img.Load(WriteGif(t, "e.gif", ThreeFrames(), 0), 0, 1, -1), 1);
  EXPECT_TRUE(img.AnimationLoop());
  EXPECT_EQ(img.AnimationTimerInterval(), 70);
  for (int i = 0; i < 100; ++i) img.AnimationTimer();
  EXPECT_TRUE(img.AnimationPlaying());
  EXPECT_EQ(img.Playback()->FramesShown(), 101);
  EXPECT_EQ(img.Playback()->Index(), 100 % 3);
  img.AnimationEnable(false);
  EXPECT_FALSE(img.AnimationPlaying());
  EXPECT_FALSE(img.AnimationTimerActive());
}

TEST(PicImageAnimation, ZeroDelaysYieldAfterFiftyFramesAndLongDelaysAreCut) {
  ClockGuard clock(0);
  testsupport::TempFolder t;
  px::BitmapList zero;
  for (int i = 0; i < 5; ++i) zero.append(Frame(8, 8, i % 4, 0, 0, 0));
  zero.globalWidth = zero.globalHeight = 8;
  TPicImage img;
  img.SetAutoAnimate(true);
  ASSERT_EQ(img.Load(WriteGif(t, "z.gif", zero, 0), 0, 1, -1), 1);
  // One timer message shows 51 frames, then the message loop runs again.
  EXPECT_EQ(img.Playback()->FramesShown(), 51);
  EXPECT_TRUE(img.AnimationTimerActive());
  EXPECT_EQ(img.AnimationTimerInterval(), 1);
  img.AnimationTimer();
  EXPECT_EQ(img.Playback()->FramesShown(), 102);

  px::BitmapList slow;
  slow.append(Frame(8, 8, 1, 0, 0, 65535));
  slow.append(Frame(8, 8, 2, 0, 0, 65535));
  slow.globalWidth = slow.globalHeight = 8;
  TPicImage img2;
  img2.SetAutoAnimate(true);
  ASSERT_EQ(img2.Load(WriteGif(t, "s.gif", slow, -1), 0, 1, -1), 1);
  EXPECT_EQ(img2.AnimationTimerInterval(), 32767);
  img2.AnimationTimer();
  EXPECT_EQ(img2.AnimationTimerInterval(), 32767);
  img2.AnimationTimer();  // no loop information: played once
  EXPECT_FALSE(img2.AnimationPlaying());
}

TEST(PicImageAnimation, WithoutAutoAnimateTheFramesAreAListUntilSwitchedOn) {
  ClockGuard clock(0);
  testsupport::TempFolder t;
  TPicImage img;
  ASSERT_EQ(img.Load(WriteGif(t, "l.gif", ThreeFrames(), 0), 0, 1, -1), 1);
  EXPECT_FALSE(img.AnimationPlaying());
  EXPECT_EQ(img.BitmapListCount(), 3);
  img.AnimationEnable(true);
  img.AnimationEnable(true);  // a second switch only reports success
  EXPECT_EQ(img.LastError(), 1);
  ASSERT_TRUE(img.AnimationPlaying());
  // The timer's first message shows frame 0; without AnimationLoop one round is played.
  for (int i = 0; i < 3; ++i) img.AnimationTimer();
  EXPECT_TRUE(img.AnimationPlaying());
  img.AnimationTimer();
  EXPECT_FALSE(img.AnimationPlaying());
  // Loading another file while an animation plays ends the animation first.
  img.SetAutoAnimate(true);
  ASSERT_EQ(img.Load(WriteGif(t, "m.gif", ThreeFrames(), 0), 0, 1, -1), 1);
  ASSERT_TRUE(img.AnimationPlaying());
  ASSERT_EQ(img.Load(WriteGif(t, "n.gif", ThreeFrames(), 3), 0, 1, -1), 1);
  EXPECT_TRUE(img.AnimationPlaying());
  EXPECT_FALSE(img.AnimationLoop());
}

TEST(PicImageBitmapList, ReplaceInsertAndDelete) {
  TPicImage img;
  img.setObjectName("PicImage1");
  int changes = 0;
  img.OnChange = [&](TPicImage*) { ++changes; };
  px::BitmapList l = ThreeFrames();
  img.SetBitmapList(&l);
  EXPECT_EQ(img.BitmapListCount(), 3);
  EXPECT_EQ(img.BitmapListIndex(), 0);
  EXPECT_TRUE(img.IsAllocated());
  EXPECT_EQ(img.BitmapWidth(), 10);
  EXPECT_EQ(changes, 1);
  // The component holds a copy.
  px::SetIndex(l.items[0], 0, 0, 3);
  EXPECT_EQ(px::GetPixel(img.Bitmap(), 0, 0), 0xFF0000u);
  // The first item's facts, with the whole palette.
  EXPECT_EQ(img.ListInfoWidth(), 10);
  EXPECT_EQ(img.ListInfoBits(), 8);
  EXPECT_EQ(img.ListInfoPalette().size(), 256u);
  EXPECT_EQ(img.ListInfoPalette()[3], 0x0000FFu);

  // Insert: a handed-in bitmap replaces the current item; an empty one deletes it.
  ASSERT_EQ(img.SelectListItem(2), 1);
  px::Bitmap big = Frame(30, 30, 2, 0, 0, 0);
  ASSERT_EQ(img.SetBitmap(&big), 1);
  EXPECT_EQ(img.BitmapListCount(), 3);
  EXPECT_EQ(img.BitmapWidth(), 30);
  px::Bitmap none;
  img.SetBitmap(&none);
  EXPECT_EQ(img.BitmapListCount(), 2);
  EXPECT_EQ(img.BitmapListIndex(), 1);

  // None frees the list: no picture, OnChange fired.
  changes = 0;
  img.SetBitmapList(nullptr);
  EXPECT_FALSE(img.IsAllocated());
  EXPECT_EQ(img.BitmapList(), nullptr);
  EXPECT_EQ(changes, 1);

  // A list with an empty item fails and leaves no picture.
  px::BitmapList bad = ThreeFrames();
  bad.items[1] = px::Bitmap();
  EXPECT_THROW(img.SetBitmapList(&bad), EPicImageError);
  EXPECT_FALSE(img.IsAllocated());
  img.SetEnableMethodErrors(false);
  img.SetBitmapList(&bad);
  EXPECT_NE(img.LastError(), 1);

  // The palette of a 4-bit first item: all sixteen entries.
  px::BitmapList four;
  px::Bitmap f;
  std::vector<uint32_t> pal16;
  for (uint32_t i = 0; i < 16; ++i) pal16.push_back(i * 0x111111u);
  ASSERT_EQ(px::CreateBitmap(f, 4, 4, 4, &pal16), px::kOk);
  four.append(f);
  img.SetBitmapList(&four);
  ASSERT_EQ(img.ListInfoPalette().size(), 16u);
  EXPECT_EQ(img.ListInfoPalette()[15], 0xFFFFFFu);
}

TEST(PicImageBitmapList, SwitchingOnAListPlaysItAndRefusesChanges) {
  ClockGuard clock(0);
  TPicImage img;
  img.setObjectName("PicImage1");
  px::BitmapList l = ThreeFrames();
  img.SetBitmapList(&l);
  img.AnimationEnable(true);
  img.AnimationTimer();
  EXPECT_EQ(img.Playback()->Index(), 0);
  EXPECT_EQ(img.AnimationTimerInterval(), 100);
  EXPECT_THROW(img.SetBitmapList(nullptr), EPicImageError);
  EXPECT_EQ(img.LastError(), -16);
  img.DeferredImageChange();
  EXPECT_EQ(img.LastError(), -16);
  img.AnimationEnable(false);
  EXPECT_EQ(img.BitmapWidth(), 10);
}

// A GIF cut short cannot be decoded, wherever the cut falls (in the header, in the first frame,
// in the last): the load reports the read error, leaves the component empty and starts nothing.
TEST(PicImageAnimation, CutGifsLeaveTheComponentEmptyWithTheReadError) {
  testsupport::TempFolder t;
  const QString gif = WriteGif(t, "b.gif", ThreeFrames(), 0);
  QByteArray bytes = testsupport::readBytes(gif);
  for (int cut : {20, 60, int(bytes.size()) - 3}) {
    SCOPED_TRACE(cut);
    const QString path = t.file(QString("cut%1.gif").arg(cut));
    ASSERT_TRUE(testsupport::writeBytes(path, bytes.left(cut)));
    TPicImage img;
    img.SetAutoAnimate(true);
    img.SetEnableMethodErrors(false);
    EXPECT_EQ(img.Load(path, 0, 1, -1), px::kReadError);
    EXPECT_EQ(img.LastError(), px::kReadError);
    EXPECT_FALSE(img.IsAllocated());
    EXPECT_EQ(img.BitmapListCount(), 0);
    EXPECT_FALSE(img.AnimationPlaying());
  }
  // The whole file loads and plays.
  TPicImage whole;
  whole.SetAutoAnimate(true);
  EXPECT_EQ(whole.Load(gif, 0, 1, -1), 1);
  EXPECT_TRUE(whole.AnimationPlaying());
}

TEST(PicImageAnimation, TheTimerPlaysTheAnimationThroughTheEventLoop) {
  testsupport::TempFolder t;
  px::BitmapList quick = ThreeFrames();
  for (px::Bitmap& f : quick.items) f.delay = 1;
  TPicImage img;
  img.SetAutoAnimate(true);
  std::vector<bool> animate;
  img.OnAnimate = [&](TPicImage*, bool on) { animate.push_back(on); };
  ASSERT_EQ(img.Load(WriteGif(t, "q.gif", quick, 2), 0, 1, -1), 1);
  KV_WAIT_FOR(!img.AnimationPlaying(), 60000);
  EXPECT_EQ(animate, (std::vector<bool>{true, false}));
  EXPECT_EQ(img.BitmapWidth(), 10);
}

// SaveWithLayers writes the whole bitmap list, the first frame and the others as its layers:
// a three-page TIFF as vips reads it, each page with its frame's size and colour. With no list
// it refuses, and writes nothing.
TEST(PicImageAnimation, SaveWithLayersWritesEveryFrameOfTheList) {
  testsupport::TempFolder t;
  TPicImage img;
  const QString none = t.file("none.tif");
  EXPECT_EQ(img.SaveWithLayers(none, px::kFormatTiff, 0, 0, 0, 24), px::kInvalidBitmap);
  EXPECT_FALSE(QFile::exists(none));
  ASSERT_EQ(img.Load(WriteGif(t, "l.gif", ThreeFrames(), 0), 0, 1, -1), 1);
  const QString tif = t.file("layers.tif");
  ASSERT_EQ(img.SaveWithLayers(tif, px::kFormatTiff, 0, 0, 0, 24), 1);
  auto vips = [](const QStringList& args) {
    QProcess p;
    p.start("vips", args);
    EXPECT_TRUE(p.waitForFinished(120000)) << args.join(' ').toStdString();
    return p.exitCode();
  };
  QProcess header;
  header.start("vipsheader", {"-f", "n-pages", tif});
  ASSERT_TRUE(header.waitForFinished(120000));
  EXPECT_EQ(header.readAllStandardOutput().trimmed(), "3");
  // Frames 10 x 10 red, 5 x 5 green, 5 x 5 blue.
  const struct {
    int w;
    QRgb colour;
  } pages[] = {{10, qRgb(255, 0, 0)}, {5, qRgb(0, 255, 0)}, {5, qRgb(0, 0, 255)}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const QString png = t.file(QString("page%1.png").arg(i));
    ASSERT_EQ(vips({"copy", QString("%1[page=%2]").arg(tif).arg(i), png}), 0);
    const QImage page(png);
    ASSERT_EQ(page.size(), QSize(pages[i].w, pages[i].w));
    EXPECT_EQ(page.pixel(pages[i].w / 2, pages[i].w / 2) | 0xFF000000u, pages[i].colour);
  }
}

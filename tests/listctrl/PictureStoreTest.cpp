#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>

#include "GifScan.h"
#include "ListCtrlTestUtil.h"
#include "PictureStore.h"
#include "TestSupport.h"

using namespace kalvora;

namespace {

QColor PixelOf(const THTMLPicture& p) { return p.Image().pixelColor(1, 1); }

TEST(GifScan, FindsFramesDelaysAndScreen) {
  const QByteArray gif = lctest::MakeGif(5, 4, {1, 2, 3}, 10);
  const auto frames = gifscan::ScanFrames(gif);
  ASSERT_EQ(frames.size(), 3u);
  for (const auto& f : frames) {
    EXPECT_EQ(f.delay, 10);
    EXPECT_EQ(f.width, 5);
    EXPECT_EQ(f.height, 4);
    EXPECT_EQ(f.disposal, 1);
  }
  int w = 0, h = 0;
  gifscan::ScreenSize(gif, w, h);
  EXPECT_EQ(w, 5);
  EXPECT_EQ(h, 4);
  EXPECT_TRUE(gifscan::ScanFrames(QByteArray("GIF8")).empty());
  EXPECT_TRUE(gifscan::ScanFrames(QByteArray("\x21\xF9\x04\x00\x0A\x00\x00\x00\x2C\x00\x00", 11)).empty());
}

// A file cut anywhere gives the frames whose marker lies wholly inside it, with the facts that
// lie inside it (0 for a descriptor field cut off), and the screen size once its bytes are there.
TEST(GifScan, EveryTruncationIsSafe) {
  const QByteArray gif = lctest::MakeGif(6, 6, {1, 2, 3, 1}, 7);
  // The markers, found by a plain search: extension "!" $F9 4 with the descriptor's "," 8 on.
  std::vector<int> markers;
  for (qsizetype at = gif.indexOf("\x21\xF9\x04"); at >= 0; at = gif.indexOf("\x21\xF9\x04", at + 1))
    if (gif.at(at + 8) == 0x2C) markers.push_back(int(at));
  ASSERT_EQ(markers.size(), 4u);
  for (int n = 0; n <= gif.size(); ++n) {
    SCOPED_TRACE(n);
    // A detached copy of exactly n bytes: reading past it is caught by the sanitizer build.
    const QByteArray part(gif.constData(), n);
    const auto frames = gifscan::ScanFrames(part);
    size_t whole = 0;
    for (int m : markers) whole += m + 9 < n;
    ASSERT_EQ(frames.size(), whole);
    for (size_t i = 0; i < frames.size(); ++i) {
      EXPECT_EQ(frames[i].markerPos, markers[i]);
      EXPECT_EQ(frames[i].delay, 7);
      EXPECT_EQ(frames[i].disposal, 1);
      EXPECT_EQ(frames[i].width, markers[i] + 14 < n ? 6 : 0);
      EXPECT_EQ(frames[i].height, markers[i] + 16 < n ? 6 : 0);
    }
    int w = 0, h = 0;
    gifscan::ScreenSize(part, w, h);
    EXPECT_EQ(w, n >= 8 ? 6 : 0);
    EXPECT_EQ(h, n >= 10 ? 6 : 0);
    THTMLPicture pic;
    try {
      pic.LoadFromData(part);
    } catch (const std::exception&) {
    }
    for (int i = 0; i < 12; ++i) pic.Step();
  }
}

TEST(HTMLPicture, ThreeFrameGifSetsFrameAndSteps) {
  THTMLPicture pic;
  pic.LoadFromData(lctest::MakeGif(4, 4, {1, 2, 3}, 10));
  EXPECT_EQ(pic.FrameCount(), 3);
  EXPECT_EQ(pic.Frame(), 1);
  EXPECT_EQ(PixelOf(pic), QColor(255, 0, 0));
  int changes = 0;
  pic.OnFrameChange = [&] { ++changes; };
  pic.SetFrame(2);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(PixelOf(pic), QColor(0, 255, 0));
  pic.SetFrame(1);

  // 10 hundredths per frame: a change on every 100 ms tick from the second tick on.
  std::vector<bool> steps;
  std::vector<int> frames;
  for (int i = 0; i < 5; ++i) {
    steps.push_back(pic.Step());
    frames.push_back(pic.Frame());
  }
  EXPECT_EQ(steps, (std::vector<bool>{false, true, true, true, true}));
  EXPECT_EQ(frames, (std::vector<int>{1, 2, 3, 1, 2}));
  EXPECT_EQ(PixelOf(pic), QColor(0, 255, 0));
}

TEST(HTMLPicture, SlowFramesWaitTheirDelay) {
  THTMLPicture pic;
  pic.LoadFromData(lctest::MakeGif(2, 2, {1, 2}, 30));
  std::vector<bool> steps;
  for (int i = 0; i < 8; ++i) steps.push_back(pic.Step());
  EXPECT_EQ(steps, (std::vector<bool>{false, false, false, true, false, false, true, false}));
}

TEST(HTMLPicture, JpegThroughFileUrlNeverAnimates) {
  testsupport::TempFolder tmp;
  QImage img(8, 6, QImage::Format_RGB32);
  img.fill(Qt::blue);
  ASSERT_TRUE(img.save(tmp.file("a.jpg"), "JPEG"));
  THTMLPicture pic;
  pic.Asynchronous = false;
  pic.LoadFromURL("file://" + tmp.file("a.jpg"));
  EXPECT_FALSE(pic.Empty());
  EXPECT_EQ(pic.Width(), 8);
  EXPECT_EQ(pic.Height(), 6);
  EXPECT_EQ(pic.FrameCount(), -1);
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(pic.Step());
  EXPECT_EQ(pic.URL(), "file://" + tmp.file("a.jpg"));
}

TEST(HTMLPicture, FileNameIsFoundWithoutCase) {
  testsupport::TempFolder tmp;
  ASSERT_TRUE(testsupport::writeBytes(tmp.file("Thumb.PNG"), lctest::MakePng(3, 3, Qt::red)));
  THTMLPicture pic;
  pic.LoadFromFile(tmp.file("thumb.png"));
  EXPECT_FALSE(pic.Empty());
  EXPECT_EQ(pic.Width(), 3);
}

TEST(HTMLPicture, FailuresAndTheirMessages) {
  testsupport::TempFolder tmp;
  THTMLPicture pic;
  pic.LoadFromFile(tmp.file("missing.png"));  // swallowed
  EXPECT_TRUE(pic.Empty());
  ASSERT_TRUE(testsupport::writeBytes(tmp.file("bad.png"), QByteArray("not a picture at all")));
  pic.LoadFromFile(tmp.file("bad.png"));
  EXPECT_TRUE(pic.Empty());
  pic.LoadFromFile("/dev/zero");  // no regular file: not read at all
  EXPECT_TRUE(pic.Empty());
  pic.LoadFromFile(tmp.path());
  EXPECT_TRUE(pic.Empty());
  EXPECT_FALSE(pic.HasImage());

  try {
    pic.LoadFromData(QByteArray("garbage garbage garbage"));
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Could not load image. Invalid format");
  }
  try {
    pic.LoadFromData(QByteArray());
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Empty image stream created");
  }
  // A PNG cut short is recognised but cannot be decoded.
  const QByteArray png = lctest::MakePng(40, 40, Qt::green);
  EXPECT_THROW(pic.LoadFromData(png.left(60)), std::runtime_error);
}

TEST(HTMLPicture, NetworkSourcesStayEmpty) {
  THTMLPicture pic;
  pic.Asynchronous = false;
  pic.LoadFromURL("http://example.invalid/a.png");
  EXPECT_TRUE(pic.Empty());
  EXPECT_EQ(pic.URL(), "http://example.invalid/a.png");
  EXPECT_EQ(pic.DownloadURL(), "http://example.invalid/a.png");
}

TEST(HTMLPicture, StreamsRoundTripAndAssignCopies) {
  const QByteArray gif = lctest::MakeGif(3, 3, {2, 3}, 5);
  THTMLPicture a;
  QBuffer in;
  in.setData(gif);
  in.open(QIODevice::ReadOnly);
  int changes = 0;
  a.OnChange = [&] { ++changes; };
  a.LoadFromStream(in);
  EXPECT_EQ(changes, 1);
  QBuffer out;
  out.open(QIODevice::WriteOnly);
  a.SaveToStream(out);
  EXPECT_EQ(out.data(), gif);
  THTMLPicture b;
  b.Assign(&a);
  EXPECT_EQ(b.FrameCount(), 2);
  EXPECT_EQ(b.Image().pixelColor(0, 0), QColor(0, 255, 0));
  b.Assign(nullptr);
  EXPECT_TRUE(b.Empty());
}

TEST(PictureCache, LookupIsExactWithCase) {
  testsupport::TempFolder tmp;
  ASSERT_TRUE(testsupport::writeBytes(tmp.file("p.png"), lctest::MakePng(2, 2, Qt::red)));
  THTMLPictureCache cache;
  THTMLPicture* p = cache.AddPicture();
  p->LoadFromURL("file://" + tmp.file("p.png"));
  EXPECT_EQ(cache.FindPicture("file://" + tmp.file("p.png")), p);
  EXPECT_EQ(cache.FindPicture("FILE://" + tmp.file("p.png")), nullptr);
  EXPECT_EQ(cache.Count(), 1);
}

TEST(PictureCache, TheFirstPictureOfEachUrlIsFoundAsItsUrlChanges) {
  testsupport::TempFolder tmp;
  ASSERT_TRUE(testsupport::writeBytes(tmp.file("a.png"), lctest::MakePng(2, 2, Qt::red)));
  ASSERT_TRUE(testsupport::writeBytes(tmp.file("b.png"), lctest::MakePng(3, 3, Qt::blue)));
  const QString a = "file://" + tmp.file("a.png"), b = "file://" + tmp.file("b.png");
  THTMLPictureCache cache;
  THTMLPicture* first = cache.AddPicture();
  THTMLPicture* second = cache.AddPicture();
  THTMLPicture* empty = cache.AddPicture();
  EXPECT_EQ(cache.FindPicture(""), first);  // no source yet
  second->LoadFromURL(a);
  first->LoadFromURL(a);
  EXPECT_EQ(cache.FindPicture(a), first);  // the first in order, whatever loaded first
  EXPECT_EQ(cache.FindPicture(""), empty);
  first->LoadFromURL(b);
  EXPECT_EQ(cache.FindPicture(a), second);
  EXPECT_EQ(cache.FindPicture(b), first);
  second->LoadFromURL(b);
  EXPECT_EQ(cache.FindPicture(a), nullptr);
  EXPECT_EQ(cache.FindPicture(b), first);
  cache.Clear();
  EXPECT_EQ(cache.FindPicture(b), nullptr);
  THTMLPicture* fresh = cache.AddPicture();
  EXPECT_EQ(cache.FindPicture(""), fresh);
}

TEST(PictureCache, PreparedPicturesAreWhatTheListWouldLoad) {
  testsupport::TempFolder tmp;
  QImage img(9, 7, QImage::Format_RGB32);
  img.fill(QColor(10, 200, 30));
  // Characters the item mark-up escapes: the list must look the picture up under the same source.
  const QString path = tmp.file("a&b|<c>.jpg");
  ASSERT_TRUE(img.save(path, "JPEG"));
  const auto prepared = THTMLPicture::Prepare("file://" + path);
  ASSERT_TRUE(prepared.has_value());
  THTMLPicture loaded;
  loaded.LoadFromURL("file://" + path);
  EXPECT_EQ(prepared->url, loaded.URL());
  EXPECT_FALSE(prepared->empty);
  EXPECT_EQ(prepared->image, loaded.Image());

  struct Case {
    const char* file;
    QByteArray bytes;
    bool prepared;
    bool empty;
  };
  const Case cases[] = {
      {"gone.jpg", QByteArray(), true, true},                           // as the list: empty
      {"broken.jpg", QByteArray("\xFF\xD8 nothing else"), true, true},  // as the list: empty
      {"anim.gif", lctest::MakeGif(4, 4, {1, 2}, 10), false, false},    // frames read as shown
  };
  for (const Case& c : cases) {
    if (!c.bytes.isEmpty()) {
      ASSERT_TRUE(testsupport::writeBytes(tmp.file(c.file), c.bytes));
    }
    const auto p = THTMLPicture::Prepare("file://" + tmp.file(c.file));
    ASSERT_EQ(p.has_value(), c.prepared) << c.file;
    if (p) {
      EXPECT_EQ(p->empty, c.empty) << c.file;
    }
  }
  EXPECT_FALSE(THTMLPicture::Prepare("res://logo").has_value());
  EXPECT_FALSE(THTMLPicture::Prepare("http://example.org/a.jpg").has_value());

  THTMLPictureCache cache;
  THTMLPicture* here = cache.AddPrepared(*prepared);
  EXPECT_EQ(cache.FindPicture("file://" + path), here);
  EXPECT_EQ(here->Image(), loaded.Image());
  EXPECT_EQ(cache.AddPrepared(*prepared), here);  // never twice
  EXPECT_EQ(cache.Count(), 1);
}

TEST(PictureStore, FindsNamesWithoutCase) {
  TPictureStore store;
  TPictureItem* a = store.Items().Add();
  a->Name = "Logo";
  a->Picture().LoadFromData(lctest::MakePng(2, 2, Qt::red));
  TPictureItem* b = store.Items().Add();
  b->Name = "logo";
  EXPECT_EQ(store.FindPicture("LOGO"), &a->Picture());
  EXPECT_EQ(store.FindPicture("nothing"), nullptr);
  TPictureItem* c = store.Items().Add();
  c->Assign(*a);
  EXPECT_EQ(c->Name, "Logo");
  EXPECT_EQ(c->Picture().Width(), 2);
}

TEST(PictureStore, AnimateStepsAnimatedItems) {
  TPictureStore store;
  store.Items().Add()->Picture().LoadFromData(lctest::MakeGif(2, 2, {1, 2}, 10));
  store.Items().Add()->Picture().LoadFromData(lctest::MakePng(2, 2, Qt::red));
  EXPECT_FALSE(store.Items().Animate());
  EXPECT_TRUE(store.Items().Animate());
}

}  // namespace

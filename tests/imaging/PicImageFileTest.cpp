// Loading and saving through the picture component: pages, frames, abort, bad files, feed.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cmath>

#include "PicImageVCL.h"
#include "PxFile.h"
#include "TestSupport.h"

namespace {

px::Bitmap Picture(int w, int h, int bits = 24) {
  px::Bitmap b;
  EXPECT_EQ(px::CreateBitmap(b, w, h, bits), px::kOk);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (bits <= 8) px::SetIndex(b, x, y, (x + y) % (1 << bits));
      else px::SetPixel(b, x, y, uint32_t(x * 255 / w) << 16 | uint32_t(y * 255 / h) << 8 | 0x40);
    }
  return b;
}

QString Write(const testsupport::TempFolder& t, const char* name, const px::Bitmap& b, int format, int bits = 0) {
  QString path = t.file(name);
  EXPECT_EQ(px::SaveBitmap(path.toStdString(), b, format, bits, 2), px::kOk);
  return path;
}

QString WriteList(const testsupport::TempFolder& t, const char* name, const px::BitmapList& l, int format) {
  QString path = t.file(name);
  px::SaveOptions o;
  o.loopCount = 0;
  EXPECT_EQ(px::SaveBitmapList(path.toStdString(), l, format, 0, 2, o), px::kOk);
  return path;
}

px::BitmapList Frames(int n, int bits = 8) {
  px::BitmapList l;
  for (int i = 0; i < n; ++i) {
    px::Bitmap f = Picture(30, 20, bits);
    f.delay = 5 * (i + 1);
    l.append(f);
  }
  l.globalWidth = 30;
  l.globalHeight = 20;
  return l;
}

void ExpectEmpty(TPicImage& img) {
  EXPECT_FALSE(img.IsAllocated());
  EXPECT_EQ(img.BitmapListCount(), 0);
  EXPECT_EQ(img.BitmapWidth(), 0);
  EXPECT_EQ(img.BitmapHeight(), 0);
  EXPECT_FALSE(img.IsBusy());
}

}  // namespace

TEST(PicImageLoad, JpegFileFillsPictureAndInfo) {
  testsupport::TempFolder t;
  QString path = Write(t, "a.jpg", Picture(120, 80), 23);
  TPicImage img;
  int changes = 0;
  img.OnChange = [&](TPicImage*) { ++changes; };
  EXPECT_EQ(img.Load(path, 0, 1, -1), 1);
  EXPECT_TRUE(img.IsAllocated());
  EXPECT_EQ(img.BitmapWidth(), 120);
  EXPECT_EQ(img.BitmapHeight(), 80);
  EXPECT_EQ(img.BitmapBits(), 24);
  EXPECT_EQ(img.InfoFormat(), 23);
  EXPECT_EQ(img.InfoPageCount(), 1);
  EXPECT_EQ(img.BitmapListCount(), 1);
  EXPECT_EQ(img.FileName(), path);
  EXPECT_GE(changes, 1);
  EXPECT_EQ(img.SrcWidth(), 120);
  EXPECT_EQ(img.DstWidth(), 120);
  // MaxPages 0 loads nothing and succeeds.
  EXPECT_EQ(img.Load(path, 0, 1, 0), 1);
  ExpectEmpty(img);
}

TEST(PicImageLoad, PagesAndFramesBecomeTheList) {
  testsupport::TempFolder t;
  px::BitmapList pages;
  for (int i = 0; i < 3; ++i) pages.append(Picture(20 + i, 10, 24));
  QString tif = WriteList(t, "p.tif", pages, px::kFormatTiff);
  TPicImage img;
  int filePages = 0;
  img.OnFilePage = [&](TPicImage*) { ++filePages; };
  EXPECT_EQ(img.Load(tif, 0, 1, 2), 1);
  EXPECT_EQ(img.BitmapListCount(), 2);
  EXPECT_EQ(filePages, 2);
  EXPECT_EQ(img.BitmapWidth(), 20);  // the first is shown
  EXPECT_EQ(img.Load(tif, 0, 0, -1), 1);
  EXPECT_EQ(img.BitmapListCount(), 3);
  EXPECT_EQ(img.SelectListItem(2), 1);
  EXPECT_EQ(img.BitmapWidth(), 22);

  QString gif = WriteList(t, "a.gif", Frames(4), px::kFormatGif);
  EXPECT_EQ(img.Load(gif, 0, 1, -1), 1);
  EXPECT_EQ(img.BitmapListCount(), 4);
  EXPECT_TRUE(img.IsAnimated());
  EXPECT_EQ(img.InfoFormat(), 2);
  QString still = WriteList(t, "s.gif", Frames(1), px::kFormatGif);
  EXPECT_EQ(img.Load(still, 0, 1, -1), 1);
  EXPECT_FALSE(img.IsAnimated());
  EXPECT_EQ(img.BitmapBits(), 8);
}

TEST(PicImageLoad, ThumbnailHintDecodesSmall) {
  testsupport::TempFolder t;
  QString path = Write(t, "big.jpg", Picture(1600, 1200), 23);
  TPicImage img;
  img.SetLoadSizeHint(0, 70);
  EXPECT_EQ(img.Load(path, 0, 1, -1), 1);
  EXPECT_EQ(img.BitmapHeight(), 150);
  EXPECT_EQ(img.BitmapWidth(), 200);
  EXPECT_EQ(img.InfoHeight(), 1200);
  img.SetLoadSizeHint(0, 0);
  EXPECT_EQ(img.Load(path, 0, 1, -1), 1);
  EXPECT_EQ(img.BitmapHeight(), 1200);
}

TEST(PicImageLoad, BadFilesRaiseAndLeaveTheComponentEmpty) {
  testsupport::TempFolder t;
  QString good = Write(t, "good.jpg", Picture(64, 64), 23);
  QByteArray jpg = testsupport::readBytes(good);
  QByteArray bmp = testsupport::readBytes(Write(t, "g.bmp", Picture(64, 64), 6));
  QByteArray png = testsupport::readBytes(Write(t, "g.png", Picture(64, 64), 75));
  QByteArray tif = testsupport::readBytes(Write(t, "g.tif", Picture(64, 64), 3));
  QByteArray gif = testsupport::readBytes(Write(t, "g.gif", Picture(64, 64, 8), 2));
  QByteArray huge = bmp;
  const int32_t big = 100000;
  huge.replace(18, 4, reinterpret_cast<const char*>(&big), 4);
  huge.replace(22, 4, reinterpret_cast<const char*>(&big), 4);
  QByteArray outside = gif;
  outside[22] = char(0xE8);
  outside[23] = char(0x03);
  struct Case { const char* name; QByteArray data; int status; } cases[] = {
      {"zero.jpg", QByteArray(), px::kInvalidFormat},
      {"cut.jpg", jpg.left(jpg.size() / 2), 0},
      {"cut.bmp", bmp.left(bmp.size() / 2), px::kReadError},
      {"cut.png", png.left(png.size() / 2), 0},
      {"cut.tif", tif.left(tif.size() / 2), 0},
      {"cut.gif", gif.left(gif.size() / 2), 0},
      {"huge.bmp", huge, px::kInvalidSize},
      {"outside.gif", outside, px::kInvalidSize},
      {"text.jpg", QByteArray("not a picture at all"), px::kInvalidFormat},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::writeBytes(t.file(c.name), c.data);
    TPicImage img;
    img.setObjectName("Bild");
    ASSERT_EQ(img.Load(good, 0, 1, -1), 1);
    try {
      img.Load(t.file(c.name), 0, 1, -1);
      ADD_FAILURE() << "no exception";
    } catch (const EPicImageError& e) {
      EXPECT_TRUE(e.message().startsWith("Bild \nError code: ")) << e.message().toStdString();
      EXPECT_TRUE(e.message().contains("\nLoad: "));
    }
    EXPECT_LT(img.LastError(), 1);
    if (c.status != 0) {
      EXPECT_EQ(img.LastError(), c.status);
    }
    ExpectEmpty(img);
    // Without method errors the status comes back instead.
    img.SetEnableMethodErrors(false);
    EXPECT_EQ(img.Load(t.file(c.name), 0, 1, -1), img.LastError());
    ExpectEmpty(img);
  }
  TPicImage img;
  img.SetEnableMethodErrors(false);
  EXPECT_EQ(img.Load(t.file("missing.jpg"), 0, 1, -1), px::kFileNotFound);
}

TEST(PicImageLoad, AbortFromOnStatusEmptiesTheComponent) {
  testsupport::TempFolder t;
  QString path = Write(t, "a.jpg", Picture(64, 400), 23);
  TPicImage img;
  img.SetEnableProgressEvent(true);
  std::vector<int> percents;
  img.OnStatus = [&](TPicImage* s, int p) {
    percents.push_back(p);
    if (p >= 30) s->SetEnableProgressEvent(false);
  };
  try {
    img.Load(path, 0, 1, -1);
    FAIL();
  } catch (const EPicImageError& e) {
    EXPECT_TRUE(e.message().contains("User has aborted operation"));
  }
  EXPECT_EQ(img.LastError(), px::kAborted);
  EXPECT_TRUE(TPicImage::Aborted());
  ExpectEmpty(img);
  ASSERT_FALSE(percents.empty());
  EXPECT_LT(percents.back(), 100);
  // The next load is not aborted.
  EXPECT_EQ(img.Load(path, 0, 1, -1), 1);
}

TEST(PicImageLoad, BusyComponentRefusesAnotherLoad) {
  testsupport::TempFolder t;
  QString path = Write(t, "a.jpg", Picture(64, 100), 23);
  TPicImage img;
  img.setObjectName("P");
  img.SetEnableProgressEvent(true);
  QString refused;
  img.OnStatus = [&](TPicImage* s, int) {
    if (!refused.isEmpty()) return;
    try {
      s->Load(path, 0, 1, -1);
    } catch (const EPicImageError& e) {
      refused = e.message();
    }
  };
  EXPECT_EQ(img.Load(path, 0, 1, -1), 1);
  EXPECT_EQ(refused, QStringLiteral("P \nError code: 0\nProcessing not allowed: Function not successful "));
  EXPECT_TRUE(img.IsAllocated());
}

TEST(PicImageLoad, MemoryAndFeed) {
  testsupport::TempFolder t;
  QByteArray bytes = testsupport::readBytes(Write(t, "a.png", Picture(50, 40), 75));
  TPicImage img;
  EXPECT_EQ(img.LoadMemory(bytes.constData(), bytes.size(), 0, 1), 1);
  EXPECT_EQ(img.BitmapWidth(), 50);
  EXPECT_EQ(img.InfoFormat(), 75);
  EXPECT_THROW(img.LoadMemory(bytes.constData(), 10, 0, 1), EPicImageError);
  EXPECT_FALSE(img.IsAllocated());

  img.setObjectName("F");
  try {
    img.FeedLoad(bytes.constData(), 10);
    FAIL();
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.message(), QStringLiteral("F \nFeedLoad: Feed Load not Started."));
  }
  EXPECT_EQ(img.LastError(), 0);
  EXPECT_THROW(img.StopFeedLoad(), EInvalidOperation);
  EXPECT_EQ(img.StartFeedLoad(0, 0, -1), 1);
  EXPECT_TRUE(img.IsBusy());
  for (int at = 0; at < bytes.size(); at += 100) EXPECT_EQ(img.FeedLoad(bytes.constData() + at, std::min<qsizetype>(100, bytes.size() - at)), 1);
  EXPECT_EQ(img.StopFeedLoad(), 1);
  EXPECT_FALSE(img.IsBusy());
  EXPECT_EQ(img.BitmapHeight(), 40);

  // An animation cut short keeps the frames that arrived.
  QByteArray gif = testsupport::readBytes(WriteList(t, "a.gif", Frames(3), px::kFormatGif));
  img.SetEnableMethodErrors(false);
  img.StartFeedLoad(0, 0, -1);
  img.FeedLoad(gif.constData(), gif.size() * 5 / 6);
  EXPECT_EQ(img.StopFeedLoad(), px::kReadError);
  EXPECT_TRUE(img.IsAllocated());
  EXPECT_EQ(img.BitmapListCount(), 2);

  // A local path as data path goes through the feed.
  img.SetEnableMethodErrors(true);
  std::vector<bool> ready;
  img.OnReadyStateChanged = [&](TPicImage*, bool r) { ready.push_back(r); };
  img.SetBitmapDataPath(t.file("a.png"));
  EXPECT_EQ(img.BitmapWidth(), 50);
  EXPECT_EQ(ready, (std::vector<bool>{false, true}));
  EXPECT_THROW(img.SetBitmapDataPath(QString()), EPicImageError);
  EXPECT_EQ(img.LastError(), 0);
}

TEST(PicImageSave, FormatsRoundTrip) {
  testsupport::TempFolder t;
  TPicImage img;
  const px::Bitmap pic = Picture(90, 60);
  ASSERT_EQ(img.SetBitmap(&pic), 1);
  EXPECT_EQ(img.Save(t.file("a.jpg"), 23, 24, 2, 0), 1);
  EXPECT_EQ(img.Save(t.file("a10.jpg"), 10, 24, 3, 0), 1);
  EXPECT_EQ(img.Save(t.file("a.bmp"), 6, 24, 2, 0), 1);
  TPicImage back;
  EXPECT_EQ(back.Load(t.file("a.jpg"), 0, 1, -1), 1);
  EXPECT_EQ(back.InfoFormat(), 23);
  EXPECT_EQ(back.BitmapWidth(), 90);
  EXPECT_EQ(back.Load(t.file("a10.jpg"), 0, 1, -1), 1);
  EXPECT_EQ(back.InfoFormat(), 10);
  EXPECT_EQ(back.Load(t.file("a.bmp"), 0, 1, -1), 1);
  for (int y = 0; y < 60; y += 7)
    for (int x = 0; x < 90; x += 7) EXPECT_EQ(px::GetPixel(back.Bitmap(), x, y), px::GetPixel(img.Bitmap(), x, y));
  // Format 2 writes the whole list with its delays and loop.
  EXPECT_EQ(img.Load(WriteList(t, "in.gif", Frames(3), px::kFormatGif), 0, 1, -1), 1);
  EXPECT_EQ(img.Save(t.file("out.gif"), 2, 8, 2, 0), 1);
  px::FileInfo info;
  ASSERT_EQ(px::GetFileInfo(t.file("out.gif").toStdString(), info), px::kOk);
  EXPECT_EQ(info.pageCount, 3);
  EXPECT_EQ(info.loopCount, 0);
  px::BitmapList frames;
  ASSERT_EQ(px::LoadFileToList(t.file("out.gif").toStdString(), {}, 0, frames), px::kOk);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(frames.items[size_t(i)].delay, 5 * (i + 1));
  // A failed save raises with the operation name, or returns the status.
  img.setObjectName("S");
  try {
    img.Save(t.file("x.jpg"), 23, 24, 0, 0);
    FAIL();
  } catch (const EPicImageError& e) {
    EXPECT_EQ(e.message(), QStringLiteral("S \nError code: -21\nSave: Invalid QFactor specified "));
  }
  img.SetEnableMethodErrors(false);
  EXPECT_EQ(img.Save(t.file("x.jpg"), 23, 24, 0, 0), -21);
  EXPECT_EQ(img.LastError(), -21);
  EXPECT_FALSE(QFile::exists(t.file("x.jpg")));
}

TEST(PicImageSave, ProgressReachesHundredAndAbortKeepsTheOldFile) {
  testsupport::TempFolder t;
  TPicImage img;
  const px::Bitmap pic = Picture(40, 100);
  ASSERT_EQ(img.SetBitmap(&pic), 1);
  img.SetEnableProgressEvent(true);
  std::vector<int> percents;
  img.OnStatus = [&](TPicImage*, int p) { percents.push_back(p); };
  EXPECT_EQ(img.Save(t.file("p.jpg"), 23, 24, 2, 0), 1);
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(*std::max_element(percents.begin(), percents.end()), 100);

  testsupport::writeBytes(t.file("user.jpg"), QByteArray("the user's picture"));
  img.OnStatus = [&](TPicImage* s, int p) {
    if (p >= 50) s->SetEnableProgressEvent(false);
  };
  int changes = 0;
  img.OnChange = [&](TPicImage*) { ++changes; };
  try {
    img.Save(t.file("user.jpg"), 23, 24, 2, 0);
    FAIL();
  } catch (const EPicImageError& e) {
    EXPECT_TRUE(e.message().endsWith("Save: User has aborted operation "));
  }
  EXPECT_EQ(img.LastError(), px::kAborted);
  EXPECT_EQ(testsupport::readBytes(t.file("user.jpg")), QByteArray("the user's picture"));
  EXPECT_EQ(QDir(t.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(img.IsAllocated());
  EXPECT_FALSE(img.IsBusy());
}

TEST(PicImageSave, TurnedPictureIsWrittenAsShown) {
  testsupport::TempFolder t;
  px::Bitmap b = Picture(30, 10);
  b.viewPerspective = 5;
  TPicImage img;
  img.SetRefBitmap(true);
  ASSERT_EQ(img.SetBitmap(&b), 1);
  EXPECT_EQ(img.BitmapWidth(), 10);
  EXPECT_EQ(img.Save(t.file("plain.bmp"), 6, 24, 2, 0), 1);
  EXPECT_EQ(img.BitmapViewPerspective(), 5);  // a plain save leaves the view alone
  img.SetEnableProgressEvent(true);
  EXPECT_EQ(img.Save(t.file("t.tif"), 3, 24, 2, 0), 1);
  EXPECT_EQ(img.BitmapViewPerspective(), 5);
  EXPECT_EQ(img.Save(t.file("p.bmp"), 6, 24, 2, 0), 1);
  EXPECT_EQ(img.BitmapViewPerspective(), 0);  // the progress road turns the bitmap itself
  EXPECT_EQ(img.BitmapWidth(), 10);
  // Shown turned a quarter clockwise: shown pixel (x, y) is stored pixel (y, 9 - x) of the 30 x 10
  // picture, whose pixel (u, v) is (u * 255 / 30, v * 255 / 10, $40).
  for (const char* file : {"plain.bmp", "t.tif", "p.bmp"}) {
    SCOPED_TRACE(file);
    TPicImage back;
    ASSERT_EQ(back.Load(t.file(file), 0, 1, -1), 1);
    ASSERT_EQ(back.BitmapWidth(), 10);
    ASSERT_EQ(back.BitmapHeight(), 30);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 10; ++x)
        ASSERT_EQ(px::GetPixel(back.Bitmap(), x, y), uint32_t(y * 255 / 30) << 16 | uint32_t((9 - x) * 255 / 10) << 8 | 0x40)
            << x << "," << y;
  }
}

TEST(PicImageStatus, CallbackWithoutCurrentImageDoesNotMarkAnAbort) {
  px::StatusCallback cb;
  {
    TPicImage img;
    img.BeginStatusCallback();
    cb = px::GetStatusCallback();
    img.SetEnableProgressEvent(false);  // busy: requests an abort
    EXPECT_TRUE(TPicImage::AbortRequested());
    EXPECT_EQ(cb.fn(10, cb.user), 0);  // the request is answered with stop
    EXPECT_TRUE(TPicImage::Aborted());
    img.EndStatusCallback();
  }
  ASSERT_NE(cb.fn, nullptr);
  TPicImage other;  // a new component clears both flags
  EXPECT_FALSE(TPicImage::Aborted());
  other.BeginStatusCallback();
  other.SetEnableProgressEvent(false);
  other.EndStatusCallback();
  EXPECT_TRUE(TPicImage::AbortRequested());
  EXPECT_EQ(TPicImage::CurrentImage(), nullptr);
  // No current image: go on, drop the request, and mark nothing aborted.
  EXPECT_EQ(cb.fn(50, cb.user), 1);
  EXPECT_FALSE(TPicImage::AbortRequested());
  EXPECT_FALSE(TPicImage::Aborted());
}

TEST(PicImageStatus, AbortedProcessingRestoresTheBackupWithoutOnChange) {
  TPicImage img;
  px::Bitmap b = Picture(10, 10);
  ASSERT_EQ(img.SetBitmap(&b), 1);
  int changes = 0;
  img.OnChange = [&](TPicImage*) { ++changes; };
  // A processing step that runs to its end fires OnChange.
  img.BeginProcessing(img.Bitmap());
  px::SetPixel(img.Bitmap(), 3, 3, 0x010203);
  img.ProcessingDone(img.Bitmap());
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(px::GetPixel(img.Bitmap(), 3, 3), 0x010203u);
  // One that is aborted through the status callback gets its picture back and no OnChange.
  img.BeginProcessing(img.Bitmap());
  px::SetPixel(img.Bitmap(), 3, 3, 0xFFFFFF);
  img.SetEnableProgressEvent(false);
  px::StatusCallback cb = px::GetStatusCallback();
  EXPECT_EQ(cb.fn(40, cb.user), 0);
  img.ProcessingDone(img.Bitmap());
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(px::GetPixel(img.Bitmap(), 3, 3), 0x010203u);
  EXPECT_FALSE(img.IsBusy());
  // Switching progress events off while nothing runs requests nothing.
  img.SetEnableProgressEvent(false);
  EXPECT_FALSE(TPicImage::AbortRequested());
}

TEST(PicImageLoad, LibraryStateIsRestoredAfterEveryLoad) {
  testsupport::TempFolder t;
  QString gif = WriteList(t, "a.gif", Frames(3), px::kFormatGif);
  px::DocumentOptions mine;
  mine.pdfXResolution = 300;
  px::SetDocumentOptions(mine);
  TPicImage img;
  img.SetAutoAnimate(true);
  img.SetPDFXResolution(72);
  std::vector<int> seen;
  img.OnFilePage = [&](TPicImage*) { seen.push_back(px::GetDocumentOptions().pdfXResolution); };
  for (const QString& name : {gif, t.file("missing.gif")}) {
    img.SetEnableMethodErrors(false);
    img.Load(name, 0, 1, -1);
    EXPECT_EQ(px::GetDocumentOptions().pdfXResolution, 300);
    EXPECT_EQ(TPicImage::CurrentImage(), nullptr);
  }
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front(), 72);  // the component's own options apply during the load
  px::SetDocumentOptions(px::DocumentOptions());
}

TEST(PicImageSave, MacPaintIsWrittenAt576By720WithoutResizingTheComponent) {
  testsupport::TempFolder t;
  TPicImage img;
  px::Bitmap b = Picture(100, 50);
  ASSERT_EQ(img.SetBitmap(&b), 1);
  img.SetEnableProgressEvent(true);
  EXPECT_EQ(img.Save(t.file("m.mac"), 51, 1, 2, 0), 1);
  EXPECT_EQ(img.BitmapWidth(), 100);
  EXPECT_EQ(img.BitmapHeight(), 50);
  // Unpack: 720 rows of 72 bytes use up the data exactly.
  QByteArray f = testsupport::readBytes(t.file("m.mac"));
  int at = 512, rows = 0;
  while (at < f.size() && rows < 720) {
    int n = 0;
    while (n < 72) {
      int c = int8_t(f[at++]);
      if (c >= 0) {
        n += c + 1;
        at += c + 1;
      } else {
        n += 1 - c;
        at += 1;
      }
    }
    EXPECT_EQ(n, 72);
    ++rows;
  }
  EXPECT_EQ(rows, 720);
  EXPECT_EQ(at, f.size());
}

// Reading a source folder and opening a slideshow with the pictures decoded on worker threads:
// the same list, thumbnails, copies and messages as a read on the main thread alone.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <chrono>
#include <thread>
#include <string>
#include <utility>

#include "DecodeAhead.h"
#include "ImagingHooks.h"
#include "ListItems.h"
#include "PictureFiles.h"
#include "PixelBudget.h"
#include "ShellFixture.h"
#include "Thumbnails.h"

using shelltest::writePicture;
using shelltest::writeText;

namespace {
// Every file under a folder with its bytes, by path relative to the folder.
QMap<QString, QByteArray> filesUnder(const QString& folder) {
  QMap<QString, QByteArray> out;
  QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) out.insert(QDir(folder).relativeFilePath(path), f.readAll());
  }
  return out;
}

bool writeGreyJpeg(const QString& path, int w, int h, int seed) {
  px::Bitmap bmp;
  if (px::CreateBitmap(bmp, w, h, 8) != 1) return false;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bmp.scanLine(y)[x] = uchar((x * 7 + y * 3 + seed * 29) & 0xFF);
  return px::SaveBitmap(path.toStdString(), bmp, 23, 8, 2) == 1;
}

// Each item's picture as its list holds it (the list reads it when the item is added).
QList<QImage> listPictures(MarkupListBoxControl* list) {
  QList<QImage> out;
  for (int i = 0; i < list->Count(); ++i) {
    const kalvora::THTMLPicture* p =
        list->PictureCache().FindPicture(kalvora::ThumbnailItemPictureURL(ItemThumbnailPath(list->Item(i))));
    out << (p ? p->Image() : QImage());
  }
  return out;
}

class ParallelReadTest : public shelltest::SourceFolderTest {
 protected:
  void TearDown() override {
    DecodeAhead::SetWorkerCount(0);
    SourceFolderTest::TearDown();
  }
  struct Reading {
    QStringList items;
    QList<QImage> pictures;
    QMap<QString, QByteArray> thumbs, temp;
    QStringList messages;
  };
  Reading read(int workers) {
    QDir(form->FAppDir + "thumbs/").removeRecursively();
    DecodeAhead::SetWorkerCount(workers);
    const int before = int(prompter.messageTexts().size());
    form->FSourceFolder = source;
    form->BilderEinlesen(source);
    Reading r;
    for (int i = 0; i < form->FileListBox->Count(); ++i) r.items << form->FileListBox->Item(i);
    r.pictures = listPictures(form->FileListBox);
    r.thumbs = filesUnder(form->FAppDir + "thumbs/");
    r.temp = filesUnder(form->FTempPicFolder);
    r.messages = prompter.messageTexts().mid(before);
    return r;
  }
};
}  // namespace

TEST_F(ParallelReadTest, ThreeHundredPicturesGiveTheSameListThumbnailsAndCopiesAsOneThread) {
  for (int i = 0; i < 300; ++i) {
    const QString name = QString("bild%1").arg(i, 3, 10, QChar('0'));
    // Upright and wide pictures, a few BMP, GIF and TIFF pictures that are converted.
    const int w = 40 + (i * 37) % 200, h = 30 + (i * 53) % 180;
    const int format = i % 50 == 7 ? 6 : i % 50 == 19 ? 2 : i % 50 == 31 ? 3 : 23;
    const QString ext = format == 6 ? ".bmp" : format == 2 ? ".gif" : format == 3 ? ".tif" : ".jpg";
    ASSERT_TRUE(writePicture(source + name + ext, w, h, format, i));
  }
  // Files that are no readable pictures are reported, not listed.
  for (const QString& broken : {QString("kaputt.jpg"), QString("leer.jpg")}) {
    QFile f(source + broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    if (broken == "kaputt.jpg") f.write("\xFF\xD8\xFF\xE0 nur ein Anfang", 20);
  }
  const Reading pooled = read(0);
  const Reading single = read(-1);
  EXPECT_EQ(pooled.items.size(), 300);
  EXPECT_EQ(pooled.items, single.items);
  EXPECT_EQ(pooled.pictures, single.pictures);
  EXPECT_FALSE(pooled.pictures.contains(QImage()));
  EXPECT_EQ(pooled.thumbs.size(), 300);
  EXPECT_EQ(pooled.thumbs.keys(), single.thumbs.keys());
  for (auto it = pooled.thumbs.begin(); it != pooled.thumbs.end(); ++it)
    EXPECT_TRUE(single.thumbs.value(it.key()) == it.value()) << it.key().toStdString();
  EXPECT_EQ(pooled.temp.keys(), single.temp.keys());
  EXPECT_TRUE(pooled.temp == single.temp);
  EXPECT_EQ(pooled.messages, single.messages);
  ASSERT_EQ(pooled.messages.size(), 1);
  EXPECT_TRUE(pooled.messages[0].contains("kaputt.jpg"));
  EXPECT_TRUE(pooled.messages[0].contains("leer.jpg"));
}

TEST_F(ParallelReadTest, ASlideshowWithoutThumbnailsOpensAsWithOneThread) {
  const QString folder = form->FArchiveRoot + "Archive_0042/";
  QDir().mkpath(folder);
  QString list;
  for (int i = 0; i < 40; ++i) {
    const QString name = QString("p%1.jpg").arg(i);
    ASSERT_TRUE(writePicture(folder + name, 60 + i * 7, 50 + (i * 13) % 90, 23, i));
    list += name + "|Bild " + QString::number(i) + "\r\n";
  }
  // Grey pictures (the maker paints them through a copy), a one-row and a one-column picture
  // and a broken file.
  for (int i = 0; i < 4; ++i) {
    const QString name = QString("grau%1.jpg").arg(i);
    ASSERT_TRUE(writeGreyJpeg(folder + name, 50 + i * 31, 40 + i * 17, i));
    list += name + "|Grau\r\n";
  }
  ASSERT_TRUE(writePicture(folder + "zeile.jpg", 300, 1, 23, 1));
  ASSERT_TRUE(writePicture(folder + "spalte.jpg", 1, 300, 23, 2));
  list += "zeile.jpg|\r\nspalte.jpg|\r\n";
  {
    QFile broken(folder + "kaputt.jpg");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("\xFF\xD8\xFF\xE0 nur ein Anfang", 20);
  }
  list += "kaputt.jpg|\r\n";
  list += "fehlt.jpg|weg\r\n";
  QFile ini(folder + "Diashow.ini");
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("[DIASHOW]\r\nTitel=Parallel\r\nTime=5\r\n");
  ini.close();
  QFile pictures(folder + "Pictures.ini");
  ASSERT_TRUE(pictures.open(QIODevice::WriteOnly));
  pictures.write(list.toUtf8());
  pictures.close();
  struct Opened {
    QStringList items;
    QList<QImage> pictures;
    QMap<QString, QByteArray> files;
  };
  auto open = [&](int workers, bool keepThumbnails) {
    if (!keepThumbnails)
      for (const QString& name : QDir(folder).entryList({"_THUMB*"}, QDir::Files)) QFile::remove(folder + name);
    DecodeAhead::SetWorkerCount(workers);
    form->OpenArchive("Archive_0042");
    Opened o;
    for (int i = 0; i < form->DiashowListBox->Count(); ++i) o.items << form->DiashowListBox->Item(i);
    o.pictures = listPictures(form->DiashowListBox);
    o.files = filesUnder(folder);
    return o;
  };
  const Opened pooled = open(0, false);
  const Opened single = open(-1, false);
  // Opened again with every thumbnail there: the workers only read them for the list.
  const Opened again = open(0, true);
  EXPECT_EQ(pooled.items.size(), 47);
  for (const Opened* o : {&single, &again}) {
    EXPECT_EQ(pooled.items, o->items);
    EXPECT_EQ(pooled.pictures, o->pictures);
    EXPECT_EQ(pooled.files.keys(), o->files.keys());
    EXPECT_TRUE(pooled.files == o->files);
  }
}

TEST_F(ParallelReadTest, CancellingStopsTheWorkersAndWritesNothing) {
  QStringList paths;
  for (int i = 0; i < 200; ++i) {
    const QString path = source + QString("c%1.jpg").arg(i);
    ASSERT_TRUE(writePicture(path, 200, 150, 23, i));
    paths << path;
  }
  const QStringList before = QDir(source).entryList(QDir::Files);
  {
    DecodeAhead ahead(paths, 70, 4);
    EXPECT_EQ(ahead.threadCount(), 4);
    // In order; a picture not read ahead is left to the caller, and one the caller passes by
    // (its file went) is dropped.
    EXPECT_FALSE(ahead.takeIfNext(source + "anders.jpg").has_value());
    const auto first = ahead.takeIfNext(paths[0]);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->status, 1);
    EXPECT_GE(first->bitmap.height, 70);
    EXPECT_EQ(first->info.width, 200);
    const auto third = ahead.takeIfNext(paths[2]);
    ASSERT_TRUE(third.has_value());
    EXPECT_EQ(third->stamp.size, QFileInfo(paths[2]).size());
    EXPECT_FALSE(ahead.takeIfNext(paths[1]).has_value());
    ahead.stop();
    EXPECT_FALSE(ahead.takeIfNext(paths[3]).has_value());
  }
  EXPECT_EQ(QDir(source).entryList(QDir::Files), before);
  // Stopping starts no further job: the workers never get more than their look-ahead past the
  // taker, and nothing runs once stop has returned.
  std::atomic<int> begun{0};
  {
    OrderedWork<int> work(
        1000, [&](int i) { return ++begun, i; }, 4, 8);
    ASSERT_EQ(work.take(), std::optional<int>(0));
    work.stop();
    const int atStop = begun.load();
    EXPECT_LE(atStop, 1 + 8);  // the one taken and the look-ahead
    EXPECT_FALSE(work.take().has_value());
    EXPECT_EQ(begun.load(), atStop);
  }
}

TEST(ReadBudget, WorkersHoldNoMorePixelsThanTheBudgetAndTheResultsInOrder) {
  // Jobs of every size, a few larger than the whole budget; each keeps half its pixels in its
  // result until the result is taken. Eight workers, and a taker that keeps pace slowly.
  constexpr int64_t kBudget = 1000, kLarge = 1500;
  auto budget = std::make_shared<PixelBudget>(kBudget);
  auto sizeOf = [](int i) { return i % 17 == 5 ? kLarge : int64_t(40 + (i * 73) % 400); };
  // Pixels of the jobs running now, all and those of jobs the taker does not wait for yet: only
  // the job it waits for may go past the budget (the taker's count lags behind by one at most).
  std::atomic<int64_t> decoding{0}, most{0}, others{0};
  std::atomic<int> taken{0}, overBudget{0}, tooLarge{0};
  OrderedWork<int64_t> work(
      300,
      [&](int i, BudgetTurn& turn) -> int64_t {
        const int64_t size = sizeOf(i);
        if (!turn.take(size)) return -1;
        const int64_t now = decoding += size;
        for (int64_t seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        const bool awaited = i <= taken + 1;
        if (!awaited) {
          const int64_t sum = others += size;
          if (sum > kBudget) ++overBudget;
          if (size > kBudget) ++tooLarge;  // larger than the budget: decoded only when awaited
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (!awaited) others -= size;
        decoding -= size;
        turn.keep(size / 2);
        return size;
      },
      8, budget);
  for (int i = 0; i < 300; ++i) {
    const std::optional<int64_t> got = work.take();
    ASSERT_EQ(got, std::optional<int64_t>(sizeOf(i)));
    ++taken;
    if (i % 10 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(overBudget.load(), 0);
  EXPECT_EQ(tooLarge.load(), 0);
  EXPECT_LE(budget->mostHeld(), kBudget + kLarge);
  EXPECT_GT(most.load(), 500);  // the workers did share it
  EXPECT_EQ(budget->held(), 0);
}

TEST(ReadBudget, TheJobTheTakerWaitsForGoesAheadOfLaterResults) {
  // The second job's result holds most of the budget until it is taken, which is only after
  // the first: the first still gets its pixels.
  auto budget = std::make_shared<PixelBudget>(100);
  std::atomic<bool> secondKept{false};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  const auto inTime = [&] { return std::chrono::steady_clock::now() < deadline; };
  OrderedWork<int> work(
      2,
      [&](int i, BudgetTurn& turn) {
        while (i == 0 && !secondKept && inTime()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (!turn.take(80)) return -1;
        if (i == 1) secondKept = true;
        return i;
      },
      2, budget);
  EXPECT_EQ(work.take(inTime), std::optional<int>(0));
  EXPECT_TRUE(secondKept);
  EXPECT_EQ(budget->mostHeld(), 160);
  EXPECT_EQ(work.take(inTime), std::optional<int>(1));
  EXPECT_EQ(budget->held(), 0);
}

TEST(ReadBudget, StoppingWakesAWorkerWaitingForPixels) {
  auto budget = std::make_shared<PixelBudget>(100);
  std::atomic<int> refused{0};
  {
    // The first result is never taken, so the second job waits for its pixels until the stop.
    std::atomic<bool> asking{false};
    OrderedWork<int> work(
        2,
        [&](int i, BudgetTurn& turn) {
          if (i == 1) {
            while (budget->held() < 80) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            asking = true;
          }
          return turn.take(80) ? 1 : (++refused, 0);
        },
        2, budget);
    KV_WAIT_FOR(asking, 60000);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(budget->held(), 80);
    work.stop();
  }
  EXPECT_EQ(refused.load(), 1);
}

TEST_F(ParallelReadTest, CopiesAndTheirFailuresAreTheSameAsWithOneThread) {
  // Pictures that are converted, broken ones among them, and names whose copies coincide.
  struct Case {
    const char* name;
    int format;  // 0: a file that is no picture
  };
  const Case cases[] = {{"a.bmp", 6}, {"b.gif", 2}, {"c.tif", 3}, {"d.tiff", 3}, {"kaputt.bmp", 0},
                        {"leer.gif", 0}, {"e.jpg", 23}, {"f.BMP", 6}, {"g.bmp", 6}, {"g.BMP", 6}};
  int seed = 0;
  for (const Case& c : cases) {
    const QString path = source + c.name;
    if (c.format) {
      ASSERT_TRUE(writePicture(path, 90 + seed * 11, 70 + seed * 7, c.format, seed));
    } else {
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write("BM kein Bild");
    }
    ++seed;
  }
  const Reading pooled = read(0);
  const Reading single = read(-1);
  EXPECT_EQ(pooled.items, single.items);
  EXPECT_EQ(pooled.temp.keys(), single.temp.keys());
  EXPECT_TRUE(pooled.temp == single.temp);
  EXPECT_TRUE(pooled.thumbs == single.thumbs);
  EXPECT_EQ(pooled.messages, single.messages);
  ASSERT_EQ(pooled.messages.size(), 1);
  EXPECT_TRUE(pooled.messages[0].contains("kaputt.bmp"));
  EXPECT_TRUE(pooled.messages[0].contains("leer.gif"));
  for (const char* copy : {"a_bmp.jpg", "b_gif.jpg", "c_tiff.jpg", "d_tiff.jpg", "f_bmp.jpg", "g_bmp.jpg"})
    EXPECT_TRUE(pooled.temp.contains(copy)) << copy;
}

namespace {
// Every file under folder is a whole picture, and no temporary file of a write is left.
void expectOnlyWholePictures(const QString& folder) {
  QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const QString name = QFileInfo(path).fileName();
    EXPECT_FALSE(name.startsWith('.')) << "left over: " << path.toStdString();
    if (!name.toUpper().endsWith(".JPG")) continue;
    px::FileInfo info;
    EXPECT_EQ(px::GetFileInfo(path.toStdString(), info), 1) << path.toStdString();
    px::BitmapList pages;
    EXPECT_EQ(px::LoadFileToList(path.toStdString(), {}, 0, pages), 1) << path.toStdString();
  }
}
}  // namespace

TEST_F(ParallelReadTest, ASecondReadOrClosingEndsTheRunningOneCleanly) {
  // Large enough that the workers are busy when the second read starts.
  for (int i = 0; i < 120; ++i) {
    const QString ext = i % 10 == 3 ? ".bmp" : i % 10 == 6 ? ".tif" : ".jpg";
    const int format = ext == ".bmp" ? 6 : ext == ".tif" ? 3 : 23;
    ASSERT_TRUE(writePicture(source + QString("gross%1").arg(i, 3, 10, QChar('0')) + ext, 900, 700, format, i));
  }
  const QString other = home() + "Andere/";
  QDir().mkpath(other);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(writePicture(other + QString("x%1.jpg").arg(i), 80, 60, 23, i));
  enum class Then { SecondRead, Close };
  enum class During { Copies, Thumbnails };
  const std::pair<Then, During> cases[] = {
      {Then::SecondRead, During::Copies}, {Then::SecondRead, During::Thumbnails}, {Then::Close, During::Thumbnails}};
  for (const auto& c : cases) {
    const Then then = c.first;
    const During during = c.second;
    SCOPED_TRACE(std::string(then == Then::Close ? "closing" : "second read") +
                 (during == During::Copies ? " during the copies" : " during the thumbnails"));
    QDir(form->FAppDir + "thumbs/").removeRecursively();
    // Two workers, so some copies and thumbnails are still being made when the read is ended.
    DecodeAhead::SetWorkerCount(2);
    writeText(form->FAppDir + "NoWer.ini", "");  // no farewell window
    bool started = false;
    // The read calls back in the phase asked for, where the window would answer a click.
    form->OnReadPhase = [&](TMainForm::ReadPhase phase) {
      if (started || phase != (during == During::Copies ? TMainForm::ReadPhase::Copies : TMainForm::ReadPhase::Listing))
        return;
      started = true;
      if (then == Then::SecondRead) {
        form->FSourceFolder = other;
        form->BilderEinlesen(other);
      } else {
        form->close();
      }
    };
    form->FSourceFolder = source;
    const int messagesBefore = int(prompter.messageTexts().size());
    form->BilderEinlesen(source);
    form->OnReadPhase = nullptr;
    ASSERT_TRUE(started) << "the read never reached the phase";
    EXPECT_TRUE(prompter.messageTexts().mid(messagesBefore).isEmpty());
    expectOnlyWholePictures(form->FAppDir + "thumbs/");
    expectOnlyWholePictures(form->FTempPicFolder);
    if (then == Then::SecondRead) {
      QStringList items;
      for (int i = 0; i < form->FileListBox->Count(); ++i) items << ItemFileName(form->FileListBox->Item(i));
      EXPECT_EQ(items, (QStringList{"x0.jpg", "x1.jpg", "x2.jpg"}));
      // Thumbnails the first read finished stay in the cache; the second read made its own.
      for (const QString& name : items)
        EXPECT_TRUE(QFileInfo(form->FAppDir + "thumbs/" + CacheThumbnailName(other + name)).isFile());
    } else {
      EXPECT_TRUE(QDir(form->FAppDir + "thumbs/").entryList(QDir::Files).isEmpty());
      EXPECT_TRUE(QDir(form->FTempPicFolder).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
  }
}

TEST_F(ParallelReadTest, WorkersWriteColourThumbnailsAsTheMakerDoesAndLeaveGreyOnesToIt) {
  const QString made = home() + "made/", maker = home() + "maker/";
  QDir().mkpath(made);
  QDir().mkpath(maker);
  QStringList paths, thumbs;
  for (int i = 0; i < 6; ++i) {
    paths << source + QString("f%1.jpg").arg(i);
    ASSERT_TRUE(i < 4 ? writePicture(paths.last(), 30 + i * 90, 200 - i * 40, 23, i)
                      : writeGreyJpeg(paths.last(), 120, 80, i));
    thumbs << made + QString("t%1.jpg").arg(i);
  }
  const ThumbnailFrame frame = ThumbnailFrameOf(form->PicImage3);
  ASSERT_TRUE(frame.usable);
  DecodeAhead ahead(paths, thumbs, frame, 70, 3);
  for (int i = 0; i < paths.size(); ++i) {
    const std::optional<DecodedPicture> got = ahead.takeIfNext(paths[i]);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->status, 1);
    const bool colour = i < 4;
    EXPECT_EQ(got->thumbnailWritten, colour) << i;
    EXPECT_EQ(got->bitmap.allocated(), !colour) << i;
    EXPECT_EQ(QFileInfo::exists(thumbs[i]), colour) << i;
    ASSERT_TRUE(MakeThumbnailFile(form->PicImage3, paths[i], maker + QString("t%1.jpg").arg(i), 70));
    if (colour) {
      QFile a(thumbs[i]), b(maker + QString("t%1.jpg").arg(i));
      ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
      EXPECT_TRUE(a.readAll() == b.readAll()) << i;
    }
  }
  // Only the finished files: no temporary file is left beside them.
  EXPECT_EQ(QDir(made).entryList(QDir::Files | QDir::Hidden).size(), 4);
}

TEST_F(ParallelReadTest, AListPictureReadAheadIsDroppedWhenItsFileChanged) {
  QStringList thumbs;
  std::vector<AheadItem> items;
  for (int i = 0; i < 2; ++i) {
    thumbs << source + QString("_THUMB_t%1.jpg").arg(i);
    ASSERT_TRUE(writePicture(thumbs.last(), 40, 30, 23, i));
    AheadItem item;
    item.picture = source + QString("t%1.jpg").arg(i);
    item.decode = false;
    item.listPicture = thumbs.last();
    items.push_back(item);
  }
  DecodeAhead ahead(std::move(items), ThumbnailFrame(), 70, 2);
  std::optional<DecodedPicture> kept = ahead.takeIfNext(source + "t0.jpg");
  std::optional<DecodedPicture> changed = ahead.takeIfNext(source + "t1.jpg");
  ASSERT_TRUE(kept && changed);
  EXPECT_FALSE(kept->decoded);
  ASSERT_TRUE(kept->listPicture && changed->listPicture);
  ASSERT_TRUE(writePicture(thumbs[1], 64, 48, 23, 7));  // replaced after the worker read it
  kalvora::THTMLPictureCache cache;
  AdoptListPicture(cache, kept);
  AdoptListPicture(cache, changed);
  ASSERT_EQ(cache.Count(), 1);
  EXPECT_EQ(cache.GetPicture(0)->URL(), kalvora::ThumbnailItemPictureURL(thumbs[0]));
  EXPECT_EQ(cache.GetPicture(0)->Width(), 40);
}

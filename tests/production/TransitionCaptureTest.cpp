// The real capture window with the real paint effects: every transition line of the shipped
// effects file, and one line per effect family at every other capture size, must give frames
// that pass from the first key frame to the second (never over a blank or grey surface).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QStringList>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include "EffectList.h"
#include "FrameConversion.h"
#include "StringList.h"
#include "TestSupport.h"
#include "fCapture.h"

namespace {

// What a grabbed frame holds of the two key frames.
struct Mix {
  double share = 0;      // how far it has come from the first key frame to the second (0..1)
  double explained = 0;  // pixels that are the first, the second or a blend of the two at their place
  double spread = 0;     // standard deviation of the brightness (0 for a flat colour)
};

// Compared in 8 x 8 blocks, so that the fine stripes of an effect and the noise of the JPEG
// frames average out: a block is explained when it is the first key frame, the second or a
// blend of the two at its place.
Mix Measure(const QImage& frameIn, const QImage& firstIn, const QImage& secondIn) {
  constexpr int kBlock = 8;
  const QImage frame = frameIn.convertToFormat(QImage::Format_RGB888);
  const QImage a = firstIn.convertToFormat(QImage::Format_RGB888);
  const QImage b = secondIn.convertToFormat(QImage::Format_RGB888);
  Mix m;
  if (frame.size() != a.size() || a.size() != b.size()) return m;
  auto average = [](const QImage& img, int bx, int by, double out[3]) {
    out[0] = out[1] = out[2] = 0;
    for (int y = by; y < by + kBlock; ++y) {
      const uchar* p = img.constScanLine(y) + 3 * bx;
      for (int x = 0; x < kBlock; ++x)
        for (int c = 0; c < 3; ++c) out[c] += p[3 * x + c];
    }
    for (int c = 0; c < 3; ++c) out[c] /= kBlock * kBlock;
  };
  double shareSum = 0, weight = 0, lum = 0, lum2 = 0;
  int64_t explained = 0, n = 0;
  for (int by = 0; by + kBlock <= frame.height(); by += kBlock)
    for (int bx = 0; bx + kBlock <= frame.width(); bx += kBlock) {
      double p[3], pa[3], pb[3];
      average(frame, bx, by, p);
      average(a, bx, by, pa);
      average(b, bx, by, pb);
      double d[3], q[3], dd = 0, dq = 0;
      for (int c = 0; c < 3; ++c) {
        d[c] = pb[c] - pa[c];
        q[c] = p[c] - pa[c];
        dd += d[c] * d[c];
        dq += d[c] * q[c];
      }
      const double t = dd > 0 ? std::clamp(dq / dd, 0.0, 1.0) : 0.0;
      double r2 = 0;
      for (int c = 0; c < 3; ++c) r2 += (q[c] - t * d[c]) * (q[c] - t * d[c]);
      if (r2 < 30.0 * 30.0) ++explained;
      if (dd > 80.0 * 80.0) {
        shareSum += t;
        weight += 1;
      }
      const double l = 0.3 * p[0] + 0.59 * p[1] + 0.11 * p[2];
      lum += l;
      lum2 += l * l;
      ++n;
    }
  m.share = weight > 0 ? shareSum / weight : 0;
  m.explained = n ? double(explained) / double(n) : 0;
  const double mean = n ? lum / double(n) : 0;
  m.spread = n ? std::sqrt(std::max(0.0, lum2 / double(n) - mean * mean)) : 0;
  return m;
}

// A picture of a gentle two-way gradient around a base colour, so that shifted, zoomed or
// averaged parts of it still look like it at their place.
QImage Picture(int w, int h, QColor base, bool turned) {
  QImage img(w, h, QImage::Format_RGB888);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double u = double(turned ? y : x) / std::max(1, turned ? h : w) - 0.5;
      const double v = double(turned ? x : y) / std::max(1, turned ? w : h) - 0.5;
      const int k = int(std::lround(14 * u + 8 * v));
      img.setPixelColor(x, y, QColor(std::clamp(base.red() + k, 0, 255), std::clamp(base.green() + k, 0, 255),
                                     std::clamp(base.blue() - k, 0, 255)));
    }
  return img;
}

class TransitionCaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TCaptureForm::PictureFactory = nullptr;
    TCaptureForm::RandomSeed.reset();
    TCaptureForm::WatchdogMilliseconds = 20000;
    effectsFile = QString(KALVORA_SOURCE_DIR) + "/data/Effects.ini";
    ASSERT_TRUE(lines.loadFromFile(effectsFile));
    ASSERT_GT(lines.count(), 20);
  }
  void TearDown() override { TCaptureForm::RandomSeed.reset(); }

  // The two key frames of a capture size, made by the picture conversion itself.
  void makeKeyFrames(QSize size) {
    if (keySize == size) return;
    TPictureConverter conv;
    conv.HighQuality = true;
    conv.FFrameWidth = size.width();
    conv.FFrameHeight = size.height();
    conv.Mode = size.width() > 352 ? "SVCD" : "VCD";
    conv.FBackgroundColor = Qt::black;
    conv.FTextColor = Qt::white;
    conv.FTextOffset = 10;
    conv.Captions = true;
    ASSERT_TRUE(Picture(size.width() * 2, size.height() * 2, QColor(40, 70, 210), false).save(tmp.file("a.jpg"), "JPG", 95));
    ASSERT_TRUE(Picture(size.width() * 2, size.height() * 2, QColor(225, 200, 40), true).save(tmp.file("b.jpg"), "JPG", 95));
    conv.FPictureCaption = "Erstes Bild";
    conv.ConvertPicture(tmp.file("a.jpg"), tmp.file("inp0001"));
    conv.FPictureCaption = "Zweites Bild";
    conv.ConvertPicture(tmp.file("b.jpg"), tmp.file("inp0002"));
    first = QImage(tmp.file("inp0001_Key.jpg"));
    second = QImage(tmp.file("inp0002_Key.jpg"));
    ASSERT_EQ(first.size(), size);
    ASSERT_EQ(second.size(), size);
    keySize = size;
  }

  // Runs the capture window for one line (1-based) and returns the grabbed frames.
  std::vector<QImage> capture(int number, bool random = false) {
    for (const QString& f : QDir(tmp.path()).entryList({"inp0001???.jpg"}, QDir::Files)) QFile::remove(tmp.file(f));
    TCaptureForm form;
    form.FirstPicture = tmp.file("inp0001_Key.jpg");
    form.SecondPicture = tmp.file("inp0002_Key.jpg");
    form.FrameBaseName = tmp.file("inp0001");
    form.EffectNumber = number;
    form.EffectsFile = effectsFile;
    form.RandomEffect = random;
    form.TransitionFrames = 12;
    form.ShowModal();
    usedIndex = form.EffectIndex();
    std::vector<QImage> frames;
    for (int i = 1; i <= form.FrameCount(); ++i)
      frames.push_back(QImage(tmp.file(QString("inp0001%1.jpg").arg(i, 3, 10, QChar('0')))));
    return frames;
  }

  // The frames of one transition move from the first key frame to the second.
  void expectPassage(const std::vector<QImage>& frames, const QString& what) {
    const std::string label = what.toStdString();
    ASSERT_GE(frames.size(), 8u) << label;
    std::vector<Mix> mix;
    for (const QImage& f : frames) {
      ASSERT_EQ(f.size(), keySize) << label;
      mix.push_back(Measure(f, first, second));
    }
    double explained = 0;
    for (size_t i = 0; i < mix.size(); ++i) {
      explained += mix[i].explained / double(mix.size());
      // Pushes move the caption bands across the pictures and mosaics average them into their
      // blocks; a blank or grey surface leaves far less.
      EXPECT_GT(mix[i].explained, 0.6) << label << " frame " << i + 1 << " holds what neither key frame shows";
      EXPECT_GT(mix[i].spread, 4.0) << label << " frame " << i + 1 << " is a flat colour";
      if (i > 0) {
        EXPECT_GE(mix[i].share, mix[i - 1].share - 0.03) << label << " frame " << i + 1 << " goes back";
      }
    }
    EXPECT_GT(explained, 0.8) << label;
    const Mix& middle = mix[mix.size() / 2];
    EXPECT_GT(middle.share, 0.1) << label << " middle frame";
    EXPECT_LT(middle.share, 0.9) << label << " middle frame";
    EXPECT_GT(mix.back().share, mix.front().share + 0.02) << label << " stands still";
  }

  // Line numbers (1-based) of the transition lines (all but the plain paint; the cross-fade
  // 1001 is one of them), and the first line of every family.
  std::vector<int> transitionLines() const {
    std::vector<int> out;
    for (int i = 0; i < lines.count(); ++i) {
      const int code = ParseEffectLine(lines[i]).PaintEffect;
      if (code != 1000) out.push_back(i + 1);
    }
    return out;
  }
  std::vector<int> oneLinePerFamily() const {
    std::map<int, int> first;
    for (int n : transitionLines()) first.emplace(ParseEffectLine(lines[n - 1]).PaintEffect / 1000, n);
    std::vector<int> out;
    for (auto [family, n] : first) out.push_back(n);
    return out;
  }

  testsupport::TempFolder tmp;
  QString effectsFile;
  kalvora::StringList lines;
  QSize keySize;
  QImage first, second;
  int usedIndex = -1;
};

TEST_F(TransitionCaptureTest, EveryTransitionLineRunsFromTheFirstKeyFrameToTheSecond) {
  makeKeyFrames(QSize(352, 288));
  const std::vector<int> numbers = transitionLines();
  ASSERT_GT(numbers.size(), 100u);
  for (int n : numbers) expectPassage(capture(n), QString("line %1 (%2)").arg(n).arg(lines[n - 1]));
}

TEST_F(TransitionCaptureTest, EveryFamilyAtTheOtherCaptureSizes) {
  const std::vector<int> numbers = oneLinePerFamily();
  ASSERT_EQ(numbers.size(), 16u);
  for (QSize size : {QSize(352, 240), QSize(576, 480), QSize(480, 480)}) {
    makeKeyFrames(size);
    for (int n : numbers)
      expectPassage(capture(n), QString("%1x%2 line %3 (%4)").arg(size.width()).arg(size.height()).arg(n).arg(lines[n - 1]));
  }
}

TEST_F(TransitionCaptureTest, TheRandomChoiceIsATransitionToo) {
  makeKeyFrames(QSize(352, 288));
  for (unsigned seed : {1u, 7u, 42u}) {
    TCaptureForm::RandomSeed = seed;
    const std::vector<QImage> frames = capture(1, true);
    ASSERT_GE(usedIndex, 0);
    const int code = ParseEffectLine(lines[usedIndex]).PaintEffect;
    if (code == 1000) {
      EXPECT_TRUE(frames.empty()) << "the plain paint is a cut";
    } else {
      expectPassage(frames, QString("random line %1 (%2)").arg(usedIndex + 1).arg(lines[usedIndex]));
    }
  }
}

TEST_F(TransitionCaptureTest, ThePlainPaintLinesStayCuts) {
  makeKeyFrames(QSize(352, 288));
  int seen = 0;
  for (int i = 0; i < lines.count(); ++i) {
    if (ParseEffectLine(lines[i]).PaintEffect != 1000) continue;
    ++seen;
    // Whatever is grabbed already shows the second key frame whole.
    for (const QImage& f : capture(i + 1)) {
      const Mix m = Measure(f, first, second);
      EXPECT_GT(m.share, 0.95) << lines[i].toStdString();
      EXPECT_GT(m.explained, 0.95) << lines[i].toStdString();
    }
  }
  EXPECT_GT(seen, 0);
}

// The effect line's delay paces a transition for a person watching it; the capture renders
// without it: the same frames byte for byte, whether the line waits 0, 1 or 900 000 ms a step.
TEST_F(TransitionCaptureTest, TheEffectDelayChangesNoFrameAndHoldsNothingUp) {
  makeKeyFrames(QSize(352, 288));
  effectsFile = tmp.file("Delays.ini");
  ASSERT_TRUE(testsupport::writeBytes(effectsFile, "2000;0;8;12;0\r\n2000;1;8;12;0\r\n2000;900000;8;12;0\r\n"));
  // A capture that waited would take a day; only as a safety net, the program ends after
  // five minutes instead of hanging until the suite's time limit.
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  std::thread guard([&] {
    std::unique_lock<std::mutex> lock(m);
    if (!cv.wait_for(lock, std::chrono::minutes(5), [&] { return done; })) {
      std::fprintf(stderr, "the capture still waits after five minutes: it keeps the effect's delay\n");
      std::_Exit(1);
    }
  });
  std::vector<std::vector<QByteArray>> files;
  for (int line = 1; line <= 3; ++line) {
    const std::vector<QImage> frames = capture(line);
    std::vector<QByteArray> bytes;
    for (size_t i = 1; i <= frames.size(); ++i)
      bytes.push_back(testsupport::readBytes(tmp.file(QString("inp0001%1.jpg").arg(int(i), 3, 10, QChar('0')))));
    files.push_back(bytes);
  }
  {
    std::lock_guard<std::mutex> lock(m);
    done = true;
  }
  cv.notify_all();
  guard.join();
  ASSERT_GE(files[0].size(), 8u);
  for (size_t line = 1; line < files.size(); ++line) {
    ASSERT_EQ(files[line].size(), files[0].size()) << "line " << line + 1;
    for (size_t i = 0; i < files[0].size(); ++i) {
      EXPECT_FALSE(files[line][i].isEmpty());
      EXPECT_TRUE(files[line][i] == files[0][i]) << "line " << line + 1 << " frame " << i + 1 << " differs";
    }
  }
}

}  // namespace

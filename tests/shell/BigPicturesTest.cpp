// Pictures that are small files but huge in memory: a GIF of 40 frames of 10000 x 10000 and a
// folder of 14000 x 14000 PNGs. Each step runs in a child process (shell_memory_child) whose
// peak memory the kernel reports; the bounds are far above what the step takes and far below
// what it took when every frame was kept or every core decoded a picture of its own.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <string>
#include <vector>

#include "BigPictures.h"
#include "PictureFiles.h"
#include "ShellFixture.h"

extern char** environ;

namespace {
struct ChildRun {
  int exitCode = -1;
  int64_t peakMb = 0;
  QStringList items, messages, pages;
  QString seconds;
};

ChildRun runChild(const QStringList& args, const QString& report) {
  std::vector<std::string> strings{KALVORA_MEMORY_CHILD};
  for (const QString& a : args) strings.push_back(a.toStdString());
  strings.push_back(report.toStdString());
  std::vector<char*> argv;
  for (std::string& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);
  ChildRun run;
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return run;
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.peakMb = int64_t(usage.ru_maxrss) / 1024;  // kilobytes on Linux
  QFile f(report);
  if (f.open(QIODevice::ReadOnly))
    for (const QString& line : QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)) {
      if (line.startsWith("item: ")) run.items << line.mid(6);
      else if (line.startsWith("message: ")) run.messages << line.mid(9);
      else if (line.startsWith("pages: ")) run.pages << line.mid(7);
      else if (line.startsWith("seconds: ")) run.seconds = line.mid(9);
    }
  return run;
}

// The centre colour of a picture, decoded at a reduced size by Qt's own reader.
QRgb centreColour(const QString& path) {
  QImageReader reader(path);
  const QSize size = reader.size();
  if (!size.isValid()) return 0;
  reader.setScaledSize(size / 16);
  const QImage img = reader.read();
  return img.isNull() ? 0 : img.pixel(img.width() / 2, img.height() / 2);
}

bool near(QRgb a, uint32_t b) {
  return std::abs(qRed(a) - int(b >> 16 & 255)) <= 3 && std::abs(qGreen(a) - int(b >> 8 & 255)) <= 3 &&
         std::abs(qBlue(a) - int(b & 255)) <= 3;
}

class BigPicturesTest : public shelltest::ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    source = home() + "Fotos/";
    QDir().mkpath(source);
  }
  ChildRun run(const QStringList& args) {
    const ChildRun r = runChild(args, app.file("report.txt"));
    std::printf("[ child ] %s: %lld MB at the peak, %s s\n", args.join(' ').toLocal8Bit().constData(),
                static_cast<long long>(r.peakMb), r.seconds.toLocal8Bit().constData());
    return r;
  }
  QString source;
};

// The animation of the issue: 40 frames of 10000 x 10000, 2.9 MB as a file, 4 GB as frames.
QByteArray hugeAnimation() { return shelltest::flatGif(10000, 10000, 40); }
}  // namespace

TEST(BigPictureFiles, TheFlatAnimationReadsAsItsFramesInAnotherDecoder) {
  // The hand-made LZW data, checked with Qt's GIF reader on frames long enough for the code
  // table to fill and start again (after some 7.4 million pixels).
  testsupport::TempFolder tmp;
  ASSERT_TRUE(testsupport::writeBytes(tmp.file("a.gif"), shelltest::flatGif(3001, 2601, 3)));
  QImageReader reader(tmp.file("a.gif"));
  EXPECT_EQ(reader.imageCount(), 3);
  for (int k = 0; k < 3; ++k) {
    const QImage frame = reader.read();
    ASSERT_EQ(frame.size(), QSize(3001, 2601)) << k;
    for (const QPoint p : {QPoint(0, 0), QPoint(1500, 1300), QPoint(3000, 2600)})
      EXPECT_EQ(frame.pixel(p) & 0xFFFFFF, shelltest::flatGifColour(k + 1)) << k;
  }
  EXPECT_LT(hugeAnimation().size(), 4 * 1024 * 1024);
}

TEST_F(BigPicturesTest, AFolderWithAHugeAnimationIsReadFromItsFirstFrame) {
  ASSERT_TRUE(testsupport::writeBytes(source + "riesig.gif", hugeAnimation()));
  ASSERT_TRUE(shelltest::writePicture(source + "klein.jpg", 80, 60, 23));
  const ChildRun r = run({"read", source, "0"});
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.items, (QStringList{"klein.jpg", "riesig_gif.jpg"}));
  EXPECT_TRUE(r.messages.isEmpty()) << r.messages.join('\n').toStdString();
  // The copy shows the first frame.
  EXPECT_TRUE(near(centreColour(appDir + "temppic/riesig_gif.jpg"), shelltest::flatGifColour(1)));
  // One frame, its 24-bit copy and the JPEG: some 500 MB (all 40 frames took 4.1 GB).
  EXPECT_LT(r.peakMb, 1500);
}

TEST_F(BigPicturesTest, LoadingEveryFrameOfAHugeAnimationIsRefusedWithAMessage) {
  const QString gif = source + "riesig.gif";
  ASSERT_TRUE(testsupport::writeBytes(gif, hugeAnimation()));
  const ChildRun all = run({"load", gif, "-1"});
  ASSERT_EQ(all.exitCode, 0);
  EXPECT_TRUE(all.pages.isEmpty());
  ASSERT_EQ(all.messages.size(), 1);
  EXPECT_TRUE(all.messages[0].contains("Load: Not enough memory available")) << all.messages[0].toStdString();
  // Refused once the frames pass 400 million pixels (all 40 took 4 GB).
  EXPECT_LT(all.peakMb, 1500);
  const ChildRun first = run({"load", gif, "1"});
  EXPECT_EQ(first.pages, QStringList{"1"});
  EXPECT_TRUE(first.messages.isEmpty());
}

TEST_F(BigPicturesTest, ReadingAheadTakesNoMoreMemoryWithMoreWorkers) {
  // Four grey PNGs of 14000 x 14000 (200 KB each): each is 196 MB decoded and 588 MB as the
  // 24-bit picture its JPEG copy is made from.
  ASSERT_TRUE(shelltest::writeFlatGreyPng(source + "gross0.png", 14000, 14000, 77));
  for (int i = 1; i < 4; ++i) ASSERT_TRUE(QFile::copy(source + "gross0.png", source + QString("gross%1.png").arg(i)));
  const QStringList copies{"gross0_png.jpg", "gross1_png.jpg", "gross2_png.jpg", "gross3_png.jpg"};
  const ChildRun one = run({"read", source, "1"});
  const ChildRun four = run({"read", source, "4"});
  for (const ChildRun* r : {&one, &four}) {
    ASSERT_EQ(r->exitCode, 0);
    EXPECT_EQ(r->items, copies);
    EXPECT_TRUE(r->messages.isEmpty());
  }
  EXPECT_TRUE(near(centreColour(appDir + "temppic/gross3_png.jpg"), 0x4D4D4D));
  // With a worker per picture each held one: 2.3 GB against 0.8 GB for one worker.
  EXPECT_LT(four.peakMb, one.peakMb * 3 / 2);
  EXPECT_LT(four.peakMb, 1800);
}

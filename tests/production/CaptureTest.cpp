// The transition capture window: grabs per effect progress, names, the end threshold, the
// watchdog and the effect line it takes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>

#include "FrameConversion.h"
#include "TestSupport.h"
#include "VideoTestUtil.h"
#include "fCapture.h"

namespace {

// A paint effect that reports every whole percent from 0 to `last` once, showing a frame whose
// red value tells the percent.
class StubEffect : public TPicImage {
 public:
  explicit StubEffect(QWidget* parent, int last) : TPicImage(parent), last_(last) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    if (OnPaintNotify) OnPaintNotify(this, 0, 1);
    for (int p = 0; p <= last_; ++p) {
      effectFrame_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
      effectFrame_.fill(QColor(p * 2, 0, 0));
      if (EnableProgressEvent() && OnStatus) OnStatus(this, p);
    }
    if (OnPaint) OnPaint(this);
  }

 private:
  int last_;
};

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TCaptureForm::WatchdogMilliseconds = 3000;
    TCaptureForm::RandomSeed.reset();
    for (auto [name, color] : {std::pair{"a_Key.jpg", Qt::blue}, std::pair{"b_Key.jpg", Qt::yellow}}) {
      QImage img(64, 48, QImage::Format_RGB888);
      img.fill(color);
      ASSERT_TRUE(img.save(tmp.file(name), "JPG", 95));
    }
    setEffects("2000;0;8;4;0\r\n1001;0;4;1;0\r\n");
  }
  void TearDown() override {
    TCaptureForm::PictureFactory = nullptr;
    TCaptureForm::RandomSeed.reset();
  }
  void useStub(int last) {
    TCaptureForm::PictureFactory = [last](QWidget* parent) { return new StubEffect(parent, last); };
  }
  void setEffects(const QByteArray& text) { ASSERT_TRUE(videotest::writeFile(tmp.file("Effects.ini"), text)); }
  // Runs one transition; returns the frames grabbed.
  int run(int effectNumber = 1, bool random = false, int* index = nullptr) {
    TCaptureForm form;
    form.FirstPicture = tmp.file("a_Key.jpg");
    form.SecondPicture = tmp.file("b_Key.jpg");
    form.FrameBaseName = tmp.file("inp0001");
    form.EffectNumber = effectNumber;
    form.EffectsFile = tmp.file("Effects.ini");
    form.RandomEffect = random;
    form.TransitionFrames = 12;
    form.ShowModal();
    EXPECT_FALSE(form.isVisible());
    if (index) *index = form.EffectIndex();
    return form.FrameCount();
  }
  QStringList grabbed() { return QDir(tmp.path()).entryList({"inp0001*.jpg"}, QDir::Files, QDir::Name); }

  testsupport::TempFolder tmp;
};

TEST_F(CaptureTest, EveryWholePercentGivesEighteenFramesNamedInOrder) {
  useStub(100);
  EXPECT_EQ(run(), 18);
  QStringList expected;
  for (int i = 1; i <= 18; ++i) expected << QString("inp0001%1.jpg").arg(i, 3, 10, QChar('0'));
  EXPECT_EQ(grabbed(), expected);
  // The 5th, 10th, ... status: frame 1 shows percent 4, frame 18 percent 89.
  EXPECT_NEAR(QImage(tmp.file("inp0001001.jpg")).pixelColor(10, 10).red(), 8, 3);
  EXPECT_NEAR(QImage(tmp.file("inp0001018.jpg")).pixelColor(10, 10).red(), 178, 3);
  EXPECT_EQ(QImage(tmp.file("inp0001018.jpg")).size(), QSize(64, 48));
}

TEST_F(CaptureTest, APaintThatNeverReachesTheEndClosesByItself) {
  useStub(50);
  EXPECT_EQ(run(), 10);
}

TEST_F(CaptureTest, UnusableEffectLinesGiveACut) {
  useStub(100);
  struct Case {
    QByteArray effects;
    int number;
  };
  const Case cases[] = {{"", 1}, {"2000;0;8;4;0\r\n", 2}, {"2000;0;8;4;0\r\n", 0}, {"abc;0;8;4;0\r\n", 1},
                        {"99999;0;8;4;0\r\n", 1}};
  for (const Case& c : cases) {
    setEffects(c.effects);
    int index = 0;
    EXPECT_EQ(run(c.number, false, &index), 0) << c.effects.constData() << " " << c.number;
    EXPECT_EQ(index, -1);
  }
  QFile::remove(tmp.file("Effects.ini"));
  EXPECT_EQ(run(), 0);
}

TEST_F(CaptureTest, TheEffectLineIsTheNumberOrARandomOneBeforeTheLast) {
  useStub(0);
  int index = -1;
  run(1, false, &index);
  EXPECT_EQ(index, 0);
  run(2, false, &index);
  EXPECT_EQ(index, 1);
  QByteArray lines;
  for (int i = 0; i < 20; ++i) lines += QByteArray::number(2000 + i) + ";0;8;4;0\r\n";
  setEffects(lines);
  int highest = 0;
  for (unsigned seed = 0; seed < 40; ++seed) {
    TCaptureForm::RandomSeed = seed;
    run(1, true, &index);
    EXPECT_GE(index, 0);
    EXPECT_LE(index, 18);
    highest = std::max(highest, index);
  }
  EXPECT_GE(highest, 10);
}

TEST_F(CaptureTest, AMissingKeyFrameIsReportedAndTheWindowCloses) {
  useStub(100);
  TCaptureJob job;
  job.FirstPicture = tmp.file("a_Key.jpg");
  job.SecondPicture = tmp.file("missing_Key.jpg");
  job.FrameBaseName = tmp.file("inp0001");
  job.EffectsFile = tmp.file("Effects.ini");
  EXPECT_THROW(RunCaptureWindow(job), EPicImageError);
  EXPECT_TRUE(grabbed().isEmpty());
}

}  // namespace

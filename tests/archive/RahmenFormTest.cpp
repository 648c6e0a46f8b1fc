// The frames dialog end to end, offscreen: unpacking the built collection, choosing,
// turning and composing a frame, and a damaged collection.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>

#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "fRahmen.h"

namespace {

class RahmenFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app = tmp.path() + "/";
    qputenv("KALVORA_APPDIR", app.toUtf8());
    QDir().mkpath(app + "rahmen");
    const QString built = QString(KALVORA_TEST_BIN_DIR) + "/rahmen/Rahmen.zip";
    ASSERT_TRUE(QFile::exists(built)) << built.toStdString();
    ASSERT_TRUE(QFile::copy(built, app + "rahmen/Rahmen.zip"));
    QImage picture(800, 600, QImage::Format_RGB888);
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x) picture.setPixel(x, y, qRgb(x % 256, y % 256, 90));
    ASSERT_TRUE(picture.save(app + "rahmen.jpg", "JPG", 95));
  }
  void TearDown() override { qunsetenv("KALVORA_APPDIR"); }
  testsupport::TempFolder tmp;
  QString app;
};

}  // namespace

TEST_F(RahmenFormTest, UnpacksChoosesTurnsAndComposes) {
  kalvora::ScriptedPrompter prompter;
  kalvora::PrompterScope scope(prompter);
  TRahmenForm form;
  form.FPicturePath = app + "rahmen.jpg";
  form.FormActivate();
  EXPECT_FALSE(QFile::exists(app + "rahmen/Rahmen.zip"));
  for (const char* f : {"Gold.bmp", "Holz.bmp", "Silber.bmp", "Passepartout.bmp", "Oval.bmp"})
    EXPECT_TRUE(QFile::exists(app + "rahmen/" + f)) << f;
  EXPECT_TRUE(prompter.messageTexts().isEmpty());
  EXPECT_TRUE(form.SaveBitBtn->isHidden());

  prompter.answerFile(app + "rahmen/Gold.bmp");
  QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
  EXPECT_FALSE(form.BearbeitenPanel->isHidden());
  EXPECT_FALSE(form.SaveBitBtn->isHidden());
  ASSERT_FALSE(form.ErgebnisBitmap.isNull());
  EXPECT_EQ(form.ErgebnisBitmap.size(), QSize(480, 360));
  EXPECT_TRUE(form.SaveBitBtn->isEnabled());
  EXPECT_EQ(form.ZoomTrackBar->value(), 480);  // the smallest zoom at which the frame fits
  // The border is the frame's, the middle is the picture's.
  QImage frame(app + "rahmen/Gold.bmp");
  EXPECT_EQ(form.ErgebnisBitmap.pixel(5, 5), frame.pixel(5, 5));
  EXPECT_NE(form.ErgebnisBitmap.pixel(240, 180), qRgb(255, 0, 255));

  const QImage first = form.MaskeBitmap;
  QTest::mouseClick(form.RotateBitBtn, Qt::LeftButton);
  EXPECT_EQ(form.MaskeBitmap.size(), QSize(360, 480));
  EXPECT_EQ(form.ErgebnisBitmap.size(), QSize(360, 480));
  for (int i = 0; i < 3; ++i) QTest::mouseClick(form.RotateBitBtn, Qt::LeftButton);
  EXPECT_EQ(form.MaskeBitmap, first);  // four quarter turns are none

  form.ZoomTrackBar->setValue(1000);
  form.WidthTrackBar->setValue(100);
  form.HeightTrackBar->setValue(50);
  EXPECT_EQ(form.ErgebnisBitmap.size(), QSize(480, 360));
  EXPECT_EQ(form.VRLabel->text(), QString::fromUtf8("von rechts: 100 Pixel"));
  EXPECT_EQ(form.VOLabel->text(), QString::fromUtf8("von oben: 50 Pixel"));
  EXPECT_EQ(form.ZoomLabel->text(), QString::fromUtf8("Zoom: 1000"));

  // A second showing finds the unpacked frames and no collection.
  form.FormActivate();
  EXPECT_TRUE(prompter.messageTexts().isEmpty());
  EXPECT_TRUE(QFile::exists(app + "rahmen/Gold.bmp"));
}

TEST_F(RahmenFormTest, AnEmptyPreviewCannotBeTakenOver) {
  kalvora::ScriptedPrompter prompter;
  kalvora::PrompterScope scope(prompter);
  TRahmenForm form;
  form.FormActivate();
  form.FPicturePath = app + "fehlt.jpg";
  prompter.answerFile(app + "rahmen/Oval.bmp");
  QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
  EXPECT_TRUE(form.ErgebnisBitmap.isNull());
  EXPECT_FALSE(form.SaveBitBtn->isEnabled());
}

TEST_F(RahmenFormTest, ATruncatedCollectionIsKeptAndReported) {
  QFile zip(app + "rahmen/Rahmen.zip");
  ASSERT_TRUE(zip.open(QIODevice::ReadWrite));
  const qint64 cut = zip.size() * 2 / 3;
  zip.resize(cut);
  zip.close();
  kalvora::ScriptedPrompter prompter;
  kalvora::PrompterScope scope(prompter);
  TRahmenForm form;
  form.FormActivate();
  EXPECT_TRUE(QFile::exists(app + "rahmen/Rahmen.zip"));
  EXPECT_EQ(QFileInfo(app + "rahmen/Rahmen.zip").size(), cut);
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts()[0].contains("Rahmen.zip"));
}

TEST(RahmenBlend, MaskedBlendTable) {
  QImage target(4, 4, QImage::Format_RGB888);
  target.fill(qRgb(100, 100, 100));
  QImage source(2, 2, QImage::Format_RGB888);
  source.fill(qRgb(200, 0, 50));
  source.setPixel(0, 0, qRgb(255, 0, 255));
  QImage t = target;
  EXPECT_TRUE(TRahmenForm::BlendMasked(t, source, qRgb(255, 0, 255), 1, 1, 255));
  EXPECT_EQ(t.pixel(1, 1), qRgb(100, 100, 100));  // transparent
  EXPECT_EQ(t.pixel(2, 1), qRgb(200, 0, 50));
  t = target;
  EXPECT_TRUE(TRahmenForm::BlendMasked(t, source, qRgb(255, 0, 255), 2, 2, 5));
  EXPECT_EQ(t.pixel(3, 3), qRgb(150, 50, 75));
  t = target;
  EXPECT_FALSE(TRahmenForm::BlendMasked(t, source, qRgb(255, 0, 255), 3, 0, 10));
  QImage wide = target.convertToFormat(QImage::Format_RGB32);
  EXPECT_FALSE(TRahmenForm::BlendMasked(wide, source, qRgb(255, 0, 255), 0, 0, 10));
}

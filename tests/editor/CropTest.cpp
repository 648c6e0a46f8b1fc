// Crop for print formats drawn with the mouse in the fitted view, free crop and the tip windows.
#include "EditorFixture.h"

using namespace edtest;

namespace {
// The picture pixel under a control point of the fitted view.
QPoint pictureAt(PicImageControl* v, QPoint p) {
  const double sx = double(v->BitmapWidth()) / v->DstWidth(), sy = double(v->BitmapHeight()) / v->DstHeight();
  return QPoint(int(std::lround((p.x() - v->DstLeft()) * sx)), int(std::lround((p.y() - v->DstTop()) * sy)));
}
}  // namespace

TEST_F(EditorTest, PrintCropCutsExactlyTheDrawnAreaInPicturePixels) {
  const QImage original = makeImage(2600, 1800);
  open("gross.png", original, px::kFormatPng);
  PicImageControl* v = view();
  ASSERT_LT(v->DstWidth(), 2600);  // the view shows the picture reduced
  ASSERT_GT(v->DstWidth(), 100);
  click(editor->Image11);
  EXPECT_TRUE(editor->ZuschneidenPanel->isVisible());
  EXPECT_FALSE(editor->EffectsPanel->isVisible());
  EXPECT_TRUE(editor->RadioButton9_13->isChecked());
  EXPECT_EQ(v->RgnFrameType(), 2);

  const QPoint from(v->DstLeft() + v->DstWidth() / 8, v->DstTop() + v->DstHeight() / 6);
  const QPoint to = from + QPoint(v->DstWidth() * 2 / 3, v->DstHeight() / 2);
  drag(v, from, to);
  const QPoint start = pictureAt(v, from), end = pictureAt(v, to);
  const int width = end.x() - start.x(), height = width * 9 / 13;
  EXPECT_NEAR(v->RgnLeft(), start.x(), 1);
  EXPECT_NEAR(v->RgnTop(), start.y(), 1);
  EXPECT_NEAR(v->RgnWidth(), width, 2);
  EXPECT_EQ(v->RgnHeight(), v->RgnWidth() * 9 / 13);  // the ratio holds in picture pixels
  const QRect kept(v->RgnLeft(), v->RgnTop(), v->RgnWidth(), v->RgnHeight());
  ASSERT_GE(kept.width(), 640);
  EXPECT_TRUE(editor->XLabel->text().startsWith("Zuschnitt: "));

  click(editor->AusfuehrenBitBtn);
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("|").toStdString();
  EXPECT_EQ(editor->FUndoIndex(), 1);
  EXPECT_EQ(viewImage(v), original.copy(kept));
  EXPECT_FALSE(editor->ZuschneidenPanel->isVisible());
  EXPECT_TRUE(editor->EffectsPanel->isVisible());
  EXPECT_TRUE(editor->ZoomPanel->isVisible());
  EXPECT_EQ(refreshes.size(), 1);
  EXPECT_EQ(readPicture(appDir + "Temp.jpg").size(), kept.size());
  (void)height;
}

TEST_F(EditorTest, PrintCropRefusesTooSmallASide) {
  open("gross.png", makeImage(2600, 1800), px::kFormatPng);
  PicImageControl* v = view();
  struct Case {
    QRadioButton* format;
    bool landscape;
    const char* message;
  };
  const QString text = QString::fromUtf8("Um gute %1 Fotoabzüge zu erhalten sollte das zugeschnittene Bild eine %2 von %3 Pixel haben! ");
  const std::vector<std::pair<Case, QString>> cases = {
      {{editor->RadioButton9_13, true, ""}, text.arg("9x13", QString::fromUtf8("Mindestbreite")).arg(640)},
      {{editor->RadioButton10_15, false, ""}, text.arg("10x15", QString::fromUtf8("Mindesthöhe")).arg(768)},
      {{editor->RadioButton20_30, true, ""}, text.arg("20x30", QString::fromUtf8("Mindestbreite")).arg(1520)},
  };
  for (const auto& [c, message] : cases) {
    click(editor->Image11);
    c.format->setChecked(true);
    (c.landscape ? editor->RadioButtonHor : editor->RadioButton2)->setChecked(true);
    // A short drag: a few hundred picture pixels at most.
    const QPoint from(v->DstLeft() + 20, v->DstTop() + 20);
    drag(v, from, from + QPoint(v->DstWidth() / 12, v->DstHeight() / 12));
    ASSERT_TRUE(v->HasRgn());
    const int before = int(prompter.messageTexts().size());
    click(editor->AusfuehrenBitBtn);
    ASSERT_EQ(prompter.messageTexts().size(), before + 1);
    EXPECT_EQ(prompter.messageTexts().last(), message);
    // The crop mode stays for another try, and nothing was changed.
    EXPECT_TRUE(editor->ZuschneidenPanel->isVisible());
    EXPECT_EQ(editor->FUndoIndex(), 0);
    EXPECT_EQ(v->BitmapWidth(), 2600);
    click(editor->BitBtn4);
    EXPECT_TRUE(editor->EffectsPanel->isVisible());
    EXPECT_FALSE(v->HasRgn());
  }
}

TEST_F(EditorTest, RatioBoundSelectionFollowsTheMouseIntoEveryQuadrant) {
  open("gross.png", makeImage(2600, 1800), px::kFormatPng);
  PicImageControl* v = view();
  click(editor->Image11);
  editor->RadioButton10_15->setChecked(true);
  editor->RadioButton2->setChecked(true);  // portrait: height = width * 15 / 10
  const QPoint centre(v->DstLeft() + v->DstWidth() / 2, v->DstTop() + v->DstHeight() / 2);
  drag(v, centre, centre + QPoint(-40, -10));
  EXPECT_LT(editor->FSelWidth, 0);
  EXPECT_EQ(editor->FSelHeight, editor->FSelWidth * 15 / 10);
  EXPECT_EQ(v->RgnHeight(), std::abs(editor->FSelHeight));
  EXPECT_EQ(v->RgnTop() + v->RgnHeight(), editor->FSelStartY);
  drag(v, centre, centre + QPoint(40, -10));
  EXPECT_GT(editor->FSelWidth, 0);
  EXPECT_EQ(editor->FSelHeight, -(editor->FSelWidth * 15 / 10));
  // Without a selection the crop asks for one (free crop tests no size).
  click(editor->BitBtn4);
  click(editor->Image9);
  EXPECT_FALSE(editor->FormatAnpassungGroupBox1->isVisible());
  EXPECT_FALSE(v->HasRgn());
  click(editor->AusfuehrenBitBtn);
  EXPECT_EQ(prompter.messageTexts().last(),
            QString::fromUtf8("Sie müssen zuerst einem Bereich markieren! Ziehen Sie hierzu mit gedrückter Maustaste über das Bild!"));
}

TEST_F(EditorTest, FreeCropKeepsTheDrawnRectangle) {
  const QImage original = makeImage(1200, 900);
  open("frei.png", original, px::kFormatPng);
  PicImageControl* v = view();
  click(editor->Image9);
  const QPoint from(v->DstLeft() + v->DstWidth() / 4, v->DstTop() + v->DstHeight() / 3);
  const QPoint to = from + QPoint(v->DstWidth() / 3, v->DstHeight() / 4);
  drag(v, from, to);
  EXPECT_TRUE(editor->XLabel->text().isEmpty());
  const QPoint a = pictureAt(v, from), b = pictureAt(v, to);
  EXPECT_NEAR(v->RgnLeft(), a.x(), 1);
  EXPECT_NEAR(v->RgnTop(), a.y(), 1);
  EXPECT_NEAR(v->RgnWidth(), b.x() - a.x(), 2);
  EXPECT_NEAR(v->RgnHeight(), b.y() - a.y(), 2);
  const QRect kept(v->RgnLeft(), v->RgnTop(), v->RgnWidth(), v->RgnHeight());
  click(editor->AusfuehrenBitBtn);
  EXPECT_EQ(viewImage(v), original.copy(kept));
}

TEST_F(EditorTest, TheCropTipCanBeSwitchedOff) {
  QFile::remove(appDir + "NoZuschneidenTip.ini");
  open("bild.png", makeImage(300, 200), px::kFormatPng);
  bool shown = false;
  QTimer::singleShot(0, [&] {
    shown = ZuschneidenTipForm->isVisible();
    EXPECT_EQ(ZuschneidenTipForm->windowTitle(), "Tipps");
    ZuschneidenTipForm->CheckBox1->setChecked(true);
    ZuschneidenTipForm->OkBitBtn->click();
  });
  click(editor->Image11);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(QFileInfo::exists(appDir + "NoZuschneidenTip.ini"));
  EXPECT_TRUE(editor->ZuschneidenPanel->isVisible());
  // Switched off: the next print crop starts at once.
  click(editor->BitBtn4);
  click(editor->Image11);
  EXPECT_TRUE(editor->ZuschneidenPanel->isVisible());
}

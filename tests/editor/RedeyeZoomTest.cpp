// Red-eye removal inside a marked area, the zoom strip and moving the picture.
#include "EditorFixture.h"

using namespace edtest;

namespace {
// Grey picture with two red "pupils".
QImage eyes() {
  QImage img(400, 200, QImage::Format_RGB888);
  img.fill(QColor(120, 120, 120));
  QPainter p(&img);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(220, 30, 30));
  p.drawEllipse(QPoint(100, 100), 20, 20);
  p.drawEllipse(QPoint(300, 100), 20, 20);
  return img;
}
}  // namespace

TEST_F(EditorTest, RedEyeRemovalInsideTheMarkedAreaCommitsOnceOnLeaving) {
  open("augen.png", eyes(), px::kFormatPng);
  PicImageControl* v = view();
  click(editor->Image19);
  EXPECT_TRUE(editor->RedeyePanel->isVisible());
  EXPECT_FALSE(editor->ZoomPanel->isVisible());
  EXPECT_EQ(v->RgnMouseMode(), 3);
  EXPECT_EQ(editor->ComboBox1->currentText(), QString::fromUtf8("Pupillenfarbe (Schwarz)"));
  // No area yet: the area message comes before the colour check.
  editor->ComboBox1->setCurrentIndex(-1);
  click(editor->DoBitBtn);
  EXPECT_EQ(prompter.messageTexts().last(),
            QString::fromUtf8("Sie müssen zuerst einem Bereich markieren! Ziehen Sie hierzu mit gedrückter Maustaste über das Bild!"));
  // Mark the left eye (control points of its bounding box).
  const QPoint tl = v->BitmapToClient(70, 70), br = v->BitmapToClient(130, 130);
  drag(v, tl, br);
  ASSERT_TRUE(v->HasRgn());
  click(editor->DoBitBtn);
  EXPECT_EQ(prompter.messageTexts().last(), QString::fromUtf8("Bitte wählen Sie zuerst eine Augenfarbe aus!"));
  editor->ComboBox1->setCurrentIndex(0);
  // The bars' shown values are the ones used.
  EXPECT_EQ(editor->FRedeyeThreshold, 140);
  EXPECT_EQ(editor->FRedeyeLightness, 60);
  click(editor->DoBitBtn);
  QImage img = viewImage(v);
  EXPECT_LT(qRed(img.pixel(100, 100)), 100);   // the marked eye is dark now
  EXPECT_GT(qRed(img.pixel(300, 100)), 200);   // the other one is untouched
  EXPECT_EQ(editor->FUndoIndex(), 1);
  EXPECT_EQ(refreshes.size(), 0);
  EXPECT_TRUE(v->HasRgn());
  EXPECT_TRUE(editor->RedeyePanel->isVisible());
  click(editor->DoBitBtn);
  EXPECT_EQ(editor->FUndoIndex(), 2);
  // Undo from the panel keeps the mode and the area.
  click(editor->UndoBitBtn1);
  EXPECT_EQ(editor->FUndoIndex(), 1);
  EXPECT_EQ(v->RgnMouseMode(), 3);
  EXPECT_TRUE(v->HasRgn());
  const int afterUndo = int(refreshes.size());
  click(editor->BitBtn3);  // "zurück": one commit for the panel
  EXPECT_EQ(refreshes.size(), afterUndo + 1);
  EXPECT_TRUE(editor->EffectsPanel->isVisible());
  EXPECT_TRUE(editor->ZoomPanel->isVisible());
  EXPECT_FALSE(editor->FRedeyeActive);
  EXPECT_EQ(v->RgnMouseMode(), 0);
}

TEST_F(EditorTest, ZoomStripFitsOnePercentBelowAndHasAFloor) {
  open("gross.png", makeImage(3000, 2000), px::kFormatPng);
  PicImageControl* v = view();
  click(editor->Button1);
  EXPECT_EQ(editor->ZoomTrackBar->value(), 100);
  EXPECT_EQ(v->PaintZoomFactor(), 100);
  EXPECT_EQ(editor->ZoomLabel->text(), "Zoom: 100%");
  v->SetPaintSizeMode(smFit);
  v->RepaintImage();
  const int fitting = v->PaintZoomFactor();
  click(editor->EinpassenBitBtn);
  EXPECT_EQ(editor->ZoomTrackBar->value(), fitting - 1);
  EXPECT_EQ(editor->ZoomLabel->text(), QString("Zoom: %1%").arg(fitting - 1));
  EXPECT_EQ(v->PaintSizeMode(), smZoom);
  editor->ZoomTrackBar->setValue(0);
  EXPECT_EQ(editor->ZoomTrackBar->value(), 2);
  EXPECT_EQ(v->PaintZoomFactor(), 2);
  // Scroll steps follow the picture's size.
  EXPECT_EQ(v->HScrollStep(), 3000 / 5 + 1);
  EXPECT_EQ(v->VScrollStep(), 2000 / 5 + 1);
}

TEST_F(EditorTest, DraggingMovesThePictureOnlyOutsideTheSelectionModes) {
  open("gross.png", makeImage(3000, 2000), px::kFormatPng);
  PicImageControl* v = view();
  click(editor->Button1);
  const int left = v->DstLeft();
  drag(v, QPoint(300, 200), QPoint(260, 170));
  EXPECT_EQ(v->DstLeft(), left - 40);
  EXPECT_FALSE(v->HasRgn());
  click(editor->Image9);
  const int cropLeft = v->DstLeft();
  drag(v, QPoint(300, 200), QPoint(340, 230));
  EXPECT_EQ(v->DstLeft(), cropLeft);
  EXPECT_TRUE(v->HasRgn());
  bool shown = false;
  QTimer::singleShot(0, [&] {
    shown = VerschiebenTipForm->isVisible();
    VerschiebenTipForm->OkBitBtn->click();
  });
  click(editor->BitBtn4);
  click(editor->BitBtn1);
  EXPECT_TRUE(shown);
}

// "Bild verschieben" at 100 %, 300 % and 1000 %: the picture follows the mouse, the point
// grabbed stays under it (by the view's mapping and by the pixels shown), and it stops at its
// edges.
TEST_F(EditorTest, DraggedPictureKeepsThePointUnderTheMouseAndStopsAtItsEdges) {
  const QImage source = makeImage(3000, 2000);
  open("gross.png", source, px::kFormatPng);
  PicImageControl* v = view();
  const int fw = v->FrameWidth();
  auto pictureAt = [&](QPoint p) { return QPoint(v->ClientToBitmapX(p.x(), p.y()), v->ClientToBitmapY(p.x(), p.y())); };
  auto shownAt = [&](QPoint p) { return v->grab().toImage().pixel(p); };
  auto near = [](QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 8 && std::abs(qGreen(a) - qGreen(b)) <= 8 && std::abs(qBlue(a) - qBlue(b)) <= 8;
  };
  for (int zoom : {100, 300, 1000}) {
    SCOPED_TRACE(zoom);
    editor->ZoomTrackBar->setValue(zoom);
    ASSERT_EQ(v->PaintZoomFactor(), zoom);
    const QPoint centre = v->rect().center();
    // Left and up, further, then back: each drag keeps the grabbed point under the mouse.
    for (QPoint move : {QPoint(-60, -40), QPoint(-130, -90), QPoint(60, 40), QPoint(-7, 3)}) {
      SCOPED_TRACE(QString("%1,%2").arg(move.x()).arg(move.y()).toStdString());
      const QPoint to = centre + move;
      const QPoint grabbed = pictureAt(centre);
      drag(v, centre, to, 6);
      EXPECT_EQ(pictureAt(to), grabbed);
      EXPECT_TRUE(near(shownAt(to), source.pixel(grabbed)));
    }
    // Pulled far right and down it stops with its top-left corner in the view's.
    drag(v, centre, centre + QPoint(40000, 40000), 4);
    EXPECT_EQ(pictureAt(QPoint(fw, fw)), QPoint(0, 0));
    EXPECT_EQ(v->BitmapToClient(0, 0), QPoint(fw, fw));
    // And far left and up with its bottom-right corner in the view's.
    drag(v, centre, centre - QPoint(40000, 40000), 4);
    EXPECT_EQ(v->BitmapToClient(3000, 2000), QPoint(v->width() - fw, v->height() - fw));
    EXPECT_TRUE(near(shownAt(QPoint(v->width() - fw - 1, v->height() - fw - 1)), source.pixel(2999, 1999)));
  }
  // A picture that fits the view does not move.
  click(editor->EinpassenBitBtn);
  const QPoint corner = v->BitmapToClient(0, 0);
  drag(v, v->rect().center(), v->rect().center() + QPoint(50, 30));
  EXPECT_EQ(v->BitmapToClient(0, 0), corner);
}

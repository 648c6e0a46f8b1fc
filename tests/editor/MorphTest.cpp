// The warp dialog as the editor's step: a brush stroke, OK, cancel, undo.
#include <QTimer>

#include "EditorFixture.h"
#include "fMorph.h"

using namespace edtest;
using namespace kalvora::raster;

namespace {

// A fine grid so that any displacement shows.
QImage gridImage(int w, int h) {
  QImage img(w, h, QImage::Format_RGB888);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool line = x % 6 < 2 || y % 6 < 2;
      img.setPixel(x, y, line ? qRgb(20, 20, 160) : qRgb(240, 230, 200));
    }
  return img;
}

TMorphForm* openDialog() { return qobject_cast<TMorphForm*>(QApplication::activeModalWidget()); }

// Press, move in steps and release with the left button on the view.
void stroke(TMorphForm* f, QPoint from, QPoint to, int steps = 6) {
  QWidget* w = f->DstImg;
  auto send = [&](QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  };
  send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  for (int i = 1; i <= steps; ++i) send(QEvent::MouseMove, from + (to - from) * i / steps, Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

QImage viewBitmap(TMorphForm* f) { return f->DstImg->Bitmap()->RgbView().convertToFormat(QImage::Format_RGB888); }

class MorphTest : public EditorTest {};

}  // namespace

TEST_F(MorphTest, AStrokeMovesPixelsOnlyInReachAndOkCommitsOneStep) {
  open("bild.png", gridImage(240, 180), px::kFormatPng);
  const QImage before = viewImage(view());
  QImage afterStroke;
  QRect reach;
  bool pixelsOutsideKept = true;
  QTimer::singleShot(0, [&] {
    TMorphForm* f = openDialog();
    ASSERT_NE(f, nullptr);
    f->resize(700, 500);
    QApplication::processEvents();
    EXPECT_EQ(f->ScaleBar->Position(), 100);
    EXPECT_EQ(f->SizeBar->Position(), 100);
    EXPECT_EQ(f->KernelItems.size(), 7);
    EXPECT_EQ(f->KernelItems[TMorphForm::DefaultKernelIndex]->text(), "TCubicKernel");
    f->SizeBar->SetPosition(40);
    f->GaugeMouseUp();
    const QImage start = viewBitmap(f);
    const TPoint c = f->DstImg->BitmapToControl({120, 90});
    stroke(f, QPoint(c.X, c.Y), QPoint(c.X + 15, c.Y));
    afterStroke = viewBitmap(f);
    // The brush mesh is 40 x 40 around each mouse position of the stroke.
    reach = QRect(120 - 20, 90 - 20, 40 + 15, 40);
    for (int y = 0; y < start.height(); ++y)
      for (int x = 0; x < start.width(); ++x)
        if (!reach.contains(x, y) && start.pixel(x, y) != afterStroke.pixel(x, y)) pixelsOutsideKept = false;
    // The caption reads the colour under the mouse; over the margin it reads the outer colour.
    QTest::mouseMove(f->DstImg, QPoint(c.X, c.Y));
    EXPECT_TRUE(f->windowTitle().startsWith(QString::fromUtf8("Bild verformen [A: 255 ")));
    QTest::mouseMove(f->DstImg, QPoint(2, 2));
    EXPECT_EQ(f->windowTitle(), QString::fromUtf8("Bild verformen [A: 0 R: 0 G: 0 B: 0]"));
    f->BitBtn1->click();
  });
  click(editor->Image22);
  EXPECT_TRUE(pixelsOutsideKept);
  EXPECT_GT(meanDiff(afterStroke.copy(reach), before.copy(reach)), 1.0);
  EXPECT_EQ(editor->FUndoIndex(), 1);
  // The editor shows the warped picture (after its JPEG round trip).
  EXPECT_LT(meanDiff(viewImage(view()), afterStroke), 4.0);
  EXPECT_GT(meanDiff(viewImage(view()).copy(reach), before.copy(reach)), 1.0);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(editor->findChildren<TMorphForm*>().isEmpty());  // freed after use
  // Undo restores the picture exactly.
  click(editor->UndoImage);
  EXPECT_EQ(editor->FUndoIndex(), 0);
  EXPECT_EQ(viewImage(view()), before);
}

TEST_F(MorphTest, CancelChangesNothing) {
  open("bild.png", gridImage(160, 120), px::kFormatPng);
  const QImage before = viewImage(view());
  for (const char* button : {"BitBtn2", "close"}) {
    SCOPED_TRACE(button);
    QTimer::singleShot(0, [&] {
      TMorphForm* f = openDialog();
      ASSERT_NE(f, nullptr);
      QApplication::processEvents();
      const TPoint c = f->DstImg->BitmapToControl({80, 60});
      stroke(f, QPoint(c.X, c.Y), QPoint(c.X + 20, c.Y + 5));
      if (QString(button) == "close") f->close();
      else f->BitBtn2->click();
    });
    click(editor->Image22);
    EXPECT_EQ(editor->FUndoIndex(), 0);
    EXPECT_EQ(viewImage(view()), before);
    EXPECT_FALSE(QFile::exists(appDir + "Temp.bmp"));
  }
}

TEST_F(MorphTest, ToolsTimerAndReset) {
  open("bild.png", gridImage(160, 120), px::kFormatPng);
  QTimer::singleShot(0, [&] {
    TMorphForm* f = openDialog();
    ASSERT_NE(f, nullptr);
    QApplication::processEvents();
    EXPECT_FALSE(f->ParamBar->isEnabled());
    f->ToolGroup->button(TMorphForm::Blume)->click();
    EXPECT_TRUE(f->ParamBar->isEnabled());
    EXPECT_EQ(f->ParamLabel->text(), QString::fromUtf8("Blütenzahl"));
    EXPECT_TRUE(f->UpdateTimer->isActive());
    EXPECT_EQ(f->UpdateTimer->interval(), 50);
    f->ParamBar->SetPosition(100);
    EXPECT_EQ(f->GetParam(), 17);
    f->ParamBar->SetPosition(0);
    EXPECT_EQ(f->GetParam(), 1);
    f->RateBar->SetPosition(399);
    EXPECT_EQ(f->UpdateTimer->interval(), 1);
    f->RateBar->SetPosition(0);
    EXPECT_FALSE(f->UpdateTimer->isActive());
    f->RateBar->SetPosition(350);
    // Holding the button with Zoom applies the mesh on every tick, in place.
    f->ToolGroup->button(TMorphForm::Zoom)->click();
    const QImage start = viewBitmap(f);
    const TPoint c = f->DstImg->BitmapToControl({80, 60});
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(c.X, c.Y), f->DstImg->mapToGlobal(QPointF(c.X, c.Y)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f->DstImg, &press);
    f->UpdateTimerTimer();
    f->UpdateTimerTimer();
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(c.X, c.Y), f->DstImg->mapToGlobal(QPointF(c.X, c.Y)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f->DstImg, &release);
    EXPECT_NE(viewBitmap(f), start);
    const QImage held = viewBitmap(f);
    f->UpdateTimerTimer();  // released: nothing more
    EXPECT_EQ(viewBitmap(f), held);
    // A brush partly outside the picture changes only what is inside it.
    const TPoint corner = f->DstImg->BitmapToControl({0, 0});
    stroke(f, QPoint(corner.X, corner.Y), QPoint(corner.X + 3, corner.Y + 3), 2);
    f->BitBtn3->click();  // reset
    EXPECT_EQ(viewBitmap(f), start);
    EXPECT_EQ(f->ScaleBar->Position(), 100);
    f->BitBtn2->click();
  });
  click(editor->Image22);
  EXPECT_EQ(editor->FUndoIndex(), 0);
}

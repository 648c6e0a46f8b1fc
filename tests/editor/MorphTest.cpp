// The warp dialog as the editor's step: a brush stroke, OK, cancel, undo.
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>

#include "EditorFixture.h"
#include "Kernels.h"
#include "MorphBrushRow.h"
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
    // A brush partly outside the picture changes only what is inside it: its 100 x 100 mesh
    // around the points (0, 0) to (3, 3) reaches no further than 3 + 50 right and down.
    const TPoint corner = f->DstImg->BitmapToControl({0, 0});
    stroke(f, QPoint(corner.X, corner.Y), QPoint(corner.X + 3, corner.Y + 3), 2);
    ASSERT_EQ(f->SizeBar->Position(), 100);
    const QImage cornered = viewBitmap(f);
    QRect changed;
    for (int y = 0; y < cornered.height(); ++y)
      for (int x = 0; x < cornered.width(); ++x)
        if (cornered.pixel(x, y) != held.pixel(x, y)) changed |= QRect(x, y, 1, 1);
    EXPECT_FALSE(changed.isEmpty());
    EXPECT_TRUE(QRect(0, 0, 3 + 50 + 1, 3 + 50 + 1).contains(changed)) << changed.right() << "," << changed.bottom();
    f->BitBtn3->click();  // reset
    EXPECT_EQ(viewBitmap(f), start);
    EXPECT_EQ(f->ScaleBar->Position(), 100);
    f->BitBtn2->click();
  });
  click(editor->Image22);
  EXPECT_EQ(editor->FUndoIndex(), 0);
}

namespace {
// The pixels of the view, inside its viewport, that are neither the grey picture (where it is
// shown) nor the checkerboard around it: 8 x 8 squares, grey B0 where column and row have the
// same parity, white otherwise. Those are the brush ring's.
int ringPixels(TMorphForm* f, int grey) {
  const QImage shot = f->DstImg->grab().toImage().convertToFormat(QImage::Format_RGB888);
  const TRect v = f->DstImg->GetViewportRect();
  const TRect b = f->DstImg->GetBitmapRect();
  int count = 0;
  for (int y = v.Top; y < v.Bottom; ++y)
    for (int x = v.Left; x < v.Right; ++x) {
      const QRgb p = shot.pixel(x, y);
      const bool onPicture = x >= b.Left && x < b.Right && y >= b.Top && y < b.Bottom;
      const int want = onPicture ? grey : (((x / 8) ^ (y / 8)) & 1) == 0 ? 0xB0 : 0xFF;
      const int tolerance = onPicture ? 3 : 0;
      if (std::abs(qRed(p) - want) > tolerance || std::abs(qGreen(p) - want) > tolerance ||
          std::abs(qBlue(p) - want) > tolerance)
        ++count;
    }
  return count;
}

QImage greyImage(int w, int h) {
  QImage img(w, h, QImage::Format_RGB888);
  img.fill(qRgb(128, 128, 128));
  return img;
}

QPoint centreOf(QWidget* w) { return QPoint(w->width() / 2, w->height() / 2); }

// The pointer moves to p of w as the window system reports it: to the window, which finds the
// widget under it and tells the one it left.
void pointTo(QWidget* w, QPoint p) { QTest::mouseMove(w->window()->windowHandle(), w->mapTo(w->window(), p)); }
}  // namespace

// The brush ring shows only while the pointer is over the picture: not at the view's corner
// when the dialog opens, not on the margin around a small picture, not while the pointer is on
// a slider or on a scroll bar of a large picture.
TEST_F(MorphTest, TheBrushRingShowsOnlyWhileThePointerIsOverThePicture) {
  struct Case {
    const char* name;
    QSize picture;
    bool scrollBars;
  };
  for (const Case& c : {Case{"small", QSize(160, 120), false}, Case{"large", QSize(1600, 1200), true}}) {
    SCOPED_TRACE(c.name);
    if (editor->isVisible()) editor->close();
    open(QString("grau_%1.png").arg(c.name), greyImage(c.picture.width(), c.picture.height()), px::kFormatPng);
    QTimer::singleShot(0, [&] {
      TMorphForm* f = openDialog();
      ASSERT_NE(f, nullptr);
      QApplication::processEvents();
      ASSERT_EQ(f->DstImg->HScroll()->isVisible(), c.scrollBars);
      EXPECT_EQ(ringPixels(f, 128), 0) << "as it opens";
      const TRect b = f->DstImg->GetBitmapRect();
      TRect shown;
      ASSERT_TRUE(IntersectRect(shown, b, f->DstImg->GetViewportRect()));
      const QPoint overPicture((shown.Left + shown.Right) / 2, (shown.Top + shown.Bottom) / 2);
      pointTo(f->DstImg, overPicture);
      EXPECT_GT(ringPixels(f, 128), 50) << "over the picture";
      pointTo(f->SizeBar, centreOf(f->SizeBar));
      EXPECT_EQ(ringPixels(f, 128), 0) << "on a slider";
      pointTo(f->DstImg, overPicture);
      EXPECT_GT(ringPixels(f, 128), 50);
      if (c.scrollBars) {
        pointTo(f->DstImg->VScroll(), centreOf(f->DstImg->VScroll()));
        EXPECT_EQ(ringPixels(f, 128), 0) << "on the scroll bar";
      } else {
        pointTo(f->DstImg, QPoint(shown.Left - 20, shown.Top - 20));
        EXPECT_EQ(ringPixels(f, 128), 0) << "on the margin";
      }
      f->BitBtn2->click();
    });
    click(editor->Image22);
  }
}

// The dialog opens on the middle of a picture larger than its view, with no blank beyond the
// picture's edges.
TEST_F(MorphTest, ALargePictureOpensCentred) {
  open("gross.png", gridImage(1600, 1200), px::kFormatPng);
  QTimer::singleShot(0, [&] {
    TMorphForm* f = openDialog();
    ASSERT_NE(f, nullptr);
    QApplication::processEvents();
    const TRect v = f->DstImg->GetViewportRect();
    const TPoint middle = f->DstImg->ControlToBitmap({(v.Left + v.Right) / 2, (v.Top + v.Bottom) / 2});
    EXPECT_NEAR(middle.X, 800, 2);
    EXPECT_NEAR(middle.Y, 600, 2);
    const TRect b = f->DstImg->GetBitmapRect();
    EXPECT_LE(b.Left, v.Left);
    EXPECT_LE(b.Top, v.Top);
    EXPECT_GE(b.Right, v.Right);
    EXPECT_GE(b.Bottom, v.Bottom);
    f->BitBtn2->click();
  });
  click(editor->Image22);
}

// One brush step equals the plain rule: every vector under the brush becomes the old map read
// (bilinear, fading to zero outside) at the point the mesh moves it to, plus that move; every
// other vector stays. Checked inside the picture and across its borders, on a map that is
// already bent.
TEST(MorphBrush, AStepMatchesTheMapReadAtTheMovedPoints) {
  QTemporaryDir dir;
  const QString folder = dir.path() + "/";
  ASSERT_TRUE(gridImage(120, 90).save(folder + "Temp.jpg", "JPG"));
  TMorphForm f(folder);
  ASSERT_TRUE(f.Ready());
  f.resize(520, 420);
  f.show();
  QApplication::processEvents();
  f.ToolGroup->button(TMorphForm::Zoom)->click();
  f.RateBar->SetPosition(0);  // no timer ticks of its own
  f.SizeBar->SetPosition(60);
  f.GaugeMouseUp();
  TVectorMap* map = f.Remap()->VectorMap();
  const int mw = map->Width(), mh = map->Height();
  for (TPoint centre : {TPoint{60, 45}, TPoint{3, 2}, TPoint{117, 88}, TPoint{10, 80}}) {
    const TPoint c = f.DstImg->BitmapToControl(centre);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(c.X, c.Y), f.DstImg->mapToGlobal(QPointF(c.X, c.Y)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.DstImg, &press);
    f.UpdateTimerTimer();  // bends the map first
    TVectorMap old;
    old.SetSize(mw, mh);
    std::copy(map->GetVectors(), map->GetVectors() + std::ptrdiff_t(mw) * mh, old.GetVectors());
    f.UpdateTimerTimer();
    const TVectorMap& mesh = f.BrushMesh(0);
    const TPoint b = f.DstImg->ControlToBitmap({c.X, c.Y});
    const TPoint p{b.X - mesh.Width() / 2, b.Y - mesh.Height() / 2};
    int differing = 0, moved = 0;
    for (int y = 0; y < mh; ++y)
      for (int x = 0; x < mw; ++x) {
        TFixedVector want = old.GetFixedVector(x, y);
        const int i = x - p.X, j = y - p.Y;
        if (i >= 0 && j >= 0 && i < mesh.Width() && j < mesh.Height()) {
          const TFixedVector m = mesh.GetFixedVector(i, j);
          if (m.X != 0 || m.Y != 0) {
            const TFixedVector v = old.GetFixedVectorXS(Fixed(x) + m.X, Fixed(y) + m.Y);
            want = {v.X + m.X, v.Y + m.Y};
            ++moved;
          }
        }
        const TFixedVector got = map->GetFixedVector(x, y);
        differing += got.X != want.X || got.Y != want.Y;
      }
    EXPECT_GT(moved, 100) << centre.X << "," << centre.Y;
    EXPECT_EQ(differing, 0) << centre.X << "," << centre.Y;
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(c.X, c.Y), f.DstImg->mapToGlobal(QPointF(c.X, c.Y)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f.DstImg, &release);
  }
  // What the steps rendered piece by piece is what a full render of the bent map gives.
  const QImage stepped = viewBitmap(&f);
  f.Bi1Click();
  EXPECT_EQ(viewBitmap(&f), stepped);
  // Should the view free its layers first, the dialog forgets the brush layer and keeps working.
  f.DstImg->Layers()->Clear();
  EXPECT_EQ(f.BrushLayer(), nullptr);
  QTest::mouseMove(f.DstImg, QPoint(30, 30));
  f.SizeBar->SetPosition(80);
  f.GaugeMouseUp();
  EXPECT_EQ(f.BrushLayer(), nullptr);
  EXPECT_EQ(f.BrushMesh(0).Width(), 80);  // the new brush is made all the same
  EXPECT_EQ(f.BrushMesh(0).Height(), 80);
}

// A brush row on a random map with random mesh vectors and drag factors, across the map's
// borders: every column as the plain rule gives it (whatever form the processor runs).
TEST(MorphBrush, ARowMatchesThePlainRuleForAnyFactor) {
  std::uint32_t seed = 12345;
  auto rnd = [&](int lo, int hi) {
    seed = seed * 1664525u + 1013904223u;
    return lo + int((seed >> 8) % std::uint32_t(hi - lo + 1));
  };
  TVectorMap map;
  map.SetSize(64, 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) map.SetFixedVector(x, y, {rnd(-5 << 16, 5 << 16), rnd(-5 << 16, 5 << 16)});
  std::vector<TFixedVector> mesh(80), out(80);
  for (int round = 0; round < 200; ++round) {
    for (TFixedVector& m : mesh) m = rnd(0, 3) == 0 ? TFixedVector{0, 0} : TFixedVector{rnd(-3 << 16, 3 << 16), rnd(-3 << 16, 3 << 16)};
    const TFixedVector factor{rnd(-4 << 16, 4 << 16), rnd(-4 << 16, 4 << 16)};
    const int mapX = rnd(-20, 30), mapY = rnd(-2, 49);
    const int a = rnd(0, 10), b = rnd(a, 80);
    ApplyMorphBrushRow({mesh.data(), out.data(), &map, mapX, mapY, factor}, a, b);
    for (int i = a; i < b; ++i) {
      const TFixedVector m{FixedMul(mesh[std::size_t(i)].X, factor.X), FixedMul(mesh[std::size_t(i)].Y, factor.Y)};
      const TFixedVector v = map.GetFixedVectorXS(Fixed(mapX + i) + m.X, Fixed(mapY) + m.Y);
      ASSERT_EQ(out[std::size_t(i)].X, v.X + m.X) << round << " " << i;
      ASSERT_EQ(out[std::size_t(i)].Y, v.Y + m.Y) << round << " " << i;
    }
  }
}

// The kernel mode choice renders the warped picture again with that mode: the direct kernel and
// its nearest-entry table give other pixels, and choosing the direct kernel again gives the same
// picture again. Only the inner part is compared: at the edges the kernel reaches past the
// picture, and what it blends there depends on the view before.
TEST_F(MorphTest, TheKernelModeChoiceRendersTheWarpedPictureAgain) {
  open("bild.png", gridImage(160, 120), px::kFormatPng);
  QImage direct, table, directAgain;
  QTimer::singleShot(0, [&] {
    TMorphForm* f = openDialog();
    ASSERT_NE(f, nullptr);
    QApplication::processEvents();
    const TPoint c = f->DstImg->BitmapToControl({80, 60});
    stroke(f, QPoint(c.X, c.Y), QPoint(c.X + 20, c.Y + 5));
    const QRect inner = f->DstImg->Bitmap()->RgbView().rect().adjusted(4, 4, -4, -4);
    f->mkmDefaultClick(int(TKernelMode::kmDynamic));
    direct = viewBitmap(f).copy(inner);
    f->mkmDefaultClick(int(TKernelMode::kmTableNearest));
    table = viewBitmap(f).copy(inner);
    f->mkmDefaultClick(int(TKernelMode::kmDynamic));
    directAgain = viewBitmap(f).copy(inner);
    f->BitBtn2->click();
  });
  click(editor->Image22);
  ASSERT_FALSE(direct.isNull());
  EXPECT_TRUE(direct == directAgain);
  EXPECT_FALSE(direct == table);
  EXPECT_EQ(editor->FUndoIndex(), 0);
}

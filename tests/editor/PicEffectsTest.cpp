// The colour balance, grey, sepia and sharpness dialog driven through its controls inside the
// editor: bar positions to operations and captions, OK as one step, cancel changing nothing.
#include <QTimer>

#include "EditorFixture.h"
#include "ModalRun.h"
#include "PxProcess.h"
#include "fPicEffects.h"

using namespace edtest;

namespace {

class PicEffectsTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    PicEffectsForm = new TPicEffectsForm();
    form = PicEffectsForm;
  }
  void TearDown() override {
    delete PicEffectsForm;
    PicEffectsForm = nullptr;
    EditorTest::TearDown();
  }
  // Clicks the editor's button; `inside` runs while the dialog is shown.
  void runDialog(TImageButton* button, const std::function<void()>& inside) {
    runModal(form, button, inside);
  }
  static QImage img(const px::Bitmap& b) { return px::ToQImage(b).convertToFormat(QImage::Format_RGB888); }
  px::Bitmap sourceCopy() const {
    px::Bitmap out;
    px::CopyBitmap(form->Source(), out);
    return out;
  }
  TPicEffectsForm* form = nullptr;
};

TEST_F(PicEffectsTest, SharpnessBarToRadiusAndCaption) {
  struct Row {
    int position;
    const char* caption;
    int blurRadius;  // -1: sharpen by the position
  };
  const Row rows[] = {
      {-1000, "Wert: -100%", 200}, {-2, "Wert: 0%", 0},   {-25, "Wert: -2%", 5}, {-15, "Wert: -2%", 3},
      {1000, "Wert: 100%", -1},    {15, "Wert: 2%", -1},  {25, "Wert: 2%", -1},  {0, "Wert: 0%", -1},
  };
  open("bild.png", makeImage(80, 60), px::kFormatPng);
  runDialog(editor->Image16, [&] {
    EXPECT_TRUE(form->SharpenPanel->isVisible());
    EXPECT_FALSE(form->RGBPanel->isVisible());
    EXPECT_EQ(form->SharpenLabel->text(), "Wert: 0%");
    for (const Row& r : rows) {
      SCOPED_TRACE(r.position);
      form->SharpenTrackBar->setValue(r.position == 0 ? 1 : 0);  // a real change each time
      form->SharpenTrackBar->setValue(r.position);
      EXPECT_EQ(form->SharpenLabel->text(), QString::fromUtf8(r.caption));
      EXPECT_EQ(form->FSharpen, r.position);
      px::Bitmap expect = sourceCopy();
      if (r.blurRadius >= 0) {
        EXPECT_EQ(TPicEffectsForm::BlurRadiusFor(r.position), r.blurRadius);
        px::GaussianFilterBitmap(expect, r.blurRadius);
      } else {
        px::SharpenBitmap(expect, r.position);
      }
      EXPECT_EQ(img(form->Preview()), img(expect));
    }
    // "Zurücksetzen".
    click(form->Button1);
    EXPECT_EQ(form->SharpenTrackBar->value(), 0);
    EXPECT_EQ(form->SharpenLabel->text(), "Wert: 0%");
    EXPECT_EQ(img(form->Preview()), img(form->Source()));
  });
}

TEST_F(PicEffectsTest, ChannelBarsGreyAndSepia) {
  open("bild.png", makeImage(80, 60), px::kFormatPng);
  runDialog(editor->Image15, [&] {
    EXPECT_TRUE(form->RGBPanel->isVisible());
    EXPECT_EQ(form->RedLabel->text(), "Rot: 100%");
    EXPECT_EQ(form->GreenLabel->text(), QString::fromUtf8("Grün: 100%"));
    form->RedTrackBar->setValue(50);
    form->GreenTrackBar->setValue(10);
    form->BlueTrackBar->setValue(75);
    EXPECT_EQ(form->RedLabel->text(), "Rot: 50%");
    EXPECT_EQ(form->GreenLabel->text(), QString::fromUtf8("Grün: 10%"));
    EXPECT_EQ(form->BlueLabel->text(), "Blau: 75%");
    px::Bitmap expect = sourceCopy();
    const double r[3] = {0.5, 0, 0}, g[3] = {0, 0.1, 0}, b[3] = {0, 0, 0.75};
    px::BalanceColors(expect, r, g, b);
    EXPECT_EQ(img(form->Preview()), img(expect));
    // A bar held by the mouse changes nothing until it is let go.
    const QImage before = img(form->Preview());
    form->RedTrackBar->setSliderDown(true);
    form->RedTrackBar->setValue(20);
    EXPECT_EQ(img(form->Preview()), before);
    EXPECT_TRUE(form->FDirty);
    form->RedTrackBar->setSliderDown(false);
    EXPECT_EQ(form->RedLabel->text(), "Rot: 20%");
    EXPECT_NE(img(form->Preview()), before);
    // Black and white.
    click(form->Button);
    EXPECT_EQ(form->Mode, "SW");
    const QImage grey = img(form->Preview());
    for (int y = 0; y < grey.height(); y += 7)
      for (int x = 0; x < grey.width(); x += 7) {
        const QRgb p = grey.pixel(x, y);
        EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
      }
  });
  EXPECT_EQ(editor->FUndoIndex(), 0);

  const QImage viewBefore = viewImage(view());
  const QByteArray tempBefore = testsupport::readBytes(appDir + "Temp.jpg");
  runDialog(editor->Image15, [&] {
    EXPECT_EQ(form->Mode, "RGB");  // every showing starts from its face
    click(form->SepiaButton);
    EXPECT_EQ(form->FRed, 100);
    EXPECT_EQ(form->FGreen, 83);
    EXPECT_EQ(form->FBlue, 34);
    const QImage sepia = img(form->Preview());
    const QRgb p = sepia.pixel(sepia.width() - 1, sepia.height() - 1);
    EXPECT_GE(qRed(p), qGreen(p));
    EXPECT_GT(qGreen(p), qBlue(p));
  });
  // Sepia and cancel: picture, working copy and snapshots as before.
  EXPECT_EQ(viewImage(view()), viewBefore);
  EXPECT_EQ(testsupport::readBytes(appDir + "Temp.jpg"), tempBefore);
  EXPECT_TRUE(snapshots().isEmpty());
  EXPECT_EQ(editor->FUndoIndex(), 0);
}

TEST_F(PicEffectsTest, OkMakesExactlyOneStep) {
  open("bild.png", makeImage(80, 60), px::kFormatPng);
  QImage shown;
  runDialog(editor->Image15, [&] {
    click(form->SepiaButton);
    form->BlueTrackBar->setValue(60);  // the bars now work on the sepia picture
    shown = img(form->Preview());
    click(form->SaveBitBtn);
  });
  EXPECT_EQ(editor->FUndoIndex(), 1);
  EXPECT_EQ(snapshots().size(), 2);
  EXPECT_EQ(refreshes.size(), 1);
  EXPECT_EQ(viewImage(view()), shown);
  EXPECT_LT(meanDiff(readPicture(appDir + "Temp.jpg"), shown), 3.0);
  click(editor->UndoImage);
  EXPECT_EQ(viewImage(view()), makeImage(80, 60));

  // OK without a change is still one step.
  runDialog(editor->Image16, [&] { click(form->SaveBitBtn); });
  EXPECT_EQ(editor->FUndoIndex(), 1);
  EXPECT_EQ(editor->FRedoTop(), 1);
}

TEST_F(PicEffectsTest, LargePictureOkAppliesTheSettingsToTheWholePicture) {
  const QImage original = makeImage(1600, 1200);
  open("gross.png", original, px::kFormatPng);
  runDialog(editor->Image16, [&] {
    EXPECT_EQ(form->Source().width, TPicEffectsForm::PreviewSide);
    form->SharpenTrackBar->setValue(-500);
    EXPECT_EQ(form->Preview().width, TPicEffectsForm::PreviewSide);
    click(form->SaveBitBtn);
  });
  px::Bitmap expect;
  ASSERT_EQ(px::FromQImage(original, expect), 1);
  px::GaussianFilterBitmap(expect, 100);
  EXPECT_EQ(viewImage(view()), img(expect));
  EXPECT_EQ(editor->FUndoIndex(), 1);
}

TEST_F(PicEffectsTest, ExtremePictures) {
  for (QSize size : {QSize(1, 1), QSize(1, 20000)}) {
    SCOPED_TRACE(size.height());
    open(QString("p%1.png").arg(size.height()), makeImage(size.width(), size.height()), px::kFormatPng);
    runDialog(editor->Image16, [&] {
      form->SharpenTrackBar->setValue(-1000);
      form->SharpenTrackBar->setValue(1000);
    });
    runDialog(editor->Image15, [&] {
      form->RedTrackBar->setValue(10);
      click(form->SepiaButton);
      click(form->Button);
      click(form->SaveBitBtn);
    });
    EXPECT_EQ(view()->BitmapWidth(), size.width());
    EXPECT_EQ(view()->BitmapHeight(), size.height());
    EXPECT_EQ(editor->FUndoIndex(), 1);
    prompter.answerMessage(kalvora::mrNo);
    editor->close();
  }
}

}  // namespace

// The previews take the picture's shape: no empty band between them and the bars, for a
// landscape, a portrait and a wide picture.
TEST_F(PicEffectsTest, PreviewsSitRightAboveTheBars) {
  for (QSize size : {QSize(862, 574), QSize(574, 862), QSize(3000, 600)}) {
    SCOPED_TRACE(size.width());
    if (editor->isVisible()) editor->close();
    open(QString("bild%1.png").arg(size.width()), makeImage(size.width(), size.height()), px::kFormatPng);
    for (TImageButton* button : {editor->Image15, editor->Image16}) {
      runDialog(button, [&] {
        QApplication::processEvents();
        // The window takes its new size from the window system.
        EXPECT_TRUE(QTest::qWaitFor([&] { return form->height() <= form->sizeHint().height(); }, 60000));
        QWidget* bars = form->RGBPanel->isVisible() ? form->RGBPanel : form->SharpenPanel;
        for (PicImageControl* p : {form->PicImage1, form->PicImage2}) {
          const int fw = p->FrameWidth();
          // The picture fills its box's height (a portrait one is centred across it).
          EXPECT_GE(p->DstHeight(), p->height() - 2 * fw - 2) << p->objectName().toStdString();
          const int below = bars->mapTo(form, QPoint(0, 0)).y() - (p->mapTo(form, QPoint(0, 0)).y() + p->height());
          EXPECT_LT(below, 30) << p->objectName().toStdString() << " " << bars->objectName().toStdString() << " p " << p->mapTo(form, QPoint(0, 0)).y() << "+" << p->height() << " form " << form->height();
        }
        // The window is no higher than its content.
        EXPECT_LE(form->height(), form->sizeHint().height());
      });
    }
  }
}

// The eye colours are shown uncut in the red-eye panel.
TEST_F(EditorTest, EyeColourBoxShowsItsLongestEntry) {
  open("bild.png", makeImage(300, 200), px::kFormatPng);
  click(editor->Image19);
  QApplication::processEvents();
  QComboBox* box = editor->ComboBox1;
  EXPECT_EQ(box->currentText(), QString::fromUtf8("Pupillenfarbe (Schwarz)"));
  EXPECT_GE(box->width(), box->sizeHint().width());
  EXPECT_TRUE(editor->RedeyePanel->rect().contains(QRect(box->mapTo(editor->RedeyePanel, QPoint(0, 0)), box->size())));
}

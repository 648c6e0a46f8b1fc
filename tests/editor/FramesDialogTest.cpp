// The frames dialog as the editor's step: the built frame collection, choosing, moving, zooming
// and turning a frame, OK as one undo step, cancel, and a damaged collection.
#include <QTimer>

#include "EditorFixture.h"
#include "fRahmen.h"

using namespace edtest;

namespace {

const QStringList kFrames = {"Gold.bmp", "Holz.bmp", "Oval.bmp", "Passepartout.bmp", "Silber.bmp"};

QByteArray builtCollection() {
  QFile f(QString::fromUtf8(KALVORA_FRAMES_ZIP));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool hasMagenta(const QImage& img) {
  const QImage x = img.convertToFormat(QImage::Format_RGB888);
  for (int y = 0; y < x.height(); ++y) {
    const uchar* p = x.constScanLine(y);
    for (int i = 0; i < x.width(); ++i, p += 3)
      if (p[0] == 255 && p[1] == 0 && p[2] == 255) return true;
  }
  return false;
}

class FramesDialogTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    frames = appDir + "rahmen/";
    ASSERT_TRUE(QDir().mkpath(frames));
    RahmenForm = new TRahmenForm();
  }
  void TearDown() override {
    delete RahmenForm;
    RahmenForm = nullptr;
    EditorTest::TearDown();
  }
  void putCollection(const QByteArray& bytes) { testsupport::writeBytes(frames + "Rahmen.zip", bytes); }
  // Clicks the editor's frames button; inside runs while the dialog is shown.
  void runFrames(const std::function<void(TRahmenForm&)>& inside) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      ran = true;
      ASSERT_TRUE(RahmenForm->isVisible());
      inside(*RahmenForm);
      if (RahmenForm->isVisible()) RahmenForm->AbortBitBtn->click();
    });
    click(editor->Image21);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(RahmenForm->isVisible());
    // The hand-over file never outlives the step.
    EXPECT_FALSE(QFile::exists(appDir + "rahmen.jpg"));
  }
  void choose(TRahmenForm& f, const QString& frame) {
    prompter.answerFile(frame);
    click(f.BitBtn1);
  }
  QString frames;
};

}  // namespace

TEST_F(FramesDialogTest, BuiltCollectionFrameTurnedFourTimesIsOneUndoStep) {
  const QByteArray zip = builtCollection();
  ASSERT_FALSE(zip.isEmpty()) << KALVORA_FRAMES_ZIP;
  putCollection(zip);
  open("bild.png", makeImage(160, 120), px::kFormatPng);
  const QImage before = viewImage(view());
  const qsizetype refreshed = refreshes.size();
  QImage result;
  runFrames([&](TRahmenForm& f) {
    // Unpacked flat into "rahmen/", the collection itself gone after a clean run.
    EXPECT_EQ(QDir(frames).entryList(QDir::Files, QDir::Name), kFrames);
    EXPECT_TRUE(QDir(frames).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_TRUE(prompter.messageTexts().isEmpty());
    EXPECT_FALSE(f.SaveBitBtn->isVisible());
    EXPECT_FALSE(f.RotateBitBtn->isVisible());
    EXPECT_FALSE(f.BearbeitenPanel->isVisible());

    choose(f, frames + "Gold.bmp");
    ASSERT_FALSE(prompter.questions().empty());
    EXPECT_EQ(prompter.questions().back().what, "openFile");
    EXPECT_EQ(prompter.questions().back().text, frames);
    EXPECT_TRUE(f.BearbeitenPanel->isVisible());
    EXPECT_TRUE(f.SaveBitBtn->isVisible());
    // The zoom starts at the smallest width that holds the 480 x 360 frame.
    EXPECT_EQ(f.ZoomTrackBar->value(), 480);
    EXPECT_EQ(f.ErgebnisBitmap.size(), QSize(480, 360));
    EXPECT_TRUE(f.SaveBitBtn->isEnabled());

    f.ZoomTrackBar->setValue(700);
    EXPECT_EQ(f.ZoomLabel->text(), "Zoom: 700");
    f.WidthTrackBar->setValue(120);
    f.HeightTrackBar->setValue(40);
    EXPECT_EQ(f.VRLabel->text(), "von rechts: 120 Pixel");
    EXPECT_EQ(f.VOLabel->text(), "von oben: 40 Pixel");
    const QImage first = f.ErgebnisBitmap;
    const QImage frame = f.MaskeBitmap;
    ASSERT_EQ(first.size(), QSize(480, 360));
    EXPECT_FALSE(hasMagenta(first));  // magenta shows the picture

    const QSize sizes[] = {QSize(360, 480), QSize(480, 360), QSize(360, 480), QSize(480, 360)};
    for (const QSize& s : sizes) {
      click(f.RotateBitBtn);
      EXPECT_EQ(f.MaskeBitmap.size(), s);
      EXPECT_EQ(f.ErgebnisBitmap.size(), s);
      EXPECT_TRUE(f.SaveBitBtn->isEnabled());
    }
    EXPECT_EQ(f.MaskeBitmap, frame);
    EXPECT_EQ(f.ErgebnisBitmap, first);
    result = first.convertToFormat(QImage::Format_RGB888);
    click(f.SaveBitBtn);
  });
  EXPECT_EQ(editor->FUndoIndex(), 1);
  EXPECT_EQ(viewImage(view()), result);
  EXPECT_EQ(snapshots().size(), 2);
  EXPECT_EQ(refreshes.size(), refreshed + 1);
  EXPECT_EQ(readPicture(appDir + editor::WorkingCopyName).size(), QSize(480, 360));

  click(editor->UndoImage);
  EXPECT_EQ(editor->FUndoIndex(), 0);
  EXPECT_EQ(viewImage(view()), before);
  click(editor->RedoImage);
  EXPECT_EQ(editor->FUndoIndex(), 1);
  EXPECT_EQ(viewImage(view()).size(), QSize(480, 360));
}

// Small and large pictures, wider and narrower than the frame: right after choosing, the zoom
// is the smallest at which the picture fills the frame, the preview is there, OK can take it,
// and the grown dialog stays on the screen.
TEST_F(FramesDialogTest, TheFirstPreviewFillsTheFrameAndTheDialogStaysOnScreen) {
  putCollection(builtCollection());
  QImage square(100, 80, QImage::Format_RGB888);
  square.fill(qRgb(255, 0, 255));
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 100; ++x)
      if (x < 8 || y < 8 || x >= 92 || y >= 72) square.setPixel(x, y, qRgb(10, 120, 10));
  ASSERT_TRUE(square.save(frames + "Eigen.bmp", "BMP"));
  struct Case {
    QSize picture;
    const char* frame;
    QSize frameSize;
    int zoom;
  };
  const Case cases[] = {
      {QSize(160, 100), "Eigen.bmp", QSize(100, 80), 128},  // 1.6 : 1 under 1.25 : 1
      {QSize(862, 574), "Gold.bmp", QSize(480, 360), 541},  // 3 : 2 under 4 : 3
      {QSize(3000, 2000), "Gold.bmp", QSize(480, 360), 540},
      {QSize(574, 862), "Gold.bmp", QSize(480, 360), 480},  // portrait: the width decides
      {QSize(160, 120), "Gold.bmp", QSize(480, 360), 480},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(QString("%1x%2 %3").arg(c.picture.width()).arg(c.picture.height()).arg(c.frame).toStdString());
    if (editor->isVisible()) editor->close();  // nothing was changed: no question
    open(QString("bild%1.png").arg(c.picture.width()), makeImage(c.picture.width(), c.picture.height()),
         px::kFormatPng);
    runFrames([&](TRahmenForm& f) {
      const QRect screen = f.screen()->availableGeometry();
      choose(f, frames + c.frame);
      EXPECT_EQ(f.ZoomTrackBar->value(), c.zoom);
      EXPECT_EQ(f.ZoomTrackBar->minimum(), c.zoom);
      EXPECT_EQ(f.ZoomLabel->text(), QString("Zoom: %1").arg(c.zoom));
      EXPECT_EQ(f.ErgebnisBitmap.size(), c.frameSize);
      EXPECT_TRUE(f.SaveBitBtn->isVisible());
      EXPECT_TRUE(f.SaveBitBtn->isEnabled());
      // The zoom cannot go below the picture filling the frame.
      f.ZoomTrackBar->setValue(c.zoom - 20);
      EXPECT_EQ(f.ZoomTrackBar->value(), c.zoom);
      EXPECT_EQ(f.ErgebnisBitmap.size(), c.frameSize);
      // The window system reports the grown window's place and size.
      EXPECT_TRUE(QTest::qWaitFor([&] { return f.width() >= f.sizeHint().width(); }, 60000));
      EXPECT_TRUE(screen.contains(f.frameGeometry()))
          << "screen " << screen.width() << "x" << screen.height() << ", dialog " << f.frameGeometry().x() << ","
          << f.frameGeometry().y() << " " << f.frameGeometry().width() << "x" << f.frameGeometry().height();
      for (QWidget* w : {static_cast<QWidget*>(f.SaveBitBtn), static_cast<QWidget*>(f.ZoomTrackBar),
                         static_cast<QWidget*>(f.ErgebnisImage)})
        EXPECT_TRUE(screen.contains(QRect(w->mapToGlobal(QPoint(0, 0)), w->size())))
            << w->objectName().toStdString() << " at " << w->mapToGlobal(QPoint(0, 0)).x() << "," << w->mapToGlobal(QPoint(0, 0)).y() << " " << w->width() << "x" << w->height() << " dialog " << f.x() << "," << f.y() << " " << f.width() << "x" << f.height() << " hint " << f.sizeHint().width() << "x" << f.sizeHint().height() << " min " << f.minimumWidth() << " max " << f.maximumWidth();
    });
  }
  // The large picture framed: the result has the frame's size.
  runFrames([&](TRahmenForm& f) {
    choose(f, frames + "Gold.bmp");
    click(f.SaveBitBtn);
  });
  EXPECT_EQ(QSize(view()->BitmapWidth(), view()->BitmapHeight()), QSize(480, 360));
  EXPECT_EQ(editor->FUndoIndex(), 1);
}

TEST_F(FramesDialogTest, OkDisabledWhileThePreviewIsEmpty) {
  putCollection(builtCollection());
  open("bild.png", makeImage(160, 120), px::kFormatPng);
  const QImage before = viewImage(view());
  runFrames([&](TRahmenForm& f) {
    EXPECT_FALSE(f.SaveBitBtn->isVisible());
    choose(f, frames + "Gold.bmp");
    EXPECT_TRUE(f.SaveBitBtn->isEnabled());
    // The handed-over picture gone: the next composition has nothing to show.
    ASSERT_TRUE(QFile::remove(appDir + "rahmen.jpg"));
    f.ZoomTrackBar->setValue(600);
    EXPECT_TRUE(f.ErgebnisBitmap.isNull());
    EXPECT_FALSE(f.SaveBitBtn->isEnabled());
    EXPECT_TRUE(f.ErgebnisImage->text().contains("Zoom"));
    // Return does not take an empty preview either.
    QTest::keyClick(&f, Qt::Key_Return);
    EXPECT_TRUE(f.isVisible());
  });
  EXPECT_TRUE(prompter.messageTexts().isEmpty());
  EXPECT_EQ(editor->FUndoIndex(), 0);
  EXPECT_EQ(viewImage(view()), before);
}

TEST_F(FramesDialogTest, CancelChangesNothingAndTheNextShowingStartsAfresh) {
  putCollection(builtCollection());
  open("bild.png", makeImage(160, 120), px::kFormatPng);
  const QImage before = viewImage(view());
  runFrames([&](TRahmenForm& f) {
    choose(f, frames + "Holz.bmp");
    EXPECT_TRUE(f.SaveBitBtn->isEnabled());
    click(f.AbortBitBtn);
  });
  // The button wrote the working copy; cancelling leaves it as it was.
  const QByteArray workingCopy = testsupport::readBytes(appDir + editor::WorkingCopyName);
  ASSERT_FALSE(workingCopy.isEmpty());
  // Escape cancels as well; the second showing finds the frames unpacked and no result of the first.
  runFrames([&](TRahmenForm& f) {
    EXPECT_FALSE(QFile::exists(frames + "Rahmen.zip"));
    EXPECT_TRUE(QFile::exists(frames + "Holz.bmp"));
    EXPECT_TRUE(f.ErgebnisBitmap.isNull());
    EXPECT_FALSE(f.SaveBitBtn->isVisible());
    choose(f, frames + "Oval.bmp");
    EXPECT_FALSE(f.ErgebnisBitmap.isNull());
    QTest::keyClick(&f, Qt::Key_Escape);
  });
  // Choosing no file keeps the dialog as it was.
  runFrames([&](TRahmenForm& f) {
    choose(f, QString());
    EXPECT_FALSE(f.BearbeitenPanel->isVisible());
    EXPECT_FALSE(f.SaveBitBtn->isVisible());
  });
  EXPECT_TRUE(prompter.messageTexts().isEmpty());
  EXPECT_EQ(editor->FUndoIndex(), 0);
  EXPECT_EQ(editor->FRedoTop(), 0);
  EXPECT_TRUE(snapshots().isEmpty());
  EXPECT_EQ(viewImage(view()), before);
  EXPECT_EQ(testsupport::readBytes(appDir + editor::WorkingCopyName), workingCopy);
  EXPECT_FALSE(QFile::exists(appDir + editor::DialogResultName));
}

TEST_F(FramesDialogTest, TruncatedCollectionIsKeptAndReported) {
  const QByteArray zip = builtCollection();
  ASSERT_GT(zip.size(), 1000);
  open("bild.png", makeImage(160, 120), px::kFormatPng);
  for (qsizetype cut : {qsizetype(30), zip.size() / 2, zip.size() - 10}) {
    SCOPED_TRACE(cut);
    QDir(frames).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(frames));
    const QByteArray damaged = zip.left(cut);
    putCollection(damaged);
    const int messages = int(prompter.messageTexts().size());
    runFrames([&](TRahmenForm& f) {
      ASSERT_EQ(prompter.messageTexts().size(), messages + 1);
      const QString text = prompter.messageTexts().last();
      EXPECT_TRUE(text.contains("Rahmen.zip")) << text.toStdString();
      EXPECT_TRUE(text.contains("bleibt erhalten")) << text.toStdString();
      EXPECT_FALSE(f.SaveBitBtn->isVisible());
    });
    EXPECT_EQ(testsupport::readBytes(frames + "Rahmen.zip"), damaged);
    // Nothing lands outside "rahmen/" and no half file stays behind under a frame's name.
    for (const QString& name : QDir(frames).entryList(QDir::Files)) {
      if (name == "Rahmen.zip") continue;
      EXPECT_FALSE(QImage(frames + name).isNull()) << name.toStdString();
    }
  }
  EXPECT_EQ(editor->FUndoIndex(), 0);
}

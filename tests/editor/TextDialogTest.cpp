// The text dialog inside the editor: its controls to the text settings, placing and drawing the
// text, OK as one step, cancel changing nothing, refused input.
#include <QClipboard>
#include <QFontMetrics>
#include <QTimer>

#include "EditorFixture.h"
#include "ModalRun.h"
#include "fText.h"

using namespace edtest;

namespace {

class TextDialogTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    TextForm = new TTextForm();
    form = TextForm;
  }
  void TearDown() override {
    delete TextForm;
    TextForm = nullptr;
    EditorTest::TearDown();
  }
  void runDialog(const std::function<void()>& inside) {
    runModal(form, editor->Image20, inside);
  }
  QImage shown() const { return viewImage(form->ViewPicImage); }
  QImage clean() const { return px::ToQImage(form->CleanPicture()).convertToFormat(QImage::Format_RGB888); }
  static void type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
  }
  // The whole value at once, as pasted.
  static void paste(QLineEdit* edit, const QString& text) {
    QApplication::clipboard()->setText(text);
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
      QTest::keyClick(edit, Qt::Key_Delete);
    else
      QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(edit->text(), text);
  }
  // Bounding box of the pixels that differ by more than a JPEG-free tolerance.
  static QRect changed(const QImage& a, const QImage& b, int tolerance = 0) {
    QRect box;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x) {
        const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
        if (std::abs(qRed(p) - qRed(q)) > tolerance || std::abs(qGreen(p) - qGreen(q)) > tolerance ||
            std::abs(qBlue(p) - qBlue(q)) > tolerance)
          box |= QRect(x, y, 1, 1);
      }
    return box;
  }
  TTextForm* form = nullptr;
};

TEST_F(TextDialogTest, ControlsToTextSettings) {
  open("bild.png", makeImage(400, 300), px::kFormatPng);
  runDialog([&] {
    PicImageControl* v = form->ViewPicImage;
    // The start settings of every showing.
    EXPECT_EQ(form->TextEdit->text(), "Ihr Text");
    EXPECT_EQ(form->TrackBar4->value(), 100);
    EXPECT_EQ(form->Edit2->text(), "100");
    EXPECT_EQ(form->ComboBox1->currentText(), "Schatten und Rahmen");
    EXPECT_EQ(v->TextStyle(), etsOutLineBlock);
    EXPECT_EQ(form->TrackBar5->value(), 4);
    EXPECT_EQ(v->ShadowXDepth(), 4);
    EXPECT_EQ(v->TextFontColor(), 0x0000FF);
    EXPECT_EQ(v->TextAlign(), etaHcenterVcenter);
    EXPECT_EQ(v->TextWidth(), v->DstWidth() * 2);
    EXPECT_EQ(form->BitBtn1->text(), "Schriftart: Arial");

    // Effect entry -> text style, and the shadow controls for the three shadow entries.
    const int styles[TTextForm::EffectCount] = {0, 1, 2, 3, 4, 5, 6, 10, 11, 7, 8, 9};
    for (int i = 0; i < TTextForm::EffectCount; ++i) {
      SCOPED_TRACE(i);
      form->ComboBox1->setCurrentIndex(i);
      EXPECT_EQ(int(v->TextStyle()), styles[i]);
      EXPECT_EQ(form->TrackBar5->isVisible(), i >= 9);
      EXPECT_EQ(form->SchattenabstandLabel->isVisible(), i >= 9);
    }
    // "kein Effekt": the light colour becomes the font colour.
    prompter.answerColor(QColor(0, 128, 0));
    click(form->BitBtn2);
    EXPECT_EQ(v->TextFontColor(), 0x008000);
    form->ComboBox1->setCurrentIndex(0);
    EXPECT_EQ(v->TextHiliteColor(), 0x008000);
    // A cancelled colour dialog keeps the colour.
    prompter.answerColor(std::nullopt);
    click(form->BitBtn4);
    EXPECT_EQ(v->ShadowColor(), 0);

    // Rotation in tenths of a degree, through the bar and the field.
    struct Row {
      QSlider* bar;
      QLineEdit* field;
      const char* typed;
      int expectBar;
    };
    form->ComboBox1->setCurrentIndex(11);
    const Row rows[] = {
        {form->TrackBar1, form->Edit3, "45", 45},     {form->TrackBar1, form->Edit3, "abc", 45},
        {form->TrackBar1, form->Edit3, "361", 45},    {form->TrackBar1, form->Edit3, "-5", 45},
        {form->TrackBar4, form->Edit2, "60", 60},     {form->TrackBar4, form->Edit2, "100000", 60},
        {form->TrackBar4, form->Edit2, "zehn", 60},   {form->TrackBar4, form->Edit2, "0", 0},
        {form->TrackBar5, form->Edit4, "7", 7},       {form->TrackBar5, form->Edit4, "11", 7},
        {form->TrackBar5, form->Edit4, "", 7},
    };
    for (const Row& r : rows) {
      SCOPED_TRACE(r.typed);
      paste(r.field, QString::fromUtf8(r.typed));
      EXPECT_EQ(r.bar->value(), r.expectBar);
    }
    EXPECT_EQ(v->TextAngle(), 450);
    EXPECT_EQ(v->ShadowXDepth(), 7);
    EXPECT_EQ(v->ShadowYDepth(), 7);
    EXPECT_TRUE(prompter.messageTexts().isEmpty());
    // Size 0 and an empty text draw nothing.
    EXPECT_EQ(shown(), clean());
    form->TrackBar4->setValue(40);
    EXPECT_NE(shown(), clean());
    paste(form->TextEdit, "");
    EXPECT_EQ(shown(), clean());
    type(form->TextEdit, "Urlaub");
  });
  // The next showing starts again from the same settings but keeps the text.
  runDialog([&] {
    EXPECT_EQ(form->TextEdit->text(), "Urlaub");
    EXPECT_EQ(form->TrackBar4->value(), 100);
    EXPECT_EQ(form->TrackBar1->value(), 0);
    EXPECT_EQ(form->ViewPicImage->TextAngle(), 0);
    EXPECT_EQ(form->TrackBar5->value(), 4);
    EXPECT_EQ(form->ViewPicImage->TextFontColor(), 0x0000FF);
  });
}

TEST_F(TextDialogTest, DrawnTextStaysInItsBox) {
  open("bild.png", makeImage(400, 300), px::kFormatPng);
  runDialog([&] {
    PicImageControl* v = form->ViewPicImage;
    type(form->TextEdit, "Hallo");
    form->TrackBar4->setValue(30);
    form->ComboBox1->setCurrentIndex(9);  // falling shadow
    form->TrackBar5->setValue(3);
    // Drag the text to a point of the picture.
    const QRect d = v->DisplayedPictureRect();
    ASSERT_GT(d.width(), 0);
    const QPoint to = d.topLeft() + QPoint(d.width() / 4, d.height() / 4);
    drag(v, d.center(), to);
    EXPECT_FALSE(form->FDragging);
    const double scale = 400.0 / d.width();
    const QPointF centre((to.x() - d.left()) * scale, (to.y() - d.top()) * scale);
    QFont f = v->TextFont();
    const QRect text = QFontMetrics(f).boundingRect("Hallo");
    const double w = (text.width() + 3 + 8) * scale, h = (text.height() + 3 + 8) * scale;
    const QRectF allowed(centre.x() - w / 2, centre.y() - h / 2, w + 3 * scale, h + 3 * scale);
    const QRect box = changed(clean(), shown());
    ASSERT_FALSE(box.isEmpty());
    EXPECT_TRUE(allowed.contains(QRectF(box))) << box.x() << "," << box.y() << " " << box.width() << "x"
                                               << box.height();
    // Rotated by 90 degrees near the edge: the picture keeps its size, the text its place.
    type(form->Edit3, "90");
    EXPECT_EQ(v->TextAngle(), 900);
    EXPECT_EQ(shown().size(), QSize(400, 300));
    const QRect turned = changed(clean(), shown());
    ASSERT_FALSE(turned.isEmpty());
    EXPECT_GT(turned.height(), turned.width());
    click(form->SaveBitBtn);
  });
  EXPECT_EQ(editor->FUndoIndex(), 1);
  EXPECT_EQ(snapshots().size(), 2);
  EXPECT_NE(viewImage(view()), makeImage(400, 300));
  EXPECT_FALSE(QFileInfo::exists(appDir + "Text.jpg"));
}

TEST_F(TextDialogTest, LargePictureGetsTheTextWhereThePreviewShowedIt) {
  const QImage original = makeImage(1600, 1200);
  open("gross.png", original, px::kFormatPng);
  QRect inPreview;
  runDialog([&] {
    EXPECT_EQ(form->CleanPicture().width, TTextForm::PreviewSide);
    paste(form->TextEdit, "Gross");
    form->TrackBar4->setValue(60);
    const QRect d = form->ViewPicImage->DisplayedPictureRect();
    drag(form->ViewPicImage, d.center(), d.topLeft() + QPoint(d.width() / 3, d.height() / 3));
    inPreview = changed(clean(), shown(), 60);
    click(form->SaveBitBtn);
  });
  ASSERT_FALSE(inPreview.isEmpty());
  const QImage result = viewImage(view());
  ASSERT_EQ(result.size(), QSize(1600, 1200));
  const QRect inWhole = changed(original, result, 60);  // the editor hands over a JPEG
  const double f = 1600.0 / TTextForm::PreviewSide;
  EXPECT_NEAR(inWhole.center().x(), inPreview.center().x() * f, 12);
  EXPECT_NEAR(inWhole.center().y(), inPreview.center().y() * f, 12);
  EXPECT_NEAR(inWhole.width(), inPreview.width() * f, 16);
  EXPECT_EQ(editor->FUndoIndex(), 1);
}

TEST_F(TextDialogTest, CancelLeavesThePicture) {
  open("bild.png", makeImage(120, 90), px::kFormatPng);
  const QImage before = viewImage(view());
  runDialog([&] {
    type(form->TextEdit, "Weg damit");
    EXPECT_NE(shown(), clean());
  });
  EXPECT_EQ(viewImage(view()), before);
  EXPECT_EQ(editor->FUndoIndex(), 0);
  EXPECT_TRUE(snapshots().isEmpty());
  EXPECT_TRUE(QFileInfo::exists(appDir + "Text.jpg"));
}

TEST_F(TextDialogTest, ExtremePictures) {
  for (QSize size : {QSize(1, 1), QSize(1, 20000)}) {
    SCOPED_TRACE(size.height());
    open(QString("p%1.png").arg(size.height()), makeImage(size.width(), size.height()), px::kFormatPng);
    runDialog([&] {
      type(form->Edit3, "45");
      type(form->Edit2, "256");
      drag(form->ViewPicImage, QPoint(3, 3), QPoint(10, 200));
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

// The effect host's painter-effects dialog driven from the editor: its three faces, the tree of
// 21 effects with their ranges, OK as one step, cancel changing nothing.
#include <QTimer>
#include <QTreeWidget>

#include "Bitmap24Qt.h"
#include "EditorFixture.h"
#include "FxDrawImage.h"
#include "PainterEffectsF.h"
#include "PxProcess.h"

using namespace edtest;
using kalvora::TPainterEffectsF;

namespace {

class PainterEffectsTest : public EditorTest {
 protected:
  TPainterEffectsF* dialog() const { return dynamic_cast<TPainterEffectsF*>(editor->Art->EffectsDialog()); }
  void runModal(TImageButton* button, const std::function<void(TPainterEffectsF*)>& inside) {
    TPainterEffectsF* d = dialog();
    ASSERT_NE(d, nullptr);
    bool ran = false;
    QTimer::singleShot(0, d, [&] {
      ran = true;
      if (d->isVisible()) inside(d);
      if (d->isVisible()) click(d->AbortBitBtn);
    });
    click(button);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(d->isVisible());
  }
  static void clickNode(TPainterEffectsF* d, int row) {
    QTreeWidgetItem* item = d->ETree->topLevelItem(row);
    d->ETree->scrollToItem(item);
    QTest::mouseClick(d->ETree->viewport(), Qt::LeftButton, Qt::NoModifier, d->ETree->visualItemRect(item).center());
  }
};

struct Node {
  const char* label;
  int index, max, min, start;
};
const Node kTree[] = {
    {"Licht-Teilen", 16, 10, 1, 1},          {"Relief", 25, 100, 0, 0},
    {"Schräge", 41, 100, 0, 0},              {"Plasma", 42, 100, 1, 1},
    {"Solarisieren", 53, 255, 0, 1},         {"Poster-Effekt", 54, 255, 1, 1},
    {"Unschärfe Gauss ", 3, 20, 0, 0},       {"Rauschen in Farbe", 5, 200, 0, 0},
    {"Rauschen Schwarz-Weiß", 6, 200, 0, 0}, {"Bewegung", 8, 15, 3, 5},
    {"Mosaik", 9, 30, 2, 15},                {"Wirbel", 10, 50, 1, 10},
    {"Fischauge", 11, 100, 1, 1},            {"Rot", 26, 255, 0, 128},
    {"Grün", 27, 255, 0, 128},               {"Blau", 28, 255, 0, 128},
    {"XRot", 29, 255, 0, 128},               {"XGrün", 30, 255, 0, 128},
    {"XBlau", 31, 255, 0, 128},              {"Kacheln geteilt", 49, 100, 3, 3},
    {"Kachlen überlappend", 50, 100, 3, 3},
};

TEST_F(PainterEffectsTest, TreeNodesRangesAndPreviews) {
  open("bild.png", makeImage(160, 120), px::kFormatPng);
  runModal(editor->Image17, [&](TPainterEffectsF* d) {
    EXPECT_TRUE(d->EffectPanel->isVisible());
    EXPECT_FALSE(d->HelligkeitPanel->isVisible());
    EXPECT_FALSE(d->SaveBitBtn->isEnabled());
    // A bar change without a chosen node does nothing.
    d->EBar->setValue(d->EBar->value() == 1 ? 2 : 1);
    EXPECT_FALSE(d->SaveBitBtn->isEnabled());
    ASSERT_EQ(d->ETree->topLevelItemCount(), 21);
    const QImage original = d->DrawImage()->Picture().convertToFormat(QImage::Format_RGB888);
    EXPECT_EQ(original.width(), 199);  // the editor's preview of the picture
    for (int row = 0; row < 21; ++row) {
      const Node& n = kTree[row];
      SCOPED_TRACE(n.label);
      EXPECT_EQ(d->ETree->topLevelItem(row)->text(0), QString::fromUtf8(n.label));
      clickNode(d, row);
      EXPECT_EQ(d->SelectedEffect, n.index);
      EXPECT_TRUE(d->SaveBitBtn->isEnabled());
      EXPECT_EQ(d->EBar->maximum(), n.max);
      EXPECT_EQ(d->EBar->minimum(), n.min);
      EXPECT_EQ(d->EBar->value(), n.start);
      EXPECT_EQ(QString::fromLatin1(kalvora::TFxDrawImage::EffectTable()[std::size_t(n.index)].operation).isEmpty(),
                false);
      // The node shows its effect at once; a stronger setting shows a changed picture.
      EXPECT_FALSE(d->PreviewPicture().isNull());
      d->EBar->setValue((n.min + n.max) / 2 + 1);
      const QImage shown = d->PreviewPicture().convertToFormat(QImage::Format_RGB888);
      EXPECT_FALSE(shown.isNull());
      EXPECT_NE(shown, original);
    }
    EXPECT_TRUE(QFileInfo::exists(appDir + "prev.jpg"));
  });
  // Cancelled: nothing happened to the picture.
  EXPECT_EQ(editor->FUndoIndex(), 0);
  EXPECT_TRUE(snapshots().isEmpty());
  EXPECT_EQ(viewImage(view()), makeImage(160, 120));
}

TEST_F(PainterEffectsTest, EffectOkIsOneStepOnTheWholePicture) {
  open("bild.png", makeImage(400, 300), px::kFormatPng);
  runModal(editor->Image17, [&](TPainterEffectsF* d) {
    clickNode(d, 10);  // "Mosaik"
    d->EBar->setValue(20);
    click(d->SaveBitBtn);
  });
  EXPECT_EQ(editor->FUndoIndex(), 1);
  EXPECT_EQ(snapshots().size(), 2);
  EXPECT_EQ(refreshes.size(), 1);
  const QImage result = viewImage(view());
  EXPECT_EQ(result.size(), QSize(400, 300));
  EXPECT_GT(meanDiff(result, makeImage(400, 300)), 1.0);
  // Blocks of 20 pixels: the first block is one colour.
  EXPECT_EQ(result.pixel(0, 0), result.pixel(15, 15));
}

TEST_F(PainterEffectsTest, BrightnessFace) {
  open("bild.png", makeImage(160, 120), px::kFormatPng);
  runModal(editor->Image14, [&](TPainterEffectsF* d) {
    EXPECT_TRUE(d->HelligkeitPanel->isVisible());
    EXPECT_FALSE(d->EffectPanel->isVisible());
    EXPECT_FALSE(d->SaveBitBtn->isEnabled());
    EXPECT_EQ(d->FarbeLabel->text(), "Farbe: 0");
    d->HelligkeitTrackBar->setValue(60);
    EXPECT_EQ(d->HelligkeitLabel->text(), "Helligkeit: 60");
    EXPECT_TRUE(d->SaveBitBtn->isEnabled());
    const QImage bright = d->PreviewPicture();
    // Held: the preview waits for the release.
    d->KontrastTrackBar->setSliderDown(true);
    d->KontrastTrackBar->setValue(-100);
    EXPECT_EQ(d->PreviewPicture(), bright);
    d->KontrastTrackBar->setSliderDown(false);
    EXPECT_EQ(d->KontrastLabel->text(), "Kontrast: -100");
    EXPECT_NE(d->PreviewPicture(), bright);
    d->FarbeTrackBar->setValue(400);
    EXPECT_EQ(d->FarbeLabel->text(), "Farbe: 150");
    click(d->ZuruecksetzenButton);
    EXPECT_EQ(d->HelligkeitTrackBar->value(), 0);
    EXPECT_EQ(d->FarbeTrackBar->value(), 250);
    d->HelligkeitTrackBar->setValue(80);
  });
  EXPECT_EQ(editor->FUndoIndex(), 0);
  EXPECT_EQ(viewImage(view()), makeImage(160, 120));

  runModal(editor->Image14, [&](TPainterEffectsF* d) {
    EXPECT_EQ(d->HelligkeitTrackBar->value(), 0);  // every showing starts at no change
    d->HelligkeitTrackBar->setValue(80);
    click(d->SaveBitBtn);
  });
  EXPECT_EQ(editor->FUndoIndex(), 1);
  EXPECT_EQ(snapshots().size(), 2);
  const QImage brighter = viewImage(view());
  EXPECT_EQ(brighter.size(), QSize(160, 120));
  EXPECT_GT(qGray(brighter.pixel(5, 5)), qGray(makeImage(160, 120).pixel(5, 5)) + 30);
}

TEST_F(PainterEffectsTest, AutomaticEnhancementHoldsTheEditorAndSharpensBeforeTheCommit) {
  open("bild.png", makeImage(160, 120), px::kFormatPng);
  click(editor->Image12);
  TPainterEffectsF* d = dialog();
  ASSERT_TRUE(d->isVisible());
  EXPECT_TRUE(d->AutomaticPanel->isVisible());
  EXPECT_FALSE(d->HelligkeitPanel->isVisible());
  EXPECT_TRUE(d->SaveBitBtn->isEnabled());
  EXPECT_EQ(d->FarbeTrackBar->value(), 350);
  EXPECT_EQ(d->FarbeLabel->text(), "Farbe: 100");
  EXPECT_EQ(d->HelligkeitLabel->text(), "Helligkeit: 0");
  EXPECT_EQ(d->KontrastLabel->text(), "Kontrast: 0");
  // The editor's steps wait for the dialog.
  EXPECT_FALSE(editor->Image4->isEnabled() && editor->Image4->isVisibleTo(editor) &&
               editor->EffectsPanel->isEnabled());
  click(editor->Image4);
  EXPECT_EQ(editor->FUndoIndex(), 0);

  px::Bitmap expect;
  ASSERT_EQ(px::FromQImage(kalvora::ToQImage(editor->Art->WorkBitmap), expect), 1);
  px::SharpenBitmap(expect, 850);
  click(d->SaveBitBtn);
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(editor->FUndoIndex(), 1);
  EXPECT_EQ(snapshots().size(), 2);
  EXPECT_EQ(viewImage(view()), px::ToQImage(expect).convertToFormat(QImage::Format_RGB888));
  // The working copy holds the sharpened picture too.
  EXPECT_LT(meanDiff(readPicture(appDir + "Temp.jpg"), viewImage(view())), 3.0);
  EXPECT_TRUE(editor->EffectsPanel->isEnabled());

  // Abbrechen: no step, the editor free again.
  click(editor->Image12);
  ASSERT_TRUE(d->isVisible());
  click(d->AbortBitBtn);
  EXPECT_EQ(editor->FUndoIndex(), 1);
  EXPECT_TRUE(editor->EffectsPanel->isEnabled());
}

// Over the editor shown modally, as the main window shows it: OK, Abbrechen, Return and Escape
// answer the automatic face, and its "Original" is the picture being edited.
TEST_F(PainterEffectsTest, AutomaticEnhancementAnswersOverTheModalEditor) {
  QImage earlier(200, 150, QImage::Format_RGB888);
  earlier.fill(QColor(200, 30, 30));
  const QString first = pictures + "rot.png", second = pictures + "bild.png";
  ASSERT_TRUE(writePicture(first, earlier, px::kFormatPng));
  ASSERT_TRUE(writePicture(second, makeImage(300, 200), px::kFormatPng));
  auto execEditor = [&](const QString& path, const std::function<void(TPainterEffectsF*)>& inside) {
    picture = path;
    editor->FPicturePath = path;
    editor->FProgramFolder = appDir;
    editor->resize(1016, 657);
    bool ran = false;
    QTimer::singleShot(0, editor, [&] {
      ran = true;
      inside(dialog());
      prompter.answerMessage(kalvora::mrNo);  // the edit is thrown away
      editor->close();
    });
    editor->exec();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(editor->isVisible());
  };
  // Clicks and keys through the window system, which holds them back from a window a modal
  // one blocks (events sent to the widget itself would pass).
  auto press = [](TPainterEffectsF* d, QPushButton* b) {
    QTest::mouseClick(d->windowHandle(), Qt::LeftButton, Qt::NoModifier, b->mapTo(d, b->rect().center()));
  };
  auto key = [](TPainterEffectsF* d, Qt::Key k) { QTest::keyClick(d->windowHandle(), k); };
  auto openAuto = [&](TPainterEffectsF* d) {
    click(editor->Image12);
    ASSERT_TRUE(QTest::qWaitFor([&] { return d->isVisible(); }, 60000));
    EXPECT_TRUE(d->isEnabled());
    EXPECT_TRUE(d->SaveBitBtn->isEnabled());
    EXPECT_FALSE(editor->EffectsPanel->isEnabled());
  };
  // The red picture is enhanced and the change discarded when the editor closes.
  execEditor(first, [&](TPainterEffectsF* d) {
    openAuto(d);
    press(d, d->SaveBitBtn);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !d->isVisible(); }, 60000));
    EXPECT_EQ(editor->FUndoIndex(), 1);
  });
  execEditor(second, [&](TPainterEffectsF* d) {
    openAuto(d);
    // "Original" shows this picture, not the red one of the earlier opening.
    const QImage shown = d->Image1->pixmap().toImage().convertToFormat(QImage::Format_RGB888);
    ASSERT_FALSE(shown.isNull());
    const QImage expected = makeImage(300, 200).scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(meanDiff(shown, expected), 12.0);

    press(d, d->AbortBitBtn);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !d->isVisible(); }, 60000));
    EXPECT_EQ(editor->FUndoIndex(), 0);
    EXPECT_TRUE(editor->EffectsPanel->isEnabled());

    openAuto(d);
    key(d, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !d->isVisible(); }, 60000));
    EXPECT_TRUE(editor->isVisible());  // only the dialog closed
    EXPECT_EQ(editor->FUndoIndex(), 0);

    openAuto(d);
    key(d, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !d->isVisible(); }, 60000));
    EXPECT_EQ(editor->FUndoIndex(), 1);
    EXPECT_TRUE(editor->EffectsPanel->isEnabled());
    EXPECT_GT(meanDiff(viewImage(view()), makeImage(300, 200)), 1.0);
  });
}

TEST_F(PainterEffectsTest, ExtremePictures) {
  for (QSize size : {QSize(1, 1), QSize(1, 20000)}) {
    SCOPED_TRACE(size.height());
    open(QString("p%1.png").arg(size.height()), makeImage(size.width(), size.height()), px::kFormatPng);
    runModal(editor->Image17, [&](TPainterEffectsF* d) {
      for (int row = 0; row < 21; ++row) clickNode(d, row);
      clickNode(d, 11);  // "Wirbel"
      click(d->SaveBitBtn);
    });
    runModal(editor->Image14, [&](TPainterEffectsF* d) {
      d->HelligkeitTrackBar->setValue(255);
      click(d->SaveBitBtn);
    });
    click(editor->Image12);
    click(dialog()->SaveBitBtn);
    EXPECT_EQ(view()->BitmapWidth(), size.width());
    EXPECT_EQ(view()->BitmapHeight(), size.height());
    EXPECT_EQ(editor->FUndoIndex(), 3);
    prompter.answerMessage(kalvora::mrNo);
    editor->close();
  }
}

}  // namespace

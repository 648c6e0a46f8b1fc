// The step protocol through the real window: snapshots, working copy, undo, redo and closing.
#include "EditorFixture.h"
#include "SmallDisk.h"

using namespace edtest;

namespace {

struct Expect {
  const char* action;
  int undoIndex, redoTop;
  bool undoOn, redoOn;
  QStringList files;  // UNDO_n.jpg present
  int refreshes;
};

QStringList undoFiles(std::initializer_list<int> ns) {
  QStringList out;
  for (int n : ns) out << editor::SnapshotName(n);
  out.sort();
  return out;
}

}  // namespace

TEST_F(EditorTest, UndoTableThroughTheWindow) {
  const QImage original = makeImage(64, 48);
  open("bild.png", original, px::kFormatPng);
  const QByteArray originalBytes = testsupport::readBytes(picture);
  const QString temp = appDir + "Temp.jpg";

  auto check = [&](const Expect& e) {
    SCOPED_TRACE(e.action);
    EXPECT_EQ(editor->FUndoIndex(), e.undoIndex);
    EXPECT_EQ(editor->FRedoTop(), e.redoTop);
    EXPECT_EQ(editor->UndoImage->isEnabled(), e.undoOn);
    EXPECT_EQ(editor->UndoBitBtn1->isEnabled(), e.undoOn);
    EXPECT_EQ(editor->RedoImage->isEnabled(), e.redoOn);
    QStringList files = snapshots();
    files.sort();
    EXPECT_EQ(files, e.files);
    EXPECT_EQ(refreshes.size(), e.refreshes);
    // The working copy always holds what the view shows.
    if (e.refreshes > 0) {
      EXPECT_EQ(refreshes.last(), temp);
      EXPECT_LT(meanDiff(readPicture(temp), viewImage(view())), 3.0);
      // ... and the snapshot of the current picture is the working copy.
      EXPECT_EQ(testsupport::readBytes(appDir + editor::SnapshotName(e.undoIndex + 1)), testsupport::readBytes(temp));
    }
  };

  check({"open", 0, 0, false, false, {}, 0});
  EXPECT_FALSE(QFileInfo::exists(temp));
  EXPECT_EQ(viewImage(view()), original);

  click(editor->Image4);  // A: quarter turn to the right
  check({"A", 1, 1, true, false, undoFiles({1, 2}), 1});
  const QImage a = rotated(original, 90);
  EXPECT_EQ(viewImage(view()), a);
  click(editor->Image6);  // B: mirror left to right
  check({"B", 2, 2, true, false, undoFiles({1, 2, 3}), 2});
  const QImage b = mirroredLeftRight(a);
  EXPECT_EQ(viewImage(view()), b);
  click(editor->Image5);  // C: half turn
  check({"C", 3, 3, true, false, undoFiles({1, 2, 3, 4}), 3});
  EXPECT_EQ(viewImage(view()), rotated(b, 180));

  click(editor->UndoImage);
  check({"undo 1", 2, 3, true, true, undoFiles({1, 2, 3, 4}), 4});
  EXPECT_LT(meanDiff(viewImage(view()), b), 4.0);
  click(editor->UndoImage);
  check({"undo 2", 1, 3, true, true, undoFiles({1, 2, 3, 4}), 5});
  EXPECT_LT(meanDiff(viewImage(view()), a), 4.0);
  click(editor->UndoImage);
  check({"undo 3", 0, 3, false, true, undoFiles({1, 2, 3, 4}), 6});
  // Back at the start the picture's own file is shown: pixel for pixel.
  EXPECT_EQ(viewImage(view()), original);
  click(editor->UndoImage);  // disabled: nothing happens
  check({"undo past the start", 0, 3, false, true, undoFiles({1, 2, 3, 4}), 6});

  click(editor->RedoImage);
  check({"redo", 1, 3, true, true, undoFiles({1, 2, 3, 4}), 7});
  EXPECT_LT(meanDiff(viewImage(view()), a), 4.0);

  click(editor->Image7);  // D after undo: upside down; the redo chain is cut
  check({"D", 2, 2, true, false, undoFiles({1, 2, 3}), 8});
  EXPECT_LT(meanDiff(readPicture(appDir + editor::SnapshotName(3)), upsideDown(a)), 4.0);
  click(editor->RedoImage);
  check({"redo after D", 2, 2, true, false, undoFiles({1, 2, 3}), 8});

  // Closing with No: the picture's file is untouched, the snapshots go.
  prompter.answerMessage(kalvora::mrNo);
  click(editor->CloseImage);
  EXPECT_FALSE(editor->isVisible());
  ASSERT_EQ(prompter.messageTexts(), QStringList{QString::fromUtf8("Alle Änderungen an diesem Bild speichern?")});
  EXPECT_EQ(prompter.questions()[0].buttons, kalvora::mbYes | kalvora::mbNo);
  EXPECT_EQ(testsupport::readBytes(picture), originalBytes);
  EXPECT_TRUE(snapshots().isEmpty());
  // The thumbnail is rebuilt from the picture's own file.
  EXPECT_EQ(refreshes.last(), picture);
  EXPECT_EQ(viewImage(view()), original);
}

TEST_F(EditorTest, ClosingAsksOnlyWhenSomethingCanBeSaved) {
  struct Case {
    const char* name;
    int steps, undos;
  };
  for (const Case& c : {Case{"no step", 0, 0}, Case{"one step, one undo", 1, 1}}) {
    SCOPED_TRACE(c.name);
    open("bild.png", makeImage(40, 30), px::kFormatPng);
    const QByteArray before = testsupport::readBytes(picture);
    for (int i = 0; i < c.steps; ++i) click(editor->Image3);
    for (int i = 0; i < c.undos; ++i) click(editor->UndoImage);
    const size_t asked = prompter.questions().size();
    editor->close();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(prompter.questions().size(), asked);
    EXPECT_EQ(testsupport::readBytes(picture), before);
    EXPECT_TRUE(snapshots().isEmpty());
  }
}

TEST_F(EditorTest, LeftoversOfAnEarlierShowingNeverComeBack) {
  // Another picture's snapshots and working copy from a showing that ended badly.
  const QImage other = makeImage(30, 90);
  for (const char* name : {"UNDO_1.jpg", "UNDO_2.jpg", "UNDO_3.jpg", "Temp.jpg"})
    ASSERT_TRUE(writePicture(appDir + name, other, px::kFormatJpeg422));
  open("bild.png", makeImage(64, 48), px::kFormatPng);
  EXPECT_TRUE(snapshots().isEmpty());
  EXPECT_FALSE(QFileInfo::exists(appDir + "Temp.jpg"));
  click(editor->RedoImage);  // nothing to redo: no stale snapshot is loaded
  EXPECT_EQ(viewImage(view()).size(), QSize(64, 48));
  EXPECT_EQ(refreshes.size(), 0);
}

TEST_F(EditorTest, AMissingSnapshotEndsUndoAndRedoWithoutACommit) {
  open("bild.png", makeImage(64, 48), px::kFormatPng);
  click(editor->Image4);
  click(editor->Image6);
  const QImage shown = viewImage(view());
  QFile::remove(appDir + "UNDO_2.jpg");
  prompter.answerMessage(kalvora::mrOk);
  click(editor->UndoImage);
  EXPECT_EQ(editor->FUndoIndex(), 2);
  EXPECT_EQ(refreshes.size(), 2);
  EXPECT_EQ(viewImage(view()), shown);
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts()[0].contains("UNDO_2.jpg"));
}

TEST_F(EditorTest, AFailedStepLeavesNoTrace) {
  // The program folder, where the working copy and the snapshots go, on a small disk of its own.
  testsupport::SmallDisk disk(appDir + "klein");
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  appDir += "klein/";
  open("bild.png", makeImage(64, 48), px::kFormatPng);
  click(editor->Image4);
  const QStringList files = snapshots();
  const QByteArray temp = testsupport::readBytes(appDir + "Temp.jpg");
  const QImage shown = viewImage(view());
  // The disk is full: the step cannot be written.
  ASSERT_TRUE(disk.fill());
  click(editor->Image5);
  EXPECT_EQ(editor->FUndoIndex(), 1);
  EXPECT_EQ(editor->FRedoTop(), 1);
  EXPECT_EQ(snapshots(), files);
  EXPECT_EQ(testsupport::readBytes(appDir + "Temp.jpg"), temp);
  EXPECT_EQ(QDir(appDir).entryList(QDir::Files | QDir::Hidden), (QStringList{"filler", "Temp.jpg", "UNDO_1.jpg", "UNDO_2.jpg"}));
  // The view shows the last snapshot again.
  EXPECT_EQ(viewImage(view()), readPicture(appDir + "UNDO_2.jpg"));
  EXPECT_LT(meanDiff(viewImage(view()), shown), 4.0);
  EXPECT_EQ(refreshes.size(), 1);
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  const QString message = prompter.messageTexts()[0];
  EXPECT_TRUE(message.contains(QString::fromUtf8("kein Platz mehr auf dem Datenträger"))) << message.toStdString();
  EXPECT_TRUE(message.contains(appDir + "Temp.jpg")) << message.toStdString();

  // The very first step failing leaves no snapshot at all.
  prompter.answerMessage(kalvora::mrNo);
  editor->close();
  open("zwei.png", makeImage(64, 48), px::kFormatPng);
  ASSERT_TRUE(disk.fill());  // closing freed the snapshots' room
  click(editor->Image3);
  EXPECT_EQ(editor->FUndoIndex(), 0);
  EXPECT_TRUE(snapshots().isEmpty());
  EXPECT_EQ(viewImage(view()).size(), QSize(64, 48));
  EXPECT_FALSE(editor->UndoImage->isEnabled());
  ASSERT_EQ(prompter.messageTexts().size(), 3);  // the second is the question at closing
  EXPECT_TRUE(prompter.messageTexts()[2].contains(QString::fromUtf8("kein Platz mehr auf dem Datenträger")))
      << prompter.messageTexts()[2].toStdString();
  prompter.answerMessage(kalvora::mrNo);
  editor->close();
}

TEST_F(EditorTest, StepProtocolForDialogs) {
  open("bild.png", makeImage(64, 48), px::kFormatPng);
  editor::EditSession& steps = editor->Steps();
  // A dialog's result file becomes one step.
  const QImage result = makeImage(20, 10);
  ASSERT_TRUE(writePicture(appDir + "Temp.bmp", result, px::kFormatBmp));
  {
    editor::EditStep step = steps.BeginStep();
    ASSERT_TRUE(step.IsOpen());
    EXPECT_FALSE(steps.BeginStep().IsOpen());  // one at a time
    EXPECT_TRUE(step.CommitFile(appDir + "Temp.bmp"));
  }
  EXPECT_EQ(editor->FUndoIndex(), 1);
  EXPECT_EQ(viewImage(view()), result);
  EXPECT_EQ(refreshes.size(), 1);
  // A step dropped (also by an exception) changes nothing.
  try {
    editor::EditStep step = steps.BeginStep();
    view()->Rotate(9000, 1, 0xFFFFFF);
    throw std::runtime_error("dialog failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(editor->FUndoIndex(), 1);
  EXPECT_EQ(viewImage(view()), readPicture(appDir + "UNDO_2.jpg"));
  // A result file that is no picture fails the step with a message.
  testsupport::writeBytes(appDir + "Temp.bmp", "kaputt");
  {
    editor::EditStep step = steps.BeginStep();
    EXPECT_FALSE(step.CommitFile(appDir + "Temp.bmp"));
  }
  EXPECT_EQ(editor->FUndoIndex(), 1);
  EXPECT_LT(meanDiff(viewImage(view()), result), 4.0);
  EXPECT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_EQ(snapshots(), (QStringList{"UNDO_1.jpg", "UNDO_2.jpg"}));
}

TEST_F(EditorTest, EachTurnAndFlipButton) {
  const QImage original = makeImage(64, 48);
  struct Case {
    TImageButton* TBildbeaerbeitungForm::*button;
    QImage expected;
  };
  for (const Case& c : {Case{&TBildbeaerbeitungForm::Image3, rotated(original, -90)},
                        Case{&TBildbeaerbeitungForm::Image4, rotated(original, 90)},
                        Case{&TBildbeaerbeitungForm::Image5, rotated(original, 180)},
                        Case{&TBildbeaerbeitungForm::Image6, mirroredLeftRight(original)},
                        Case{&TBildbeaerbeitungForm::Image7, upsideDown(original)}}) {
    open("bild.png", original, px::kFormatPng);
    TImageButton* button = editor->*c.button;
    SCOPED_TRACE(button->objectName().toStdString());
    click(button);
    EXPECT_EQ(viewImage(view()), c.expected);
    EXPECT_EQ(editor->FUndoIndex(), 1);
    prompter.answerMessage(kalvora::mrNo);
    editor->close();
  }
}

TEST_F(EditorTest, InfoLine) {
  open("bild.jpg", makeImage(800, 600), px::kFormatJpeg422);
  EXPECT_EQ(editor->StatusBar1->currentMessage(),
            "bild.jpg    JPEG  4:2:2     800x600     24Bit Farben       " + view()->InfoText());
  click(editor->Image4);
  EXPECT_TRUE(editor->StatusBar1->currentMessage().contains("     600x800     "));
}

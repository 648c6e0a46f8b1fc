// Pictures that cannot be read, save-back that cannot be written, extreme side ratios.
#include <sys/stat.h>

#include "AsUser.h"
#include "EditorFixture.h"
#include "FxDrawImage.h"
#include "SmallDisk.h"

using namespace edtest;

namespace {
ino_t inodeOf(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}
}  // namespace

TEST_F(EditorTest, APictureThatCannotBeLoadedClosesTheEditorWithAMessage) {
  for (const QByteArray& bytes : {QByteArray("no picture at all"), QByteArray()}) {
    picture = pictures + "kaputt.jpg";
    ASSERT_TRUE(testsupport::writeBytes(picture, bytes));
    prompter.answerMessage(kalvora::mrOk);
    openExisting(picture);
    QApplication::processEvents();
    ASSERT_GE(prompter.messageTexts().size(), 1);
    EXPECT_EQ(prompter.messageTexts().last(), QString::fromUtf8("Das Bild „kaputt.jpg“ kann nicht geladen werden."));
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(testsupport::readBytes(picture), bytes);
    EXPECT_FALSE(QFileInfo::exists(appDir + "Temp.jpg"));
    EXPECT_TRUE(snapshots().isEmpty());
  }
  // A missing file likewise.
  openExisting(pictures + "fehlt.jpg");
  QApplication::processEvents();
  EXPECT_FALSE(editor->isVisible());
  EXPECT_TRUE(prompter.messageTexts().last().contains(QString::fromUtf8("fehlt.jpg")));
}

TEST_F(EditorTest, SaveBackIntoAReadOnlyFolderKeepsEverything) {
  open("bild.png", makeImage(64, 48), px::kFormatPng);
  const QByteArray before = testsupport::readBytes(picture);
  click(editor->Image4);
  const QByteArray temp = testsupport::readBytes(appDir + "Temp.jpg");
  // The picture's own folder becomes read-only, readable by all (the test may run as root,
  // which drops to an ordinary user for the save).
  QFile::setPermissions(show.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                         QFile::ReadOther | QFile::ExeOther);
  prompter.answerMessage(kalvora::mrYes).answerMessage(kalvora::mrOk);
  {
    testsupport::AsOrdinaryUser user;
    editor->close();
  }
  QFile::setPermissions(show.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  EXPECT_TRUE(editor->isVisible());  // the edit is not lost
  ASSERT_EQ(prompter.messageTexts().size(), 2);
  EXPECT_TRUE(prompter.messageTexts()[1].contains(QString::fromUtf8("unverändert"))) << prompter.messageTexts()[1].toStdString();
  EXPECT_TRUE(prompter.messageTexts()[1].contains(picture)) << prompter.messageTexts()[1].toStdString();
  EXPECT_EQ(testsupport::readBytes(picture), before);
  EXPECT_EQ(testsupport::readBytes(appDir + "Temp.jpg"), temp);
  EXPECT_EQ(QDir(show.path()).entryList(QDir::Files), QStringList{"bild.png"});
  // Once the folder can be written, Yes saves.
  prompter.answerMessage(kalvora::mrYes);
  editor->close();
  EXPECT_FALSE(editor->isVisible());
  EXPECT_EQ(readPicture(picture).size(), QSize(48, 64));
}

TEST_F(EditorTest, ARealFullDiskAtSaveBackKeepsTheOriginal) {
  testsupport::SmallDisk disk(pictures + "klein");
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  const QString onDisk = pictures + "klein/bild.jpg";
  ASSERT_TRUE(writePicture(onDisk, makeImage(320, 240), px::kFormatJpeg422));
  const QByteArray before = testsupport::readBytes(onDisk);
  const ino_t inode = inodeOf(onDisk);
  openExisting(onDisk);
  click(editor->Image6);
  ASSERT_TRUE(disk.fill());
  prompter.answerMessage(kalvora::mrYes).answerMessage(kalvora::mrOk);
  editor->close();
  EXPECT_TRUE(editor->isVisible());  // the edit is not lost
  ASSERT_EQ(prompter.messageTexts().size(), 2);
  // The user reads that the disk is full, in the program's words, and which file it was.
  const QString message = prompter.messageTexts()[1];
  EXPECT_TRUE(message.contains(QString::fromUtf8("kein Platz mehr auf dem Datenträger"))) << message.toStdString();
  EXPECT_TRUE(message.contains(onDisk)) << message.toStdString();
  EXPECT_FALSE(message.contains("No space left", Qt::CaseInsensitive)) << message.toStdString();
  EXPECT_EQ(testsupport::readBytes(onDisk), before);
  EXPECT_EQ(inodeOf(onDisk), inode);
  EXPECT_EQ(QDir(pictures + "klein").entryList(QDir::Files | QDir::Hidden), (QStringList{"bild.jpg", "filler"}));
  EXPECT_TRUE(QFileInfo::exists(appDir + "Temp.jpg"));
  // No discards the edit instead.
  prompter.answerMessage(kalvora::mrNo);
  editor->close();
  EXPECT_FALSE(editor->isVisible());
  EXPECT_EQ(testsupport::readBytes(onDisk), before);
}

TEST_F(EditorTest, ExtremeSideRatios) {
  open("schmal.png", makeImage(1, 20000), px::kFormatPng);
  ASSERT_TRUE(editor->isVisible());
  EXPECT_EQ(view()->BitmapHeight(), 20000);
  EXPECT_GE(editor->ZoomTrackBar->value(), 2);
  // The effect preview stays a sane size.
  click(editor->Image3);
  editor->Steps().EnsureWorkingCopy();
  editor->LoadPreviewIntoArt();
  EXPECT_EQ(editor->Art->Picture().size(), QSize(199, 1));
  click(editor->UndoImage);
  editor->Steps().EnsureWorkingCopy();
  editor->LoadPreviewIntoArt();
  EXPECT_EQ(editor->Art->Picture().size(), QSize(199, 2000));
  click(editor->RedoImage);
  prompter.answerMessage(kalvora::mrYes);
  editor->close();
  EXPECT_TRUE(prompter.messageTexts().size() == 1) << prompter.messageTexts().join("|").toStdString();
  EXPECT_EQ(readPicture(picture).size(), QSize(20000, 1));
}

TEST_F(EditorTest, SaveBackKeepsTheFormatItsNameSays) {
  struct Case {
    const char* name;
    int format;          // as written
    const char* magic;   // first bytes after saving
  };
  for (const Case& c : {Case{"a.png", px::kFormatPng, "\x89PNG"}, Case{"b.bmp", px::kFormatBmp, "BM"},
                        Case{"c.tif", px::kFormatTiff, "II"}, Case{"d.gif", px::kFormatGif, "GIF8"},
                        Case{"e.jpeg", px::kFormatJpeg422, "\xFF\xD8"}}) {
    SCOPED_TRACE(c.name);
    open(c.name, makeImage(64, 48), c.format);
    click(editor->Image4);
    prompter.answerMessage(kalvora::mrYes);
    editor->close();
    ASSERT_FALSE(editor->isVisible());
    const QByteArray bytes = testsupport::readBytes(picture);
    EXPECT_TRUE(bytes.startsWith(c.magic)) << bytes.left(4).toHex().toStdString();
    const QImage saved = readPicture(picture);
    EXPECT_EQ(saved.size(), QSize(48, 64));
    // Lossless formats keep the pixels exactly; GIF keeps them within its palette.
    const double diff = meanDiff(saved, rotated(makeImage(64, 48), 90));
    if (c.format == px::kFormatPng || c.format == px::kFormatBmp || c.format == px::kFormatTiff) {
      EXPECT_EQ(diff, 0.0);
    } else {
      EXPECT_LT(diff, 12.0);
    }
  }
}

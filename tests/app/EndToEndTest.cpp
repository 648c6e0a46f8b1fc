// The main road through the program, headless: first start on a fresh home folder, a new
// slideshow made from a folder of pictures in four formats, captions, reordering, rotation,
// saving and starting the player, closing, and a second start that finds it all again.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QtWidgets>

#include "FileOps.h"
#include "IniFile.h"
#include "Language.h"
#include "ListItems.h"
#include "Process.h"
#include "ScriptedPrompter.h"
#include "PxBitmap.h"
#include "PxFile.h"
#include "PxPaint.h"
#include "StringHelpers.h"
#include "StringList.h"
#include "SystemInfo.h"
#include "TestSupport.h"
#include "TreeCopy.h"
#include "Windows.h"
#include "fMain.h"

namespace {
struct Started {
  QString program;
  QStringList args;
};
std::vector<Started> started;
bool recordStart(const QString& program, const QStringList& args, const QString&) {
  started.push_back({program, args});
  return true;
}

bool writePicture(const QString& path, int w, int h, int format) {
  QImage img(w, h, QImage::Format_RGB888);
  img.fill(QColor(40 + (w % 200), 90, 160));
  px::Bitmap bmp;
  if (format == px::kFormatGif) {
    if (px::CreateBitmap(bmp, w, h, 8) != 1) return false;
    for (int y = 0; y < h; ++y) memset(bmp.scanLine(y), (y * 255) / h, size_t(w));
  } else if (px::FromQImage(img, bmp) != 1) {
    return false;
  }
  return px::SaveBitmap(path.toStdString(), bmp, format, format == px::kFormatGif ? 8 : 24, 2) == 1;
}

// As Qt's own reader sees it, not the picture library the program writes with.
QSize sizeOf(const QString& path) { return QImageReader(path).size(); }

QStringList names(MarkupListBoxControl* list) {
  QStringList out;
  for (int i = 0; i < list->Count(); ++i) out << ItemFileName(list->Item(i));
  return out;
}

int indexOf(MarkupListBoxControl* list, const QString& name) { return int(names(list).indexOf(name)); }

void startProgram() {
  ResetWindowsInfo();
  LoadLanguage();
  CreateWindows();
  ASSERT_NE(MainForm, nullptr);
  MainForm->PageControl1->setTabVisible(MainForm->PageControl1->indexOf(MainForm->TabSheet1), true);
  MainForm->PageControl1->setCurrentWidget(MainForm->TabSheet1);
  MainForm->setWindowState(Qt::WindowNoState);
  MainForm->resize(1100, 1400);
  MainForm->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
}

void closeProgram() {
  MainForm->close();
  DestroyWindows();
}
}  // namespace

TEST(EndToEnd, NewSlideshowIsSavedPlayedAndReopened) {
  testsupport::FakeHome home;
  testsupport::TempFolder app;
  const QString bin = QString(KALVORA_TEST_BIN_DIR);
  for (const char* f : {"Generator.ini", "Language.ini", "Effects.ini", "Bumble Bee - Tessaro.mp3"})
    ASSERT_TRUE(QFile::copy(bin + "/" + f, app.path() + "/" + f)) << f;
  copyTree(bin + "/diashow", app.path() + "/diashow");
  copyTree(bin + "/help", app.path() + "/help");
  // No tip window at start and no products page at the end: they wait for a click.
  ASSERT_TRUE(testsupport::writeBytes(app.path() + "/NoTip.ini", "[TIP]\r\n"));
  ASSERT_TRUE(testsupport::writeBytes(app.path() + "/NoWer.ini", "[WER]\r\n"));
  qputenv("KALVORA_APPDIR", app.path().toUtf8());
  kalvora::ScriptedPrompter prompter;
  kalvora::PrompterScope prompterScope(prompter);
  started.clear();
  kalvora::SetStartProgramHook(&recordStart);

  // First start: the archive root with the samples and the player.
  startProgram();
  const QString root = home.path() + "/Kalvora/";
  EXPECT_EQ(MainForm->FArchiveRoot, root);
  for (const char* f : {"Archive_0001/Diashow.ini", "Archive_0001/Pictures.ini", "Archive_0002/Pictures.ini",
                        "Slidoplay", "Settings.ini", "play.ply", "Effects.ini", "Language.ini", "del"})
    EXPECT_TRUE(QFileInfo::exists(root + f)) << f;
  EXPECT_EQ(kalvora::IniFile(root + "Language.ini").readString("PLAYER", "100004"), "Esc beendet die Diashow");

  // The user's pictures.
  const QString pictures = home.path() + "/Bilder/";
  QDir().mkpath(pictures);
  ASSERT_TRUE(writePicture(pictures + "quer.jpg", 1600, 1200, px::kFormatJpeg422));
  ASSERT_TRUE(writePicture(pictures + "hoch.jpg", 1200, 1600, px::kFormatJpeg422));
  ASSERT_TRUE(writePicture(pictures + "bild.bmp", 400, 300, px::kFormatBmp));
  ASSERT_TRUE(writePicture(pictures + "anim.gif", 300, 200, px::kFormatGif));
  ASSERT_TRUE(writePicture(pictures + "scan.tif", 300, 400, px::kFormatTiff));
  const QStringList userFiles = QDir(pictures).entryList(QDir::Files, QDir::Name);

  // A new slideshow.
  MainForm->FArchiveFolder.clear();
  MainForm->DiashowListBox->Clear();
  MainForm->TitleEdit->setText("Urlaub am Meer");
  MainForm->SecEdit->setText("4");
  MainForm->FullscreenCheckBox->setChecked(true);

  // Read the folder: the dialog answers with one of its pictures.
  prompter.answerFile(pictures + "quer.jpg");
  MainForm->OpenBitBtnClick();
  EXPECT_EQ(names(MainForm->FileListBox),
            (QStringList{"anim_gif.jpg", "bild_bmp.jpg", "hoch.jpg", "quer.jpg", "scan_tiff.jpg"}));
  EXPECT_EQ(QDir(pictures).entryList(QDir::Files, QDir::Name), userFiles);

  // Add them all.
  MainForm->SpeedButton2Click();
  const QString folder = MainForm->SlideshowFolder();
  EXPECT_EQ(MainForm->FArchiveFolder, "Archive_0003");
  ASSERT_EQ(MainForm->DiashowListBox->Count(), 5);

  // Captions.
  auto caption = [](int index, const QString& text) {
    MainForm->DiashowListBox->SetItemIndex(index);
    MainForm->DiashowListBoxClick();
    MainForm->TextEdit->selectAll();
    QTest::keyClicks(MainForm->TextEdit, text);
  };
  const QString special = "Sonne & <Meer> | \"Wind\"";
  caption(indexOf(MainForm->DiashowListBox, "quer.jpg"), special);
  caption(indexOf(MainForm->DiashowListBox, "hoch.jpg"), "Hochformat");

  // Reorder by drag and drop: "quer.jpg" (item 3) onto item 0.
  const int from = indexOf(MainForm->DiashowListBox, "quer.jpg");
  const QPoint press = MainForm->DiashowListBox->ItemRect(from).center();
  MainForm->DiashowListBox->SetItemIndex(from);
  MainForm->DiashowListBoxMouseDown(press.x(), press.y());
  const QPoint drop = MainForm->DiashowListBox->ItemRect(0).center();
  bool accept = false;
  MainForm->DiashowListBoxDragOver(MainForm->DiashowListBox, drop.x(), drop.y(), accept);
  ASSERT_TRUE(accept);
  MainForm->DiashowListBoxDragDrop(MainForm->DiashowListBox, drop.x(), drop.y());
  MainForm->DiashowListBoxEndDrag(drop.x(), drop.y());
  EXPECT_EQ(indexOf(MainForm->DiashowListBox, "quer.jpg"), 0);

  // Rotate the BMP's copy to the right.
  MainForm->DiashowListBox->SetItemIndex(indexOf(MainForm->DiashowListBox, "bild_bmp.jpg"));
  MainForm->RotateFlipPicture("90");
  EXPECT_EQ(sizeOf(folder + "bild_bmp.jpg"), QSize(300, 400));
  const QStringList order = names(MainForm->DiashowListBox);

  // Save and start the player.
  MainForm->SaveAndStartPlayer(true);
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].program, root + "Slidoplay");
  EXPECT_EQ(started[0].args, QStringList{"TEST"});
  const kalvora::IniFile diashow(folder + "Diashow.ini");
  EXPECT_EQ(diashow.readString("DIASHOW", "Titel"), "Urlaub am Meer");
  EXPECT_EQ(diashow.readString("DIASHOW", "Time"), "4");
  kalvora::StringList lines;
  ASSERT_TRUE(lines.loadFromFile(folder + "Pictures.ini"));
  ASSERT_EQ(lines.count(), 5);
  EXPECT_EQ(lines[0], "quer.jpg | Sonne &amp; &lt;Meer&gt; &#124; &quot;Wind&quot;");
  EXPECT_EQ(kalvora::IniFile(root + "Settings.ini").readString("SETTINGS", "Fullscreen"), "FALSE");
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("\n").toStdString();

  // The real player plays what was saved.
  {
    QProcess player;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("KALVORA_PLAYER_EXIT_AFTER_MS", "300");
    env.insert("KALVORA_PLAYER_REPORT", app.path() + "/played.txt");
    player.setProcessEnvironment(env);
    player.start(root + "Slidoplay", {"TEST"});
    ASSERT_TRUE(player.waitForStarted(10000));
    ASSERT_TRUE(player.waitForFinished(60000));
    const QString report = QString::fromUtf8(testsupport::readBytes(app.path() + "/played.txt"));
    EXPECT_TRUE(report.contains("Title=Urlaub am Meer")) << report.toStdString();
    EXPECT_TRUE(report.contains("Pictures=5")) << report.toStdString();
  }
  closeProgram();

  // Second start: the slideshow opens as it was saved.
  startProgram();
  MainForm->OpenArchive("Archive_0003");
  EXPECT_EQ(names(MainForm->DiashowListBox), order);
  EXPECT_EQ(ItemCaption(MainForm->DiashowListBox->Item(0)), special);
  EXPECT_EQ(ItemCaption(MainForm->DiashowListBox->Item(indexOf(MainForm->DiashowListBox, "hoch.jpg"))), "Hochformat");
  EXPECT_EQ(MainForm->TitleEdit->text(), "Urlaub am Meer");
  for (int i = 0; i < MainForm->DiashowListBox->Count(); ++i)
    EXPECT_TRUE(QFileInfo(ItemThumbnailPath(MainForm->DiashowListBox->Item(i))).isFile()) << i;
  EXPECT_EQ(sizeOf(folder + "_THUMB_quer.jpg"), QSize(93, 70));
  EXPECT_EQ(sizeOf(folder + "_THUMB_hoch.jpg"), QSize(52, 70));
  EXPECT_EQ(sizeOf(folder + "_THUMB_bild_bmp.jpg"), QSize(52, 70));
  closeProgram();
  EXPECT_EQ(QDir(pictures).entryList(QDir::Files, QDir::Name), userFiles);
  kalvora::SetStartProgramHook(nullptr);
  qunsetenv("KALVORA_APPDIR");
}

// Thumbnails, reading a source folder, the preview and editing the slideshow list.
#include <gtest/gtest.h>

#include <QTest>

#include "ImagingHooks.h"
#include "ListItems.h"
#include "PictureFiles.h"
#include "ShellFixture.h"
#include "StringHelpers.h"
#include "Thumbnails.h"

using shelltest::pictureSize;
using shelltest::writePicture;

TEST(Thumbnails, WidthIsScaledWithHalvesToTheEvenNeighbour) {
  struct Case { int w, h, expected; };
  for (const Case& c : {Case{1600, 1200, 93}, Case{1200, 1600, 52}, Case{700, 70, 700}, Case{1, 20000, 1},
                        Case{3, 2, 105}, Case{0, 0, 70}})
    EXPECT_EQ(ThumbnailWidth(c.w, c.h, 70), c.expected) << c.w << "x" << c.h;
}

TEST(Thumbnails, NumberedNamesPutTheNumberBeforeTheFileName) {
  EXPECT_EQ(NumberedThumbnailName(1, "a.jpg"), "_THUMB_1a.jpg");
  EXPECT_EQ(NumberedThumbnailName(12, "Bild 3.jpg"), "_THUMB_12Bild 3.jpg");
  // The form earlier versions made ("_THUMB" + n + "_" + name) is still known, to be cleaned up.
  struct Case { const char* thumb; const char* picture; bool oldNumbered; };
  for (const Case& c : {Case{"_THUMB_a.jpg", "a.jpg", false}, Case{"_THUMB_a__b.jpg", "a__b.jpg", false},
                        Case{"_THUMB12_a.jpg", "a.jpg", true}, Case{"_THUMB_1a.jpg", "1a.jpg", false},
                        Case{"_THUMBx.jpg", "", false}, Case{"a.jpg", "", false}}) {
    bool oldNumbered = false;
    EXPECT_EQ(ThumbnailPictureName(c.thumb, &oldNumbered), c.picture) << c.thumb;
    EXPECT_EQ(oldNumbered, c.oldNumbered) << c.thumb;
  }
  EXPECT_EQ(SlideshowPictureName("_THUMB_x.jpg"), "P_THUMB_x.jpg");
  EXPECT_EQ(SlideshowPictureName("a|b.jpg"), "a_b.jpg");
}

TEST(Thumbnails, CacheNamesDifferForPathsThatLookAlike) {
  EXPECT_NE(CacheThumbnailName("/p/a b.jpg"), CacheThumbnailName("/p/a_b.jpg"));
  EXPECT_TRUE(CacheThumbnailName(QString::fromUtf8("C:\\Bilder\\Ölbild 1.jpg")).startsWith("cxxbilderxoelbild_1_jpg_"));
}

TEST(Thumbnails, ConvertedCopyNames) {
  EXPECT_EQ(ConvertedCopyNames("x.bmp"), QStringList{"x_bmp.jpg"});
  EXPECT_EQ(ConvertedCopyNames("x.jpeg"), QStringList{"x_jpeg.jpg"});
  EXPECT_EQ(ConvertedCopyNames("y.TIFF"), QStringList{"y_tiff.jpg"});
  EXPECT_TRUE(ConvertedCopyNames("a.jpg").isEmpty());
  EXPECT_TRUE(IsConvertedCopyName("holiday_BMP.jpg"));
  EXPECT_FALSE(IsConvertedCopyName("holiday.jpg"));
}

TEST(Captions, SurviveThePictureListAsText) {
  for (const QString& caption : {QString("Tom & Jerry <b>fett</b>"), QString("a | b \"c\""), QString("Zeile 1\nZeile 2"),
                                 QString("&amp; bleibt"), QString::fromUtf8("Grüße ß")}) {
    const QString item = MakeListItem("/f/_THUMB_x.jpg", "x.jpg", caption);
    EXPECT_EQ(ItemCaption(item), caption.trimmed());
    const QString line = ItemPictureListLine(item);
    EXPECT_FALSE(line.contains('\n'));
    EXPECT_EQ(line.count('|'), 1) << line.toStdString();
    EXPECT_EQ(DecodeStoredCaption(TrimBlanks(line.section('|', 1))), caption);
  }
  EXPECT_EQ(ItemThumbnailPath(MakeListItem("/f/_THUMB_a&b.jpg", "a&b.jpg")), "/f/_THUMB_a&b.jpg");
}

namespace {
class PictureSelectionTest : public shelltest::SourceFolderTest {
 protected:
  QString slideshow() const { return form->SlideshowFolder(); }
  QStringList names(MarkupListBoxControl* list) const {
    QStringList out;
    for (int i = 0; i < list->Count(); ++i) out << ItemFileName(list->Item(i));
    return out;
  }
  QStringList filesIn(const QString& folder) const { return QDir(folder).entryList(QDir::Files, QDir::Name); }
  // A new, empty slideshow.
  void newSlideshow() {
    form->FArchiveFolder.clear();
    form->FDiashowTitle = "Test";
    form->FSecondsPerPicture = "3";
    form->DiashowListBox->Clear();
  }
};
}  // namespace

TEST_F(PictureSelectionTest, ThumbnailsAre70HighWithWhiteCorners) {
  ASSERT_TRUE(writePicture(source + "quer.jpg", 1600, 1200, 23));
  ASSERT_TRUE(writePicture(source + "hoch.jpg", 1200, 1600, 23));
  form->MakeThumb(source + "quer.jpg", 70, false, false);
  form->MakeThumb(source + "hoch.jpg", 70, false, false);
  EXPECT_EQ(pictureSize(source + "_THUMB_quer.jpg"), QSize(93, 70));
  EXPECT_EQ(pictureSize(source + "_THUMB_hoch.jpg"), QSize(52, 70));
  const QImage t(source + "_THUMB_quer.jpg");
  ASSERT_FALSE(t.isNull());
  EXPECT_GT(qGray(t.pixel(0, 69)), 235);
  EXPECT_GT(qGray(t.pixel(92, 0)), 235);
  EXPECT_EQ(form->StatusBar1->currentMessage(), "Fertig");
  // An existing thumbnail is left alone, and nothing shows progress.
  form->StatusBar1->showMessage("unverändert");
  form->MakeThumb(source + "quer.jpg", 70, false, false);
  EXPECT_EQ(form->StatusBar1->currentMessage(), QString::fromUtf8("unverändert"));
}

TEST_F(PictureSelectionTest, AFolderOfJpegsIsReadInPlace) {
  ASSERT_TRUE(writePicture(source + "b.jpg", 320, 240, 23));
  ASSERT_TRUE(writePicture(source + "a.jpg", 240, 320, 23));
  form->FSourceFolder = source;
  form->BilderEinlesen(source);
  EXPECT_EQ(names(form->FileListBox), (QStringList{"a.jpg", "b.jpg"}));
  EXPECT_EQ(form->FSourceFolder, source);
  EXPECT_TRUE(filesIn(form->FTempPicFolder).isEmpty());
  EXPECT_EQ(pictureSize(ItemThumbnailPath(form->FileListBox->Item(0))), QSize(52, 70));
}

TEST_F(PictureSelectionTest, OtherFormatsAreConvertedInTheTemporaryFolderOnly) {
  ASSERT_TRUE(writePicture(source + "a.jpg", 200, 150, 23));
  ASSERT_TRUE(writePicture(source + "b.bmp", 200, 150, 6));
  ASSERT_TRUE(writePicture(source + "c.gif", 150, 200, 2));
  ASSERT_TRUE(writePicture(source + "d.tif", 200, 100, 3));
  ASSERT_TRUE(writePicture(source + "x.jpeg", 100, 100, 23));
  // A picture of the user's own that looks like a converted copy.
  ASSERT_TRUE(writePicture(source + "urlaub_bmp.jpg", 100, 100, 23));
  const QStringList before = filesIn(source);
  form->FSourceFolder = source;
  form->BilderEinlesen(source);
  EXPECT_EQ(form->FSourceFolder, form->FTempPicFolder);
  EXPECT_EQ(names(form->FileListBox),
            (QStringList{"a.jpg", "b_bmp.jpg", "c_gif.jpg", "d_tiff.jpg", "urlaub_bmp.jpg", "x_jpeg.jpg"}));
  EXPECT_EQ(filesIn(source), before);
  EXPECT_EQ(pictureSize(form->FTempPicFolder + "c_gif.jpg"), QSize(150, 200));
  // Switching folders deletes converted copies in the temporary folder, never in the user's.
  form->DeleteConvertedCopies(source);
  EXPECT_EQ(filesIn(source), before);
  form->DeleteConvertedCopies(form->FTempPicFolder);
  EXPECT_FALSE(QFileInfo::exists(form->FTempPicFolder + "b_bmp.jpg"));
  EXPECT_TRUE(QFileInfo::exists(form->FTempPicFolder + "b.bmp"));
}

TEST_F(PictureSelectionTest, ReadingTheTemporaryFolderAgainMakesNoCopiesOfCopies) {
  ASSERT_TRUE(writePicture(source + "a.jpg", 200, 150, 23));
  // A double extension: its copies look like pictures to convert themselves.
  ASSERT_TRUE(writePicture(source + "scan.tif.bmp", 200, 150, 6));
  form->FSourceFolder = source;
  form->BilderEinlesen(source);
  ASSERT_EQ(form->FSourceFolder, form->FTempPicFolder);
  const QStringList listed = names(form->FileListBox);
  EXPECT_EQ(listed, (QStringList{"a.jpg", "scan.tif_bmp.jpg", "scan.tif_tiff.jpg"}));
  const QStringList temp = filesIn(form->FTempPicFolder);
  // The source folder kept from before is the temporary one: read again, it stays as it is.
  form->BilderEinlesen(form->FSourceFolder);
  EXPECT_EQ(names(form->FileListBox), listed);
  EXPECT_EQ(filesIn(form->FTempPicFolder), temp);
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("\n").toStdString();
}

TEST_F(PictureSelectionTest, BadPicturesAreReportedAndSkipped) {
  ASSERT_TRUE(writePicture(source + "gut.jpg", 200, 150, 23));
  shelltest::writeText(source + "kaputt.bmp", "this is no picture at all");
  shelltest::writeText(source + "leer.jpg", "");
  ASSERT_TRUE(writePicture(source + "schmal.jpg", 1, 20000, 23));
  form->FSourceFolder = source;
  form->BilderEinlesen(source);
  EXPECT_EQ(names(form->FileListBox), (QStringList{"gut.jpg", "schmal.jpg"}));
  EXPECT_EQ(pictureSize(ItemThumbnailPath(form->FileListBox->Item(1))), QSize(1, 70));
  ASSERT_EQ(prompter.messageTexts().size(), 1u);
  EXPECT_TRUE(prompter.messageTexts()[0].contains("kaputt.bmp"));
  EXPECT_TRUE(prompter.messageTexts()[0].contains("leer.jpg"));
  EXPECT_TRUE(QFileInfo::exists(source + "kaputt.bmp"));
  EXPECT_TRUE(QFileInfo::exists(source + "leer.jpg"));
}

namespace {
// The owner, group and other bits of a file's permissions.
constexpr QFile::Permissions kModeBits = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                         QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                                         QFile::ExeOther;
}  // namespace

// A folder with pictures to convert: only its pictures are copied into the temporary folder, for
// the user alone, and the status bar counts the copies and then the conversions in percent of the
// folder's entries plus two ("." and ".."): here 4 + 2, so 17, 33, 50, 67 and then 17, 33; then the
// thumbnails of the two JPEG files listed, each shown before it is made: 0, 50. The read goes on in
// the temporary folder.
TEST_F(PictureSelectionTest, ConvertingCopiesOnlyPicturesAndCountsInPercent) {
  ASSERT_TRUE(writePicture(source + "a.jpg", 200, 150, 23));
  ASSERT_TRUE(writePicture(source + "b.bmp", 200, 150, 6));
  ASSERT_TRUE(writePicture(source + ".versteckt.jpg", 200, 150, 23));
  shelltest::writeText(source + "notiz.txt", "kein Bild");
  QStringList progress;
  const auto watch = QObject::connect(form->StatusBar1, &QStatusBar::messageChanged, form.get(), [&](const QString& m) {
    if (m.startsWith(GetLanguageText(14010)) || m.startsWith(GetLanguageText(14000))) progress << m;
  });
  form->FDragFromSourceList = true;
  form->FSourceFolder = source;
  form->BilderEinlesen(source);
  QObject::disconnect(watch);
  const QString copying = GetLanguageText(14010), converting = GetLanguageText(14000), done = GetLanguageText(14001);
  EXPECT_EQ(progress, (QStringList{copying + " 17%", copying + " 33%", copying + " 50%", copying + " 67%",
                                   converting + " 17 " + done, converting + " 33 " + done,
                                   converting + " 0 " + done, converting + " 50 " + done}));
  EXPECT_EQ(names(form->FileListBox), (QStringList{"a.jpg", "b_bmp.jpg"}));
  EXPECT_EQ(filesIn(form->FTempPicFolder), (QStringList{"a.jpg", "b.bmp", "b_bmp.jpg"}));
  EXPECT_EQ(QFileInfo(form->FTempPicFolder).permissions() & kModeBits, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  for (const QString& name : filesIn(form->FTempPicFolder))
    EXPECT_EQ(QFileInfo(form->FTempPicFolder + name).permissions() & kModeBits, QFile::ReadOwner | QFile::WriteOwner)
        << name.toStdString();
  EXPECT_EQ(QDir(QDir::currentPath()).canonicalPath(), QDir(form->FTempPicFolder).canonicalPath());
  EXPECT_FALSE(form->FDragFromSourceList);
  EXPECT_FALSE(form->PicProgressBar->isVisible());
  EXPECT_TRUE(form->StatusBar1->currentMessage().isEmpty());
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("\n").toStdString();
}

// A folder of JPEG files alone is read where it is: no copies, only the thumbnail's progress; a
// folder that is not there is reported with its name and lists nothing.
TEST_F(PictureSelectionTest, JpegsAreReadInTheirFolderAndAMissingFolderIsReported) {
  ASSERT_TRUE(writePicture(source + "a.jpg", 200, 150, 23));
  QStringList progress;
  const auto watch = QObject::connect(form->StatusBar1, &QStatusBar::messageChanged, form.get(), [&](const QString& m) {
    if (m.startsWith(GetLanguageText(14010)) || m.startsWith(GetLanguageText(14000))) progress << m;
  });
  form->BilderEinlesen(source);
  QObject::disconnect(watch);
  EXPECT_EQ(progress, QStringList{GetLanguageText(14000) + " 0 " + GetLanguageText(14001)});
  EXPECT_EQ(QDir(QDir::currentPath()).canonicalPath(), QDir(source).canonicalPath());
  EXPECT_EQ(names(form->FileListBox), QStringList{"a.jpg"});
  const QString gone = home() + "Weg";
  const size_t before = prompter.questions().size();
  form->BilderEinlesen(gone);
  EXPECT_EQ(form->FileListBox->Count(), 0);
  ASSERT_EQ(prompter.questions().size(), before + 1);
  EXPECT_EQ(prompter.questions().back().kind, kalvora::MsgKind::Warning);
  EXPECT_EQ(prompter.questions().back().text, GetLanguageText(14003) + " " + gone + "/");
}

TEST_F(PictureSelectionTest, AFolderThatVanishesWhileReadIsNoCrash) {
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(writePicture(source + QString("p%1.jpg").arg(i), 300, 200, 23));
  // The folder goes as soon as the first thumbnail is being made.
  const auto gone = QObject::connect(form->StatusBar1, &QStatusBar::messageChanged, form.get(), [&](const QString& m) {
    if (m.startsWith(GetLanguageText(14000))) QDir(source).removeRecursively();
  });
  form->FSourceFolder = source;
  form->BilderEinlesen(source);
  EXPECT_EQ(form->FileListBox->Count(), 0);
  EXPECT_FALSE(prompter.messageTexts().isEmpty());
  QObject::disconnect(gone);
  form->BilderEinlesen(source);  // gone before the reading
  EXPECT_EQ(form->FileListBox->Count(), 0);
}

TEST_F(PictureSelectionTest, AddingCopiesWithFreeNamesAndRemoving) {
  ASSERT_TRUE(writePicture(source + "a.b.jpg", 160, 120, 23));
  newSlideshow();
  form->AddPictureToDiashow(source + "a.b.jpg", -1);
  form->AddPictureToDiashow(source + "a.b.jpg", -1);
  form->AddPictureToDiashow(source + "a.b.jpg", 0);
  EXPECT_EQ(names(form->DiashowListBox), (QStringList{"a.b_2.jpg", "a.b.jpg", "a.b_1.jpg"}));
  EXPECT_TRUE(QFileInfo::exists(slideshow() + "_THUMB_a.b_1.jpg"));
  EXPECT_EQ(kalvora::IniFile(slideshow() + "Diashow.ini").readString("DIASHOW", "Titel"), "Test");
  kalvora::StringList lines;
  lines.loadFromFile(slideshow() + "Pictures.ini");
  EXPECT_EQ(lines.count(), 3);
  // Removing the selected pictures deletes their copies and thumbnails.
  form->DiashowListBox->SetSelected(0, true);
  form->DiashowListBox->SetSelected(2, true);
  form->SpeedButton3Click();
  EXPECT_EQ(names(form->DiashowListBox), QStringList{"a.b.jpg"});
  EXPECT_FALSE(QFileInfo::exists(slideshow() + "a.b_2.jpg"));
  EXPECT_FALSE(QFileInfo::exists(slideshow() + "_THUMB_a.b_2.jpg"));
  EXPECT_TRUE(QFileInfo::exists(source + "a.b.jpg"));
  // A copy that fails is reported and adds nothing.
  form->AddPictureToDiashow(source + "gibt-es-nicht.jpg", -1);
  EXPECT_EQ(form->DiashowListBox->Count(), 1);
  EXPECT_EQ(prompter.messageTexts().last(), GetLanguageText(10000));
}

TEST_F(PictureSelectionTest, DragAndDropInsertsInSourceOrderAndMovesItems) {
  for (const char* n : {"s1.jpg", "s2.jpg", "s3.jpg", "d0.jpg", "d1.jpg", "d2.jpg", "d3.jpg"})
    ASSERT_TRUE(writePicture(source + n, 120, 90, 23));
  form->FSourceFolder = source;
  form->BilderEinlesen(source);
  newSlideshow();
  for (const char* n : {"d0.jpg", "d1.jpg", "d2.jpg", "d3.jpg"}) form->AddPictureToDiashow(source + n, -1);
  form->PageControl1->setTabVisible(form->PageControl1->indexOf(form->TabSheet1), true);
  form->PageControl1->setCurrentWidget(form->TabSheet1);
  form->setWindowState(Qt::WindowNoState);
  form->resize(1000, 1200);
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  form->FileListBox->SetItemIndex(-1);
  for (int i = 0; i < form->FileListBox->Count(); ++i)
    form->FileListBox->SetSelected(i, ItemFileName(form->FileListBox->Item(i)).startsWith('s'));
  // Drag from the source list over item 3 of the slideshow and drop.
  form->FDragFromSourceList = true;
  const QPoint over = form->DiashowListBox->ItemRect(3).center();
  bool accept = false;
  form->DiashowListBoxDragOver(form->FileListBox, over.x(), over.y(), accept);
  EXPECT_TRUE(accept);
  EXPECT_EQ(form->FDragIndex, 3);
  form->DiashowListBoxDragDrop(form->FileListBox, over.x(), over.y());
  EXPECT_EQ(names(form->DiashowListBox),
            (QStringList{"d0.jpg", "d1.jpg", "d2.jpg", "s1.jpg", "s2.jpg", "s3.jpg", "d3.jpg"}));
  EXPECT_EQ(form->DiashowListBox->ItemIndex(), 3);
  // A move inside the list: item 0 onto item 2.
  const QPoint press = form->DiashowListBox->ItemRect(0).center();
  form->DiashowListBox->SetItemIndex(0);
  form->DiashowListBoxMouseDown(press.x(), press.y());
  EXPECT_FALSE(form->FDragFromSourceList);
  const QPoint target = form->DiashowListBox->ItemRect(2).center();
  form->DiashowListBoxDragDrop(form->DiashowListBox, target.x(), target.y());
  EXPECT_EQ(names(form->DiashowListBox).mid(0, 3), (QStringList{"d1.jpg", "d2.jpg", "d0.jpg"}));
  // A foreign source is not accepted.
  QObject other;
  form->DiashowListBoxDragOver(&other, over.x(), over.y(), accept);
  EXPECT_FALSE(accept);
  // The new order reaches Pictures.ini with the next write of the list.
  form->SavePictureList();
  kalvora::StringList lines;
  lines.loadFromFile(slideshow() + "Pictures.ini");
  EXPECT_EQ(lines[0], "d1.jpg");
}

TEST_F(PictureSelectionTest, CaptionsAreTypedAndReopenAsText) {
  ASSERT_TRUE(writePicture(source + "a.jpg", 120, 90, 23));
  newSlideshow();
  form->AddPictureToDiashow(source + "a.jpg", -1);
  form->DiashowListBox->SetItemIndex(0);
  form->DiashowListBoxClick();
  const QString caption = "<b>Tom & \"Jerry\"</b> | &amp;";
  QTest::keyClicks(form->TextEdit, caption);
  EXPECT_EQ(ItemCaption(form->DiashowListBox->Item(0)), caption);
  // A programmatic change of the edit never rewrites a caption.
  form->TextEdit->clear();
  EXPECT_EQ(ItemCaption(form->DiashowListBox->Item(0)), caption);
  form->SavePictureList();
  const QString folder = form->FArchiveFolder;
  form->OpenArchive(folder);
  ASSERT_EQ(form->DiashowListBox->Count(), 1);
  EXPECT_EQ(ItemCaption(form->DiashowListBox->Item(0)), caption);
  EXPECT_EQ(ItemFileName(form->DiashowListBox->Item(0)), "a.jpg");
  // The edit is limited to 58 characters.
  form->DiashowListBox->SetItemIndex(0);
  form->DiashowListBoxClick();
  form->TextEdit->selectAll();
  QTest::keyClicks(form->TextEdit, QString(70, 'x'));
  EXPECT_EQ(ItemCaption(form->DiashowListBox->Item(0)), QString(58, 'x'));
}

TEST_F(PictureSelectionTest, RotatingRebuildsTheThumbnailUnderNewNames) {
  ASSERT_TRUE(writePicture(source + "a.jpg", 160, 120, 23));
  ASSERT_TRUE(writePicture(source + "b.jpg", 100, 100, 23));
  newSlideshow();
  form->AddPictureToDiashow(source + "a.jpg", -1);
  form->AddPictureToDiashow(source + "b.jpg", -1);
  // The preview shows another picture: the rotation still works on the selected one.
  form->ShowPreview(source + "b.jpg", false, true);
  form->DiashowListBox->SetItemIndex(0);
  form->RotateFlipPicture("90");
  EXPECT_EQ(pictureSize(slideshow() + "a.jpg"), QSize(120, 160));
  EXPECT_EQ(pictureSize(slideshow() + "b.jpg"), QSize(100, 100));
  EXPECT_EQ(FileNamePart(ItemThumbnailPath(form->DiashowListBox->Item(0))), "_THUMB_1a.jpg");
  EXPECT_EQ(pictureSize(slideshow() + "_THUMB_a.jpg"), QSize(52, 70));
  form->DiashowListBox->SetItemIndex(0);
  form->RotateFlipPicture("-90");
  EXPECT_EQ(pictureSize(slideshow() + "a.jpg"), QSize(160, 120));
  EXPECT_EQ(FileNamePart(ItemThumbnailPath(form->DiashowListBox->Item(0))), "_THUMB_2a.jpg");
  EXPECT_EQ(form->DiashowListBox->ItemIndex(), 0);
  for (const char* c : {"180", "FlipV", "FlipH"}) {
    form->DiashowListBox->SetItemIndex(0);
    form->RotateFlipPicture(c);
  }
  EXPECT_EQ(pictureSize(slideshow() + "a.jpg"), QSize(160, 120));
  // Reopening keeps only the thumbnails in use.
  form->OpenArchive(form->FArchiveFolder);
  EXPECT_FALSE(QFileInfo::exists(slideshow() + "_THUMB_1a.jpg"));
  EXPECT_TRUE(QFileInfo::exists(slideshow() + "_THUMB_a.jpg"));
}

TEST_F(PictureSelectionTest, BrokenSlideshowFilesOpenWithoutLoss) {
  const QString folder = form->FArchiveRoot + "Archive_0077/";
  QDir().mkpath(folder);
  ASSERT_TRUE(writePicture(folder + "a.jpg", 120, 90, 23));
  QByteArray garbage;
  for (int i = 0; i < 4096; ++i) garbage += char((i * 131 + 7) & 255);
  shelltest::writeText(folder + "Pictures.ini", garbage + "\r\na.jpg | ok\r\n");
  shelltest::writeText(folder + "Diashow.ini", "[DIASHOW]\r\nTime=4\r\n");
  form->OpenArchive("Archive_0077");
  EXPECT_EQ(form->FDiashowTitle, "");
  EXPECT_EQ(names(form->DiashowListBox), QStringList{"a.jpg"});
  EXPECT_TRUE(QFileInfo::exists(folder + "a.jpg"));
  // Saving without a title asks for one and writes nothing.
  form->TitleEdit->clear();
  form->SaveAndStartPlayer(false);
  EXPECT_EQ(prompter.messageTexts().last(), GetLanguageText(10001));
}

TEST_F(PictureSelectionTest, PreviewAndInformationLine) {
  ASSERT_TRUE(writePicture(source + "a.jpg", 160, 120, 23));
  form->FSourceFolder = source;
  form->BilderEinlesen(source);
  form->FileListBox->SetItemIndex(0);
  form->FileListBoxClick();
  EXPECT_TRUE(form->Timer2->isActive());
  form->Timer2Timer();
  EXPECT_TRUE(form->ViewPicImage->IsAllocated());
  EXPECT_TRUE(form->StatusBar1->currentMessage().contains("160x120"));
  EXPECT_TRUE(form->StatusBar1->currentMessage().startsWith("a.jpg "));
  // The same item again is not loaded again; a broken picture leaves the preview as it was.
  form->ViewPicImage->FreeImage();
  form->ShowPreview(form->FPreviewItem, false, false);
  EXPECT_FALSE(form->ViewPicImage->IsAllocated());
  form->ShowPreview(source + "a.jpg", false, true);
  shelltest::writeText(source + "kaputt.jpg", "no");
  form->ShowPreview(source + "kaputt.jpg", false, true);
  EXPECT_TRUE(form->ViewPicImage->IsAllocated());
  EXPECT_EQ(TMainForm::FileFormatName(6), "Windows BMP");
  EXPECT_EQ(TMainForm::FileFormatName(135), "NOT SUPPORTED");
  // Holding Shift keeps the slideshow preview back.
  form->FModifierKeyDown = true;
  form->Timer1Timer();
  EXPECT_TRUE(form->Timer1->isActive());
  form->DiashowListBoxKeyUp(Qt::Key_Shift);
  EXPECT_FALSE(form->FModifierKeyDown);
}

// Picture names through the real windows: every name the folder read lists is added, saved,
// opened again and played under the name the file has.
#include <QImage>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <sys/stat.h>

#include "ListItems.h"
#include "Markup.h"
#include "ProductionFixture.h"
#include "Show.h"
#include "StringHelpers.h"
#include "fBetrachter.h"

using prodtest::ProductionTest;
using prodtest::writeJpeg;

namespace {
class PictureNamesTest : public ProductionTest {
 protected:
  void SetUp() override {
    ProductionTest::SetUp();
    makeSlideshow("Archive_0003", "Namen", {"a.jpg"});
    mf->resize(1000, 800);
    mf->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mf));
  }

  void openWithButton(const QString& folder) {
    mf->PageControl1->setCurrentIndex(0);
    selectArchive(folder);
    mf->Open1BitBtn->click();
    ASSERT_EQ(mf->FArchiveFolder, folder);
  }

  // Reads a folder of pictures of these names into the source list with the open button.
  void readSource(const QStringList& names) {
    const QString pics = home() + "quelle/";
    for (const QString& n : names) writeJpeg(pics + n, 60, 40, Qt::white);
    prompter.answerFile(pics + names.first());
    mf->OpenBitBtn->click();
  }

  int row(const QString& name) const {
    for (int i = 0; i < mf->DiashowListBox->Count(); ++i)
      if (ItemFileName(mf->DiashowListBox->Item(i)) == name) return i;
    return -1;
  }

  static QStringList sorted(QStringList list) {
    std::sort(list.begin(), list.end());
    return list;
  }
  static QStringList names(MarkupListBoxControl* list) {
    QStringList out;
    for (int i = 0; i < list->Count(); ++i) out << ItemFileName(list->Item(i));
    return sorted(out);
  }
};

struct NameCase {
  const char* file;       // as the file in the source folder is named (UTF-8)
  const char* slideshow;  // as its copy in the slideshow is named
};
const NameCase kNames[] = {
    {"Foto..jpg", "Foto..jpg"},
    {"Ende...jpg", "Ende...jpg"},
    {"a..b.jpg", "a..b.jpg"},
    // A backslash separates folders in paths written on Windows: the copy is named by the
    // part behind it.
    {"x\\y.jpg", "y.jpg"},
    // White space at the ends is part of the name, whatever kind it is.
    {" lead.jpg", " lead.jpg"},
    {"  zwei.jpg", "  zwei.jpg"},
    {"\ttab.jpg", "\ttab.jpg"},
    {"\u3000voll.jpg", "\u3000voll.jpg"},
    {"\u00a0fest.jpg", "\u00a0fest.jpg"},
    {"hinten.jpg ", "hinten.jpg "},
    {"\"zitat.jpg\"", "\"zitat.jpg\""},
    {"&amp; <b>.jpg", "&amp; <b>.jpg"},
};
}  // namespace

TEST_F(PictureNamesTest, EveryNameTheFolderReadListsIsSavedOpenedAndPlayed) {
  QStringList files, expected{"a.jpg"};
  for (const NameCase& c : kNames) {
    files << QString::fromUtf8(c.file);
    expected << QString::fromUtf8(c.slideshow);
  }
  expected = sorted(expected);
  openWithButton("Archive_0003");
  readSource(files);
  ASSERT_EQ(names(mf->FileListBox), sorted(files));

  mf->SpeedButton2->click();  // ">>": all pictures into the slideshow
  EXPECT_EQ(names(mf->DiashowListBox), expected);
  for (const QString& name : expected) EXPECT_TRUE(QFileInfo(root + "Archive_0003/" + name).isFile()) << name.toStdString();

  // Opened again, every picture is there and none is reported missing.
  openWithButton("Archive_0002");
  openWithButton("Archive_0003");
  EXPECT_EQ(names(mf->DiashowListBox), expected);
  EXPECT_FALSE(messageContains(GetLanguageText(10351)));

  // The player plays every one of them.
  kalvora::player::Show show;
  ASSERT_TRUE(kalvora::player::ReadShow(root + "Archive_0003", show));
  QStringList played;
  for (const kalvora::player::Slide& s : show.slides) played << s.name;
  EXPECT_EQ(sorted(played), expected);
  EXPECT_TRUE(show.skipped.isEmpty()) << show.skipped.join("; ").toStdString();

  // A caption typed for a name with a blank in front keeps the name; the picture can be removed.
  const QString lead = " lead.jpg";
  clickItem(row(lead));
  mf->TextEdit->selectAll();
  QTest::keyClicks(mf->TextEdit, "Vorne");
  QTest::keyClick(mf->TextEdit, Qt::Key_Return);
  prompter.answerMessage(kalvora::mrYes);  // save the change before the other slideshow opens
  openWithButton("Archive_0002");
  openWithButton("Archive_0003");
  // Stored in quotes, which keep the blank from being trimmed away.
  EXPECT_TRUE(QString::fromUtf8(testsupport::readBytes(root + "Archive_0003/Pictures.ini"))
                  .contains("\r\n\" lead.jpg\" | Vorne\r\n"));
  ASSERT_GE(row(lead), 0);
  EXPECT_EQ(ItemCaption(mf->DiashowListBox->Item(row(lead))), "Vorne");
  EXPECT_EQ(ViewerCaptions(root + "Archive_0003").value(lead), "Vorne");
  clickItem(row(lead));
  mf->SpeedButton3->click();  // "<": the selected picture out of the slideshow
  EXPECT_EQ(row(lead), -1);
  EXPECT_FALSE(QFileInfo::exists(root + "Archive_0003/" + lead));
}

TEST_F(PictureNamesTest, APictureWithANameOf254BytesShowsItsThumbnailMadeOnce) {
  // 254 bytes of UTF-8 ("ä" takes two), the longest the slideshow's own thumbnail name cannot hold.
  QString name = "Ein sehr langer Name ";
  while (name.toUtf8().size() < 250 - 1) name += QString::fromUtf8("ä");
  while (name.toUtf8().size() < 250) name += "e";
  name += ".jpg";
  ASSERT_EQ(name.toUtf8().size(), 254);
  openWithButton("Archive_0003");
  readSource({name});
  mf->SpeedButton2->click();
  const QString folder = root + "Archive_0003/";
  ASSERT_EQ(names(mf->DiashowListBox), sorted({"a.jpg", name}));
  const auto thumbnailOf = [&](const QString& picture) {
    for (int i = 0; i < mf->DiashowListBox->Count(); ++i)
      if (ItemFileName(mf->DiashowListBox->Item(i)) == picture) return ItemThumbnailPath(mf->DiashowListBox->Item(i));
    return QString();
  };
  const QString thumbnail = thumbnailOf(name);
  ASSERT_TRUE(thumbnail.startsWith(folder + "_THUMB_")) << thumbnail.toStdString();
  EXPECT_LE(FileNamePart(thumbnail).toUtf8().size(), 255);
  // A JPEG 70 high of a 60 x 40 picture, and the list shows it.
  EXPECT_EQ(QImage(thumbnail).size(), QSize(105, 70));
  const kalvora::THTMLPicture* shown =
      mf->DiashowListBox->PictureCache().FindPicture(kalvora::ThumbnailItemPictureURL(thumbnail));
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->Image().height(), 70);
  EXPECT_FALSE(messageContains(GetLanguageText(10351)));

  // Opened again, the same thumbnail is shown and not made anew.
  struct stat before {};
  ASSERT_EQ(::stat(QFile::encodeName(thumbnail).constData(), &before), 0);
  openWithButton("Archive_0002");
  openWithButton("Archive_0003");
  ASSERT_EQ(thumbnailOf(name), thumbnail);
  struct stat after {};
  ASSERT_EQ(::stat(QFile::encodeName(thumbnail).constData(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_FALSE(messageContains(GetLanguageText(10351)));
}

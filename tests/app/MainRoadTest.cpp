// The main road as a new user meets it: a sample slideshow opened from the archive page,
// "Diashow erzeugen" pressed, and the real player playing that slideshow, full screen or in a
// window as the settings page says; after a restart the page shows what was chosen.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "IniFile.h"
#include "Language.h"
#include "ListItems.h"
#include "SlideshowEntries.h"
#include "Process.h"
#include "QtTranslations.h"
#include "ScriptedPrompter.h"
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
std::vector<Started> g_started;
bool recordStart(const QString& program, const QStringList& args, const QString&) {
  g_started.push_back({program, args});
  return true;
}

// Closes every modal window that comes up (the instructions after a production) with its
// own OK button, as a user would, and notes its name.
class ModalCloser {
 public:
  ModalCloser() {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* w = QApplication::activeModalWidget();
      if (!w) return;
      shown << w->objectName();
      if (auto* ok = w->findChild<QPushButton*>("OkBitBtn")) ok->click();
      else w->close();
    });
    timer_.start();
  }
  QStringList shown;

 private:
  QTimer timer_;
};

void startProgram() {
  ResetWindowsInfo();
  LoadLanguage();
  CreateWindows();
  ASSERT_NE(MainForm, nullptr);
  MainForm->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
}

void closeProgram() {
  MainForm->close();
  DestroyWindows();
}

// Plays what the program started, with the report hook; the report's lines by key.
QMap<QString, QString> play(const Started& s, const QString& reportFile) {
  QProcess player;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("KALVORA_PLAYER_EXIT_AFTER_MS", "300");
  env.insert("KALVORA_PLAYER_REPORT", reportFile);
  player.setProcessEnvironment(env);
  QFile::remove(reportFile);
  player.start(s.program, s.args);
  if (!player.waitForStarted(10000) || !player.waitForFinished(60000)) return {};
  QMap<QString, QString> out;
  for (const QString& line : QString::fromUtf8(testsupport::readBytes(reportFile)).split('\n')) {
    const qsizetype eq = line.indexOf('=');
    if (eq > 0) out[line.left(eq)] = line.mid(eq + 1);
  }
  return out;
}

int pictureLines(const QString& folder) {
  int n = 0;
  for (const QString& l : QString::fromUtf8(testsupport::readBytes(folder + "Pictures.ini")).split('\n'))
    if (!l.trimmed().isEmpty()) ++n;
  return n;
}

class MainRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString bin = QString(KALVORA_TEST_BIN_DIR);
    for (const char* f : {"Generator.ini", "Language.ini", "Effects.ini"})
      ASSERT_TRUE(QFile::copy(bin + "/" + f, app.path() + "/" + f)) << f;
    copyTree(bin + "/diashow", app.path() + "/diashow");
    ASSERT_TRUE(testsupport::writeBytes(app.path() + "/NoTip.ini", ""));
    ASSERT_TRUE(testsupport::writeBytes(app.path() + "/NoWer.ini", ""));
    qputenv("KALVORA_APPDIR", app.path().toUtf8());
    g_started.clear();
    kalvora::SetStartProgramHook(&recordStart);
  }
  void TearDown() override {
    kalvora::SetStartProgramHook(nullptr);
    qunsetenv("KALVORA_APPDIR");
  }

  // Opens the slideshow of folder from the archive page with its button.
  void openFromArchivePage(const QString& folder) {
    QListWidget* list = MainForm->OpenListBox;
    for (int i = 0; i < list->count(); ++i)
      if (SlideshowEntryFolder(list->item(i)) == folder) list->setCurrentRow(i);
    ASSERT_TRUE(list->currentItem() && SlideshowEntryFolder(list->currentItem()) == folder);
    MainForm->Open1BitBtn->click();
    ASSERT_EQ(MainForm->FArchiveFolder, folder);
  }

  // "Diashow erzeugen" on the settings page, reached through the menu.
  void makeSlideshow(bool fullscreen) {
    MainForm->Diashowerstellen1->trigger();
    ASSERT_EQ(MainForm->PageControl1->currentWidget(), MainForm->TabSheet3);
    if (MainForm->FullscreenCheckBox->isChecked() != fullscreen) MainForm->FullscreenCheckBox->click();
    g_started.clear();
    ModalCloser closer;
    MainForm->MakeDiashowBitBtn->click();
    EXPECT_TRUE(closer.shown.contains("AnweisungForm")) << closer.shown.join(",").toStdString();
  }

  testsupport::FakeHome home;
  testsupport::TempFolder app;
  kalvora::ScriptedPrompter prompter;
  kalvora::PrompterScope scope{prompter};
};
}  // namespace

TEST_F(MainRoad, DiashowErzeugenPlaysTheOpenSlideshowFullScreenOrWindowed) {
  startProgram();
  const QString root = MainForm->FArchiveRoot;
  // A slideshow saved last, also after every save below (its time lies ahead): a player that
  // played the newest slideshow instead of the one it is given would play this one.
  QDir().mkpath(root + "Archive_0005");
  for (const QString& f : QDir(root + "Archive_0002").entryList(QDir::Files))
    QFile::copy(root + "Archive_0002/" + f, root + "Archive_0005/" + f);
  {
    kalvora::IniFile ini(root + "Archive_0005/Diashow.ini");
    ini.writeString("DIASHOW", "Titel", "Zuletzt angelegt");
  }
  {
    QFile ini(root + "Archive_0005/Diashow.ini");
    ASSERT_TRUE(ini.open(QIODevice::ReadWrite));
    ASSERT_TRUE(ini.setFileTime(QDateTime::currentDateTime().addSecs(3600), QFileDevice::FileModificationTime));
  }
  MainForm->FillArchiveList();

  openFromArchivePage("Archive_0001");
  const QString title = MainForm->TitleEdit->text();
  ASSERT_FALSE(title.isEmpty());
  const int pictures = pictureLines(root + "Archive_0001/");
  ASSERT_GT(pictures, 0);
  const QSize screen = QGuiApplication::primaryScreen()->geometry().size();

  for (const bool fullscreen : {true, false, true}) {
    SCOPED_TRACE(fullscreen ? "full screen" : "window");
    makeSlideshow(fullscreen);
    ASSERT_EQ(g_started.size(), 1u);
    EXPECT_EQ(g_started[0].args, QStringList{"TEST"});
    const auto report = play(g_started[0], app.path() + "/played.txt");
    EXPECT_EQ(QDir(report["Folder"]).absolutePath(), QDir(root + "Archive_0001").absolutePath());
    EXPECT_EQ(report["Title"], title);
    EXPECT_EQ(report["Pictures"].toInt(), pictures);
    EXPECT_EQ(report["Fullscreen"], fullscreen ? "TRUE" : "FALSE");
    const QStringList size = report["Size"].split('x');
    ASSERT_EQ(size.size(), 2);
    const QSize played(size[0].toInt(), size[1].toInt());
    if (fullscreen) EXPECT_EQ(played, screen);
    else EXPECT_TRUE(played.width() < screen.width() && played.height() < screen.height());
    EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("\n").toStdString();
  }

  // The other slideshow plays once it is the open one.
  MainForm->PageControl1->setCurrentIndex(0);
  openFromArchivePage("Archive_0002");
  makeSlideshow(false);
  ASSERT_EQ(g_started.size(), 1u);
  EXPECT_EQ(QDir(play(g_started[0], app.path() + "/played.txt")["Folder"]).absolutePath(),
            QDir(root + "Archive_0002").absolutePath());
  closeProgram();
}

TEST_F(MainRoad, TheFullScreenBoxShowsAfterARestartWhatWasChosen) {
  for (const bool fullscreen : {false, true}) {
    SCOPED_TRACE(fullscreen ? "full screen" : "window");
    startProgram();
    openFromArchivePage("Archive_0001");
    MainForm->Diashowerstellen1->trigger();
    if (MainForm->FullscreenCheckBox->isChecked() != fullscreen) MainForm->FullscreenCheckBox->click();
    closeProgram();
    startProgram();
    EXPECT_EQ(MainForm->FullscreenCheckBox->isChecked(), fullscreen);
    closeProgram();
  }
}

TEST(QtTranslations, QtsOwnDialogsSpeakTheProgramsLanguage) {
  ASSERT_TRUE(InstallQtTranslations("GERMAN")) << "qt6-translations-l10n is not installed";
  {
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove('&'), "Ja");
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove('&'), "Nein");
  }
  {
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text().remove('&'), "Abbrechen");
  }
  EXPECT_TRUE(InstallQtTranslations("ENGLISH"));
  QMessageBox box;
  box.setStandardButtons(QMessageBox::Yes);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove('&'), "Yes");
}

namespace {
// Clicks the first picture of the slideshow list, types its caption and presses Return.
void typeFirstCaption(const QString& text) {
  MarkupListBoxControl* list = MainForm->DiashowListBox;
  ASSERT_GT(list->Count(), 0);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->ItemRect(0).center());
  ASSERT_EQ(list->ItemIndex(), 0);
  MainForm->TextEdit->selectAll();
  QTest::keyClicks(MainForm->TextEdit, text);
  QTest::keyClick(MainForm->TextEdit, Qt::Key_Return);
  ASSERT_EQ(ItemCaption(list->Item(0)), text);
}

int questionsStartingWith(const kalvora::ScriptedPrompter& p, const QString& text) {
  int n = 0;
  for (const auto& q : p.questions()) n += q.text.startsWith(text) ? 1 : 0;
  return n;
}
}  // namespace

TEST_F(MainRoad, ACaptionEditedBeforeQuittingIsAskedForAndKeptOrDropped) {
  startProgram();
  openFromArchivePage("Archive_0001");
  const QString list = MainForm->FArchiveRoot + "Archive_0001/Pictures.ini";
  typeFirstCaption("Leuchtturm am Abend");
  // Abbrechen stays in the program; Ja saves and quits.
  prompter.answerMessage(kalvora::mrCancel).answerMessage(kalvora::mrYes);
  MainForm->Programmbeenden1->trigger();
  EXPECT_TRUE(MainForm->isVisible());
  MainForm->Programmbeenden1->trigger();
  EXPECT_FALSE(MainForm->isVisible());
  EXPECT_EQ(questionsStartingWith(prompter, GetLanguageText(10350)), 2);
  EXPECT_TRUE(QString::fromUtf8(testsupport::readBytes(list)).contains("| Leuchtturm am Abend\r\n"));
  DestroyWindows();

  // The next start finds it; a change answered with Nein is dropped.
  startProgram();
  openFromArchivePage("Archive_0001");
  EXPECT_EQ(ItemCaption(MainForm->DiashowListBox->Item(0)), "Leuchtturm am Abend");
  typeFirstCaption("Verworfen");
  prompter.answerMessage(kalvora::mrNo);
  MainForm->Programmbeenden1->trigger();
  EXPECT_FALSE(MainForm->isVisible());
  DestroyWindows();
  startProgram();
  openFromArchivePage("Archive_0001");
  EXPECT_EQ(ItemCaption(MainForm->DiashowListBox->Item(0)), "Leuchtturm am Abend");
  closeProgram();
  EXPECT_EQ(questionsStartingWith(prompter, GetLanguageText(10350)), 3);
}

TEST_F(MainRoad, DeletingTheCopyOfASlideshowLeavesTheOriginal) {
  startProgram();
  const QString root = MainForm->FArchiveRoot;
  // The copy a file manager makes, retitled.
  copyTree(root + "Archive_0001", root + "Archive_0001 Kopie");
  {
    kalvora::IniFile ini(root + "Archive_0001 Kopie/Diashow.ini");
    ini.writeString("DIASHOW", "Titel", "Kopie");
  }
  const QByteArray original = testsupport::readBytes(root + "Archive_0001/Pictures.ini");
  closeProgram();

  startProgram();
  const auto lines = MainForm->OpenListBox->findItems("Archive_0001 Kopie Kopie", Qt::MatchExactly);
  ASSERT_EQ(lines.size(), 1);
  MainForm->OpenListBox->setCurrentItem(lines[0]);
  prompter.answerMessage(kalvora::mrYes);
  MainForm->Delete1BitBtn->click();
  ASSERT_FALSE(prompter.questions().empty());
  EXPECT_TRUE(prompter.questions().back().text.endsWith("Kopie (Archive_0001 Kopie)"));
  EXPECT_FALSE(QFileInfo::exists(root + "Archive_0001 Kopie"));
  EXPECT_EQ(testsupport::readBytes(root + "Archive_0001/Pictures.ini"), original);
  openFromArchivePage("Archive_0001");
  EXPECT_EQ(MainForm->DiashowListBox->Count(), pictureLines(root + "Archive_0001/"));
  closeProgram();
}

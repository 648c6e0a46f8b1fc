#include <gtest/gtest.h>

#include "ScriptedPrompter.h"

using namespace kalvora;

TEST(Prompter, ScriptedAnswersAndRecordsEveryQuestion) {
  ScriptedPrompter script;
  script.answerMessage(mrNo).answerFolder("/tmp/x").answerFiles({"/a.jpg", "/b.jpg"});
  {
    PrompterScope scope(script);
    EXPECT_EQ(CurrentPrompter().message(MsgKind::Confirmation, "T", "Delete?", mbYes | mbNo), mrNo);
    // Unscripted: the OK or Yes button.
    EXPECT_EQ(CurrentPrompter().message(MsgKind::Confirmation, "T", "Again?", mbYes | mbNo), mrYes);
    ShowMessage("Done");
    EXPECT_EQ(CurrentPrompter().folder("Pick", "/"), "/tmp/x");
    EXPECT_EQ(CurrentPrompter().openFiles("Pick", "/", "*"), QStringList({"/a.jpg", "/b.jpg"}));
    EXPECT_TRUE(CurrentPrompter().openFile("Pick", "/", "*").isEmpty());
    EXPECT_FALSE(CurrentPrompter().color(Qt::red).has_value());
  }
  EXPECT_EQ(script.messageTexts(), QStringList({"Delete?", "Again?", "Done"}));
  EXPECT_EQ(script.questions().size(), 7u);
  EXPECT_NE(&CurrentPrompter(), &script);  // the scope put the previous prompter back
}

// ---- The real Qt dialogs behind the prompter ----

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "TestSupport.h"

namespace {

// Runs action on the modal window that the next exec() opens; a window the action leaves open
// (a failed expectation) is closed, so the test goes on.
void onModal(std::function<void(QWidget*)> action) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(10);
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, tries, action] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || !w->isVisible()) {
      if (++*tries > 6000) timer->deleteLater();  // a minute at the least
      return;
    }
    timer->stop();
    timer->deleteLater();
    action(w);
    if (w->isVisible())
      if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
  });
  timer->start();
}

// The names the dialog's file list shows, once they satisfy done (the list is filled in the
// background) or a generous deadline has passed.
QStringList listedNames(QFileDialog* dialog, const std::function<bool(const QStringList&)>& done) {
  auto* view = dialog->findChild<QListView*>("listView");
  if (!view) return {};
  QStringList names;
  (void)QTest::qWaitFor(
      [&] {
        names.clear();
        QAbstractItemModel* m = view->model();
        for (int r = 0; r < m->rowCount(view->rootIndex()); ++r)
          names << m->index(r, 0, view->rootIndex()).data().toString();
        names.sort();
        return done(names);
      },
      60000);
  return names;
}

void fillPictureFolder(const testsupport::TempFolder& folder) {
  for (const char* name : {"a.jpg", "b.JPG", "c.jpeg", "d.bmp", "e.gif", "f.tif", "g.tiff", "notes.txt", "h.png"})
    testsupport::writeBytes(folder.file(name), "x");
}

const char* kPictureFilter = "Alle Bilddateien|*.jpg;*.jpeg;*.bmp;*.tif;*.tiff;*.gif";
}  // namespace

TEST(QtFileFilter, WindowsFiltersBecomeQtFilters) {
  struct Case { const char* in; const char* out; };
  const Case cases[] = {
      {"Alle Bilddateien|*.jpg;*.jpeg;*.bmp;*.tif;*.tiff;*.gif",
       "Alle Bilddateien (*.jpg *.jpeg *.bmp *.tif *.tiff *.gif)"},
      {"Audio Dateien|*.mp3; *.wav", "Audio Dateien (*.mp3 *.wav)"},
      {"JPEG|*.jpg|Bitmap|*.bmp", "JPEG (*.jpg);;Bitmap (*.bmp)"},
      {"|*.txt", "*.txt"},
      {"Texte|", ""},
      {"*.jpg;*.bmp", "*.jpg *.bmp"},
      {"Bilder (*.jpg *.png);;Alle (*)", "Bilder (*.jpg *.png);;Alle (*)"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(QtFileFilter(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(QtFileDialogRoad, PictureDialogListsThePicturesOfAFolder) {
  const testsupport::TempFolder folder;
  fillPictureFolder(folder);
  std::unique_ptr<QFileDialog> dialog(
      CreateFileDialog(nullptr, FileDialogKind::Open, "Bilder einlesen", folder.path(), kPictureFilter));
  dialog->show();
  const QStringList pictures{"a.jpg", "b.JPG", "c.jpeg", "d.bmp", "e.gif", "f.tif", "g.tiff"};
  // Waits for the whole list, then holds it against the pictures: no other file may be listed.
  EXPECT_EQ(listedNames(dialog.get(), [&](const QStringList& n) { return n.size() >= pictures.size(); }), pictures);
  EXPECT_EQ(dialog->nameFilters(), QStringList({"Alle Bilddateien (*.jpg *.jpeg *.bmp *.tif *.tiff *.gif)"}));
}

TEST(QtFileDialogRoad, OpenFileReturnsThePictureTheUserPicks) {
  const testsupport::TempFolder folder;
  fillPictureFolder(folder);
  QtPrompter prompter;
  onModal([](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(listedNames(dialog, [](const QStringList& n) { return n.contains("d.bmp"); }).contains("d.bmp"));
    // As a user does: click the picture in the list, then the dialog's open button.
    auto* view = dialog->findChild<QListView*>("listView");
    const QModelIndexList hits =
        view->model()->match(view->model()->index(0, 0, view->rootIndex()), Qt::DisplayRole, "d.bmp");
    ASSERT_EQ(hits.size(), 1);
    view->scrollTo(hits.first());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(hits.first()).center());
    auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
    ASSERT_NE(buttons, nullptr);
    buttons->button(QDialogButtonBox::Open)->click();
  });
  EXPECT_EQ(prompter.openFile("Bilder einlesen", folder.path(), kPictureFilter), folder.file("d.bmp"));
  onModal([](QWidget* w) { w->close(); });
  EXPECT_TRUE(prompter.openFile("Bilder einlesen", folder.path(), kPictureFilter).isEmpty());
}

TEST(QtFileDialogRoad, FolderAndSaveDialogs) {
  const testsupport::TempFolder folder;
  fillPictureFolder(folder);
  QtPrompter prompter;
  onModal([&](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    // Choosing at once takes the folder the dialog opened in.
    QMetaObject::invokeMethod(dialog, "accept");
  });
  EXPECT_EQ(prompter.folder("Ordner", folder.path()), folder.path());
  onModal([&](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->nameFilters(), QStringList({"Liste (*.txt)"}));
    // Typed into the name field, as a user does (selectFile leaves a focused field alone, and
    // whether it has the focus yet depends on timing).
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText("neu.txt");
    QMetaObject::invokeMethod(dialog, "accept");
  });
  EXPECT_EQ(prompter.saveFile("Speichern", folder.path(), "Liste|*.txt"), folder.file("neu.txt"));
}

TEST(QtDialogRoad, MessageBoxAnswersWithTheButtonClicked) {
  QtPrompter prompter;
  onModal([](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Wirklich?");
    box->button(QMessageBox::No)->click();
  });
  EXPECT_EQ(prompter.message(MsgKind::Confirmation, "Frage", "Wirklich?", mbYes | mbNo), mrNo);
  onModal([](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
  EXPECT_EQ(prompter.message(MsgKind::Confirmation, "Frage", "Wirklich?", mbYes | mbNo), mrYes);
  // Closing a box that offers only OK counts as OK.
  onModal([](QWidget* w) { w->close(); });
  EXPECT_EQ(prompter.message(MsgKind::Information, "Info", "Fertig", mbOk), mrOk);
}

TEST(QtDialogRoad, ColourDialogGivesTheChosenColourOrNothing) {
  QtPrompter prompter;
  onModal([](QWidget* w) {
    auto* dialog = qobject_cast<QColorDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    dialog->setCurrentColor(QColor(10, 20, 30));
    QMetaObject::invokeMethod(dialog, "accept");
  });
  EXPECT_EQ(prompter.color(Qt::red), QColor(10, 20, 30));
  onModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
  EXPECT_FALSE(prompter.color(Qt::red).has_value());
}

TEST(ScriptedPrompterFilter, RecordsTheFilterAsTheDialogShowsIt) {
  ScriptedPrompter script;
  script.openFile("Bilder", "/", kPictureFilter);
  ASSERT_EQ(script.questions().size(), 1u);
  EXPECT_EQ(script.questions()[0].filter, "Alle Bilddateien (*.jpg *.jpeg *.bmp *.tif *.tiff *.gif)");
}

TEST(QtDialogRoad, TextQuestionGivesTheTypedTextOrNothing) {
  QtPrompter prompter;
  onModal([](QWidget* w) {
    auto* edit = w->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->setText("Sommer");
    QMetaObject::invokeMethod(w, "accept");
  });
  EXPECT_EQ(prompter.text("Titel", "Name:", ""), std::optional<QString>("Sommer"));
  onModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
  EXPECT_FALSE(prompter.text("Titel", "Name:", "").has_value());
}

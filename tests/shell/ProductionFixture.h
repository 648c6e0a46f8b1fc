#pragma once
// The whole program's windows on a temporary program folder and home folder, with a driver
// that answers every modal window as a test scripts it (and cancels the others).
#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <map>

#include "Form.h"
#include "PcmWave.h"
#include "Process.h"
#include "ShellOpen.h"
#include "ShellFixture.h"
#include "SlideshowEntries.h"
#include "Windows.h"

namespace prodtest {

// Answers modal windows: a handler by window name runs when the window shows; a window still
// open afterwards is cancelled. Records the names of the windows shown, in order, and of those
// it had to cancel itself (a test whose handler closes the window checks that list).
class ModalDriver : public QObject {
 public:
  ModalDriver() {
    timer_.setInterval(2);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
    timer_.start();
  }
  std::map<QString, std::function<void(QWidget*)>> handlers;
  QStringList shown;
  QStringList leftOpen;

  // Closes the window with the given result.
  static void finish(QWidget* w, int result) {
    if (auto* d = qobject_cast<QDialog*>(w)) d->done(result);
  }

 private:
  void poll() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || !w->isVisible() || busy_) return;
    busy_ = true;
    shown << w->objectName();
    auto it = handlers.find(w->objectName());
    if (it != handlers.end()) it->second(w);
    if (w->isVisible()) {
      leftOpen << w->objectName();
      finish(w, kalvora::mrCancel);
    }
    busy_ = false;
  }
  QTimer timer_;
  bool busy_ = false;
};

inline QStringList g_started;
inline bool recordStart(const QString& program, const QStringList& args, const QString&) {
  g_started = QStringList{program} + args;
  return true;
}
inline QStringList g_opened;
inline bool g_openResult = true;
inline bool recordOpen(const QString& what) {
  g_opened << what;
  return g_openResult;
}

inline void writeJpeg(const QString& path, int w = 40, int h = 30, QColor c = Qt::red) {
  QDir().mkpath(QFileInfo(path).path());
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(c);
  ASSERT_TRUE(img.save(path, "JPG")) << path.toStdString();
}

// A RIFF WAVE file of PCM silence.
inline QByteArray waveBytes(int rate, int channels, int frames = 100, int bits = 16) {
  QByteArray data(frames * channels * bits / 8, '\0');
  return testsupport::PcmWaveHeader(rate, channels, bits, quint32(data.size())) + data;
}

class ProductionTest : public shelltest::ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    shelltest::writeText(appDir + "NoTip.ini", "");
    shelltest::writeText(appDir + "NoWer.ini", "");
    shelltest::writeText(appDir + "NoZuschneidenTip2.ini", "");
    LoadLanguage();
    CreateWindows();
    mf = MainForm;
    root = mf->FArchiveRoot;
    g_started.clear();
    g_opened.clear();
    g_openResult = true;
    kalvora::SetStartProgramHook(recordStart);
    SetShellOpenHook(recordOpen);
  }
  void TearDown() override {
    kalvora::SetStartProgramHook(nullptr);
    SetShellOpenHook(nullptr);
    DestroyWindows();
    mf = nullptr;
    ShellTest::TearDown();
  }

  // A slideshow folder under the archive root with the pictures named (generated JPEGs).
  void makeSlideshow(const QString& folder, const QString& title, const QStringList& pictures) {
    QByteArray list;
    for (const QString& p : pictures) {
      writeJpeg(root + folder + "/" + p);
      list += p.toUtf8() + " | Text " + p.toUtf8() + "\r\n";
    }
    shelltest::writeText(root + folder + "/Diashow.ini", "[DIASHOW]\r\nTitel=" + title.toUtf8() + "\r\nTime=4\r\n");
    shelltest::writeText(root + folder + "/Pictures.ini", list);
  }

  void selectArchive(const QString& folder) {
    mf->FillArchiveList();
    for (int i = 0; i < mf->OpenListBox->count(); ++i)
      if (SlideshowEntryFolder(mf->OpenListBox->item(i)) == folder) mf->OpenListBox->setCurrentRow(i);
  }

  // Clicks an item of the slideshow list with the mouse.
  void clickItem(int index) {
    MarkupListBoxControl* list = mf->DiashowListBox;
    list->scrollToItem(list->item(index));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->ItemRect(index).center());
    ASSERT_EQ(list->ItemIndex(), index);
  }

  QStringList archiveLines() const {
    QStringList out;
    for (int i = 0; i < mf->OpenListBox->count(); ++i) out << mf->OpenListBox->item(i)->text();
    return out;
  }

  static QStringList listTexts(const QListWidget* l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
  }

  QString trashFiles() const { return fakeHome.path() + "/.local/share/Trash/files/"; }
  bool messageContains(const QString& text) const {
    for (const QString& m : prompter.messageTexts())
      if (m.contains(text)) return true;
    return false;
  }

  ModalDriver modal;
  TMainForm* mf = nullptr;
  QString root;
};

}  // namespace prodtest

#pragma once
// A main window on a temporary program folder with an open slideshow whose pictures the
// tests make, for the gallery, export and photo-lab windows.
#include <QImage>
#include <QTest>

#include "ListItems.h"
#include "ShellFixture.h"
#include "ShellOpen.h"

namespace pubtest {

inline QStringList g_opened;
inline bool g_openResult = true;
inline bool recordOpen(const QString& what) {
  g_opened << what;
  return g_openResult;
}

class PublishingTest : public shelltest::ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    shelltest::writeText(appDir + "NoTip.ini", "");
    start();
    MainForm = form.get();
    if (!form->DiashowListBox) form->CreateDiashowListBox();
    root = appDir + "archiv/";
    form->FArchiveRoot = root;
    form->FArchiveFolder = "Archive_0001";
    form->FExportFolder = appDir + "export/";
    QDir().mkpath(root + "Archive_0001");
    g_opened.clear();
    g_openResult = true;
    SetShellOpenHook(recordOpen);
  }
  void TearDown() override {
    SetShellOpenHook(nullptr);
    MainForm = nullptr;
    ShellTest::TearDown();
  }

  QString slideshow() const { return root + "Archive_0001/"; }

  // A picture file in the slideshow folder and its entry in the slideshow list.
  void addPicture(const QString& name, int w, int h, const QString& caption = QString(), QColor c = QColor(200, 40, 40)) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    ASSERT_TRUE(img.save(slideshow() + name, "JPG")) << name.toStdString();
    addEntry(name, caption);
  }
  void addEntry(const QString& name, const QString& caption) {
    QStringList items = form->DiashowListBox->Items();
    items << MakeListItem(slideshow() + "_THUMB_" + name, name, caption);
    form->DiashowListBox->SetItems(items);
  }

  bool messageContains(const QString& text) const {
    for (const QString& m : prompter.messageTexts())
      if (m.contains(text)) return true;
    return false;
  }

  QString root;
};

}  // namespace pubtest

#include "Screenshots.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QTabWidget>
#include <QTimer>

#include "SlideshowEntries.h"
#include "StringHelpers.h"
#include "fBetrachter.h"
#include "fMain.h"

namespace {
void openSample(TMainForm* f) {
  f->FillArchiveList();
  for (int i = 0; i < f->OpenListBox->count(); ++i)
    if (SlideshowEntryFolder(f->OpenListBox->item(i)) == "Archive_0001") f->OpenListBox->setCurrentRow(i);
  f->Open1BitBtnClick();
}

void shootViewer(TMainForm* f, const QString& file) {
  openSample(f);
  if (f->DiashowListBox->Count() > 1) {
    f->DiashowListBox->SetItemIndex(1);
    f->DiashowListBoxClick();
  }
  // The viewer runs modally: the picture is taken from inside its run.
  QTimer::singleShot(1500, f, [file] {
    if (BetrachterForm && BetrachterForm->isVisible()) {
      BetrachterForm->grab().save(file);
      BetrachterForm->SpeedButton5->click();
    }
  });
  f->Betrachter2BitBtnClick();
  f->close();
}

void shootSettings(TMainForm* f, const QString& file) {
  openSample(f);
  f->Diashowerstellen1->trigger();
  QTimer::singleShot(800, f, [f, file] {
    f->grab().save(file);
    f->close();
  });
}
}  // namespace

void InstallScreenshotHooks(TMainForm* form) {
  const QString viewer = qEnvironmentVariable("KALVORA_SHOT_VIEWER");
  if (!viewer.isEmpty()) QTimer::singleShot(1500, form, [form, viewer] { shootViewer(form, viewer); });
  const QString settings = qEnvironmentVariable("KALVORA_SHOT_SETTINGS");
  if (!settings.isEmpty()) QTimer::singleShot(1500, form, [form, settings] { shootSettings(form, settings); });
}

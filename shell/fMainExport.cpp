// The productions the main window carries out itself: copying slideshows into the CD export
// folder and filling the screensaver folder.
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "BusyCursor.h"
#include "FileOps.h"
#include "IniFile.h"
#include "ListItems.h"
#include "ProgramWindows.h"
#include "SaveFailure.h"
#include "ShellFileOps.h"
#include "SlideshowEntries.h"
#include "StringHelpers.h"
#include "fMain.h"

using namespace shellwin;

namespace {
// Folder names of the ticked lines of the export window's list, in list order.
QStringList tickedFolders() {
  QStringList out;
  auto* list = Control<QListWidget>("ExportForm", "CheckListBox");
  if (!list) return out;
  for (int i = 0; i < list->count(); ++i) {
    const QListWidgetItem* item = list->item(i);
    if (item->checkState() != Qt::Checked) continue;
    const QString folder = SlideshowEntryFolder(item);
    if (IsPlainFileName(folder)) out << folder;
  }
  return out;
}

// Copies the files of from matching mask (and keep) into to, replacing; failures are listed.
template <typename Keep>
void copyFiles(const QString& from, const QString& to, const QString& mask, Keep keep, QStringList& failed) {
  for (const QString& name : kalvora::FindFiles(from, mask)) {
    if (!keep(name)) continue;
    if (!kalvora::CopyFileReplace(from + name, to + name)) failed << from + name;
  }
}

bool all(const QString&) { return true; }

bool makeFolder(const QString& folder) {
  if (kalvora::ForceDirectories(folder)) return true;
  Inform(Text(10100, "Ordner konnte nicht angelegt werden:") + " " + folder);
  return false;
}

void reportFailures(const QStringList& failed) {
  if (failed.isEmpty()) return;
  QStringList shown = failed.mid(0, 20);
  if (failed.size() > 20) shown << "...";
  Inform(Text(10201, "Folgende Dateien konnten nicht kopiert werden:") + "\n" + shown.join("\n"));
}
}  // namespace

bool TMainForm::RecreateExportFolder(const QString& folder) {
  QString clean = folder;
  while (clean.size() > 1 && clean.endsWith('/')) clean.chop(1);
  const QFileInfo fi(clean);
  // What cannot be moved to the trash stays where it is, and nothing is copied over it.
  if ((fi.exists() || fi.isSymLink()) && (!fi.isDir() || !DeletePath(clean))) {
    Inform(Text(10202, "Der Ordner konnte nicht geleert werden, es wurde nichts kopiert:") + " " + folder);
    return false;
  }
  return makeFolder(AddTrailingBackslash(clean));
}

bool TMainForm::ExportToCd(bool picturesOnly) {
  QStringList failed;
  bool complete = true;
  {
    BusyCursor busy;
    if (!picturesOnly) copyFiles(FArchiveRoot, FExportFolder, "*.*", all, failed);
    for (const QString& folder : tickedFolders()) {
      const QString target = FExportFolder + folder + "/";
      if (!makeFolder(target)) {
        complete = false;
        break;
      }
      const QString source = FArchiveRoot + folder + "/";
      if (picturesOnly)
        copyFiles(source, target, "*.jpg", [](const QString& n) { return !n.contains("_THUMB"); }, failed);
      else
        copyFiles(source, target, "*.*", all, failed);
    }
  }
  reportFailures(failed);
  return complete && failed.isEmpty();
}

bool TMainForm::InstallScreensaver() {
  if (auto* label = Control<QLabel>("ExportForm", "DoLabel")) label->setText(GetLanguageText(2603));
  if (ShowModal("ExportForm") != kalvora::mrOk) return false;
  QStringList failed;
  bool complete = true;
  bool settingsSaved = true;
  kalvora::WriteFailure settingsFailure = kalvora::WriteFailure::None;
  {
    BusyCursor busy;
    if (!RecreateExportFolder(FScreensaverFolder)) return false;
    copyFiles(FArchiveRoot, FScreensaverFolder, "*.*", all, failed);
    // Copying the player into system folders as a screensaver program has no counterpart
    // here; the message below says so.
    for (const QString& folder : tickedFolders()) {
      const QString target = FScreensaverFolder + folder + "/";
      if (!makeFolder(target)) {
        complete = false;
        break;
      }
      copyFiles(FArchiveRoot + folder + "/", target, "*.*", all, failed);
    }
    kalvora::IniFile settings(FScreensaverFolder + "Settings.ini");
    kalvora::IniFile::Batch batch(settings);
    // The player reads Fullscreen the other way round (see WritePlayerSettings): this value
    // makes it play full screen, as a screensaver does.
    settings.writeString("SETTINGS", "Fullscreen", "FALSE");
    settings.writeString("SETTINGS", "EffectMode", "RANDOM");
    settingsSaved = batch.commit();
    settingsFailure = settings.lastFailure();
  }
  reportFailures(failed);
  if (!settingsSaved) ReportSettingsNotSaved(FScreensaverFolder + "Settings.ini", settingsFailure);
  // Success is shown only when everything is in the folder.
  if (!complete || !failed.isEmpty() || !settingsSaved) return false;
  if (auto* w = FindProgramWindow("AnweisungForm")) {
    for (const char* name : {"IconImage", "IconLabel", "NeroBitBtn"})
      if (auto* c = w->findChild<QWidget*>(name)) c->hide();
    if (auto* l = w->findChild<QLabel*>("MakeLabel")) l->setText(GetLanguageText(4601));
    if (auto* l = w->findChild<QLabel*>("MakeSubLabel"))
      l->setText(GetLanguageText(4610) + " " + FScreensaverFolder + "\n\n" + GetLanguageText(10203));
    ShowModal("AnweisungForm");
  } else {
    Inform(GetLanguageText(10203));
  }
  return true;
}

// The slideshow's background music: adding, listing, playing, ordering and renumbering the
// audio files of the slideshow folder, and the hand-off to the CD ripper.
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QRandomGenerator>
#include <QScreen>
#include <QPushButton>
#include <QStandardPaths>

#include "AudioProbe.h"
#include "AudioTitles.h"
#include "BusyCursor.h"
#include "FileOps.h"
#include "IniFile.h"
#include "MediaPlayer.h"
#include "Process.h"
#include "ProgramWindows.h"
#include "SaveFailure.h"
#include "ShellFileOps.h"
#include "StringHelpers.h"
#include "fMain.h"

using namespace shellwin;

namespace {
// A file without a sample rate is no audio file the probe could read: that is said plainly,
// rather than a format it never had.
void formatWarning(const QString& file, const QString& sampleRate) {
  if (sampleRate.isEmpty()) {
    const QFileInfo info(file);
    if (!info.isFile() || !QFile(file).open(QIODevice::ReadOnly))
      Inform(Text(10371, "Die Datei \"%1\" kann nicht gelesen werden.").arg(FileNamePart(file)));
    else
      Inform(Text(10370, "Die Datei \"%1\" ist keine Audiodatei im MP3- oder WAV-Format und kann nicht "
                         "als Musik der Diashow verwendet werden.").arg(FileNamePart(file)));
    return;
  }
  Inform(GetLanguageText(10012) + " " + FileNamePart(file) + " " + GetLanguageText(10013) + "\n\n" +
         GetLanguageText(10014) + "\n\n" + GetLanguageText(10015));
}

// The path of the selected line (the last selected when several are), empty when none.
QString selectedAudio(const QListWidget* list) {
  int row = -1;
  for (const QListWidgetItem* item : list->selectedItems()) row = std::max(row, list->row(item));
  return row < 0 ? QString() : list->item(row)->text();
}
}  // namespace

void TMainForm::ProbeAudio(const QString& file, QString& sampleRate, QString& channelMode, QString& error) {
  if (QWidget* w = FindProgramWindow("CheckAudioForm")) {
    w->setProperty("FFileName", file);
    if (QMetaObject::invokeMethod(w, "ReadInfo")) {
      sampleRate = w->property("FSampleRate").toString();
      channelMode = w->property("FChannelMode").toString();
      error = w->property("FErrorText").toString();
      return;
    }
  }
  const AudioInfo info = ProbeAudioFile(file);
  sampleRate = info.sampleRate;
  channelMode = info.channelMode;
  error = info.error;
}

void TMainForm::OpenAudioBitBtnClick() {
  if (FArchiveFolder.isEmpty()) return;
  const QString file = kalvora::CurrentPrompter().openFile(GetLanguageText(1003), FPersonalFolder,
                                                           "Audio Dateien (*.mp3 *.wav *.MP3 *.WAV)");
  if (file.isEmpty()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QString rate, mode, error;
  ProbeAudio(file, rate, mode, error);
  QApplication::restoreOverrideCursor();
  if (rate != "44100" || mode != "STEREO") {
    formatWarning(file, rate);
    return;
  }
  const QString folder = SlideshowFolder();
  if (!kalvora::ForceDirectories(folder)) {
    Inform(Text(10100, "Ordner konnte nicht angelegt werden:") + " " + folder);
    return;
  }
  const QString name = FileNamePart(file);
  QString target = folder + name;
  bool addToList = true;
  if (QFileInfo::exists(target)) {
    if (AskYes(GetLanguageText(10016))) {
      addToList = false;
    } else {
      // A random prefix keeps both files; a name taken already is never overwritten.
      do {
        target = folder + QString::number(QRandomGenerator::global()->bounded(99999999)) + "_" + name;
      } while (QFileInfo::exists(target));
    }
  }
  bool copied = true;
  if (QFileInfo(file).canonicalFilePath() != QFileInfo(target).canonicalFilePath()) {
    BusyCursor busy;
    copied = kalvora::CopyFileReplace(file, target);
  }
  if (!copied) {
    Inform(Text(10206, "Die Audiodatei konnte nicht in die Diashow kopiert werden:") + " " + file);
    return;
  }
  if (addToList) AudioListBox->addItem(target);
}

void TMainForm::DeleteAudioBitBtnClick() {
  const QString path = selectedAudio(AudioListBox);
  if (path.isEmpty()) {
    InformId(10018);
    return;
  }
  if (kalvora::CurrentPrompter().message(kalvora::MsgKind::Confirmation, QString(), GetLanguageText(10017),
                                         kalvora::mbYes | kalvora::mbNo) == kalvora::mrNo)
    return;
  if (MediaPlayer1) MediaPlayer1->Close();
  const auto items = AudioListBox->findItems(path, Qt::MatchExactly);
  for (QListWidgetItem* item : items) delete item;
  QFile::remove(path);
}

void TMainForm::AudioListBoxClick() {
  const QString path = selectedAudio(AudioListBox);
  if (MediaPlayer1) MediaPlayer1->FileName = path.isEmpty() ? GetLanguageText(10020) : path;
}

void TMainForm::PlayBitBtnClick() {
  const QString path = selectedAudio(AudioListBox);
  if (path.isEmpty()) {
    InformId(10023);
    return;
  }
  if (!MediaPlayer1) return;
  // The title open already plays on where it was paused (or anew once it has ended).
  if (MediaPlayer1->OpenedFile().isEmpty() || MediaPlayer1->OpenedFile() != path) {
    if (MediaPlayer1->FileName != path) {
      MediaPlayer1->Close();
      MediaPlayer1->FileName = path;
    }
    MediaPlayer1->Open();
  }
  MediaPlayer1->Play();
}

void TMainForm::PauseBitBtnClick() {
  if (selectedAudio(AudioListBox).isEmpty()) {
    InformId(10023);
    return;
  }
  if (MediaPlayer1) MediaPlayer1->Pause();
}

void TMainForm::StopBitBtnClick() {
  if (selectedAudio(AudioListBox).isEmpty()) {
    InformId(10023);
    return;
  }
  if (MediaPlayer1) MediaPlayer1->Stop();
}

void TMainForm::InfoBitBtnClick() {
  const QString path = selectedAudio(AudioListBox);
  if (path.isEmpty()) {
    InformId(10023);
    return;
  }
  if (MediaPlayer1) MediaPlayer1->Close();
  ShowAudioInfo(path);
}

void TMainForm::ShowAudioInfo(const QString& path) {
  QWidget* w = FindProgramWindow("CheckAudioForm");
  if (!w) return;
  w->setProperty("FFileName", path);
  // The window reads its file when it is shown: shown already, it is shown anew for this file.
  if (w->isVisible()) w->hide();
  w->show();
  // Beside the Info button rather than over it, within the screen.
  const QRect button(InfoBitBtn->mapToGlobal(QPoint(0, 0)), InfoBitBtn->size());
  const QSize size = w->frameGeometry().size();
  const QRect screen = w->screen() ? w->screen()->availableGeometry() : QRect(QPoint(0, 0), size);
  auto within = [&](QPoint p) {
    p.setX(std::clamp(p.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - size.width())));
    p.setY(std::clamp(p.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - size.height())));
    return p;
  };
  const QPoint candidates[] = {{button.right() + 16, button.top()},
                               {button.left() - 16 - size.width(), button.top()},
                               {button.left(), button.bottom() + 16},
                               {button.left(), button.top() - 16 - size.height()}};
  QPoint at = within(candidates[0]);
  for (const QPoint& c : candidates) {
    const QPoint p = within(c);
    if (!QRect(p, size).intersects(button)) {
      at = p;
      break;
    }
  }
  // The frame's top-left goes there; move() places the frame on a top-level window.
  w->move(at);
  // Active, so Escape closes it.
  w->raise();
  w->activateWindow();
}

void TMainForm::AudioSelectionChanged() {
  QWidget* w = FindProgramWindow("CheckAudioForm");
  if (!w || !w->isVisible() || w->isModal()) return;
  const QString path = selectedAudio(AudioListBox);
  // The open window follows the selection, so it never shows another title's data.
  if (path.isEmpty()) w->hide();
  else if (w->property("FFileName").toString() != path) ShowAudioInfo(path);
}

void TMainForm::AudioListBoxMouseDown(int row) {
  FAudioDragIndex = row >= 0 && row < AudioListBox->count() ? row : -1;
}

void TMainForm::AudioListBoxDragDrop(int row) {
  if (FAudioDragIndex < 0 || row < 0 || row >= AudioListBox->count() || FAudioDragIndex >= AudioListBox->count())
    return;
  QListWidgetItem* item = AudioListBox->takeItem(FAudioDragIndex);
  AudioListBox->insertItem(row, item);
  AudioListBox->setCurrentRow(row);
}

void TMainForm::RefreshAudioList() {
  AudioListBox->clear();
  if (FArchiveFolder.isEmpty()) return;
  const QString folder = SlideshowFolder();
  QStringList paths;
  for (const char* mask : {"*.mp3", "*.wav"})
    for (const QString& name : kalvora::FindFiles(folder, QString::fromLatin1(mask))) paths << folder + name;
  paths.sort(Qt::CaseInsensitive);
  struct Refused {
    QString path, rate;
  };
  QList<Refused> refused;
  {
    BusyCursor busy;
    for (const QString& path : paths) {
      QString rate, mode, error;
      ProbeAudio(path, rate, mode, error);
      auto* item = new QListWidgetItem(path, AudioListBox);
      const QString title = RecordedAudioTitle(folder, FileNamePart(path));
      item->setData(kAudioTitleRole, title);
      item->setToolTip(title.isEmpty() ? path : title + "\n" + path);
      if (rate != "44100" || mode != "STEREO") refused.append({path, rate});
    }
  }
  for (const Refused& r : refused) formatWarning(r.path, r.rate);
}

void TMainForm::RenumberAudioFiles() {
  if (MediaPlayer1) MediaPlayer1->Close();
  if (FArchiveFolder.isEmpty()) return;
  {
    BusyCursor busy;
    const QString folder = SlideshowFolder();
    QStringList names, temporary, titles;
    for (int i = 0; i < AudioListBox->count(); ++i) {
      const QString path = AudioListBox->item(i)->text();
      names << FileNamePart(path);
      // The name the music came with survives its new number.
      const QString recorded = RecordedAudioTitle(folder, FileNamePart(path));
      titles << (recorded.isEmpty() ? FileNamePart(path) : recorded);
      // Two passes: no file is renamed onto a name another file of the list still bears.
      temporary << RenameNoReplace(path, folder + "_F_" + FileNamePart(path));
    }
    if (!temporary.isEmpty()) ResetAudioTitles(folder);
    for (int i = 0; i < temporary.size(); ++i) {
      if (temporary[i].isEmpty()) continue;
      const QString extension = ExtractWordN(unsigned(CountWords(names[i], ".")), names[i], ".");
      const QString renamed = "Audio" + PadLeftWithChar(QString::number(i + 1), '0', 3) + "." + extension;
      const QString done = RenameNoReplace(temporary[i], folder + renamed);
      RecordAudioTitle(folder, done.isEmpty() ? FileNamePart(temporary[i]) : FileNamePart(done), titles[i]);
    }
  }
  RefreshAudioList();
}

bool TMainForm::RunAndWait(const QString& folder, const QString& program, const QStringList& parameters) {
  const kalvora::ProgramResult r = kalvora::RunProgramAndWait(program, parameters, folder);
  if (!r.started) {
    kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, QString(),
                                       "Error starting " + FileNamePart(program), kalvora::mbOk);
    return false;
  }
  return true;
}

void TMainForm::StartRipper() {
  if (FArchiveFolder.isEmpty()) return;
  const QString ripper = QFileInfo(FRipperProgram).isAbsolute() ? FRipperProgram
                                                                 : QStandardPaths::findExecutable(FRipperProgram);
  if (ripper.isEmpty() || !QFileInfo(ripper).isExecutable()) {
    const QString notice =
        Text(10204, "Zum Einlesen von Audio-CDs wird das Programm \"cdparanoia\" benötigt.");
    if (auto* label = Control<QLabel>("NoDriverForm", "InfoLabel")) {
      if (label->text().isEmpty()) label->setText(notice);
      ShowModal("NoDriverForm");
    } else {
      Inform(notice);
    }
    return;
  }
  {
    kalvora::IniFile ini(FAppDir + "Ripper.ini");
    kalvora::IniFile::Batch batch(ini);
    ini.writeString("SETTINGS", "DiskPath", FArchiveRoot);
    ini.writeString("SETTINGS", "DiashowDir", FArchiveFolder);
    // The hand-off file says where the tracks go: without it the ripper is not started.
    if (!batch.commit()) {
      ReportSettingsNotSaved(ini.fileName(), ini.lastFailure());
      return;
    }
  }
  const QString folder = SlideshowFolder();
  if (!kalvora::ForceDirectories(folder)) {
    Inform(Text(10100, "Ordner konnte nicht angelegt werden:") + " " + folder);
    return;
  }
  // Every track of the disc as a 44.1 kHz stereo WAV file (trackNN.cdda.wav) into the
  // slideshow folder named by the hand-off file.
  RunAndWait(folder, ripper, {"-B", "-w", "1-"});
  RefreshAudioList();
}

// The slideshow's background music: adding, listing, playing, ordering and renumbering the
// audio files of the slideshow folder, and the hand-off to the CD ripper.
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QRandomGenerator>
#include <QStandardPaths>

#include "AudioProbe.h"
#include "AudioTitles.h"
#include "FileOps.h"
#include "IniFile.h"
#include "MediaPlayer.h"
#include "Process.h"
#include "ProgramWindows.h"
#include "ShellFileOps.h"
#include "StringHelpers.h"
#include "fMain.h"

using namespace shellwin;

namespace {
void formatWarning(const QString& file, const QString& error) {
  QString text = GetLanguageText(10012) + " " + FileNamePart(file) + " " + GetLanguageText(10013) + "\n\n" +
                 GetLanguageText(10014) + "\n\n" + GetLanguageText(10015);
  if (!error.isEmpty()) text += "\n\n" + Text(10205, "Grund:") + " " + error;
  Inform(text);
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
    formatWarning(file, error);
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
    Busy busy;
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
  if (MediaPlayer1->FileName != path) {
    MediaPlayer1->Close();
    MediaPlayer1->FileName = path;
    MediaPlayer1->Open();
  } else {
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
  if (QWidget* w = FindProgramWindow("CheckAudioForm")) {
    w->setProperty("FFileName", path);
    w->show();
  }
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
    QString path, error;
  };
  QList<Refused> refused;
  {
    Busy busy;
    for (const QString& path : paths) {
      QString rate, mode, error;
      ProbeAudio(path, rate, mode, error);
      auto* item = new QListWidgetItem(path, AudioListBox);
      const QString title = RecordedAudioTitle(folder, FileNamePart(path));
      item->setData(kAudioTitleRole, title);
      item->setToolTip(title.isEmpty() ? path : title + "\n" + path);
      if (rate != "44100" || mode != "STEREO") refused.append({path, error});
    }
  }
  for (const Refused& r : refused) formatWarning(r.path, r.error);
}

void TMainForm::RenumberAudioFiles() {
  if (MediaPlayer1) MediaPlayer1->Close();
  if (FArchiveFolder.isEmpty()) return;
  {
    Busy busy;
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

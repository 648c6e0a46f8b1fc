#include "fDVD.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <cmath>
#include <exception>

#include "FormButtons.h"
#include "Language.h"
#include "MpegEncoder.h"
#include "PicImageVCL.h"
#include "Prompter.h"
#include "ShellOpen.h"
#include "SoundTrack.h"
#include "fAnweisung.h"
#include "fMain.h"
#include "fWave.h"

TDVDForm* DVDForm = nullptr;

namespace {

int64_t Round(double v) { return int64_t(std::nearbyint(v)); }

QString WithSlash(const QString& folder) {
  if (folder.isEmpty() || folder.endsWith('/') || folder.endsWith('\\')) return folder;
  return folder + "/";
}

// The run's own files in the work folder, and nothing else.
bool IsRunFile(const QString& name) {
  static const QRegularExpression own(
      "^(inp\\d{4,9}\\.bmp|inp\\d{4,9}_key\\.jpg|inp\\d{7,12}\\.jpg|test_\\d{4,9}\\.jpg|test_quantity\\.nno|temp\\.jpg|"
      "inp\\d{3}\\.wav|input\\.wav|awtemp\\.avi)$",
      QRegularExpression::CaseInsensitiveOption);
  return own.match(name).hasMatch();
}

// The high-quality frames under their display-order names: four digits, more past 9999 (the
// encoder reads the same pattern).
int CountDisplayFrames(const QString& folder) {
  static const QRegularExpression frame("^Test_\\d{4,9}\\.jpg$");
  int n = 0;
  for (const QString& name : QDir(folder).entryList({"Test_*.jpg"}, QDir::Files))
    if (frame.match(name).hasMatch()) ++n;
  return n;
}

}  // namespace

std::function<QString(const QString&)> TDVDForm::FindVideoPlayer;

QString DesktopVideoPlayer(const QString& file) {
  const QString mime = file.endsWith(".avi", Qt::CaseInsensitive) ? "video/x-msvideo" : "video/mpeg";
  const QString query = QStandardPaths::findExecutable("xdg-mime");
  if (!query.isEmpty()) {
    QProcess p;
    p.start(query, {"query", "default", mime});
    if (p.waitForFinished(5000) && p.exitCode() == 0 && !p.readAllStandardOutput().trimmed().isEmpty()) return "desktop";
  }
  for (const char* name : {"mpv", "vlc", "celluloid", "totem", "smplayer", "mplayer", "ffplay"}) {
    const QString program = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!program.isEmpty()) return program;
  }
  return QString();
}

QString ReplaceUmlauts(const QString& text) {
  QString s = text;
  for (QChar& c : s) {
    const char16_t u = c.unicode();
    if (u == ' ' || u == '\'') c = '_';
    else if (u == '&') c = 'a';
    else if (QStringView(u"*:()\\/><").contains(c)) c = 'x';
    else if (QStringView(u".-!$%=\"§?,´`€éáúóêâûô").contains(c)) c = '_';
  }
  QString r;
  for (const QChar c : s) {
    switch (c.unicode()) {
      case u'ä': r += "ae"; break;
      case u'Ä': r += "Ae"; break;
      case u'ö': r += "oe"; break;
      case u'Ö': r += "Oe"; break;
      case u'ü': r += "ue"; break;
      case u'Ü': r += "Ue"; break;
      case u'ß': r += "ss"; break;
      default: r += c;
    }
  }
  r = r.toLower();
  // Only characters every file system takes; the name stays far below 255 bytes.
  for (QChar& c : r)
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) c = '_';
  return r.left(200);
}

QString DotToComma(const QString& text) {
  QString s = text;
  const int dot = s.indexOf('.');
  if (dot >= 0) s[dot] = ',';
  return s;
}

TDVDForm::TDVDForm(QWidget* parent) : TForm("DVDForm", parent) {
  setWindowTitle(QString::fromUtf8("Diashow erzeugen"));
  auto* layout = new QVBoxLayout(this);
  StepLabel = new QLabel(this);
  StepLabel->setObjectName("StepLabel");
  layout->addWidget(StepLabel);
  auto* bar = new QHBoxLayout;
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setTextVisible(false);
  bar->addWidget(ProgressBar1, 1);
  PercentLabel = new QLabel(this);
  PercentLabel->setObjectName("PercentLabel");
  bar->addWidget(PercentLabel);
  layout->addLayout(bar);
  ArbeiteLabel = new QLabel(this);
  ArbeiteLabel->setObjectName("ArbeiteLabel");
  ArbeiteLabel->setVisible(false);
  layout->addWidget(ArbeiteLabel);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  layout->addWidget(Memo1, 1);
  PicImage1 = new TPicImage(this);
  PicImage1->setObjectName("PicImage1");
  PicImage1->setVisible(false);
  layout->addWidget(PicImage1);
  auto* buttons = new QHBoxLayout;
  layout->addLayout(buttons);
  VideoBitBtn = new QPushButton(Text(2402, "Video ansehen", "Watch video"), this);
  VideoBitBtn->setObjectName("VideoBitBtn");
  CloseBitBtn = new QPushButton(Text(2403, "Schließen", "Close"), this);
  CloseBitBtn->setObjectName("CloseBitBtn");
  AbortBitBtn = new QPushButton(Text(2404, "Abbrechen", "Cancel"), this);
  AbortBitBtn->setObjectName("AbortBitBtn");
  AbortBitBtn->setEnabled(false);
  for (QPushButton* b : {VideoBitBtn, CloseBitBtn, AbortBitBtn}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  connect(VideoBitBtn, &QPushButton::clicked, this, [this] { VideoBitBtnClick(); });
  connect(CloseBitBtn, &QPushButton::clicked, this, [this] { CloseBitBtnClick(); });
  connect(AbortBitBtn, &QPushButton::clicked, this, [this] { AbortBitBtnClick(); });
  StepLabel->setText(Text(2400, "Bitte warten", "Please wait"));
  ArbeiteLabel->setText(Text(2401, "Das Video wird erstellt ...", "Making the video ..."));
  AviWriter1 = new TAviWriter(this);
  AviWriter1->setObjectName("AviWriter1");
  AviWriter1->FrameTime = 1000;
  AviWriter1->Stretch = false;
  Frames.PicImage1 = PicImage1;
  Frames.SetStatus = [this](const QString& s) { status(s); };
  resize(720, 520);
  setWindowState(windowState() | Qt::WindowMaximized);  // the run fills the screen
}

QString TDVDForm::Text(int id, const char* german, const char* english) const {
  const QString t = GetLanguageText(id);
  if (!t.isEmpty()) return t;
  return QString::fromUtf8(CurrentLanguage() == "GERMAN" || CurrentLanguage().isEmpty() ? german : english);
}

void TDVDForm::ConvertPicture(const QString& sourceFile, const QString& targetBase) {
  Frames.ConvertPicture(sourceFile, targetBase);
}

void TDVDForm::ConvertPictures() {
  if (TakeFromMainWindow) Frames.TakeMainWindowSettings();
  if (!TakeFromMainWindow || !MainForm) {
    Frames.FArchiveRoot = Run.ArchiveRoot;
    Frames.FArchiveFolder = Run.ArchiveFolder;
    Frames.FEncoderFolder = Run.EncoderFolder;
    Frames.FAppDir = Run.AppDir;
    Frames.FSecondsPerPicture = Run.SecondsPerPicture;
  }
  Frames.HighQuality = HighQuality;
  Frames.SetFrameSize(Pal, Mode);
  Frames.ConvertPictures();
}

void TDVDForm::takeSettings() {
  if (!TakeFromMainWindow || !MainForm) return;
  Run.AppDir = MainForm->FAppDir;
  Run.EncoderFolder = MainForm->FEncoderFolder;
  Run.VideoFolder = MainForm->FVideoFolder;
  Run.ArchiveRoot = MainForm->FArchiveRoot;
  Run.ArchiveFolder = MainForm->FArchiveFolder;
  Run.DiashowTitle = MainForm->FDiashowTitle;
  Run.SecondsPerPicture = MainForm->FSecondsPerPicture;
  if (MainForm->FFramesPerSecond > 0) Run.FramesPerSecond = MainForm->FFramesPerSecond;
  Run.AudioFiles.clear();
  if (MainForm->AudioListBox)
    for (int i = 0; i < MainForm->AudioListBox->count(); ++i) Run.AudioFiles << MainForm->AudioListBox->item(i)->text();
}

void TDVDForm::WriteLog(const QString& line) {
  if (LogObserver) LogObserver(line);
  if (Run.AppDir.isEmpty()) return;
  QFile f(LogFile());
  // Appended and closed per line, so the log is whole even when the program ends abruptly.
  if (f.open(QIODevice::WriteOnly | QIODevice::Append)) f.write((line + "\r\n").toUtf8());
}

void TDVDForm::ClearWorkFolder() {
  const QString folder = Run.EncoderFolder;
  if (folder.isEmpty() || QDir::isRelativePath(folder) || !QFileInfo(folder).isDir()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QDir dir(folder);
  for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
    if (IsRunFile(name)) {
      QFile f(dir.filePath(name));
      f.setPermissions(f.permissions() | QFileDevice::WriteOwner);
      f.remove();
    }
  QApplication::restoreOverrideCursor();
}

QString TDVDForm::ResultFile() const {
  return WithSlash(Run.VideoFolder) + ReplaceUmlauts(Run.DiashowTitle) + "_" + Mode + (HighQuality ? ".mpg" : ".avi");
}

void TDVDForm::EstimateSize() {
  FProgressCount = 0;
  QStringList list;
  QFile f(WithSlash(Run.ArchiveRoot) + Run.ArchiveFolder + "/Pictures.ini");
  if (f.open(QIODevice::ReadOnly))
    for (const QByteArray& l : f.readAll().split('\n'))
      if (!l.trimmed().isEmpty()) list << QString::fromUtf8(l);
  FSlideCount = int(list.size());
  FProgressTotal = std::max<int64_t>(1, Round((HighQuality ? 2.0 : 1.0) * FSlideCount * 1.2));
}

void TDVDForm::repaintNow() {
  repaint();
  QCoreApplication::processEvents();
}

void TDVDForm::progressStep() {
  ++FProgressCount;
  double p = double(FProgressCount) / double(std::max<int64_t>(1, FProgressTotal)) * 100.0;
  if (p >= 90) p = 90;
  ProgressBar1->setValue(int(Round(p)));
  PercentLabel->setText(QLocale().toString(p, 'g', 15).left(4) + "%");
  repaintNow();
}

void TDVDForm::memo(const QString& line) { Memo1->appendPlainText(line); }

void TDVDForm::status(const QString& line) {
  StepLabel->setText(line);
  StepLabel->repaint();
}

kalvora::ProgramResult TDVDForm::runAndWait(const QString& folder, const QString& program, const QStringList& args) {
  kalvora::ProgramResult r;
  QProcess p;
  if (!folder.isEmpty()) p.setWorkingDirectory(folder);
  p.start(program, args);
  if (!p.waitForStarted(10000)) {
    kalvora::ShowMessage("Error starting " + program);
    return r;
  }
  r.started = true;
  while (!p.waitForFinished(30)) {
    QCoreApplication::processEvents();
    if (FAborted) {
      p.kill();
      p.waitForFinished(5000);
      r.exitCode = 0;
      return r;
    }
  }
  r.crashed = p.exitStatus() != QProcess::NormalExit;
  r.exitCode = p.exitCode();
  return r;
}

void TDVDForm::MakeVideo() {
  if (running_) return;  // one run at a time
  running_ = true;
  takeSettings();
  Run.EncoderFolder = WithSlash(Run.EncoderFolder);
  Run.AppDir = WithSlash(Run.AppDir);
  FAborted = false;
  FFailed = false;
  if (!keepOrReplace()) {
    running_ = false;
    return;
  }
  // Busy: the rest of the program waits, this window stays usable.
  setBusyModality(true);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->resetFormat();
  PercentLabel->setText("0%");
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // Every kind of video can be watched here: the desktop's players play MPEG-1, MPEG-2 and AVI.
  VideoBitBtn->setVisible(true);
  ArbeiteLabel->setVisible(true);
  CloseBitBtn->setEnabled(false);
  VideoBitBtn->setEnabled(false);
  AbortBitBtn->setEnabled(true);
  QFile::remove(LogFile());
  WriteLog("BEGIN");
  const QSize size = VideoFrameSize(Pal, Mode);
  FFrameWidth = size.width();
  FFrameHeight = size.height();
  WriteLog(QString("MODE: %1 %2").arg(Pal ? "PAL" : "NTSC", Mode));
  PicImage1->resize(FFrameWidth, FFrameHeight);
  Memo1->clear();
  FCanClose = false;
  FPictureList.clear();
  FAudioList.clear();
  output_ = ResultFile();
  try {
    if (Run.EncoderFolder.isEmpty() || QDir::isRelativePath(Run.EncoderFolder))
      throw Failure{Text(12009, "Der Arbeitsordner fehlt.", "The work folder is missing.")};
    QDir().mkpath(Run.EncoderFolder);
    QDir().mkpath(Run.VideoFolder);
    ClearWorkFolder();
    WriteLog(QString::fromUtf8("Alle alten *.mp3 *.wav *.mpeg *.avi *.bmp Dateien um Ordner \\encoder\\ wurden gelöscht"));

    status("Prepare pictures");
    repaintNow();
    EstimateSize();
    Frames.WriteLog = [this](const QString& s) { WriteLog(s); };
    Frames.MemoAdd = [this](const QString& s) { memo(s); };
    Frames.ProgressStep = [this] { progressStep(); };
    Frames.Repaint = [this] { repaintNow(); };
    Frames.Aborted = [this] { return FAborted; };
    Frames.ProgressWindow = this;
    ConvertPictures();
    // Refused lines are not in the video, nor in its sound length.
    FSlideCount = Frames.PictureCount();
    if (!FAborted) {
      status("Get number of audiofiles");
      repaintNow();
      FAudioList = Run.AudioFiles;
      prepareAudio();
    }
    if (!FAborted) {
      if (HighQuality)
        encodeStep();
      else
        aviStep();
    }
    if (!FAborted) WriteLog("END");
    endBlock();
  } catch (const Failure& f) {
    failureBlock(f.text);
  } catch (const std::exception& e) {
    failureBlock(QString::fromUtf8(e.what()));
  } catch (...) {
    failureBlock(Text(12010, "Unbekannter Fehler", "Unknown error"));
  }
}

bool TDVDForm::keepOrReplace() {
  const QString file = ResultFile();
  if (!QFileInfo(file).isFile()) return true;
  const QString question = Text(12030, "Dieses Video gibt es schon:", "This video already exists:") + "\n" +
                           QDir::toNativeSeparators(file) + "\n\n" +
                           Text(12031, "Soll es durch das neue Video ersetzt werden?", "Do you want to replace it with the new video?");
  if (kalvora::CurrentPrompter().message(kalvora::MsgKind::Confirmation, windowTitle(), question,
                                         kalvora::mbYes | kalvora::mbNo) == kalvora::mrYes)
    return true;
  // Nothing has been touched: the video, the work folder and the log of the last run stay.
  const QString kept = Text(12033, "Das vorhandene Video bleibt erhalten.", "The existing video is kept.");
  memo(kept);
  status(kept);
  FCanClose = true;
  close();
  return false;
}

void TDVDForm::prepareAudio() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (!FAudioList.isEmpty()) {
    status("prepare audio");
    WriteLog("START: AUDIO");
  } else {
    WriteLog(QString::fromUtf8("KEINE AUDIO DATEI FÜR DIE DIASHOW AUSGEWÄHLT"));
  }
  QApplication::restoreOverrideCursor();
  repaintNow();
  TSoundTrackHost host;
  host.WriteLog = [this](const QString& s) { WriteLog(s); };
  host.SetMemo = [this](const QString& s) { memo(s); };
  host.Repaint = [this] { repaintNow(); };
  host.Aborted = [this] { return FAborted; };
  host.RunAndWait = [this](const QString& folder, const QString& program, const QStringList& args) {
    return runAndWait(folder, program, args);
  };
  TSoundTrack track(host);
  track.FAudioList = FAudioList;
  track.FEncoderFolder = Run.EncoderFolder;
  track.LameProgram = LameProgram;
  if (!track.PrepareTitles()) throw Failure{track.FailureText};
  if (FAborted || FAudioList.isEmpty()) return;
  const int jpgs = CountDisplayFrames(Run.EncoderFolder);
  const double secs = SecondsFromText(Run.SecondsPerPicture);
  const int seconds = TSoundTrack::SoundSeconds(FSlideCount, secs, HighQuality, jpgs, Run.FramesPerSecond);
  TWaveForm wave(this);
  if (!track.MakeSoundTrack(seconds, &wave)) throw Failure{track.FailureText};
}

void TDVDForm::aviStep() {
  WriteLog("START: AVI");
  FPictureList.clear();
  QDir dir(Run.EncoderFolder);
  for (const QString& f : dir.entryList({"*.bmp"}, QDir::Files, QDir::Name))
    if (IsRunFile(f)) FPictureList << Run.EncoderFolder + f;
  // An earlier video stays until the writer puts the new one in its place, so an abort or a
  // failure keeps it.
  AviWriter1->FileName = output_;
  AviWriter1->Width = FFrameWidth;
  AviWriter1->Height = FFrameHeight;
  const double secs = SecondsFromText(Run.SecondsPerPicture);
  AviWriter1->FrameTime = int(Round(secs * 1000));
  AviWriter1->Stretch = false;
  AviWriter1->SetTempFileName(Run.EncoderFolder + "AWTemp.avi");
  FProgressTotal = std::max<int64_t>(1, Round(3.0 * FSlideCount * 1.4));
  status("Add pictures to video");
  repaintNow();
  FBitmapCount = 0;
  std::vector<std::unique_ptr<TBitmap>> bitmaps;
  AviWriter1->Bitmaps.clear();
  for (const QString& file : FPictureList) {
    if (FAborted) return;
    if (!QFileInfo::exists(file)) continue;
    auto bmp = std::make_unique<TBitmap>();
    bmp->LoadFromFile(file);
    AviWriter1->Bitmaps << bmp.get();
    bitmaps.push_back(std::move(bmp));
    WriteLog("     AviWriter1.Bitmaps.Add: " + QFileInfo(file).fileName());
    ++FBitmapCount;
    progressStep();
    memo(Text(12002, "Bild", "Picture") + " " + QString::number(FBitmapCount) + " " +
         Text(12003, "zum Video hinzugefügt", "added to the video"));
  }
  if (QFileInfo::exists(Run.EncoderFolder + "Input.wav")) {
    AviWriter1->SetWavFileName(Run.EncoderFolder + "Input.wav");
    WriteLog("     AviWriter: Audiodatei=Input.wav");
  } else {
    AviWriter1->SetWavFileName(QString());
    WriteLog("     AviWriter: File not exist Input.wav --> AVI ohne Audio herstellen");
  }
  AviWriter1->OnProgress = [this](QObject*, TProgressStage, uint8_t, bool, const QRect&, const QString& msg) {
    progressStep();
    memo(msg);
    WriteLog("        AVIWriter: " + msg);
    status(msg);
    if (FAborted) throw EAviWriterError(Text(12001, "Abgebrochen", "Cancelled"));
  };
  WriteLog("     Start: AviWriter");
  try {
    AviWriter1->Write();
  } catch (const EAviWriterError&) {
    AviWriter1->Bitmaps.clear();
    if (FAborted) return;
    throw;
  }
  AviWriter1->Bitmaps.clear();
  WriteLog("     Fertig: AviWriter");
  if (QFileInfo(output_).size() <= 0) throw Failure{Text(12011, "Das Video ist leer.", "The video is empty.")};
  ClearWorkFolder();
  WriteLog("FERTIG: AVI");
}

void TDVDForm::encodeStep() {
  if (!EncoderPresent) return;  // without the encoder no MPEG, and the run goes on
  const QString input = Run.EncoderFolder + "Input.wav";
  if (!QFileInfo::exists(input) && QFileInfo::exists(Run.AppDir + "empty.wav")) {
    QFile::remove(input);
    QFile::copy(Run.AppDir + "empty.wav", input);
  }
  WriteLog("START: MPEG " + QFileInfo(output_).fileName());
  status(Text(12012, "MPEG-Video wird erstellt", "Encoding the MPEG video"));
  const int64_t base = FProgressCount;
  QElapsedTimer shown;
  shown.start();
  SetMPDXProgress([this, base, &shown](int64_t done, int64_t total) {
    if (shown.elapsed() > 100 || done == total) {
      FProgressTotal = base + total;
      FProgressCount = base + done - 1;
      progressStep();
      shown.restart();
    }
    return !FAborted;
  });
  const QByteArray folder = QDir::toNativeSeparators(Run.EncoderFolder).toUtf8();
  const QByteArray out = output_.toUtf8();
  const char* folderPtr = folder.constData();
  const char* outPtr = out.constData();
  OpenMPDX(&folderPtr, &outPtr);
  EncodeMPDX();
  SetMPDXProgress(nullptr);
  const auto& r = MPDXResult();
  WriteLog(QString("     MPEG: %1 Bilder").arg(r.VideoFrames));
  if (r.Status == kalvora::mpeg::EncodeStatus::Aborted || FAborted) return;
  if (r.Status != kalvora::mpeg::EncodeStatus::Done) throw Failure{r.ErrorText};
  if (QFileInfo(output_).size() <= 0) {
    QFile::remove(output_);
    throw Failure{Text(12011, "Das Video ist leer.", "The video is empty.")};
  }
  WriteLog("FERTIG: MPEG");
}

void TDVDForm::endBlock() {
  FPictureList.clear();
  FAudioList.clear();
  ClearWorkFolder();
  CloseBitBtn->setEnabled(true);
  VideoBitBtn->setEnabled(!FAborted);
  AbortBitBtn->setEnabled(false);
  // After an abort every display says so: the bar stays where the run stopped and names it.
  const QString done = FAborted ? Text(12001, "Abgebrochen.", "Cancelled.") : Text(12007, "Fertig.", "Done.");
  memo(" ");
  memo(done);
  status(done);
  WriteLog(done);
  if (FAborted) {
    ProgressBar1->setFormat(done);
    ProgressBar1->setTextVisible(true);
  } else {
    ProgressBar1->setValue(100);
  }
  PercentLabel->clear();
  ArbeiteLabel->setVisible(false);
  QApplication::restoreOverrideCursor();
  QApplication::beep();
  FCanClose = true;
  running_ = false;
  setBusyModality(false);
  if (FAborted) {
    showHint(Text(4605, "Die Erstellung wurde abgebrochen.", "The production was cancelled."),
             Text(4614, "Es wurde kein Video erstellt.", "No video was made."), false);
    close();
  }
}

void TDVDForm::failureBlock(const QString& why) {
  // Whatever the failing step left behind is not a video; an earlier video is kept (the new
  // one replaces it only when it is whole).
  QFile::remove(output_ + ".part");
  FPictureList.clear();
  FAudioList.clear();
  ClearWorkFolder();
  CloseBitBtn->setEnabled(true);
  VideoBitBtn->setEnabled(false);
  AbortBitBtn->setEnabled(false);
  const QString failed = Text(12008, "Fehler: das Video konnte nicht erstellt werden.", "Error: the video could not be made.");
  if (!why.isEmpty()) {
    memo(why);
    WriteLog(why);
  }
  memo(failed);
  WriteLog(failed);
  status(failed);
  ProgressBar1->setValue(0);
  PercentLabel->setText("0%");
  ArbeiteLabel->setVisible(false);
  FFailed = true;
  QApplication::restoreOverrideCursor();
  FCanClose = true;
  running_ = false;
  setBusyModality(false);
}

// Qt takes a changed modality only from a hidden window (and keeps stale modal entries
// otherwise), so the window is hidden and shown again around the change.
void TDVDForm::setBusyModality(bool modal) {
  const Qt::WindowModality want = modal ? Qt::ApplicationModal : Qt::NonModal;
  if (windowModality() != want) {
    const bool visible = isVisible();
    if (visible) hide();
    setWindowModality(want);
    if (visible || modal) show();
  } else if (modal && !isVisible()) {
    show();
  }
}

void TDVDForm::showHint(const QString& main, const QString& sub, bool nero) {
  std::unique_ptr<TAnweisungForm> own;
  TAnweisungForm* hint = AnweisungForm;
  if (!hint) {
    own = std::make_unique<TAnweisungForm>(this);
    hint = own.get();
  }
  if (hint->NeroBitBtn) hint->NeroBitBtn->setVisible(nero);
  if (hint->MakeLabel) hint->MakeLabel->setText(main);
  if (hint->MakeSubLabel) hint->MakeSubLabel->setText(sub);
  hint->ShowModal();
}

void TDVDForm::AbortBitBtnClick() {
  if (!running_ || FAborted) return;
  memo(" ");
  memo(Text(12032, "Abbruch ... bitte warten", "Cancelling ... please wait"));
  // The running step notices the flag at its next test; the end block cleans up.
  FAborted = true;
  AbortBitBtn->setEnabled(false);
  if (WaveForm && WaveForm->isVisible()) WaveForm->close();
}

void TDVDForm::CloseBitBtnClick() {
  if (!FCanClose) return;
  const QString folder = QDir::toNativeSeparators(Run.VideoFolder);
  if (FFailed) {
    showHint(Text(4606, "Das Video konnte nicht erstellt werden.", "The video could not be made."),
             Text(4615, "Die Einzelheiten stehen in der Datei Diashow.log.", "Details are in the file Diashow.log."), false);
  } else if (!HighQuality) {
    // The plain modes make an AVI for the PC, not a disc image: say what was made and where.
    const QString what = Text(12017, "Das Video wurde gespeichert als", "The video was saved as") + " " +
                         QDir::toNativeSeparators(output_.isEmpty() ? ResultFile() : output_) + ".";
    showHint(Text(12007, "Fertig.", "Done."),
             what + "\n" + Text(12018, "Es ist ein unkomprimiertes AVI-Video zum Abspielen am PC.", "It is an uncompressed AVI video to play on a PC."),
             true);
  } else if (Mode == "VCD") {
    showHint(Text(4607, "Ihre Video-CD Diashow ist fertig.", "Your video CD slideshow is ready."),
             Text(4622, "Brennen Sie die Datei aus dem Ordner", "Burn the file in the folder") + " " + folder + " " +
                 Text(4623, "als Video-CD (VCD).", "as a video CD (VCD)."),
             true);
  } else {
    showHint(Text(4608, "Ihre Super-Video-CD Diashow ist fertig.", "Your super video CD slideshow is ready."),
             Text(4624, "Brennen Sie die Datei aus dem Ordner", "Burn the file in the folder") + " " + folder + " " +
                 Text(4625, "als Super-Video-CD (SVCD).", "as a super video CD (SVCD)."),
             true);
  }
  close();
}

void TDVDForm::VideoBitBtnClick() {
  // The desktop's player shows the video; when there is none, or no video, the user is told.
  const QString file = ResultFile();
  if (!QFileInfo(file).isFile()) {
    kalvora::ShowMessage(Text(12013, "Das Video wurde nicht gefunden:", "The video was not found:") + "\n" +
                         QDir::toNativeSeparators(file));
    return;
  }
  // The desktop opener starts even when nothing plays videos, and then fails unseen: it is
  // used only when a player is set up for the file's type, else a known player directly.
  const QString player = FindVideoPlayer ? FindVideoPlayer(file) : DesktopVideoPlayer(file);
  const QString cannot = Text(12014, "Das Video kann nicht abgespielt werden: auf Ihrem System ist kein Programm zum "
                                     "Abspielen von Videos eingerichtet.",
                              "The video cannot be played: no video player is set up on your system.") +
                         "\n" + QDir::toNativeSeparators(file);
  const auto say = [cannot] { kalvora::ShowMessage(cannot); };
  bool started = false;
  if (player == QLatin1String("desktop")) started = ShellOpenDocument(file, say);
  else if (!player.isEmpty()) started = QProcess::startDetached(player, {file});
  if (!started) say();
}

void TDVDForm::closeEvent(QCloseEvent* event) {
  if (!FCanClose) {
    event->ignore();
    return;
  }
  TForm::closeEvent(event);
}

void TDVDForm::reject() {
  if (FCanClose) TForm::reject();
}

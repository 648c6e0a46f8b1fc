#include "SoundTrack.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cmath>
#include <memory>

#include "FileOps.h"
#include "Language.h"
#include "Prompter.h"
#include "StringHelpers.h"
#include "fCheckAudio.h"
#include "fWave.h"
#include "waveio.h"

namespace {
QString three(int n) { return PadLeftWithChar(QString::number(n), '0', 3); }

void inform(const QString& text) {
  kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, QString(), text, kalvora::mbOk);
}
}  // namespace

TSoundTrack::TSoundTrack(TSoundTrackHost host) : FHost(std::move(host)) {}

void TSoundTrack::log(const QString& line) const {
  if (FHost.WriteLog) FHost.WriteLog(line);
}
void TSoundTrack::memo(const QString& line) const {
  if (FHost.SetMemo) FHost.SetMemo(line);
}
void TSoundTrack::repaint() const {
  if (FHost.Repaint) FHost.Repaint();
}
bool TSoundTrack::aborted() const { return FHost.Aborted && FHost.Aborted(); }

QString TSoundTrack::InpFile(int index) const { return FEncoderFolder + "Inp" + three(index + 1) + ".wav"; }

TSoundTrack::Kind TSoundTrack::KindOf(const QString& path) {
  // Only the name's last extension counts: a folder "Musik.MP3" or "x.mp3.wav" says nothing else.
  const QString name = QFileInfo(path).fileName();
  const qsizetype dot = name.lastIndexOf('.');
  const QString ext = dot < 0 ? QString() : name.mid(dot + 1).toUpper();
  if (ext == "MP3") return Kind::Mp3;
  if (ext == "WAV") return Kind::Wav;
  return Kind::Other;
}

bool TSoundTrack::formatOk(TCheckAudioForm* probe, const QString& title) {
  if (probe->FSampleRate == "44100" && probe->FChannelMode == "STEREO") return true;
  memo("wrong Samplerate / or not Stereo");
  log("wrong Samplerate / or not Stereo");
  if (!probe->FErrorText.isEmpty()) log("     " + probe->FErrorText);
  repaint();
  inform(GetLanguageText(10012) + " " + FileNamePart(title) + " " + GetLanguageText(10013) + "\n\n" +
         GetLanguageText(10014) + "\n\n" + GetLanguageText(10015));
  FailureText = GetLanguageText(10012) + " " + FileNamePart(title) + " " + GetLanguageText(10013);
  return false;
}

bool TSoundTrack::decodeMp3(int index, const QString& title) {
  const QString out = InpFile(index);
  memo("Audio Nr." + QString::number(index + 1) + " MP3 to WAV ...please wait!");
  repaint();
  log("     ---------MP3TOWAV---------");
  log("        Start: lame \"" + title + "\" \"" + out + "\" --decode");
  // A part left by an earlier run must not pass for this one's.
  QFile::remove(out);
  const QString program = LameProgram.contains('/') ? LameProgram : QStandardPaths::findExecutable(LameProgram);
  const QStringList args{title, out, "--decode"};
  kalvora::ProgramResult r;
  if (FHost.RunAndWait) {
    r = FHost.RunAndWait(FEncoderFolder, program.isEmpty() ? LameProgram : program, args);
  } else {
    if (!program.isEmpty()) r = kalvora::RunProgramAndWait(program, args, FEncoderFolder);
    if (!r.started) inform("Error starting " + FileNamePart(LameProgram));
  }
  if (aborted()) {
    QFile::remove(out);
    return true;
  }
  if (r.started && (r.crashed || r.timedOut || r.exitCode != 0)) {
    // A decoder that failed may leave half a file: it is not the title.
    QFile::remove(out);
    const QString code = r.crashed ? QString("Absturz") : QString::number(r.exitCode);
    log("FEHLER: lame endete mit Fehler (" + code + "), " + out + " wurde nicht erzeugt!");
    FailureText = "lame: " + FileNamePart(title) + " (" + code + ")";
    return false;
  }
  if (!r.started || QFileInfo(out).size() <= 0) {
    QFile::remove(out);
    log("FEHLER: " + out + " wurde nicht erzeugt!");
    FailureText = "FEHLER: " + out + " wurde nicht erzeugt!";
    return false;
  }
  log("        Fertig: lame");
  repaint();
  return true;
}

bool TSoundTrack::copyWav(int index, const QString& title) {
  const QString out = InpFile(index);
  log("     Start: " + FileNamePart(title) + " kopieren");
  if (!kalvora::CopyFileReplace(title, out)) {
    log("FEHLER: " + FileNamePart(title) + " konnte nicht nach " + out + " kopiert werden!");
    FailureText = "Error writing to file.";
    return false;
  }
  log("     Fertig: Inp" + three(index + 1) + ".wav wurde kopiert");
  memo("copy Audio Nr." + QString::number(index + 1));
  repaint();
  return true;
}

bool TSoundTrack::PrepareTitles(TCheckAudioForm* probe) {
  std::unique_ptr<TCheckAudioForm> own;
  if (!probe) probe = CheckAudioForm;
  if (!probe) {
    own = std::make_unique<TCheckAudioForm>();
    probe = own.get();
  }
  FailureText.clear();
  for (int i = 0; i < FAudioList.size(); ++i) {
    if (aborted()) return true;
    FAudioIndex = i;
    const QString title = FAudioList[i];
    const Kind kind = KindOf(title);
    if (kind == Kind::Other) continue;
    // The probe gets the path as it is: on Linux another case names another file.
    probe->FFileName = title;
    probe->ReadInfo();
    if (kind == Kind::Mp3) {
      const QString info = probe->FTypeText + " " + probe->FSubTypeText + "   Samplingrate: " + probe->FSampleRate;
      memo("Audio Info: MP3 " + info);
      log("   Audio Info: MP3 " + info);
      repaint();
      if (!formatOk(probe, title) || !decodeMp3(i, title)) return false;
    } else {
      const QString info = probe->FTypeText + "  " + probe->FSubTypeText + "  Samplingrate: " + probe->FSampleRate;
      memo("Audio Info: WAV Version: " + info);
      log("     Audio Info: WAV Version: " + info);
      if (!formatOk(probe, title) || !copyWav(i, title)) return false;
    }
  }
  return true;
}

int TSoundTrack::SoundSeconds(int slideCount, double secondsPerPicture, bool highQuality, int jpgCount,
                              int framesPerSecond) {
  double secs = std::nearbyint(slideCount * secondsPerPicture);
  if (highQuality && framesPerSecond > 0)
    secs += std::nearbyint((jpgCount - slideCount) * (1.0 / framesPerSecond));
  secs += 4;
  return secs > 2e9 ? 2000000000 : int(secs);
}

bool TSoundTrack::MakeSoundTrack(int seconds, TWaveForm* form) {
  if (FAudioList.isEmpty() || aborted()) return true;
  std::unique_ptr<TWaveForm> own;
  if (!form) form = WaveForm;
  if (!form) {
    own = std::make_unique<TWaveForm>();
    form = own.get();
  }
  log("     prepare Audio / cut");
  memo(" prepare Audio / cut");
  QStringList files;
  for (int i = 0; i < FAudioList.size(); ++i)
    if (QFileInfo::exists(InpFile(i))) files << InpFile(i);
  auto removeParts = [&] {
    for (int i = 0; i < FAudioList.size(); ++i) QFile::remove(InpFile(i));
  };
  // 16-bit stereo at 44100 Hz: past about 6 h 45 min the WAV's 32-bit sizes overflow.
  const WaveFormat cd = WaveFormat::pcm16(44100, 2);
  if ((qint64(seconds) * 44100 + TWaveForm::BlockFrames) * cd.blockAlign > TWaveStream::MaxDataBytes(cd)) {
    const QString text = LanguageIsEnglish()
                             ? QString("The sound track of %1 seconds would be larger than 4 GB, the most a WAV "
                                       "file can hold. Please make the slideshow shorter.")
                             : QString::fromUtf8("Die Tonspur von %1 Sekunden wäre größer als 4 GB, mehr kann eine "
                                                 "WAV-Datei nicht fassen. Bitte kürzen Sie die Diashow.");
    log("FEHLER: Tonspur zu lang (" + QString::number(seconds) + " sec)");
    inform(text.arg(seconds));
    FailureText = text.arg(seconds);
    removeParts();
    return false;
  }
  memo(" Audio: " + QString::number(seconds) + " sec");
  log("     Audio: " + QString::number(seconds) + " sec");
  form->FileList = files;
  form->OutputFileName = FEncoderFolder + "Input.wav";
  form->Seconds = seconds;
  form->OnLog = FHost.WriteLog;
  form->OnMemo = FHost.SetMemo;
  form->OnAborted = FHost.Aborted;
  form->show();
  bool ok = true;
  try {
    form->MakeInputWav();
  } catch (const EWaveError& e) {
    ok = false;
    FailureText = QString::fromStdString(e.what());
    log("FEHLER: " + FailureText);
  }
  form->close();
  form->OnLog = nullptr;
  form->OnMemo = nullptr;
  form->OnAborted = nullptr;
  form->FileList.clear();
  removeParts();
  return ok;
}

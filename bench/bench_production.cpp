// The whole video production against ffmpeg, in one run: a PAL VCD in high quality from 100
// generated 12-megapixel JPEGs at 5 s each with transitions and an 8-minute MP3 (made by lame
// from generated sound at the start), through the production window's own run (TDVDForm::
// MakeVideo: frames, a wipe between every two pictures, sound track, encoding). ffmpeg makes the
// same video in one command the fast way: every picture decoded once, scaled and padded to
// 352 x 288 and held by the loop filter, 99 wipes as long as our transitions, the music looped
// and cut to the video, -target pal-vcd. Ours also ends on its closing slide (4 s and one more
// transition), which the ffmpeg video leaves out.
// Prints the time of each of our phases (the effect line's own delay apart), the total, ffmpeg's
// time, the ratio ours / ffmpeg and both peak memories.
//
//   KALVORA_BENCH_PICTURES=10 bench_production    # fewer pictures for a quick trial
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <sys/resource.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "FrameConversion.h"
#include "BenchPicture.h"
#include "PxFile.h"
#include "fAnweisung.h"
#include "fDVD.h"

namespace {

bool Run(const QString& program, const QStringList& args, QByteArray* err = nullptr) {
  QProcess p;
  p.start(program, args);
  const bool ok = p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  if (err) *err = p.readAllStandardError();
  return ok;
}

// `seconds` of 44.1 kHz stereo: a slow melody of sine tones, so the MP3 is not trivial.
bool WriteMusicWave(const QString& path, int seconds) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  const qint64 frames = qint64(seconds) * 44100;
  QByteArray head("RIFF");
  auto u32 = [&](quint32 v) { for (int i = 0; i < 4; ++i) head.append(char(v >> (8 * i))); };
  auto u16 = [&](quint16 v) { head.append(char(v)); head.append(char(v >> 8)); };
  u32(quint32(36 + frames * 4));
  head += "WAVEfmt ";
  u32(16);
  u16(1);
  u16(2);
  u32(44100);
  u32(176400);
  u16(4);
  u16(16);
  head += "data";
  u32(quint32(frames * 4));
  f.write(head);
  const double notes[] = {261.6, 293.7, 329.6, 349.2, 392.0, 440.0, 493.9, 523.3};
  QByteArray block(44100 * 4, '\0');
  for (int s = 0; s < seconds; ++s) {
    auto* out = reinterpret_cast<int16_t*>(block.data());
    const double a = notes[(s * 5) % 8], b = notes[(s * 3 + 2) % 8] * 1.5;
    for (int i = 0; i < 44100; ++i) {
      const double t = (double(s) * 44100 + i) / 44100.0;
      out[2 * i] = int16_t(9000 * std::sin(2 * M_PI * a * t) + 3000 * std::sin(2 * M_PI * b * t));
      out[2 * i + 1] = int16_t(9000 * std::sin(2 * M_PI * b * t) + 3000 * std::sin(2 * M_PI * a * t));
    }
    if (f.write(block) != block.size()) return false;
  }
  return true;
}

// Seconds and video frames of a file as ffprobe sees them.
QString Describe(const QString& path) {
  QProcess p;
  p.start("ffprobe", {"-v", "error", "-count_packets", "-show_streams", "-show_format", "-of", "json", path});
  if (!p.waitForFinished(-1)) return "?";
  const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
  QString frames = "?";
  for (const auto& s : o["streams"].toArray())
    if (s.toObject()["codec_type"].toString() == "video") frames = s.toObject()["nb_read_packets"].toString();
  return QString("%1 s, %2 video frames").arg(o["format"].toObject()["duration"].toString(), frames);
}

// Peak resident memory of this process in MB (VmHWM).
double OwnPeakMB() {
  QFile f("/proc/self/status");
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
  return -1;
}

// Starts this process's peak memory afresh, so the pictures made before do not count.
void ResetOwnPeak() {
  QFile f("/proc/self/clear_refs");
  if (f.open(QIODevice::WriteOnly)) f.write("5");
}

// The largest peak of all children waited for so far, in MB.
double ChildrenPeakMB() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return double(u.ru_maxrss) / 1024.0;
}

// Code; paint effect; delay in ms per step; grain; wand size.
constexpr const char* kEffectLine = "2000;1;8;12;0";
constexpr const char* kEffectLineNoDelay = "2000;1;0;12;0";

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int pictures = qEnvironmentVariableIntValue("KALVORA_BENCH_PICTURES");
  if (pictures <= 1) pictures = 100;
  const int seconds = 5, musicSeconds = 8 * 60;
  QTemporaryDir tmp;
  const QString d = tmp.path() + "/";
  const QString appDir = d + "app/", root = d + "Kalvora/", video = d + "video/", enc = video + "encoder/";
  for (const QString& f : {appDir, root + "Archive_0001", enc, d + "ffmpeg"}) QDir().mkpath(f);

  std::printf("making %d pictures of 12 megapixels and an 8-minute MP3...\n", pictures);
  const int distinct = std::min(pictures, 8);
  QByteArray list;
  for (int i = 0; i < pictures; ++i) {
    const QString name = QString("p%1.jpg").arg(i, 3, 10, QChar('0'));
    const QString path = root + "Archive_0001/" + name;
    if (i < distinct ? !MakeBenchPicture(path, i)
                     : !QFile::copy(root + QString("Archive_0001/p%1.jpg").arg(i % distinct, 3, 10, QChar('0')), path))
      return 1;
    list += name.toUtf8() + "\r\n";
  }
  QFile pl(root + "Archive_0001/Pictures.ini");
  if (!pl.open(QIODevice::WriteOnly) || pl.write(list) != list.size()) return 1;
  pl.close();
  if (!WriteMusicWave(d + "music.wav", musicSeconds)) return 1;
  if (!Run("lame", {"--quiet", "-b", "192", d + "music.wav", d + "music.mp3"})) {
    std::printf("lame failed\n");
    return 1;
  }
  QFile::remove(d + "music.wav");
  {
    // The first real transition of the program's own effect list, a wipe (1000 is the plain
    // paint, a cut).
    QFile fx(appDir + "Effects.ini");
    if (!fx.open(QIODevice::WriteOnly) || fx.write(kEffectLine + QByteArray("\r\n")) < 0) return 1;
    // The same wipe without its delay, to tell the delay apart.
    QDir().mkpath(d + "calibration");
    QFile fast(d + "calibration/Effects.ini");
    if (!fast.open(QIODevice::WriteOnly) || fast.write(kEffectLineNoDelay + QByteArray("\r\n")) < 0) return 1;
  }
  const double lameMB = ChildrenPeakMB();

  // Ours: the production window's run, every phase timed from its log.
  TDVDForm form;
  form.TakeFromMainWindow = false;
  form.Run.AppDir = appDir;
  form.Run.EncoderFolder = enc;
  form.Run.VideoFolder = video;
  form.Run.ArchiveRoot = root;
  form.Run.ArchiveFolder = "Archive_0001";
  form.Run.DiashowTitle = "Benchmark";
  form.Run.SecondsPerPicture = QString::number(seconds);
  form.Run.AudioFiles = {d + "music.mp3"};
  form.Mode = "VCD";
  form.HighQuality = true;
  form.Pal = true;
  form.Frames.Captions = false;  // ffmpeg draws none either
  form.Frames.TransitionsOff = false;
  double transitions = 0, delayPerTransition = 0, calibration = 0;
  int grabs = 0, transitionCount = 0;
  form.Frames.RunCapture = [&](const TCaptureJob& job) {
    if (transitionCount == 0) {
      // The first transition once more with and without the line's delay, outside the timing.
      auto timed = [&](const QString& effects, const QString& base) {
        TCaptureJob j = job;
        j.EffectsFile = effects;
        j.FrameBaseName = base;
        QElapsedTimer t;
        t.start();
        RunCaptureWindow(j);
        return t.nsecsElapsed() / 1e9;
      };
      const double fast = timed(d + "calibration/Effects.ini", d + "calibration/a");
      const double slow = timed(job.EffectsFile, d + "calibration/b");
      delayPerTransition = std::max(0.0, slow - fast);
      calibration = fast + slow;
    }
    QElapsedTimer t;
    t.start();
    const int n = RunCaptureWindow(job);
    transitions += t.nsecsElapsed() / 1e9;
    grabs += n;
    ++transitionCount;
    return n;
  };
  QElapsedTimer clock;
  double tBegin = 0, tFramesEnd = 0, tSoundStart = 0, tEncodeStart = 0, tEncodeEnd = 0, tEnd = 0;
  form.LogObserver = [&](const QString& line) {
    const double now = clock.nsecsElapsed() / 1e9;
    if (line == "BEGIN") tBegin = now;
    else if (line.startsWith(QString::fromUtf8("FERTIG: Bilder für Video"))) tFramesEnd = now;
    else if (line == "START: AUDIO") tSoundStart = now;
    else if (line.startsWith("START: MPEG")) tEncodeStart = now;
    else if (line == "FERTIG: MPEG") tEncodeEnd = now;
    else if (line == "END") tEnd = now;
  };
  // A closing hint would wait for a user.
  QTimer hints;
  QObject::connect(&hints, &QTimer::timeout, [] {
    if (auto* h = qobject_cast<TAnweisungForm*>(QApplication::activeModalWidget())) h->SetModalResult(1);
  });
  hints.start(50);
  ResetOwnPeak();
  clock.start();
  form.MakeVideo();
  const double ours = clock.nsecsElapsed() / 1e9 - calibration;
  const QString ourFile = form.ResultFile();
  if (form.Failed() || tEnd == 0) {
    std::printf("our run failed; see %s\n", qPrintable(form.LogFile()));
    return 1;
  }

  const double oursMB = OwnPeakMB();
  const double oursChildrenMB = ChildrenPeakMB();

  // ffmpeg the fast way: each picture decoded once and held by the loop filter, wipes as long as
  // our average transition.
  const int fadeFrames = transitionCount > 0 ? std::max(1, int(std::lround(double(grabs) / transitionCount))) : 1;
  const double fade = fadeFrames / 25.0;
  QStringList args{"-v", "error", "-y"};
  QString graph;
  for (int i = 0; i < pictures; ++i) {
    // Ours shows each picture 5 s and then its transition; with wipes that overlap two
    // pictures, a picture between two wipes lasts 5 s plus both.
    const int length = seconds * 25 + fadeFrames * ((i > 0 ? 1 : 0) + (i + 1 < pictures ? 1 : 0));
    args << "-i" << root + QString("Archive_0001/p%1.jpg").arg(i, 3, 10, QChar('0'));
    graph += QString("[%1:v]scale=352:288:force_original_aspect_ratio=decrease,pad=352:288:(ow-iw)/2:(oh-ih)/2,"
                     "setsar=1,format=yuv420p,loop=loop=%2:size=1:start=0,setpts=N/25/TB[s%1];")
                 .arg(i)
                 .arg(length - 1);
  }
  QString last = "s0";
  for (int i = 1; i < pictures; ++i) {
    const QString out = i + 1 == pictures ? QString("v") : QString("x%1").arg(i);
    graph += QString("[%1][s%2]xfade=transition=wipeleft:duration=%3:offset=%4[%5];")
                 .arg(last)
                 .arg(i)
                 .arg(fade)
                 .arg(double(i) * seconds + double(i - 1) * fade)
                 .arg(out);
    last = out;
  }
  graph.chop(1);
  args << "-stream_loop" << "-1" << "-i" << d + "music.mp3";
  args << "-filter_complex" << graph << "-map" << "[v]" << "-map" << QString("%1:a").arg(pictures) << "-shortest"
       << "-target" << "pal-vcd" << d + "ffmpeg/benchmark_VCD.mpg";
  clock.restart();
  QByteArray err;
  if (!Run("ffmpeg", args, &err)) {
    std::printf("ffmpeg failed: %s\n", err.left(2000).constData());
    return 1;
  }
  const double ff = clock.nsecsElapsed() / 1e9;
  const double ffMB = ChildrenPeakMB();

  // The effect line's own delay: what the wipe took more with it than without, in every transition.
  const double delay = std::min(transitions, transitionCount * delayPerTransition);
  const double frames = tFramesEnd - tBegin - transitions - calibration;
  const double sound = tEncodeStart - tSoundStart;
  const double encode = tEncodeEnd - tEncodeStart;
  struct Phase {
    const char* name;
    double time;
  };
  const Phase phases[] = {{"frames", frames}, {"transitions", transitions - delay},
                         {"effect delay", delay}, {"sound track", sound}, {"encoding", encode}};
  const Phase* most = &phases[0];
  std::printf("PAL VCD, high quality, %d pictures of 12 MP at %d s, %d transitions of line %s (%d frames), "
              "8-minute MP3\n",
              pictures, seconds, transitionCount, kEffectLine, grabs);
  for (const Phase& p : phases) {
    std::printf("  ours %-12s %8.2f s\n", p.name, p.time);
    if (p.time > most->time) most = &p;
  }
  std::printf("  ours %-12s %8.2f s   (%s)\n", "total", ours, qPrintable(Describe(ourFile)));
  std::printf("  %-17s %8.2f s   (%s)\n", "ffmpeg", ff, qPrintable(Describe(d + "ffmpeg/benchmark_VCD.mpg")));
  std::printf("  ours without the effect delay %8.2f s\n", ours - delay);
  // getrusage keeps the largest child: ffmpeg's own peak shows only where it passes ours and lame's.
  std::printf("peak memory: ours %.0f MB (largest child so far %.0f MB, lame %.0f MB), ffmpeg %s%.0f MB\n", oursMB,
              oursChildrenMB, lameMB, ffMB > oursChildrenMB ? "" : "at most ", ffMB);
  std::printf("ratio ours / ffmpeg: %.2f, without the effect delay %.2f (goal: at most 0.5); peak memory under 200 MB: "
              "%s; the phase that costs most: %s (%.0f %% of ours)\n",
              ff > 0 ? ours / ff : 0.0, ff > 0 ? (ours - delay) / ff : 0.0, oursMB < 200 ? "yes" : "no", most->name,
              100.0 * most->time / ours);
  return 0;
}

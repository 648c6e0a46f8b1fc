// The whole video production against ffmpeg: a PAL VCD in high quality from 100 distinct
// generated 12-megapixel JPEGs at 5 s each with transitions and an 8-minute MP3 (made by lame
// from generated sound at the start), through the production window's own run (TDVDForm::
// MakeVideo: frames, the wipe 2000;1;8;12;0 between every two pictures, sound track, encoding).
// ffmpeg makes the same video in one command the fast way: every picture decoded once, scaled
// and padded to 352 x 288 and held by the loop filter, 99 wipes as long as our transitions, the
// music looped and cut to the video, -target pal-vcd. Ours also ends on its closing slide (4 s
// and one more transition), which the ffmpeg video leaves out.
//
// Ours and ffmpeg run alternately, three times each (KALVORA_BENCH_ROUNDS for more), so both
// meet the same load; it prints every run, the median of each, the ratio of the medians, both
// peak memories (ours: this process; ffmpeg: its own process) and our phases in the median run.
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
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "BenchPicture.h"
#include "FrameConversion.h"
#include "PcmWave.h"
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
  const QByteArray head = testsupport::PcmWaveHeader(44100, 2, 16, quint32(frames * 4));
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

// Starts this process's peak memory afresh, so what was made before does not count.
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

// Runs a program with its standard error into `errFile`; its own peak memory in MB comes back in
// `peakMB`. True when it ended with code 0.
bool RunMeasured(const QString& program, const QStringList& args, const QString& errFile, double& peakMB) {
  std::vector<QByteArray> store{program.toLocal8Bit()};
  for (const QString& a : args) store.push_back(a.toLocal8Bit());
  std::vector<char*> argv;
  for (QByteArray& a : store) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const QByteArray err = QFile::encodeName(errFile);
  posix_spawn_file_actions_addopen(&actions, 2, err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  rusage u{};
  if (wait4(pid, &status, 0, &u) != pid) return false;
  peakMB = double(u.ru_maxrss) / 1024.0;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Code; delay in ms per step; grain; passes; wand size.
constexpr const char* kEffectLine = "2000;1;8;12;0";

struct OurRun {
  double total = 0, frames = 0, transitions = 0, sound = 0, encode = 0, peakMB = 0;
  int transitionCount = 0, grabs = 0;
  QString file;
};

struct Setup {
  QString d, appDir, root, video, enc;
  int pictures = 100, seconds = 5;
};

// One production run of ours, every phase timed from its log.
bool RunOurs(const Setup& s, OurRun& r) {
  TDVDForm form;
  form.TakeFromMainWindow = false;
  form.Run.AppDir = s.appDir;
  form.Run.EncoderFolder = s.enc;
  form.Run.VideoFolder = s.video;
  form.Run.ArchiveRoot = s.root;
  form.Run.ArchiveFolder = "Archive_0001";
  form.Run.DiashowTitle = "Benchmark";
  form.Run.SecondsPerPicture = QString::number(s.seconds);
  form.Run.AudioFiles = {s.d + "music.mp3"};
  form.Mode = "VCD";
  form.HighQuality = true;
  form.Pal = true;
  form.Frames.Captions = false;  // ffmpeg draws none either
  form.Frames.TransitionsOff = false;
  // The video of the run before goes first, so no question about replacing it waits for a user.
  QFile::remove(form.ResultFile());
  form.Frames.RunCapture = [&](const TCaptureJob& job) {
    QElapsedTimer t;
    t.start();
    const int n = RunCaptureWindow(job);
    r.transitions += t.nsecsElapsed() / 1e9;
    r.grabs += n;
    ++r.transitionCount;
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
  r.total = clock.nsecsElapsed() / 1e9;
  r.peakMB = OwnPeakMB();
  r.file = form.ResultFile();
  if (form.Failed() || tEnd == 0) {
    std::printf("our run failed; see %s\n", qPrintable(form.LogFile()));
    return false;
  }
  r.frames = tFramesEnd - tBegin - r.transitions;
  r.sound = tEncodeStart - tSoundStart;
  r.encode = tEncodeEnd - tEncodeStart;
  return true;
}

// ffmpeg the fast way: each picture decoded once and held by the loop filter, wipes as long as
// our average transition.
QStringList FfmpegArgs(const Setup& s, int fadeFrames) {
  const double fade = fadeFrames / 25.0;
  QStringList args{"-v", "error", "-y"};
  QString graph;
  for (int i = 0; i < s.pictures; ++i) {
    // Ours shows each picture 5 s and then its transition; with wipes that overlap two
    // pictures, a picture between two wipes lasts 5 s plus both.
    const int length = s.seconds * 25 + fadeFrames * ((i > 0 ? 1 : 0) + (i + 1 < s.pictures ? 1 : 0));
    args << "-i" << s.root + QString("Archive_0001/p%1.jpg").arg(i, 3, 10, QChar('0'));
    graph += QString("[%1:v]scale=352:288:force_original_aspect_ratio=decrease,pad=352:288:(ow-iw)/2:(oh-ih)/2,"
                     "setsar=1,format=yuv420p,loop=loop=%2:size=1:start=0,setpts=N/25/TB[s%1];")
                 .arg(i)
                 .arg(length - 1);
  }
  QString last = "s0";
  for (int i = 1; i < s.pictures; ++i) {
    const QString out = i + 1 == s.pictures ? QString("v") : QString("x%1").arg(i);
    graph += QString("[%1][s%2]xfade=transition=wipeleft:duration=%3:offset=%4[%5];")
                 .arg(last)
                 .arg(i)
                 .arg(fade)
                 .arg(double(i) * s.seconds + double(i - 1) * fade)
                 .arg(out);
    last = out;
  }
  graph.chop(1);
  args << "-stream_loop" << "-1" << "-i" << s.d + "music.mp3";
  args << "-filter_complex" << graph << "-map" << "[v]" << "-map" << QString("%1:a").arg(s.pictures) << "-shortest"
       << "-target" << "pal-vcd" << s.d + "ffmpeg/benchmark_VCD.mpg";
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  Setup s;
  const int asked = qEnvironmentVariableIntValue("KALVORA_BENCH_PICTURES");
  if (asked > 1) s.pictures = asked;
  const int rounds = std::max(3, qEnvironmentVariableIntValue("KALVORA_BENCH_ROUNDS"));
  const int musicSeconds = 8 * 60;
  QTemporaryDir tmp;
  s.d = tmp.path() + "/";
  s.appDir = s.d + "app/";
  s.root = s.d + "Kalvora/";
  s.video = s.d + "video/";
  s.enc = s.video + "encoder/";
  for (const QString& f : {s.appDir, s.root + "Archive_0001", s.enc, s.d + "ffmpeg"}) QDir().mkpath(f);

  std::printf("making %d distinct pictures of 12 megapixels and an 8-minute MP3...\n", s.pictures);
  QByteArray list;
  for (int i = 0; i < s.pictures; ++i) {
    const QString name = QString("p%1.jpg").arg(i, 3, 10, QChar('0'));
    if (!MakeBenchPicture(s.root + "Archive_0001/" + name, i)) return 1;
    list += name.toUtf8() + "\r\n";
  }
  QFile pl(s.root + "Archive_0001/Pictures.ini");
  if (!pl.open(QIODevice::WriteOnly) || pl.write(list) != list.size()) return 1;
  pl.close();
  if (!WriteMusicWave(s.d + "music.wav", musicSeconds)) return 1;
  if (!Run("lame", {"--quiet", "-b", "192", s.d + "music.wav", s.d + "music.mp3"})) {
    std::printf("lame failed\n");
    return 1;
  }
  QFile::remove(s.d + "music.wav");
  {
    // A real transition of the program's own effect list, a wipe with its on-screen delay (1000
    // is the plain paint, a cut).
    QFile fx(s.appDir + "Effects.ini");
    if (!fx.open(QIODevice::WriteOnly) || fx.write(kEffectLine + QByteArray("\r\n")) < 0) return 1;
  }

  const double setupChildrenMB = ChildrenPeakMB();
  std::vector<OurRun> ours;
  std::vector<double> ffTimes, ffPeaks;
  double oursChildrenMB = 0;
  std::printf("%d rounds, ours and ffmpeg alternately:\n", rounds);
  for (int round = 0; round < rounds; ++round) {
    OurRun r;
    if (!RunOurs(s, r)) return 1;
    ours.push_back(r);
    // The largest child of ours (the MP3 decoder), before ffmpeg runs for the first time.
    if (round == 0) oursChildrenMB = ChildrenPeakMB();
    std::printf("  round %d: ours   %7.2f s, peak %4.0f MB   (%s)\n", round + 1, r.total, r.peakMB,
                qPrintable(Describe(r.file)));
    std::fflush(stdout);
    const int fadeFrames = r.transitionCount > 0 ? std::max(1, int(std::lround(double(r.grabs) / r.transitionCount))) : 1;
    const QString out = s.d + "ffmpeg/benchmark_VCD.mpg";
    QFile::remove(out);
    double peak = 0;
    QElapsedTimer clock;
    clock.start();
    if (!RunMeasured("ffmpeg", FfmpegArgs(s, fadeFrames), s.d + "ffmpeg/err.txt", peak)) {
      QFile err(s.d + "ffmpeg/err.txt");
      err.open(QIODevice::ReadOnly);
      std::printf("ffmpeg failed: %s\n", err.read(2000).constData());
      return 1;
    }
    ffTimes.push_back(clock.nsecsElapsed() / 1e9);
    ffPeaks.push_back(peak);
    std::printf("  round %d: ffmpeg %7.2f s, peak %4.0f MB   (%s)\n", round + 1, ffTimes.back(), peak,
                qPrintable(Describe(out)));
    std::fflush(stdout);
  }

  std::vector<double> totals, peaks;
  for (const OurRun& r : ours) {
    totals.push_back(r.total);
    peaks.push_back(r.peakMB);
  }
  const double oursMedian = Median(totals), ffMedian = Median(ffTimes);
  const double oursPeak = *std::max_element(peaks.begin(), peaks.end());
  const double ffPeak = *std::max_element(ffPeaks.begin(), ffPeaks.end());
  // Our phases in the run whose total is the median (the middle one of an odd count).
  std::vector<size_t> order(ours.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return ours[a].total < ours[b].total; });
  const OurRun& mid = ours[order[order.size() / 2]];
  std::printf("PAL VCD, high quality, %d pictures of 12 MP at %d s, %d transitions of line %s (%d frames), "
              "8-minute MP3\n",
              s.pictures, s.seconds, mid.transitionCount, kEffectLine, mid.grabs);
  struct Phase {
    const char* name;
    double time;
  };
  const Phase phases[] = {{"frames", mid.frames}, {"transitions", mid.transitions}, {"sound track", mid.sound},
                          {"encoding", mid.encode}};
  const Phase* most = &phases[0];
  for (const Phase& p : phases) {
    std::printf("  ours %-12s %8.2f s   (median run)\n", p.name, p.time);
    if (p.time > most->time) most = &p;
  }
  std::printf("median: ours %.2f s, ffmpeg %.2f s; ratio of the medians ours / ffmpeg: %.2f (goal: at most 0.5)\n",
              oursMedian, ffMedian, ffMedian > 0 ? oursMedian / ffMedian : 0.0);
  // getrusage keeps the largest child: the MP3 decoder's own peak shows only where it passes lame's at the start.
  std::printf("peak memory: ours %.0f MB (goal: under 200 MB; its MP3 decoder %s%.0f MB), ffmpeg %.0f MB\n", oursPeak,
              oursChildrenMB > setupChildrenMB ? "" : "at most ", oursChildrenMB, ffPeak);
  std::printf("the phase that costs most: %s (%.0f %% of the median run)\n", most->name,
              100.0 * most->time / std::max(1e-9, mid.total));
  return 0;
}

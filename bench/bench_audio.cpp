// Joining one hour of music (the production's "Input.wav") from WAV titles against ffmpeg
// looping one title into a file of the same length with stream copy, and against cp of the
// same number of bytes. KALVORA_BENCH_AUDIO_SECONDS sets the length (default 3600).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

#include "fWave.h"
#include "waveio.h"

namespace {
QTemporaryDir* work = nullptr;
QStringList titles;
int seconds = 3600;
double joinSeconds = 0, ffmpegSeconds = 0, cpSeconds = 0;

void writeTitle(const QString& path, int lengthSeconds, int seed) {
  const WaveFormat f = WaveFormat::pcm16(44100, 2);
  TFileWaveStream out(path, &f);
  QByteArray block(44100 * 4, '\0');
  auto* s = reinterpret_cast<qint16*>(block.data());
  for (int sec = 0; sec < lengthSeconds; ++sec) {
    for (int i = 0; i < 44100; ++i) {
      const double v = std::sin((sec * 44100.0 + i) * 0.01 * (seed + 1)) * 12000;
      s[2 * i] = s[2 * i + 1] = qint16(v);
    }
    out.Write(block.constData(), 44100);
  }
  out.Close();
}

void BM_MakeInputWav(benchmark::State& state) {
  TWaveForm form;
  for (auto _ : state) {
    form.FileList = titles;
    form.OutputFileName = work->path() + "/Input.wav";
    form.Seconds = seconds;
    QElapsedTimer t;
    t.start();
    const qint64 frames = form.MakeInputWav();
    joinSeconds = t.nsecsElapsed() / 1e9;
    state.counters["frames"] = double(frames);
  }
}

void BM_FfmpegLoop(benchmark::State& state) {
  const QString out = work->path() + "/ffmpeg.wav";
  for (auto _ : state) {
    QFile::remove(out);
    QElapsedTimer t;
    t.start();
    QProcess::execute("ffmpeg", {"-v", "error", "-y", "-stream_loop", "-1", "-i", titles.first(), "-t",
                                 QString::number(seconds + 4), "-c", "copy", out});
    ffmpegSeconds = t.nsecsElapsed() / 1e9;
  }
}

void BM_Cp(benchmark::State& state) {
  const QString out = work->path() + "/copy.wav";
  for (auto _ : state) {
    QFile::remove(out);
    QElapsedTimer t;
    t.start();
    QProcess::execute("cp", {work->path() + "/Input.wav", out});
    cpSeconds = t.nsecsElapsed() / 1e9;
  }
}
}  // namespace

BENCHMARK(BM_MakeInputWav)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FfmpegLoop)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Cp)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (qEnvironmentVariableIsSet("KALVORA_BENCH_AUDIO_SECONDS"))
    seconds = qEnvironmentVariableIntValue("KALVORA_BENCH_AUDIO_SECONDS");
  QTemporaryDir dir;
  work = &dir;
  // Four titles of five minutes: the hour loops them three times.
  std::fprintf(stderr, "Writing four WAV titles of 5 minutes...\n");
  for (int i = 0; i < 4; ++i) {
    titles << dir.path() + QString("/Inp%1.wav").arg(i + 1, 3, 10, QChar('0'));
    writeTitle(titles.last(), 300, i);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  const qint64 bytes = QFileInfo(dir.path() + "/Input.wav").size();
  std::printf("Joining %d s of music (%.0f MB): %.2f s; ffmpeg -stream_loop: %.2f s; cp: %.2f s\n", seconds + 4,
              bytes / 1e6, joinSeconds, ffmpegSeconds, cpSeconds);
  std::printf("ratio join/ffmpeg %.2f (goal <= 1.0), join/cp %.2f (goal <= 2.0)\n", joinSeconds / ffmpegSeconds,
              joinSeconds / cpSeconds);
  benchmark::Shutdown();
  return 0;
}

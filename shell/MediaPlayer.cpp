#include "MediaPlayer.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <csignal>

TFfplayMediaPlayer::TFfplayMediaPlayer(QObject* parent) : TMediaPlayer(parent) {}

TFfplayMediaPlayer::~TFfplayMediaPlayer() { Close(); }

bool TFfplayMediaPlayer::Open() {
  Close();
  if (!QFileInfo(FileName).isFile()) return false;
  opened_ = FileName;
  return true;
}

bool TFfplayMediaPlayer::Play() {
  if (opened_.isEmpty()) return false;
  if (process_ && process_->state() == QProcess::Running) {
    if (paused_) {
      ::kill(pid_t(process_->processId()), SIGCONT);
      paused_ = false;
    }
    return true;
  }
  const QString ffplay = QStandardPaths::findExecutable("ffplay");
  if (ffplay.isEmpty()) return false;
  delete process_;
  process_ = new QProcess(this);
  process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_->setStandardOutputFile(QProcess::nullDevice());
  process_->start(ffplay, {"-nodisp", "-autoexit", "-loglevel", "quiet", "--", opened_});
  paused_ = false;
  return process_->waitForStarted(3000);
}

bool TFfplayMediaPlayer::Pause() {
  if (!process_ || process_->state() != QProcess::Running) return false;
  // The pause button of a media player toggles: a second press plays on.
  ::kill(pid_t(process_->processId()), paused_ ? SIGCONT : SIGSTOP);
  paused_ = !paused_;
  return true;
}

qint64 TFfplayMediaPlayer::ProcessId() const {
  return process_ && process_->state() == QProcess::Running ? process_->processId() : 0;
}

bool TFfplayMediaPlayer::Stop() {
  if (!process_) return false;
  if (process_->state() != QProcess::NotRunning) {
    if (paused_) ::kill(pid_t(process_->processId()), SIGCONT);
    process_->terminate();
    if (!process_->waitForFinished(2000)) {
      process_->kill();
      process_->waitForFinished(2000);
    }
  }
  paused_ = false;
  delete process_;
  process_ = nullptr;
  return true;
}

void TFfplayMediaPlayer::Close() {
  Stop();
  opened_.clear();
}

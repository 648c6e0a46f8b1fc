#include "Music.h"

#include <QProcess>
#include <QStandardPaths>

namespace kalvora::player {

Music::Music(const QStringList& titles, QObject* parent) : QObject(parent), titles_(titles) {}

Music::~Music() { stop(); }

void Music::start() {
  if (titles_.isEmpty() || process_) return;
  program_ = QStandardPaths::findExecutable("ffplay");
  if (program_.isEmpty()) return;
  process_ = new QProcess(this);
  process_->setStandardOutputFile(QProcess::nullDevice());
  process_->setStandardErrorFile(QProcess::nullDevice());
  connect(process_, &QProcess::finished, this, &Music::finished);
  connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) stop();
  });
  playTitle(0);
}

void Music::stop() {
  if (!process_) return;
  process_->disconnect(this);
  process_->kill();
  process_->waitForFinished(2000);
  process_->deleteLater();
  process_ = nullptr;
}

void Music::finished() {
  // A title that ends at once could not be played (no sound device, broken file);
  // once every title has failed in a row we give up rather than start them again and again.
  if (started_.elapsed() < 1000) {
    if (++failures_ >= titles_.size()) {
      stop();
      return;
    }
  } else {
    failures_ = 0;
  }
  playTitle(current_ + 1);
}

void Music::playTitle(int index) {
  current_ = index % int(titles_.size());
  started_.start();
  process_->start(program_, {"-nodisp", "-autoexit", "-loglevel", "quiet", titles_[current_]});
}

}  // namespace kalvora::player

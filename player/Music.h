#pragma once
// The slideshow's music: its titles one after the other, from the first again after the last,
// for as long as the show runs. A title is played by the ffplay program in a process of its
// own, so a missing sound device or a broken file can never take the show down; without
// ffplay the show stays silent.
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

class QProcess;

namespace kalvora::player {

class Music : public QObject {
  Q_OBJECT
 public:
  explicit Music(const QStringList& titles, QObject* parent = nullptr);
  ~Music() override;
  void start();
  void stop();

 private:
  void playTitle(int index);
  void finished();

  QStringList titles_;
  QString program_;
  int current_ = -1;
  int failures_ = 0;
  QProcess* process_ = nullptr;
  QElapsedTimer started_;
};

}  // namespace kalvora::player

#pragma once
// The player without its window: the show, the settings, the schedule and the frames.
// The window asks for the frame of the moment and forwards keys; tests do the same with a
// TestClock.
#include "PlayerFiles.h"
#include "Schedule.h"
#include "Show.h"
#include "Transition.h"

#include <QHash>
#include <QImage>
#include <QSize>

namespace kalvora::player {

// Everything the player needs from the archive root, read once at start.
struct PlayerSetup {
  Show show;
  PlayerSettings settings;
  QList<EffectLine> effects;
  PlayerTexts texts;
};

// Reads the root's files and the show in showFolder (empty: the one saved last).
// False when no show was found or it could not be read; *error names what is missing.
bool LoadSetup(const QString& root, const QString& showFolder, PlayerSetup& setup, QString* error);

class Engine {
 public:
  Engine(PlayerSetup setup, const Clock& clock, quint32 seed = 1);
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  const PlayerSetup& setup() const { return setup_; }
  Frame frame() const { return schedule_.frameAt(clock_.nowMs()); }
  bool finished() const { return schedule_.finished(clock_.nowMs()); }
  void next() { schedule_.next(clock_.nowMs()); }
  void previous() { schedule_.previous(clock_.nowMs()); }

  // The transition into the picture of the given change.
  TransitionLook transitionFor(qint64 change) const;
  int transitionMsFor(qint64 change) const;

  // The whole screen at this moment.
  QImage render(QSize size);
  // One picture on the background with its caption and name, as it stands after its transition.
  QImage slideImage(int index, QSize size);

 private:
  const EffectLine* effectFor(qint64 change) const;
  QImage backgroundImage(QSize size) const;
  QImage cardImage(const QString& text, QSize size) const;
  void drawText(QImage& image, const QString& text, int pixelSize, QRect box, int flags) const;

  PlayerSetup setup_;
  const Clock& clock_;
  quint32 seed_;
  Schedule schedule_;
  QSize cacheSize_;
  QHash<int, QImage> cache_;
};

}  // namespace kalvora::player

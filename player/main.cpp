// The slideshow player. The main program copies it into the archive root and starts it
// there with "TEST" after saving a slideshow; it then plays the slideshow saved last with
// the root's Settings.ini, Effects.ini and Language.ini. A folder given instead of "TEST"
// is played directly.
//
// Hooks for tests: KALVORA_PLAYER_EXIT_AFTER_MS ends the program after that many
// milliseconds; KALVORA_PLAYER_REPORT names a file that gets what was played.
#include "Engine.h"
#include "Music.h"
#include "PlayerWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>

#include <cstdio>

using namespace kalvora::player;

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const QString root = QCoreApplication::applicationDirPath() + '/';

  QString showFolder;
  for (const QString& arg : app.arguments().mid(1)) {
    if (arg.compare("TEST", Qt::CaseInsensitive) != 0 && QFileInfo(arg).isDir())
      showFolder = QDir(arg).absolutePath();
  }

  PlayerSetup setup;
  QString error;
  const bool loaded = LoadSetup(root, showFolder, setup, &error);
  const bool playable = loaded && !setup.show.slides.isEmpty();
  for (const QString& s : setup.show.skipped)
    std::fprintf(stderr, "Pictures.ini line %s\n", qPrintable(s));
  if (!playable)
    std::fprintf(stderr, "Nothing to play: %s\n", qPrintable(error.isEmpty() ? setup.show.folder : error));

  SteadyClock clock;
  std::unique_ptr<Engine> engine;
  if (playable) engine = std::make_unique<Engine>(setup, clock);
  PlayerWindow window(engine.get(), setup.texts.noShow, setup.settings.framesPerSecond);
  window.setWindowTitle(setup.show.title.isEmpty() ? setup.texts.windowTitle
                                                   : setup.texts.windowTitle + " - " + setup.show.title);
  QScreen* screen = app.primaryScreen();
  if (playable && setup.settings.fullscreen) {
    window.setCursor(Qt::BlankCursor);
    // Without a window manager the full-screen state alone leaves the window at its first size.
    if (screen) window.setGeometry(screen->geometry());
    window.showFullScreen();
  } else {
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    QRect r(QPoint(0, 0), area.size() * 3 / 4);
    r.moveCenter(area.center());
    window.setGeometry(r);
    window.show();
  }
  window.raise();
  window.activateWindow();

  Music music(playable ? setup.show.audio : QStringList());
  music.start();

  bool ok = false;
  const int exitAfter = qEnvironmentVariableIntValue("KALVORA_PLAYER_EXIT_AFTER_MS", &ok);
  if (ok && exitAfter >= 0) QTimer::singleShot(exitAfter, &window, &QWidget::close);

  const int rc = app.exec();
  music.stop();

  const QString report = qEnvironmentVariable("KALVORA_PLAYER_REPORT");
  if (!report.isEmpty()) {
    QFile f(report);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      QString text;
      text += "Folder=" + setup.show.folder + "\n";
      text += "Title=" + setup.show.title + "\n";
      text += QString("Pictures=%1\n").arg(setup.show.slides.size());
      text += QString("Skipped=%1\n").arg(setup.show.skipped.size());
      text += QString("Music=%1\n").arg(setup.show.audio.size());
      text += QString("Fullscreen=%1\n").arg(window.isFullScreen() ? "TRUE" : "FALSE");
      text += QString("Size=%1x%2\n").arg(window.width()).arg(window.height());
      text += QString("Endless=%1\n").arg(setup.settings.endless ? "TRUE" : "FALSE");
      text += QString("Frames=%1\n").arg(window.framesShown());
      text += QString("PlayedToTheEnd=%1\n").arg(window.playedToTheEnd() ? "TRUE" : "FALSE");
      f.write(text.toUtf8());
    }
  }
  return playable ? rc : 2;
}

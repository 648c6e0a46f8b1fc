#pragma once
// What the player reads from the archive root: the player settings (Settings.ini), the
// transition catalogue (Effects.ini), its texts (Language.ini, section PLAYER) and its own
// two small files play.ply and intro.ply.
//
// Settings.ini, section SETTINGS, is written by the main program with these value forms:
//   StopDiashowAtEnd  "FALSE" (without case) plays endlessly, anything else once
//   Fullscreen        stored inverted by the main program: "TRUE" (without case) means the
//                     full-screen box was clear, so we play in a window; anything else full screen
//   Manuell           "TRUE" (without case): pictures change on key press, not by time
//   PictureTextVisible, FileNameVisible  "TRUE" (without case) shows caption / file name
//   BKGColor, TextColor  colours as $00BBGGRR integers
//   EffectMode        exactly "ON" (one effect line), "RANDOM" (a line per change), else off
//   Effect            1-based line of Effects.ini used with "ON"
//   TextOffset        distance of the caption above the bottom edge in pixels, 0..750
//   Diashow           folder name (under the root) of the slideshow the main program saved
//                     and asked us to play; written with every save
#include <QColor>
#include <QList>
#include <QString>

namespace kalvora::player {

enum class EffectMode { Off, On, Random };

struct PlayerSettings {
  bool endless = false;
  bool fullscreen = true;
  bool manual = false;
  bool captionVisible = false;
  bool fileNameVisible = false;
  QColor background = Qt::black;
  QColor textColor = Qt::black;
  EffectMode effectMode = EffectMode::Off;
  int effect = 1;
  int textOffset = 0;
  QString show;  // Diashow: the slideshow folder to play, empty when not named
  // play.ply
  int framesPerSecond = 25;
  int transitionMs = 1200;  // the longest a transition may take
  int endMs = 2500;         // the end card of a show played once
  // intro.ply
  int introMs = 0;          // title card before the first picture; 0: none
};

// A missing file gives the defaults above.
PlayerSettings ReadPlayerSettings(const QString& root);

// $00BBGGRR; system colours (high byte set) give fallback.
QColor ColorFromTColor(qint64 value, const QColor& fallback);

// One line of Effects.ini: five decimal integers separated by ";"; empty fields do not count
// (the later fields move up), as the main program reads them.
struct EffectLine {
  int code = 1000;
  int delay = 0;
  int grain = 5;
  int passes = 1;
  int wandSize = 0;
};
// False when a field is missing or not a decimal integer, or grain/passes are out of range.
bool ParseEffectLine(const QString& line, EffectLine& out);
// Every line of the file in order; a line that does not parse becomes a plain cut so that
// the numbering of the lines after it stays as the main program counts them.
QList<EffectLine> ReadEffects(const QString& path);

// The player's texts from Language.ini [PLAYER]; German defaults when a key is missing.
struct PlayerTexts {
  QString windowTitle;   // 100001
  QString noShow;        // 100002: nothing to play
  QString end;           // 100003: shown after the last picture of a show played once
  QString escapeHint;    // 100004: shown briefly at the start
};
PlayerTexts ReadPlayerTexts(const QString& root);

}  // namespace kalvora::player

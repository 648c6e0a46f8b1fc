#include "PlayerFiles.h"

#include <IniFile.h>
#include <StringList.h>

#include <algorithm>

namespace kalvora::player {

namespace {
const QString kSettings = QStringLiteral("SETTINGS");

bool UpperIs(const QString& value, const char* expected) {
  return value.trimmed().toUpper() == QLatin1String(expected);
}
}  // namespace

QColor ColorFromTColor(qint64 value, const QColor& fallback) {
  if (value < 0 || value > 0xFFFFFF) return fallback;
  return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

PlayerSettings ReadPlayerSettings(const QString& root) {
  PlayerSettings s;
  IniFile ini(root + "Settings.ini");
  s.endless = UpperIs(ini.readString(kSettings, "StopDiashowAtEnd"), "FALSE");
  s.fullscreen = !UpperIs(ini.readString(kSettings, "Fullscreen"), "TRUE");
  s.manual = UpperIs(ini.readString(kSettings, "Manuell"), "TRUE");
  s.captionVisible = UpperIs(ini.readString(kSettings, "PictureTextVisible"), "TRUE");
  s.fileNameVisible = UpperIs(ini.readString(kSettings, "FileNameVisible"), "TRUE");
  s.background = ColorFromTColor(ini.readInteger(kSettings, "BKGColor", 0), Qt::black);
  s.textColor = ColorFromTColor(ini.readInteger(kSettings, "TextColor", 0), Qt::white);
  const QString mode = ini.readString(kSettings, "EffectMode", "OFF");
  s.effectMode = mode == "ON" ? EffectMode::On : mode == "RANDOM" ? EffectMode::Random : EffectMode::Off;
  s.effect = std::max(1, ini.readInteger(kSettings, "Effect", 1));
  s.textOffset = std::clamp(ini.readInteger(kSettings, "TextOffset", 0), 0, 750);
  // The folder's name as written: blanks at its ends are part of it (the ini file keeps them).
  s.show = ini.readString(kSettings, "Diashow");

  IniFile play(root + "play.ply");
  s.framesPerSecond = std::clamp(play.readInteger("PLAY", "FramesPerSecond", 25), 1, 60);
  s.transitionMs = std::clamp(play.readInteger("PLAY", "TransitionMs", 1200), 0, 10000);
  s.endMs = std::clamp(play.readInteger("PLAY", "EndMs", 2500), 0, 60000);
  IniFile intro(root + "intro.ply");
  s.introMs = std::clamp(intro.readInteger("INTRO", "Seconds", 0), 0, 60) * 1000;
  return s;
}

bool ParseEffectLine(const QString& line, EffectLine& out) {
  const QStringList fields = line.split(';', Qt::SkipEmptyParts);
  if (fields.size() < 5) return false;
  int v[5];
  for (int i = 0; i < 5; ++i) {
    bool ok = false;
    v[i] = fields[i].trimmed().toInt(&ok, 10);
    if (!ok) return false;
  }
  if (v[1] < 0 || v[2] < 1 || v[2] > 256 || v[3] < 1 || v[3] > 64 || v[4] < 0) return false;
  out = EffectLine{v[0], v[1], v[2], v[3], v[4]};
  return true;
}

QList<EffectLine> ReadEffects(const QString& path) {
  StringList lines;
  lines.loadFromFile(path);
  QList<EffectLine> result;
  for (const QString& l : lines.lines()) {
    EffectLine e;
    if (!ParseEffectLine(l, e)) e = EffectLine{};
    result.append(e);
  }
  return result;
}

PlayerTexts ReadPlayerTexts(const QString& root) {
  IniFile ini(root + "Language.ini");
  auto text = [&](const char* id, const QString& def) {
    const QString t = ini.readString("PLAYER", id);
    return t.isEmpty() ? def : t;
  };
  PlayerTexts t;
  t.windowTitle = text("100001", QStringLiteral("Diashow"));
  t.noShow = text("100002", QStringLiteral("Es wurde keine gespeicherte Diashow gefunden."));
  t.end = text("100003", QStringLiteral("Ende der Diashow"));
  t.escapeHint = text("100004", QStringLiteral("Esc beendet die Diashow"));
  return t;
}

}  // namespace kalvora::player

#include "EffectList.h"

#include "StringHelpers.h"

int StrToInt(const QString& s) {
  const QString t = s.trimmed();
  bool ok = false;
  int v = 0;
  if (t.startsWith('$')) {
    v = t.mid(1).toInt(&ok, 16);
  } else if (t.startsWith("0x", Qt::CaseInsensitive) || t.startsWith("-0x", Qt::CaseInsensitive)) {
    const bool neg = t.startsWith('-');
    v = t.mid(neg ? 3 : 2).toInt(&ok, 16);
    if (neg) v = -v;
  } else if (!t.isEmpty() && !t.contains(' ')) {
    v = t.toInt(&ok, 10);
  }
  if (!ok) throw EConvertError("'" + s.toStdString() + "' is not a valid integer value");
  return v;
}

int ParseEffectField(const QString& line, unsigned n) { return StrToInt(ExtractWordN(n, line, ";")); }

EffectSettings ParseEffectLine(const QString& line) {
  auto field = [&](unsigned n) { return ParseEffectField(line, n); };
  EffectSettings e;
  e.EffectDelay = field(2);
  e.EffectGrain = field(3);
  e.PaintMaxPasses = field(4);
  e.PaintEffect = field(1);
  e.WandSize = field(5);
  return e;
}

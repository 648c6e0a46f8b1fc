#pragma once
// Lines of "Effects.ini": one transition per line, five integers separated by ";":
// paint effect, effect delay, effect grain, maximum paint passes, wand size.
#include <QString>
#include <stdexcept>

// The class library's conversion error: a text that is not a whole number.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Decimal (or "$"/"0x" hexadecimal) integer, blanks around it allowed; EConvertError otherwise.
int StrToInt(const QString& s);

struct EffectSettings {
  int PaintEffect = 1000;
  int EffectDelay = 0;
  int EffectGrain = 5;
  int PaintMaxPasses = 1;
  int WandSize = 0;
};

// The five fields of a line, found at ";" with empty fields skipped (so the following fields
// move up); EConvertError when a field is missing or not a number.
EffectSettings ParseEffectLine(const QString& line);
// Field n (1 to 5) of a line; EConvertError when it is missing or not a number.
int ParseEffectField(const QString& line, unsigned n);

#include "Colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace kalvora {

namespace {

QColor SystemColor(int index) {
  const QPalette pal = QGuiApplication::palette();
  switch (index) {
    case 0: return pal.color(QPalette::Button);               // scroll bar
    case 1: return pal.color(QPalette::Dark);                 // desktop
    case 2: return pal.color(QPalette::Highlight);            // active caption
    case 3: return pal.color(QPalette::Mid);                  // inactive caption
    case 4: return pal.color(QPalette::Window);               // menu
    case 5: return pal.color(QPalette::Base);                 // window
    case 6: return pal.color(QPalette::Shadow);               // window frame
    case 7: return pal.color(QPalette::WindowText);           // menu text
    case 8: return pal.color(QPalette::Text);                 // window text
    case 9: return pal.color(QPalette::HighlightedText);      // caption text
    case 10: return pal.color(QPalette::Window);              // active border
    case 11: return pal.color(QPalette::Window);              // inactive border
    case 12: return pal.color(QPalette::Dark);                // application workspace
    case 13: return pal.color(QPalette::Highlight);
    case 14: return pal.color(QPalette::HighlightedText);
    case 15: return pal.color(QPalette::Button);              // button face
    case 16: return pal.color(QPalette::Dark);                // button shadow
    case 17: return pal.color(QPalette::Disabled, QPalette::Text);  // gray text
    case 18: return pal.color(QPalette::ButtonText);
    case 19: return pal.color(QPalette::Disabled, QPalette::WindowText);  // inactive caption text
    case 20: return pal.color(QPalette::Light);               // button highlight
    case 21: return pal.color(QPalette::Shadow);              // 3-D dark shadow
    case 22: return pal.color(QPalette::Midlight);            // 3-D light
    case 23: return pal.color(QPalette::ToolTipText);         // info text
    case 24: return pal.color(QPalette::ToolTipBase);         // info background
    default: return QColor(0, 0, 0);
  }
}

int HexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return u - '0';
  if (u >= 'A' && u <= 'F') return u - 'A' + 10;
  if (u >= 'a' && u <= 'f') return u - 'a' + 10;
  return 0;
}

int HexByte(const QString& s, int pos) {
  if (pos + 2 > s.size()) return 0;
  return HexDigit(s[pos]) * 16 + HexDigit(s[pos + 1]);
}

}  // namespace

TColor ColorToRGB(TColor c) {
  if (c == clNone) return 0;
  if (IsSystemColor(c)) return FromQColor(SystemColor(int(c & 0xFF)));
  return c & 0x00FFFFFFu;
}

QColor ToQColor(TColor c) {
  if (c == clNone) return QColor();
  const TColor rgb = ColorToRGB(c);
  return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}

TColor FromQColor(const QColor& c) {
  if (!c.isValid()) return clNone;
  return RGBColor(c.red(), c.green(), c.blue());
}

TColor MarkupColorByName(const QString& name) {
  struct Entry { const char* name; TColor value; };
  static const Entry table[] = {
      {"clred", clRed}, {"clblack", clBlack}, {"clblue", clBlue}, {"clgreen", clGreen},
      {"claqua", clAqua}, {"clyellow", clYellow}, {"clfuchsia", clFuchsia}, {"clwhite", clWhite},
      {"cllime", clLime}, {"clsilver", clSilver}, {"clgray", clGray}, {"clolive", clOlive},
      {"clnavy", clNavy}, {"clpurple", clPurple}, {"clteal", clTeal}, {"clmaroon", clMaroon},
      {"clbackground", clBackground}, {"clactivecaption", clActiveCaption},
      {"clinactivecaption", clInactiveCaption}, {"clmenu", clMenu}, {"clwindow", clWindow},
      {"clwindowframe", clWindowFrame}, {"clmenutext", clMenuText},
      {"clwindowtext", clWindowText}, {"clcaptiontext", clCaptionText},
      {"clactiveborder", clActiveBorder}, {"clinactiveborder", clInactiveBorder},
      {"clappworkspace", clAppWorkSpace}, {"clhighlight", clHighlight},
      {"clhighlighttext", clHighlightText}, {"clbtnface", clBtnFace},
      {"clbtnshadow", clBtnShadow}, {"clgraytext", clGrayText}, {"clbtntext", clBtnText},
      {"clinactivecaptiontext", clInactiveCaptionText}, {"clbtnhighlight", clBtnHighlight},
      {"cl3ddkshadow", cl3DDkShadow}, {"cl3dlight", cl3DLight}, {"clinfotext", clInfoText},
      {"clinfobk", clInfoBk},
  };
  const QString lower = name.trimmed().toLower();
  for (const Entry& e : table)
    if (lower == QLatin1String(e.name)) return e.value;
  return clBlack;
}

TColor MarkupHexColor(const QString& value) {
  // value[0] is the '#'
  const int r = HexByte(value, 1), g = HexByte(value, 3), b = HexByte(value, 5);
  return RGBColor(r, g, b);
}

TColor MarkupColor(const QString& value) {
  const QString v = value.trimmed();
  if (v.startsWith(QLatin1Char('#'))) return MarkupHexColor(v);
  return MarkupColorByName(v);
}

}  // namespace kalvora

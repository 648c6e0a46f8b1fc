#pragma once
// Colours as the mark-up and the list controls keep them: the class library's TColor,
// $00BBGGRR, where values with the top byte $FF name a system colour (resolved through the
// application palette at drawing time) and clNone means "no colour".
#include <QColor>
#include <QString>
#include <cstdint>

namespace kalvora {

using TColor = std::uint32_t;

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

// System colours: $FF000000 + the Windows colour index.
constexpr TColor clScrollBar = 0xFF000000;
constexpr TColor clBackground = 0xFF000001;
constexpr TColor clActiveCaption = 0xFF000002;
constexpr TColor clInactiveCaption = 0xFF000003;
constexpr TColor clMenu = 0xFF000004;
constexpr TColor clWindow = 0xFF000005;
constexpr TColor clWindowFrame = 0xFF000006;
constexpr TColor clMenuText = 0xFF000007;
constexpr TColor clWindowText = 0xFF000008;
constexpr TColor clCaptionText = 0xFF000009;
constexpr TColor clActiveBorder = 0xFF00000A;
constexpr TColor clInactiveBorder = 0xFF00000B;
constexpr TColor clAppWorkSpace = 0xFF00000C;
constexpr TColor clHighlight = 0xFF00000D;
constexpr TColor clHighlightText = 0xFF00000E;
constexpr TColor clBtnFace = 0xFF00000F;
constexpr TColor clBtnShadow = 0xFF000010;
constexpr TColor clGrayText = 0xFF000011;
constexpr TColor clBtnText = 0xFF000012;
constexpr TColor clInactiveCaptionText = 0xFF000013;
constexpr TColor clBtnHighlight = 0xFF000014;
constexpr TColor cl3DDkShadow = 0xFF000015;
constexpr TColor cl3DLight = 0xFF000016;
constexpr TColor clInfoText = 0xFF000017;
constexpr TColor clInfoBk = 0xFF000018;

inline bool IsSystemColor(TColor c) { return (c & 0xFF000000u) == 0xFF000000u; }

// The colour as RGB ($00BBGGRR); system colours come from the application palette.
// clNone (and any other value that is no colour) gives black.
TColor ColorToRGB(TColor c);
// The colour for QPainter; an invalid QColor for clNone.
QColor ToQColor(TColor c);
// The opposite: an opaque QColor as $00BBGGRR.
TColor FromQColor(const QColor& c);

inline TColor RGBColor(int r, int g, int b) {
  return TColor(r & 0xFF) | (TColor(g & 0xFF) << 8) | (TColor(b & 0xFF) << 16);
}

// Colour by mark-up name ("clRed", "clWindow", ... without case); unknown names are black.
TColor MarkupColorByName(const QString& name);
// "#RRGGBB" to TColor; characters that are no hexadecimal digit count as 0, and a value
// shorter than a full byte gives 0 for that byte.
TColor MarkupHexColor(const QString& value);
// A colour attribute value: "#RRGGBB" or a name.
TColor MarkupColor(const QString& value);

}  // namespace kalvora

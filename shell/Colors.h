#pragma once
// Colours are stored in the settings as the class library's colour numbers ($00BBGGRR).
#include <QColor>

inline QColor TColorToQColor(int c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
inline int QColorToTColor(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

#pragma once
#include <QColor>
#include <QString>
#include <QStringList>

namespace playertest {

// Writes a small JPEG of one colour.
bool WritePicture(const QString& path, QColor color, int w = 64, int h = 48);
// Writes a slideshow folder: Diashow.ini with title and time, Pictures.ini with lines as given
// (CRLF), and a picture for every name in pictures.
void WriteShow(const QString& folder, const QString& title, const QString& time,
               const QStringList& lines, const QStringList& pictures);

}  // namespace playertest

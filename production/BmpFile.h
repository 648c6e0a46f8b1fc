#pragma once
// 24-bit Windows BMP files of video frames: rows bottom-up, padded to 4 bytes, exactly the
// bytes an uncompressed AVI frame carries.
#include <QImage>
#include <QString>

// Writes the picture as a 24-bit BMP under a temporary name and renames it over `path` when
// complete; false when it could not be written (nothing is left behind).
bool SaveBmp24(const QImage& image, const QString& path);

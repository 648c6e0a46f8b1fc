#pragma once
// Fixtures for the mark-up list tests: pinned fonts, offscreen canvases, generated GIFs.
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <vector>

namespace lctest {

// "DejaVu Sans" at a fixed pixel size, without hinting, so layouts are the same everywhere.
QFont PinnedFont(int pixelSize = 13);

// A white canvas at 96 dots per inch.
QImage Canvas(int w, int h, QColor fill = Qt::white);

// Pixels of img that are "dark" (each channel below 128) inside r.
int DarkPixels(const QImage& img, const QRect& r);
// Pixels close to colour c (each channel within tol).
int ColoredPixels(const QImage& img, const QRect& r, QColor c, int tol = 40);
// Bounding box of the dark pixels (empty when none).
QRect DarkBox(const QImage& img);

// A GIF of w x h with a 4-colour palette (0 black, 1 red, 2 green, 3 blue); each frame fills
// the whole screen with one palette index and has the given delay (1/100 s).
QByteArray MakeGif(int w, int h, const std::vector<int>& frameColors, int delay = 10);

// A PNG of the given size in one colour.
QByteArray MakePng(int w, int h, QColor c);

}  // namespace lctest

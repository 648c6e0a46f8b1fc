#include "ListCtrlTestUtil.h"

#include <QBuffer>
#include <QFontInfo>

namespace lctest {

QFont PinnedFont(int pixelSize) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(pixelSize);
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setStyleStrategy(QFont::PreferDefault);
  return f;
}

QImage Canvas(int w, int h, QColor fill) {
  QImage img(w, h, QImage::Format_RGB32);
  img.setDotsPerMeterX(3780);
  img.setDotsPerMeterY(3780);
  img.fill(fill);
  return img;
}

int DarkPixels(const QImage& img, const QRect& r) {
  int n = 0;
  const QRect c = r.intersected(img.rect());
  for (int y = c.top(); y <= c.bottom(); ++y)
    for (int x = c.left(); x <= c.right(); ++x) {
      const QColor p = img.pixelColor(x, y);
      if (p.red() < 128 && p.green() < 128 && p.blue() < 128) ++n;
    }
  return n;
}

int ColoredPixels(const QImage& img, const QRect& r, QColor c, int tol) {
  int n = 0;
  const QRect cr = r.intersected(img.rect());
  for (int y = cr.top(); y <= cr.bottom(); ++y)
    for (int x = cr.left(); x <= cr.right(); ++x) {
      const QColor p = img.pixelColor(x, y);
      if (std::abs(p.red() - c.red()) <= tol && std::abs(p.green() - c.green()) <= tol &&
          std::abs(p.blue() - c.blue()) <= tol)
        ++n;
    }
  return n;
}

QRect DarkBox(const QImage& img) {
  QRect box;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QColor p = img.pixelColor(x, y);
      if (p.red() < 128 && p.green() < 128 && p.blue() < 128) box |= QRect(x, y, 1, 1);
    }
  return box;
}

namespace {
void Put16(QByteArray& b, int v) {
  b.append(char(v & 0xFF));
  b.append(char((v >> 8) & 0xFF));
}

// LZW data with 3-bit codes only: a clear code before every two pixels keeps the
// dictionary from growing past 8 entries.
QByteArray LzwData(int pixels, int index) {
  std::vector<int> codes;
  for (int i = 0; i < pixels; i += 2) {
    codes.push_back(4);  // clear
    codes.push_back(index);
    if (i + 1 < pixels) codes.push_back(index);
  }
  codes.push_back(5);  // end of information
  QByteArray bytes;
  unsigned acc = 0;
  int bits = 0;
  for (int c : codes) {
    acc |= unsigned(c) << bits;
    bits += 3;
    while (bits >= 8) {
      bytes.append(char(acc & 0xFF));
      acc >>= 8;
      bits -= 8;
    }
  }
  if (bits > 0) bytes.append(char(acc & 0xFF));
  QByteArray out;
  out.append(char(2));  // minimum code size
  for (int i = 0; i < bytes.size(); i += 255) {
    const QByteArray part = bytes.mid(i, 255);
    out.append(char(part.size()));
    out.append(part);
  }
  out.append(char(0));
  return out;
}
}  // namespace

QByteArray MakeGif(int w, int h, const std::vector<int>& frameColors, int delay) {
  QByteArray b("GIF89a");
  Put16(b, w);
  Put16(b, h);
  b.append(char(0x81));  // global colour table of 4 entries
  b.append(char(0));
  b.append(char(0));
  const unsigned char palette[] = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
  b.append(reinterpret_cast<const char*>(palette), sizeof palette);
  if (frameColors.size() > 1) {  // loop forever
    b.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
  }
  for (int color : frameColors) {
    b.append(char(0x21));
    b.append(char(0xF9));
    b.append(char(4));
    b.append(char(0x04));  // dispose: leave in place
    Put16(b, delay);
    b.append(char(0));
    b.append(char(0));
    b.append(char(0x2C));
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, w);
    Put16(b, h);
    b.append(char(0));
    b.append(LzwData(w * h, color));
  }
  b.append(char(0x3B));
  return b;
}

QByteArray MakePng(int w, int h, QColor c) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(c);
  QByteArray out;
  QBuffer buf(&out);
  buf.open(QIODevice::WriteOnly);
  img.save(&buf, "PNG");
  return out;
}

}  // namespace lctest

// DrawMarkup and StripMarkup on arbitrary mark-up: the first byte picks the options, the rest
// is the text (UTF-8). Pictures come from a picture store only, so no file is read.
#include <QApplication>
#include <QPainter>
#include <cstdint>
#include <cstdlib>

#include "Markup.h"
#include "PictureStore.h"

namespace {
QByteArray Gif() {
  // Two 1x1 frames.
  static const unsigned char data[] = {
      'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 255, 0, 0, 0, 0, 255,
      0x21, 0xF9, 4, 0, 1, 0, 0, 0, 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0,
      0x21, 0xF9, 4, 0, 1, 0, 0, 0, 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0, 0x3B};
  return QByteArray(reinterpret_cast<const char*>(data), sizeof data);
}
kalvora::TPictureStore* g_store = nullptr;
}  // namespace

// Fontconfig keeps every font pattern it resolves for the life of the process; that is a
// cache, not a leak of ours.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication app(*argc, *argv);
  g_store = new kalvora::TPictureStore;
  kalvora::TPictureItem* item = g_store->Items().Add();
  item->Name = "anim";
  try {
    item->Picture().LoadFromData(Gif());
  } catch (...) {
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 64 * 1024) return 0;
  const uint8_t flags = data[0];
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
  kalvora::StripMarkup(text);
  kalvora::MarkupUnescape(text);
  QImage img(160, 60, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
  p.setPen(Qt::black);
  if (flags & 0x40) p.setBrush(Qt::white);
  kalvora::MarkupDrawArgs a;
  a.PictureStore = g_store;
  a.WordWrap = flags & 1;
  a.CheckAnchor = flags & 2;
  a.CheckHeight = flags & 4;
  a.Selected = flags & 8;
  a.Blink = flags & 16;
  a.HoverStyle = flags & 32;
  a.Print = flags & 128;
  a.XPos = 20;
  a.YPos = 8;
  a.FocusLink = 0;
  a.HoverLink = 1;
  a.LineSpacing = flags & 3;
  kalvora::MarkupDrawResult r;
  kalvora::DrawMarkup(p, text, QRect(0, 0, 160, 60), a, r);
  if (r.YSize <= 0) std::abort();
  return 0;
}

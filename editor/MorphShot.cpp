// For scripts/screenshot-morph.sh: opens the warp dialog on a sample picture (or the one given),
// makes one brush stroke across it and saves a picture of the window.
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "fMorph.h"

namespace {
void send(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton b, Qt::MouseButtons bs) {
  QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), b, bs, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: kalvora_morph_shot <screenshot.png> [picture]\n");
    return 2;
  }
  QTemporaryDir work;
  const QString folder = work.path() + "/";
  QImage img;
  if (argc > 2) img.load(QString::fromLocal8Bit(argv[2]));
  if (img.isNull()) {
    img = QImage(640, 480, QImage::Format_RGB888);
    QPainter p(&img);
    for (int y = 0; y < 480; y += 20)
      for (int x = 0; x < 640; x += 20) p.fillRect(x, y, 20, 20, ((x + y) / 20) % 2 ? QColor(40, 90, 170) : QColor(245, 235, 210));
  }
  img.save(folder + "Temp.jpg", "JPG", 92);
  TMorphForm f(folder);
  if (!f.Ready()) return 1;
  f.resize(1000, 700);
  f.show();
  int status = 1;
  QTimer::singleShot(300, [&] {
    QWidget* v = f.DstImg;
    const auto c = f.DstImg->BitmapToControl({img.width() / 2, img.height() / 2});
    const QPoint from(c.X - 60, c.Y), to(c.X + 60, c.Y + 20);
    send(v, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int i = 1; i <= 12; ++i) send(v, QEvent::MouseMove, from + (to - from) * i / 12, Qt::NoButton, Qt::LeftButton);
    send(v, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    QTimer::singleShot(300, [&] {
      status = f.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
      app.quit();
    });
  });
  app.exec();
  return status;
}

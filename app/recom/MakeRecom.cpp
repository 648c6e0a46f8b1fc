// Build tool: draws the program's "recom/" pictures (banners, window pictures, closing slides)
// into the folder given as the first argument. Run with QT_QPA_PLATFORM=offscreen.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "RecomPictures.h"

namespace {

const QColor kNight(18, 42, 86), kSea(40, 110, 170), kAmber(244, 180, 60), kPaper(250, 248, 240);

QFont font(int pixels, bool bold = false) {
  QFont f("DejaVu Sans");
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

void backdrop(QPainter& p, QRectF r, bool horizontal) {
  QLinearGradient g(r.topLeft(), horizontal ? r.topRight() : r.bottomLeft());
  g.setColorAt(0, kNight);
  g.setColorAt(1, kSea);
  p.fillRect(r, g);
}

// A small framed photo (sky, sun, hills), tilted by angle degrees around its centre.
void photo(QPainter& p, QPointF centre, double w, double angle, QColor sky) {
  p.save();
  p.translate(centre);
  p.rotate(angle);
  const double h = w * 0.75, border = std::max(2.0, w * 0.06);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 70));
  p.drawRect(QRectF(-w / 2 + 3, -h / 2 + 3, w, h));
  p.setBrush(kPaper);
  p.drawRect(QRectF(-w / 2, -h / 2, w, h));
  const QRectF in(-w / 2 + border, -h / 2 + border, w - 2 * border, h - 2 * border);
  QLinearGradient g(in.topLeft(), in.bottomLeft());
  g.setColorAt(0, sky);
  g.setColorAt(1, sky.lighter(160));
  p.fillRect(in, g);
  p.setBrush(kAmber);
  p.drawEllipse(QPointF(in.left() + in.width() * 0.72, in.top() + in.height() * 0.3), in.height() * 0.13,
                in.height() * 0.13);
  QPainterPath hills(QPointF(in.left(), in.bottom()));
  hills.lineTo(in.left(), in.top() + in.height() * 0.7);
  hills.quadTo(in.left() + in.width() * 0.3, in.top() + in.height() * 0.45, in.left() + in.width() * 0.55,
               in.top() + in.height() * 0.72);
  hills.quadTo(in.left() + in.width() * 0.8, in.top() + in.height() * 0.55, in.right(), in.top() + in.height() * 0.68);
  hills.lineTo(in.bottomRight());
  hills.closeSubpath();
  p.setBrush(QColor(60, 130, 70));
  p.drawPath(hills);
  p.restore();
}

void text(QPainter& p, QRectF r, const QString& s, int pixels, QColor c, int flags, bool bold = false) {
  p.setFont(font(pixels, bold));
  p.setPen(c);
  p.drawText(r, flags, s);
}

void banner(QPainter& p, QSize s) {
  backdrop(p, QRectF(QPointF(0, 0), s), true);
  const double h = s.height();
  photo(p, QPointF(h * 0.7, h * 0.5), h * 0.8, -8, QColor(90, 160, 220));
  photo(p, QPointF(h * 1.55, h * 0.52), h * 0.8, 6, QColor(240, 150, 90));
  // One banner serves both languages: the maker's name and pictures, no words.
  text(p, QRectF(h * 2.3, 0, s.width() - h * 2.4, h), "Tessaro", int(h * 0.46), Qt::white,
       Qt::AlignLeft | Qt::AlignVCenter, true);
  p.setPen(QPen(kAmber, std::max(2.0, h * 0.05)));
  p.drawLine(QPointF(h * 2.32, h * 0.8), QPointF(h * 4.6, h * 0.8));
}

void sideBanner(QPainter& p, QSize s) {
  backdrop(p, QRectF(QPointF(0, 0), s), false);
  const double w = s.width();
  photo(p, QPointF(w * 0.5, w * 0.55), w * 0.7, -7, QColor(90, 160, 220));
  photo(p, QPointF(w * 0.5, w * 1.25), w * 0.7, 5, QColor(240, 150, 90));
  photo(p, QPointF(w * 0.5, w * 1.95), w * 0.7, -4, QColor(130, 110, 200));
  text(p, QRectF(0, s.height() - w * 0.55, w, w * 0.3), "Tessaro", int(w * 0.18), Qt::white, Qt::AlignCenter, true);
}

void product(QPainter& p, QSize s) {
  backdrop(p, QRectF(QPointF(0, 0), s), true);
  photo(p, QPointF(s.width() * 0.3, s.height() * 0.45), s.width() * 0.38, -6, QColor(90, 160, 220));
  // A play triangle: slideshows with music.
  QPainterPath play;
  const QPointF c(s.width() * 0.72, s.height() * 0.42);
  const double r = s.height() * 0.2;
  play.moveTo(c + QPointF(-r * 0.6, -r));
  play.lineTo(c + QPointF(r, 0));
  play.lineTo(c + QPointF(-r * 0.6, r));
  play.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kAmber);
  p.drawPath(play);
  text(p, QRectF(0, s.height() * 0.75, s.width(), s.height() * 0.25), "Slidora", int(s.height() * 0.16), Qt::white,
       Qt::AlignCenter, true);
}

void about(QPainter& p, QSize s) {
  backdrop(p, QRectF(QPointF(0, 0), s), false);
  photo(p, QPointF(s.width() * 0.32, s.height() * 0.42), s.width() * 0.42, -9, QColor(90, 160, 220));
  photo(p, QPointF(s.width() * 0.66, s.height() * 0.46), s.width() * 0.42, 7, QColor(240, 150, 90));
  text(p, QRectF(0, s.height() * 0.76, s.width(), s.height() * 0.22), "Tessaro", int(s.height() * 0.13), Qt::white,
       Qt::AlignCenter, true);
}

void bulb(QPainter& p, QSize s) {
  p.fillRect(QRect(QPoint(0, 0), s), Qt::transparent);
  const double w = s.width();
  QRadialGradient g(QPointF(w * 0.45, w * 0.35), w * 0.4);
  g.setColorAt(0, QColor(255, 250, 200));
  g.setColorAt(1, kAmber);
  p.setPen(QPen(QColor(150, 100, 20), 1.5));
  p.setBrush(g);
  p.drawEllipse(QPointF(w * 0.5, w * 0.4), w * 0.3, w * 0.3);
  p.setBrush(QColor(150, 150, 160));
  p.drawRoundedRect(QRectF(w * 0.36, w * 0.68, w * 0.28, w * 0.22), 3, 3);
}

void playerIcon(QPainter& p, QSize s) {
  p.fillRect(QRect(QPoint(0, 0), s), Qt::transparent);
  const double w = s.width();
  QLinearGradient g(0, 0, 0, w);
  g.setColorAt(0, kSea);
  g.setColorAt(1, kNight);
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(QRectF(2, 2, w - 4, w - 4), w * 0.18, w * 0.18);
  QPainterPath play;
  play.moveTo(w * 0.38, w * 0.28);
  play.lineTo(w * 0.74, w * 0.5);
  play.lineTo(w * 0.38, w * 0.72);
  play.closeSubpath();
  p.setBrush(kAmber);
  p.drawPath(play);
}

void note(QPainter& p, QPointF at, double size, QColor c) {
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.save();
  p.translate(at);
  p.rotate(-20);
  p.drawEllipse(QPointF(0, 0), size * 0.28, size * 0.2);
  p.restore();
  p.drawRect(QRectF(at.x() + size * 0.2, at.y() - size, size * 0.08, size));
  p.drawRect(QRectF(at.x() + size * 0.2, at.y() - size, size * 0.4, size * 0.12));
}

void audioBanner(QPainter& p, QSize s) {
  backdrop(p, QRectF(QPointF(0, 0), s), true);
  const double h = s.height();
  note(p, QPointF(h * 0.45, h * 0.75), h * 0.6, kAmber);
  note(p, QPointF(h * 1.1, h * 0.7), h * 0.5, QColor(255, 220, 150));
  // A sound wave across the rest of the banner.
  QPainterPath wave(QPointF(h * 1.9, h * 0.5));
  for (double x = h * 1.9; x < s.width() - 8; x += 2)
    wave.lineTo(x, h * 0.5 + std::sin(x / 7.0) * h * 0.3 * std::sin((x - h * 1.9) / (s.width() - h * 1.9) * M_PI));
  p.setPen(QPen(QColor(255, 255, 255, 200), 2));
  p.setBrush(Qt::NoBrush);
  p.drawPath(wave);
}

void audio(QPainter& p, QSize s) {
  p.fillRect(QRect(QPoint(0, 0), s), Qt::transparent);
  const double w = s.width();
  p.setPen(Qt::NoPen);
  p.setBrush(kNight);
  p.drawEllipse(QPointF(w / 2, w / 2), w * 0.46, w * 0.46);
  note(p, QPointF(w * 0.38, w * 0.72), w * 0.5, kAmber);
}

// The last slide of a video or slideshow: who made it and with what.
void closing(QPainter& p, QSize s, const QString& line1, const QString& line2) {
  backdrop(p, QRectF(QPointF(0, 0), s), false);
  photo(p, QPointF(s.width() * 0.38, s.height() * 0.36), s.width() * 0.26, -8, QColor(90, 160, 220));
  photo(p, QPointF(s.width() * 0.62, s.height() * 0.38), s.width() * 0.26, 7, QColor(240, 150, 90));
  text(p, QRectF(0, s.height() * 0.6, s.width(), s.height() * 0.12), line1, int(s.height() * 0.06), Qt::white,
       Qt::AlignCenter);
  text(p, QRectF(0, s.height() * 0.72, s.width(), s.height() * 0.12), line2, int(s.height() * 0.08), kAmber,
       Qt::AlignCenter, true);
  text(p, QRectF(0, s.height() * 0.86, s.width(), s.height() * 0.08), "Tessaro", int(s.height() * 0.04),
       QColor(255, 255, 255, 180), Qt::AlignCenter);
}

}  // namespace

int main(int argc, char* argv[]) {
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: kalvora_make_recom <folder>\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]) + "/";
  QDir().mkpath(folder);
  const QString de1 = QString::fromUtf8("Diese Diashow wurde erstellt mit"), en1 = "This slideshow was made with";
  const std::map<std::string, std::function<void(QPainter&, QSize)>> painters = {
      {"m_program.jpg", banner},
      {"m_side.jpg", sideBanner},
      {"m_slidora.jpg", product},
      {"about.jpg", about},
      {"tip.png", bulb},
      {"player_icon.png", playerIcon},
      {"audioinfo.png", audioBanner},
      {"audio.png", audio},
      {"TessaroImage_VCD.jpg", [&](QPainter& p, QSize s) { closing(p, s, de1, "Kalvora Plus"); }},
      {"ENImage_VCD.jpg", [&](QPainter& p, QSize s) { closing(p, s, en1, "Slidora"); }},
      {"TessaroImage_PLAYER.jpg", [&](QPainter& p, QSize s) { closing(p, s, de1, "Kalvora Plus"); }},
      {"ENImage_PLAYER.jpg", [&](QPainter& p, QSize s) { closing(p, s, en1, "Slidora"); }},
  };
  int failures = 0;
  for (const recom::PictureFile& f : recom::kPictures) {
    const auto painter = painters.find(f.name);
    const bool png = QString::fromLatin1(f.name).endsWith(".png");
    QImage img(f.size, png ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    img.fill(png ? Qt::transparent : Qt::white);
    if (painter != painters.end()) {
      QPainter p(&img);
      p.setRenderHint(QPainter::Antialiasing);
      p.setRenderHint(QPainter::TextAntialiasing);
      painter->second(p, f.size);
    }
    if (painter == painters.end() || !img.save(folder + f.name, nullptr, png ? -1 : 90)) {
      std::fprintf(stderr, "kalvora_make_recom: cannot draw %s\n", f.name);
      ++failures;
    }
  }
  return failures ? 1 : 0;
}

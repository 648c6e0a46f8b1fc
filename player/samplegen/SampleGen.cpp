// Paints the two sample slideshows the program ships and writes the tune of its sample
// music as a WAVE file (the build encodes it to MP3). Everything is drawn here, so the
// program carries no pictures or sounds from elsewhere.
//
//   kalvora-samplegen <diashow folder> <wave file>
#include <FileOps.h>
#include <IniFile.h>
#include <StoredCaption.h>
#include <StringList.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Painter = std::function<void(QPainter&, QSize, QRandomGenerator&)>;

struct Picture {
  const char* name;
  const char* caption;
  QSize size;
  Painter paint;
};

void Signature(QPainter& p, QSize s) {
  QFont f("DejaVu Sans");
  f.setPixelSize(s.height() / 40);
  p.setFont(f);
  p.setPen(QColor(255, 255, 255, 170));
  p.drawText(QRect(0, 0, s.width() - 16, s.height() - 10), Qt::AlignRight | Qt::AlignBottom,
             QStringLiteral("Kalvora Beispiel"));
}

void Sky(QPainter& p, QSize s, QColor top, QColor horizon, double horizonAt) {
  QLinearGradient g(0, 0, 0, s.height() * horizonAt);
  g.setColorAt(0, top);
  g.setColorAt(1, horizon);
  p.fillRect(QRect(0, 0, s.width(), int(s.height() * horizonAt) + 1), g);
}

void Sun(QPainter& p, QPointF c, double r, QColor core) {
  QRadialGradient g(c, r * 3);
  g.setColorAt(0, core);
  g.setColorAt(0.33, core.lighter(110));
  g.setColorAt(0.34, QColor(core.red(), core.green(), core.blue(), 90));
  g.setColorAt(1, QColor(core.red(), core.green(), core.blue(), 0));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawEllipse(c, r * 3, r * 3);
}

// A ridge of mountains from x=0 to the right edge around height base.
void Ridge(QPainter& p, QSize s, QRandomGenerator& rnd, double base, double rough, QColor top, QColor foot) {
  QPainterPath path;
  path.moveTo(0, s.height());
  double y = s.height() * base;
  for (int x = 0; x <= s.width(); x += s.width() / 24) {
    y += (rnd.generateDouble() - 0.5) * s.height() * rough;
    y = std::clamp(y, s.height() * (base - 0.2), s.height() * (base + 0.1));
    path.lineTo(x, y);
  }
  path.lineTo(s.width(), y);
  path.lineTo(s.width(), s.height());
  path.closeSubpath();
  QLinearGradient g(0, s.height() * (base - 0.2), 0, s.height());
  g.setColorAt(0, top);
  g.setColorAt(1, foot);
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawPath(path);
}

void Water(QPainter& p, QSize s, double from, QColor a, QColor b, QRandomGenerator& rnd) {
  const int y0 = int(s.height() * from);
  QLinearGradient g(0, y0, 0, s.height());
  g.setColorAt(0, a);
  g.setColorAt(1, b);
  p.fillRect(QRect(0, y0, s.width(), s.height() - y0), g);
  p.setPen(QPen(QColor(255, 255, 255, 60), 2));
  for (int i = 0; i < 40; ++i) {
    const int y = y0 + int(rnd.generateDouble() * (s.height() - y0));
    const int x = int(rnd.generateDouble() * s.width());
    p.drawLine(x, y, x + 20 + int(rnd.generateDouble() * 60), y);
  }
}

const std::vector<Picture>& ColourShow() {
  static const std::vector<Picture> pics = {
      {"Kreise.jpg", "Kreise in Blau", {1024, 768},
       [](QPainter& p, QSize s, QRandomGenerator& rnd) {
         QLinearGradient g(0, 0, s.width(), s.height());
         g.setColorAt(0, QColor(10, 30, 90));
         g.setColorAt(1, QColor(40, 140, 200));
         p.fillRect(QRect(QPoint(), s), g);
         p.setPen(Qt::NoPen);
         for (int i = 0; i < 60; ++i) {
           const double r = 20 + rnd.generateDouble() * 120;
           p.setBrush(QColor::fromHsv(190 + rnd.bounded(50), 120 + rnd.bounded(135), 255, 110));
           p.drawEllipse(QPointF(rnd.generateDouble() * s.width(), rnd.generateDouble() * s.height()), r, r);
         }
       }},
      {"Quadrate.jpg", "Rote Quadrate und gelbe Rahmen", {1024, 768},
       [](QPainter& p, QSize s, QRandomGenerator& rnd) {
         p.fillRect(QRect(QPoint(), s), QColor(250, 240, 220));
         for (int i = 0; i < 30; ++i) {
           const int w = 40 + rnd.bounded(200);
           QRect r(rnd.bounded(s.width()) - w / 2, rnd.bounded(s.height()) - w / 2, w, w);
           p.setPen(QPen(QColor(240, 190, 20), 6));
           p.setBrush(QColor::fromHsv(rnd.bounded(20), 200, 150 + rnd.bounded(100)));
           p.save();
           p.translate(r.center());
           p.rotate(rnd.bounded(90));
           p.drawRect(QRect(-w / 2, -w / 2, w, w));
           p.restore();
         }
       }},
      {"Farbverlauf.jpg", "Ein Farbverlauf über alle Töne", {1024, 768},
       [](QPainter& p, QSize s, QRandomGenerator&) {
         QLinearGradient g(0, 0, s.width(), 0);
         for (int i = 0; i <= 6; ++i) g.setColorAt(i / 6.0, QColor::fromHsv((i * 60) % 360, 230, 240));
         p.fillRect(QRect(QPoint(), s), g);
         QLinearGradient shade(0, 0, 0, s.height());
         shade.setColorAt(0, QColor(255, 255, 255, 0));
         shade.setColorAt(1, QColor(0, 0, 0, 200));
         p.fillRect(QRect(QPoint(), s), shade);
       }},
      {"Sterne.jpg", "Sterne über der Stadt", {768, 1024},
       [](QPainter& p, QSize s, QRandomGenerator& rnd) {
         Sky(p, s, QColor(5, 5, 30), QColor(60, 30, 90), 1.0);
         p.setPen(Qt::NoPen);
         for (int i = 0; i < 300; ++i) {
           p.setBrush(QColor(255, 255, 220, 100 + rnd.bounded(155)));
           const double r = 0.5 + rnd.generateDouble() * 2;
           p.drawEllipse(QPointF(rnd.generateDouble() * s.width(), rnd.generateDouble() * s.height() * 0.7), r, r);
         }
         int x = 0;
         while (x < s.width()) {
           const int w = 40 + rnd.bounded(80), h = 100 + rnd.bounded(300);
           p.setBrush(QColor(15, 15, 25));
           p.drawRect(x, s.height() - h, w, h);
           p.setBrush(QColor(250, 210, 90));
           for (int wy = s.height() - h + 12; wy < s.height() - 12; wy += 24)
             for (int wx = x + 8; wx < x + w - 12; wx += 16)
               if (rnd.bounded(3) == 0) p.drawRect(wx, wy, 7, 10);
           x += w + 4;
         }
       }},
      {"Ringe.jpg", "Ringe ohne Ende", {1024, 768},
       [](QPainter& p, QSize s, QRandomGenerator&) {
         p.fillRect(QRect(QPoint(), s), QColor(20, 20, 20));
         p.setBrush(Qt::NoBrush);
         for (int i = 30; i > 0; --i) {
           p.setPen(QPen(QColor::fromHsv((i * 12) % 360, 200, 250), 8));
           p.drawEllipse(QPointF(s.width() / 2.0, s.height() / 2.0), i * 14.0, i * 11.0);
         }
       }},
      {"Mosaik.jpg", "Mosaik", {1024, 768},
       [](QPainter& p, QSize s, QRandomGenerator& rnd) {
         const int c = 32;
         for (int y = 0; y < s.height(); y += c)
           for (int x = 0; x < s.width(); x += c)
             p.fillRect(QRect(x + 1, y + 1, c - 2, c - 2),
                        QColor::fromHsv((x / 4 + y / 8 + rnd.bounded(30)) % 360, 160, 200 + rnd.bounded(55)));
       }},
  };
  return pics;
}

const std::vector<Picture>& LandscapeShow() {
  static const std::vector<Picture> pics = {
      {"Morgen.jpg", "Sonnenaufgang über den Bergen", {1024, 768},
       [](QPainter& p, QSize s, QRandomGenerator& rnd) {
         Sky(p, s, QColor(40, 60, 140), QColor(250, 170, 90), 0.75);
         Sun(p, QPointF(s.width() * 0.7, s.height() * 0.55), 30, QColor(255, 230, 150));
         Ridge(p, s, rnd, 0.55, 0.08, QColor(90, 80, 120), QColor(40, 40, 60));
         Ridge(p, s, rnd, 0.72, 0.05, QColor(40, 90, 50), QColor(10, 40, 20));
       }},
      {"See.jpg", "Abendrot am See", {1024, 768},
       [](QPainter& p, QSize s, QRandomGenerator& rnd) {
         Sky(p, s, QColor(80, 30, 90), QColor(250, 110, 60), 0.6);
         Sun(p, QPointF(s.width() * 0.4, s.height() * 0.52), 40, QColor(255, 200, 120));
         Ridge(p, s, rnd, 0.55, 0.03, QColor(60, 30, 60), QColor(30, 20, 40));
         Water(p, s, 0.6, QColor(200, 90, 70), QColor(40, 20, 50), rnd);
       }},
      {"Wiese.jpg", "Blumenwiese im Mai", {1024, 768},
       [](QPainter& p, QSize s, QRandomGenerator& rnd) {
         Sky(p, s, QColor(70, 140, 230), QColor(200, 230, 250), 0.5);
         Ridge(p, s, rnd, 0.5, 0.02, QColor(110, 180, 70), QColor(50, 130, 40));
         p.setPen(Qt::NoPen);
         for (int i = 0; i < 400; ++i) {
           const double y = s.height() * (0.55 + rnd.generateDouble() * 0.45);
           const double r = 1 + (y / s.height()) * 6;
           p.setBrush(QColor::fromHsv(std::array{0, 50, 280, 330}[rnd.bounded(4)], 180, 250));
           p.drawEllipse(QPointF(rnd.generateDouble() * s.width(), y), r, r);
         }
       }},
      {"Gipfel.jpg", "Schnee auf dem Gipfel", {768, 1024},
       [](QPainter& p, QSize s, QRandomGenerator& rnd) {
         Sky(p, s, QColor(30, 90, 200), QColor(180, 210, 240), 0.6);
         QPainterPath peak;
         peak.moveTo(0, s.height() * 0.8);
         peak.lineTo(s.width() * 0.5, s.height() * 0.25);
         peak.lineTo(s.width(), s.height() * 0.75);
         peak.lineTo(s.width(), s.height());
         peak.lineTo(0, s.height());
         p.setPen(Qt::NoPen);
         p.setBrush(QColor(110, 110, 130));
         p.drawPath(peak);
         QPainterPath snow;
         snow.moveTo(s.width() * 0.5, s.height() * 0.25);
         snow.lineTo(s.width() * 0.36, s.height() * 0.39);
         snow.lineTo(s.width() * 0.45, s.height() * 0.36);
         snow.lineTo(s.width() * 0.52, s.height() * 0.4);
         snow.lineTo(s.width() * 0.62, s.height() * 0.36);
         snow.closeSubpath();
         p.setBrush(QColor(250, 250, 255));
         p.drawPath(snow);
         Ridge(p, s, rnd, 0.85, 0.04, QColor(30, 80, 40), QColor(10, 40, 20));
       }},
      {"Meer.jpg", "Wellen im Licht", {1024, 768},
       [](QPainter& p, QSize s, QRandomGenerator& rnd) {
         Sky(p, s, QColor(90, 160, 230), QColor(220, 240, 255), 0.45);
         Sun(p, QPointF(s.width() * 0.2, s.height() * 0.15), 35, QColor(255, 250, 220));
         Water(p, s, 0.45, QColor(40, 120, 180), QColor(10, 40, 90), rnd);
       }},
      {"Nacht.jpg", "Vollmond über dem Wald", {1024, 768},
       [](QPainter& p, QSize s, QRandomGenerator& rnd) {
         Sky(p, s, QColor(5, 10, 40), QColor(30, 50, 90), 0.8);
         Sun(p, QPointF(s.width() * 0.75, s.height() * 0.2), 28, QColor(240, 240, 210));
         Ridge(p, s, rnd, 0.7, 0.03, QColor(20, 40, 30), QColor(5, 15, 10));
         p.setPen(Qt::NoPen);
         p.setBrush(QColor(5, 20, 10));
         for (int i = 0; i < 30; ++i) {
           const double x = rnd.generateDouble() * s.width(), h = 80 + rnd.generateDouble() * 150;
           QPolygonF tree;
           tree << QPointF(x, s.height() - h - 20) << QPointF(x - h / 5, s.height()) << QPointF(x + h / 5, s.height());
           p.drawPolygon(tree);
         }
       }},
  };
  return pics;
}

bool WriteShow(const QString& folder, const QString& title, const std::vector<Picture>& pics, quint32 seed) {
  if (!kalvora::ForceDirectories(folder)) return false;
  kalvora::StringList list;
  for (const Picture& pic : pics) {
    QImage img(pic.size, QImage::Format_RGB32);
    img.fill(Qt::black);
    QRandomGenerator rnd(seed++);
    {
      QPainter p(&img);
      p.setRenderHint(QPainter::Antialiasing);
      pic.paint(p, pic.size, rnd);
      Signature(p, pic.size);
    }
    if (!img.save(folder + "/" + pic.name, "JPEG", 88)) return false;
    list.add(kalvora::PictureListLine(QString::fromUtf8(pic.name), QString::fromUtf8(pic.caption)));
  }
  QFile::remove(folder + "/Diashow.ini");
  kalvora::IniFile ini(folder + "/Diashow.ini");
  kalvora::IniFile::Batch batch(ini);
  ini.writeString("DIASHOW", "Titel", title);
  ini.writeString("DIASHOW", "Time", "5");
  return list.saveToFile(folder + "/Pictures.ini");
}

// A little tune in the manner of a bumble bee: a fast chromatic figure over a bass line.
// 44100 Hz stereo, the only audio form the program takes into a slideshow.
bool WriteTune(const QString& path) {
  const int rate = 44100;
  const double bpm = 150;
  const double sixteenth = 60.0 / bpm / 4;
  // Semitones from A4; a figure that buzzes up and down, four times shifted.
  const int figure[] = {12, 11, 10, 9, 8, 9, 10, 9, 12, 11, 10, 9, 8, 7, 6, 5};
  const int shifts[] = {0, 0, 5, 5, 7, 5, 0, 0};
  const int bass[] = {-24, -24, -19, -19, -17, -19, -24, -24};
  std::vector<qint16> samples;
  for (int bar = 0; bar < 8; ++bar) {
    for (int n = 0; n < 16; ++n) {
      const double melodyHz = 440.0 * std::pow(2.0, (figure[n] + shifts[bar]) / 12.0);
      const double bassHz = 440.0 * std::pow(2.0, bass[bar] / 12.0);
      const int count = int(sixteenth * rate);
      const double startT = (bar * 16 + n) * sixteenth;
      for (int i = 0; i < count; ++i) {
        const double t = double(i) / rate;
        const double gt = startT + t;
        const double env = std::min(1.0, t * 200) * std::exp(-t * 6);
        double v = 0.45 * env * (std::sin(2 * M_PI * melodyHz * gt) + 0.3 * std::sin(4 * M_PI * melodyHz * gt));
        v += 0.25 * std::sin(2 * M_PI * bassHz * gt) * (n % 4 == 0 ? 1.0 : 0.7);
        const double fade = std::min(1.0, (8 * 16 * sixteenth - gt) * 2);  // soft end
        const double pan = 0.5 + 0.3 * std::sin(2 * M_PI * gt / 4);  // the bee flies to and fro
        const double s = std::clamp(v * fade, -1.0, 1.0) * 26000;
        samples.push_back(qint16(s * (1.2 - pan)));
        samples.push_back(qint16(s * (0.2 + pan)));
      }
    }
  }
  QByteArray data;
  auto u32 = [&](quint32 v) { for (int i = 0; i < 4; ++i) data.append(char((v >> (8 * i)) & 0xFF)); };
  auto u16 = [&](quint16 v) { data.append(char(v & 0xFF)); data.append(char(v >> 8)); };
  const quint32 bytes = quint32(samples.size() * 2);
  data.append("RIFF"); u32(36 + bytes); data.append("WAVE");
  data.append("fmt "); u32(16); u16(1); u16(2); u32(rate); u32(rate * 4); u16(4); u16(16);
  data.append("data"); u32(bytes);
  for (qint16 s : samples) u16(quint16(s));
  return kalvora::WriteFileAtomic(path, data);
}

}  // namespace

int main(int argc, char* argv[]) {
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: kalvora-samplegen <diashow folder> <wave file>\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  bool ok = WriteShow(out + "/Archive_0001", QStringLiteral("Farben und Formen"), ColourShow(), 100);
  ok = ok && WriteShow(out + "/Archive_0002", QStringLiteral("Landschaften"), LandscapeShow(), 200);
  ok = ok && WriteTune(QString::fromLocal8Bit(argv[2]));
  if (!ok) std::fprintf(stderr, "kalvora-samplegen: could not write the samples into %s\n", argv[1]);
  return ok ? 0 : 1;
}

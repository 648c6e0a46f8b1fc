#include "PlayerTestUtil.h"

#include <QDir>
#include <QImage>

#include <TestSupport.h>

namespace playertest {

bool WritePicture(const QString& path, QColor color, int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(color);
  return img.save(path, "JPEG", 95);
}

void WriteShow(const QString& folder, const QString& title, const QString& time,
               const QStringList& lines, const QStringList& pictures) {
  QDir().mkpath(folder);
  testsupport::writeBytes(folder + "/Diashow.ini",
                          ("[DIASHOW]\r\nTitel=" + title + "\r\nTime=" + time + "\r\n").toUtf8());
  QString text;
  for (const QString& l : lines) text += l + "\r\n";
  testsupport::writeBytes(folder + "/Pictures.ini", text.toUtf8());
  int hue = 0;
  for (const QString& p : pictures) WritePicture(folder + "/" + p, QColor::fromHsv((hue += 50) % 360, 200, 200));
}

}  // namespace playertest

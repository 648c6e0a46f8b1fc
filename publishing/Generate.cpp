#include "Generate.h"

#include <QFile>

#include "FileOps.h"
#include "GalleryPages.h"

namespace {
bool readLines(const QString& path, QStringList& out) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  QString text = QString::fromUtf8(f.readAll());
  text.replace("\r\n", "\n");
  out = text.split('\n');
  if (!out.isEmpty() && out.last().isEmpty()) out.removeLast();
  return true;
}
}  // namespace

TMake::TMake(const QString& templateBase, const QString& outFile) : FTemplate(templateBase), FOutFile(outFile) {
  ok_ = readLines(templateBase + ".ht1", FHeader) && readLines(templateBase + ".ht2", FFooter);
}

bool TMake::Make() {
  if (!ok_) return false;
  return kalvora::WriteFileAtomic(FOutFile, gallery::JoinLines(FHeader + FBody + FFooter));
}

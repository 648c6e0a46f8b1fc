// The gallery's text side on arbitrary names and captions: the input (UTF-8) is split at line
// breaks into file names; the first one is also the caption and the title. Checks that web
// names never collide and that every page line stays plain ASCII with no mark-up of the input.
#include <QSet>
#include <QStringList>
#include <cstdint>
#include <cstdlib>

#include "GalleryPages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  QStringList names = text.split('\n');
  if (names.size() > 64) names = names.mid(0, 64);
  const QStringList web = gallery::WebNames(names);
  if (web.size() != names.size()) std::abort();
  QSet<QString> files{"gallery.html"};
  std::vector<gallery::PageEntry> entries;
  for (const QString& b : web) {
    if (b.isEmpty() || b.contains('/') || b.startsWith('.') || b.toUtf8().size() > 200) std::abort();
    for (const QString& f : {b + ".jpg", b + "_thumb.jpg", b + ".html"}) {
      if (files.contains(f.toLower())) std::abort();
      files.insert(f.toLower());
    }
    entries.push_back({b, names.first(), 10, 10});
  }
  gallery::Settings s;
  s.textVisible = s.filenameVisible = true;
  s.picProRow = 1 + int(size % 7);
  QStringList lines = gallery::OverviewBody(entries, s);
  lines += gallery::PictureBody(entries, int(size % entries.size()), s, "GERMAN", names.first());
  lines += gallery::GalleryHeader("ENGLISH", {names.first(), names.last(), names.first()}, names.last());
  for (const QString& l : lines) {
    for (const QChar c : l)
      if (c.unicode() >= 0x80 || c.unicode() < 0x20) std::abort();
  }
  const QString escaped = gallery::HtmlText(names.first());
  if (escaped.contains('<') || escaped.contains('>') || escaped.contains('"')) std::abort();
  const QString url = gallery::UrlPart(names.first());
  for (const QChar c : url)
    if (!(c.isLetterOrNumber() || QStringLiteral("%._~-").contains(c)) || c.unicode() >= 0x80) std::abort();
  return 0;
}

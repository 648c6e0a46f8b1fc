#pragma once
// TMake: the page builder. A page is its template's header lines, the body lines the caller
// adds and the template's footer lines, written with CR LF line ends.
#include <QString>
#include <QStringList>

class TMake {
 public:
  // Loads templateBase + ".ht1" and + ".ht2"; a template that cannot be read leaves the
  // builder unusable (Ok() false, Make() refuses).
  TMake(const QString& templateBase, const QString& outFile);

  bool Ok() const { return ok_; }
  // Writes the page through a temporary file, so a failure never leaves half a page.
  bool Make();

  QString FTemplate;
  QString FOutFile;
  QStringList FHeader;
  QStringList FFooter;
  QStringList FBody;

 private:
  bool ok_ = false;
};

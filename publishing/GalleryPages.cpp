#include "GalleryPages.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>

#include "IniFile.h"

namespace gallery {

namespace {
const QString kSection = QStringLiteral("SETTINGS");
constexpr uint32_t kEarlierTextColor = 4;

bool isGerman(const QString& language) { return language == QLatin1String("GERMAN"); }
bool isSwedish(const QString& language) { return language == QLatin1String("SWEDISH"); }

int readNumber(const kalvora::IniFile& ini, const char* key, int def, int min, int max) {
  bool ok = false;
  const int v = ini.readString(kSection, QLatin1String(key)).trimmed().toInt(&ok, 10);
  return ok && v >= min && v <= max ? v : def;
}

bool readFlag(const kalvora::IniFile& ini, const char* key, const char* def) {
  return ini.readString(kSection, QLatin1String(key), QLatin1String(def)).trimmed().toUpper() == "TRUE";
}

QString titleLine(const Identity& id) { return "<HTML><HEAD><TITLE>" + HtmlText(id.siteTitle) + "</TITLE>"; }

QString meta(const char* name, const QString& content) {
  return QStringLiteral("<META NAME=\"%1\" CONTENT=\"%2\">").arg(QLatin1String(name), content);
}

const char* const kAltText = "Klicken Sie auf das Bild, um es zu vergr&ouml;&szlig;ern";
const char* const kFont1 = "<font face=\"Verdana,Arial\" size=\"1\">";

// Longest web base name in UTF-8 bytes: room for "_thumb.jpg" and a collision number.
constexpr int kMaxBaseBytes = 200;

QString shorten(const QString& base) {
  if (base.toUtf8().size() <= kMaxBaseBytes) return base;
  QString out;
  int bytes = 0;
  for (const char32_t c : base.toUcs4()) {
    const QString ch = QString::fromUcs4(&c, 1);
    const int n = int(ch.toUtf8().size());
    if (bytes + n > kMaxBaseBytes) break;
    out += ch;
    bytes += n;
  }
  return out;
}
}  // namespace

Identity DefaultIdentity() {
  return {QStringLiteral("Kalvora Bildergalerie"), QStringLiteral("Pixelwerk"), QStringLiteral("Bilder im Internet")};
}

void ProtectIniFile(const QString& iniPath) {
  if (!QFileInfo::exists(iniPath)) {
    QFile f(iniPath);
    if (f.open(QIODevice::WriteOnly)) f.close();
  }
  QFile::setPermissions(iniPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

Settings LoadSettings(const QString& iniPath) {
  const kalvora::IniFile ini(iniPath);
  Settings s;
  const Settings d;
  s.smallPicX = readNumber(ini, "SmallPicX", d.smallPicX, 1, kMaxPicX);
  s.largePicX = readNumber(ini, "LargePicX", d.largePicX, 1, kMaxPicX);
  s.compression = readNumber(ini, "Compression", d.compression, INT32_MIN, INT32_MAX);
  s.picProRow = readNumber(ini, "PicProRow", d.picProRow, 1, kMaxPicProRow);
  s.bkgColor = uint32_t(readNumber(ini, "BKGColor", int(d.bkgColor), 0, 0xFFFFFF));
  s.textColor = uint32_t(readNumber(ini, "TextColor", int(d.textColor), 0, 0xFFFFFF));
  // Saved by an earlier gallery run as it was installed, not chosen: #040000 on black.
  if (s.bkgColor == 0 && s.textColor == kEarlierTextColor) s.textColor = d.textColor;
  s.textVisible = readFlag(ini, "TextVisible", "");
  s.filenameVisible = readFlag(ini, "FilenameVisible", "");
  s.shapeVisible = readFlag(ini, "ShapeVisible", "TRUE");
  return s;
}

bool SaveSettings(const QString& iniPath, const Settings& s) {
  ProtectIniFile(iniPath);
  kalvora::IniFile ini(iniPath);
  {
    kalvora::IniFile::Batch batch(ini);
    ini.writeString(kSection, "SmallPicX", QString::number(s.smallPicX));
    ini.writeString(kSection, "LargePicX", QString::number(s.largePicX));
    ini.writeString(kSection, "Compression", QString::number(s.compression));
    ini.writeString(kSection, "PicProRow", QString::number(s.picProRow));
    ini.writeString(kSection, "BKGColor", QString::number(s.bkgColor));
    ini.writeString(kSection, "TextColor", QString::number(s.textColor));
    ini.writeBool(kSection, "TextVisible", s.textVisible);
    ini.writeBool(kSection, "FilenameVisible", s.filenameVisible);
    ini.writeBool(kSection, "ShapeVisible", s.shapeVisible);
  }
  const bool ok = !ini.pending();
  QFile::setPermissions(iniPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  return ok;
}

QString ColorToHtml(uint32_t color) {
  return QStringLiteral("#%1%2%3")
      .arg(color & 0xFF, 2, 16, QLatin1Char('0'))
      .arg((color >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
      .arg((color >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
      .toUpper();
}

QString HtmlText(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (const char32_t c : text.toUcs4()) {
    switch (c) {
      case '&': out += QLatin1String("&amp;"); break;
      case '<': out += QLatin1String("&lt;"); break;
      case '>': out += QLatin1String("&gt;"); break;
      case '"': out += QLatin1String("&quot;"); break;
      default:
        if (c < 0x20 || c >= 0x7F)
          out += QLatin1String("&#") + QString::number(uint(c)) + QLatin1Char(';');
        else
          out += QChar(char16_t(c));
    }
  }
  return out;
}

QString UrlPart(const QString& name) {
  static const char* hex = "0123456789ABCDEF";
  QString out;
  for (const char b : name.toUtf8()) {
    const auto u = uchar(b);
    if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '.' || u == '_' ||
        u == '~' || u == '-') {
      out += QChar(u);
    } else {
      out += QLatin1Char('%');
      out += QLatin1Char(hex[u >> 4]);
      out += QLatin1Char(hex[u & 15]);
    }
  }
  return out;
}

QStringList GalleryHeader(const QString& language, const Identity& id, const QString& title) {
  const QString a = HtmlText(id.author), d = HtmlText(id.description);
  QStringList l{titleLine(id)};
  if (isGerman(language)) {
    l << meta("author", a + " Kalvora") << meta("description", "Seite erstellt mit " + a + " Kalvora " + d)
      << meta("keywords", "Kalvora, diashow java, java script diashow, java diashow, bild diashow java script");
  } else {
    l << meta("author", a + " Slidora") << meta("description", "Created with " + a + " Slidora " + d)
      << meta("keywords", "Slidora, slidshow java, java script slideshow, java slideshow");
  }
  l << "<LINK href=\"layout.css\" rel=\"stylesheet\" type=\"text/css\">" << "</HEAD>" << "<BODY>";
  l << "<CENTER><font face=\"Verdana,Arial\" size=\"3\"><b>" + HtmlText(title) + "</b></font><br><br>";
  if (isGerman(language))
    l << QString(kFont1) +
             "Klicken Sie auf die Bilder, um diese in Originalgr&ouml;&szlig;e zu sehen.</font></CENTER><BR>";
  else
    l << QString(kFont1) + "Click the pictures to enlarge.</font></CENTER><BR>";
  l << "<table width=\"100%\" border=\"0\" cellspacing=\"15\" cellpadding=\"0\">";
  return l;
}

QStringList GalleryFooter() { return QStringList{"</table>"} + PageFooter(); }

QStringList PageHeader(const QString& language, const Identity& id) {
  const QString a = HtmlText(id.author), d = HtmlText(id.description);
  QStringList l{titleLine(id)};
  if (isGerman(language)) {
    l << meta("author", a + " Kalvora") << meta("description", "Seite erstellt mit " + a + " Kalvora " + d)
      << meta("keywords", "Kalvora, diashow java, java script diashow, java diashow, bild diashow java script");
  } else {
    const QString product = isSwedish(language) ? QStringLiteral("Slidora") : QStringLiteral("Kalvora");
    l << meta("author", a + " " + product) << meta("description", "Page created with " + a + " " + product + " " + d)
      << meta("keywords", product + ", slidshow java, java script slideshow, java slideshow");
  }
  l << "<LINK href=\"layout.css\" rel=\"stylesheet\" type=\"text/css\">" << "</HEAD>" << "<BODY>";
  return l;
}

QStringList PageFooter() {
  return {"<HR>", "<FONT FACE=Verdana,Arial Size=1>", " <CENTER>", " </CENTER>", "</FONT>", "</BODY>", "</HTML>"};
}

QStringList CssLines(uint32_t textColor, uint32_t bkgColor) {
  const QString t = ColorToHtml(textColor), b = ColorToHtml(bkgColor);
  QStringList l{"",
                "BODY {",
                "\tFONT-FAMILY: Verdana, Helvetica;",
                "\tFONT-SIZE: 10px;",
                "\tFONT-WEIGHT: normal;",
                "\tmargin-top:20px;",
                "\tmargin-left:0px;",
                "\tcolor:" + t + ";",
                "\tbackground-color :" + b + ";",
                "}"};
  for (const char* sel : {"a:link {", "a:visited {", "a:active {", "a:hover {"}) l << sel << "\tcolor:" + t + ";" << "}";
  l << ".content {" << "\tFONT-FAMILY: verdana, arial, helvetica;" << "\tFONT-SIZE: 8pt;" << "\tmargin-top:0px;"
    << "\tmargin-left:0px;" << "\tcolor:" + t + ";" << "}";
  return l;
}

QByteArray JoinLines(const QStringList& lines) {
  QByteArray out;
  for (const QString& l : lines) {
    out += l.toUtf8();
    out += "\r\n";
  }
  return out;
}

QString WebBaseName(const QString& textBeforeDot) {
  QString out;
  for (const char32_t c : textBeforeDot.toUcs4()) {
    switch (c) {
      case ' ': case '\'': case '.': case '-': case '!': case '$': case '%': case '=': case '"': case '?':
      case ',': case '`': case 0xA7: case 0xB4: case 0x20AC: case 0xE9: case 0xE1: case 0xFA: case 0xF3:
      case 0xEA: case 0xE2: case 0xFB: case 0xF4:
        out += QLatin1Char('_');
        break;
      case '&': out += QLatin1Char('a'); break;
      case '*': case ':': case '(': case ')': case '\\': case '/': case '>': case '<':
        out += QLatin1Char('x');
        break;
      case 0xE4: out += QLatin1String("ae"); break;
      case 0xC4: out += QLatin1String("Ae"); break;
      case 0xF6: out += QLatin1String("oe"); break;
      case 0xD6: out += QLatin1String("Oe"); break;
      case 0xFC: out += QLatin1String("ue"); break;
      case 0xDC: out += QLatin1String("Ue"); break;
      case 0xDF: out += QLatin1String("ss"); break;
      default:
        // Control characters would end up in FTP commands and page lines.
        if (c < 0x20 || c == 0x7F) out += QLatin1Char('_');
        else out += QString::fromUcs4(&c, 1);
    }
  }
  for (QChar& ch : out)
    if (ch >= QLatin1Char('A') && ch <= QLatin1Char('Z')) ch = QChar(ch.unicode() + 32);
  return out;
}

QStringList WebNames(const QStringList& fileNames) {
  QSet<QString> taken{QStringLiteral("gallery.html"), QStringLiteral("layout.css")};
  auto files = [](const QString& b) {
    return QStringList{b + "_thumb.jpg", b + ".jpg", b + ".html"};
  };
  auto isFree = [&](const QString& b) {
    for (const QString& f : files(b))
      if (taken.contains(f.toLower())) return false;
    return true;
  };
  QStringList out;
  for (int i = 0; i < fileNames.size(); ++i) {
    const QString& name = fileNames[i];
    const qsizetype dot = name.indexOf('.');
    QString base = shorten(WebBaseName(dot < 0 ? name : name.left(dot)));
    if (base.isEmpty()) base = "bild" + QString::number(i + 1);
    QString candidate = base;
    for (int k = 2; !isFree(candidate); ++k) candidate = base + "_" + QString::number(k);
    for (const QString& f : files(candidate)) taken.insert(f.toLower());
    out << candidate;
  }
  return out;
}

int RoundEven(double x) { return int(std::nearbyint(x)); }

PictureWidths MeasureWidths(int w, int h, const Settings& s) {
  if (w <= 0 || h <= 0) return {};
  if (h <= w) return {RoundEven(double(w) / h * s.smallPicX), RoundEven(double(w) / h * s.largePicX)};
  return {s.smallPicX, s.largePicX};
}

int ScaledHeight(int targetWidth, int w, int h) {
  if (w <= 0) return 0;
  return RoundEven(double(int64_t(targetWidth) * h) / w);
}

Grid GridFor(int n, int perRow) {
  if (n < 1 || perRow < 1) return {};
  const int last = n - 1;
  Grid g;
  g.rows = last / perRow + 1;
  g.columns = last / g.rows + 1;
  g.width = 100 / g.columns;
  return g;
}

QStringList OverviewBody(const std::vector<PageEntry>& entries, const Settings& s) {
  QStringList l;
  const int n = int(entries.size());
  const Grid g = GridFor(n, s.picProRow);
  for (int r = 1; r <= g.rows; ++r) {
    l << "<tr>";
    for (int i = (r - 1) * g.columns; i <= r * g.columns - 1; ++i) {
      if (i > n - 1) {
        l << "<td align=\"center\">&nbsp;</td>";
        continue;
      }
      const PageEntry& e = entries[size_t(i)];
      l << "<td align=\"center\" width=\"" + QString::number(g.width) + "%\">";
      const QString page = e.base + ".html";
      const QString caption = s.textVisible ? HtmlText(e.caption) : QString();
      const QString img = "<a href=\"" + UrlPart(page) + "\"><img src=\"" + UrlPart(e.base + "_thumb.jpg") +
                          "\" width=\"" + QString::number(e.thumbWidth) + "\" height=\"" +
                          QString::number(e.thumbHeight) + "\" border=\"0\" alt=\"" + kAltText + "\">";
      if (s.filenameVisible)
        l << img + "<br>" + kFont1 + HtmlText(page) + "<br></a>" + caption + "</font>";
      else
        l << img + kFont1 + "</a><br>" + caption + "</font>";
      l << "</td>";
    }
    l << "</tr>";
  }
  return l;
}

QStringList PictureBody(const std::vector<PageEntry>& entries, int i, const Settings& s, const QString& language,
                        const QString& title) {
  const int last = int(entries.size()) - 1;
  const PageEntry& e = entries[size_t(i)];
  const QString prev = UrlPart(entries[size_t(i == 0 ? last : i - 1)].base + ".html");
  const QString next = UrlPart(entries[size_t(i == last ? 0 : i + 1)].base + ".html");
  const QString large = e.base + ".jpg";
  const QString caption = s.textVisible ? HtmlText(e.caption) : QString();
  QStringList l{"<CENTER><font face=\"Verdana,Arial\" size=\"3\"><b>", HtmlText(title), "</b></font><br>",
                "<font face=\"Verdana,Arial\" size=\"2\">"};
  if (isGerman(language))
    l << "[<A HREF=\"" + prev + "\">Voriges Bild</A>] " << "[<A HREF=\"" + next + "\">N&auml;chstes Bild</A>] "
      << "[<A HREF=\"gallery.html\">&Uuml;bersicht</A>]";
  else
    l << "[<A HREF=\"" + prev + "\">Backward</A>] " << "[<A HREF=\"" + next + "\">Forward</A>] "
      << "[<A HREF=\"gallery.html\">Overview</A>]";
  l << "</font></CENTER>" << "<table height=\"75%\" width=\"100%\"><tr><td valign=\"center\">"
    << "<div align=\"center\"><a href=\"gallery.html\"><img src=\"" + UrlPart(large) + "\" border=\"0\"></a>";
  if (s.filenameVisible)
    l << QString(kFont1) + "<br>" + HtmlText(large) + "<br>" + caption + "<br></font>";
  else
    l << QString(kFont1) + "<br>" + caption + "<br></font>";
  l << "</div>" << "<tr><td></table>";
  return l;
}

}  // namespace gallery

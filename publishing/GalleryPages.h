#pragma once
// The text side of the HTML gallery: settings, colours, the templates and the style sheet,
// web names, sizes, the overview grid and the body lines of the pages. Pure functions, so the
// bytes of every page can be checked without a window.
//
// Every inserted text (title, caption, identity texts, file names shown) is written as text:
// "&", "<", ">" and '"' become entities and every character outside ASCII a numeric reference.
// The pages declare no character set, so they stay pure ASCII and read the same everywhere.
// Link targets (href, src) are percent-encoded, so "#", "%" or umlauts in names keep working.
#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace gallery {

// Texts of the program's identity written into the templates.
struct Identity {
  QString siteTitle;    // {N}: the TITLE of every page
  QString author;       // {A}
  QString description;  // {D}: the end of the description META text
};
Identity DefaultIdentity();

// "Gallery.ini" section "SETTINGS".
struct Settings {
  int smallPicX = 80;   // shorter side of the thumbnails
  int largePicX = 250;  // shorter side of the pictures
  int compression = 80;  // carried through; nothing sets it
  int picProRow = 4;
  uint32_t bkgColor = 0;  // Windows order: red is the lowest byte
  // White on the black background: the earlier default 4 (#040000) could not be seen on it.
  uint32_t textColor = 0xFFFFFF;
  bool textVisible = false;
  bool filenameVisible = false;
  bool shapeVisible = true;
};

// Largest values the window's edits take (four and two digits).
constexpr int kMaxPicX = 9999;
constexpr int kMaxPicProRow = 99;

// Reads the section; a missing, empty, non-numeric or out-of-range number (0 or less for the
// sizes and the row length) gives its default, so no later division can be by zero. The pair
// of colours the earlier defaults wrote (text 4 on background 0) reads as the readable default.
Settings LoadSettings(const QString& iniPath);
// Writes the section; the file keeps owner-only permissions (it also holds the FTP password).
bool SaveSettings(const QString& iniPath, const Settings& s);
// Creates the file owner-only when missing and takes read rights from group and others.
void ProtectIniFile(const QString& iniPath);

// "#RRGGBB" from a Windows colour value.
QString ColorToHtml(uint32_t color);

// Text for HTML: entities for & < > ", numeric references for everything outside printable
// ASCII (line breaks included, so a caption never breaks a line of the page).
QString HtmlText(const QString& text);
// A file name as a relative link target: UTF-8, every byte outside [A-Za-z0-9._~-] as %XX.
QString UrlPart(const QString& name);

// The template lines for a language name ("GERMAN", "ENGLISH", "SWEDISH"; any other name is
// treated as English). title is the slideshow title (raw text, escaped here).
QStringList GalleryHeader(const QString& language, const Identity& id, const QString& title);
QStringList GalleryFooter();
QStringList PageHeader(const QString& language, const Identity& id);
QStringList PageFooter();
// The lines of "layout.css".
QStringList CssLines(uint32_t textColor, uint32_t bkgColor);
// Lines joined with CR LF after every line, as the pages are written.
QByteArray JoinLines(const QStringList& lines);

// The web base name of a file name's text before its first "." (see WebNames for the
// collision-free names actually used).
QString WebBaseName(const QString& textBeforeDot);

// Collision-free web base names for a list of picture file names, in order: a name whose
// files (base + "_thumb.jpg", ".jpg", ".html") would meet another's, or the overview page,
// gets "_2", "_3", ...; an empty base name becomes "bild" + its number (from 1); a long one is
// shortened so the file names stay within the file system's limit.
QStringList WebNames(const QStringList& fileNames);

// Thumbnail and picture width for a picture of w x h: the setting fixes the shorter side.
struct PictureWidths {
  int small = 0;
  int large = 0;
};
PictureWidths MeasureWidths(int w, int h, const Settings& s);
// Height of a picture of w x h scaled to width W: round(W * h / w), halves to even.
int ScaledHeight(int targetWidth, int w, int h);
// round(x), halves to even.
int RoundEven(double x);

// The overview table for n pictures (n >= 1, perRow >= 1).
struct Grid {
  int rows = 0;
  int columns = 0;
  int width = 0;  // percent per column
};
Grid GridFor(int n, int perRow);

// One picture of the gallery as the pages show it.
struct PageEntry {
  QString base;     // web base name
  QString caption;  // raw caption (shown only with textVisible)
  int thumbWidth = 0;
  int thumbHeight = 0;
};

// The body lines of the overview page.
QStringList OverviewBody(const std::vector<PageEntry>& entries, const Settings& s);
// The body lines of the page of picture i.
QStringList PictureBody(const std::vector<PageEntry>& entries, int i, const Settings& s, const QString& language,
                        const QString& title);

}  // namespace gallery

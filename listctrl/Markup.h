#pragma once
// The mark-up of the list items and the one routine that draws, measures and hit-tests it.
//
// Tags (letters without case): A href, B, BLINK, BODY (BACKGROUND, BGCOLOR, BGCOLORTO, DIR),
// BR, E (red zig-zag), FONT (FACE, COLOR, BGCOLOR, SIZE 1..5 = 8..16 pt, else points), HI,
// HR, I, IMG (SRC, ALT, WIDTH, HEIGHT, ALIGN "top"/"middle"), IND x, LI, P (ALIGN, INDENT,
// BGCOLOR, BGCOLORTO), R a (rotated text), S, SHAD, SUB, SUP, U, UL, Z (hidden) and their
// closing forms. Unknown tags are skipped, a tag without ">" drops the rest of the text.
// Entities: &amp; &lt; &gt; &quot; &nbsp; &sect; &permil; &reg; &copy; &para; &trade;
// &euro; and numeric &#NNN; / &#xHH; (names without case), decoded in one left-to-right
// pass, so an escaped text never decodes twice. A bare "&" underlines the next character
// (menu-style prefix); the escaped "&amp;" shows one "&".
// IMG sources: "IDX:n" (image list), "SSYS:x"/"LSYS:x" (small or large file icon of a path,
// or an icon number), a name without ":" (picture store), anything with "://" (picture cache:
// "file://" + path, "res://" + Qt resource).
//
// Text that comes from outside (file names, captions) must go through MarkupEscape before it
// is put into an item, so it can never turn into mark-up.
#include <QRect>
#include <QString>

#include "Colors.h"
#include "StoredCaption.h"

class QPainter;

namespace kalvora {

class TImageList;
class THTMLPictureCache;
class TPictureStore;

struct MarkupDrawArgs {
  TImageList* Images = nullptr;
  int XPos = -1, YPos = -1;  // mouse position for the anchor hit test
  int FocusLink = -1;        // anchor (0-based) that gets a focus rectangle
  int HoverLink = -1;        // anchor (1-based) under the mouse, for hover styling
  int ShadowOffset = 1;
  bool CheckAnchor = false;  // hit test only: lay out without painting
  bool CheckHeight = false;  // measure only
  bool Print = false;        // image-list and icon pictures are stretched by ResFactor
  bool Selected = false;     // the mark-up's colour changes are ignored
  bool Blink = true;         // false: BLINK text is drawn in the starting brush colour
  bool HoverStyle = false;   // anchors underlined and hover-coloured only while hovered
  bool WordWrap = true;      // false: one line, segments cut with an ellipsis
  double ResFactor = 1.0;
  TColor URLColor = clBlue;
  TColor HoverColor = clNone;
  TColor HoverFontColor = clNone;
  TColor ShadowColor = clGray;
  THTMLPictureCache* PictureCache = nullptr;
  TPictureStore* PictureStore = nullptr;
  int LineSpacing = 0;
};

struct MarkupDrawResult {
  QString AnchorVal;    // href of the anchor at XPos, YPos
  QString StripVal;     // the plain text laid out, "\r" for each line break tag
  QString FocusAnchor;  // href of the FocusLink anchor
  int XSize = 0;        // widest line
  int YSize = 0;        // total height, at least the height of "gh"
  int HyperLinks = 0;   // number of anchors
  int MouseLink = -1;   // 1-based number of the anchor under the mouse
  QRect HoverRect;      // that anchor's rectangle
};

// Draws (or measures, or hit-tests) text into rect. The painter's font is the start font,
// its pen colour the text colour and its brush colour (none when the brush is clear) the
// background that BLINK hides text in; all three are as they were when it returns.
// True when XPos, YPos lies on an anchor.
bool DrawMarkup(QPainter& canvas, const QString& text, const QRect& rect,
                const MarkupDrawArgs& args, MarkupDrawResult& result);

// The text without mark-up: "<BR>" and "<HR>" become CR LF, "<z>".."</z>" and "<Z>".."</Z>"
// sections go (an unclosed one hides the rest), every other tag goes (an unclosed "<" drops
// the rest). Entities stay as they are.
QString StripMarkup(const QString& text);

// MarkupEscape (platform/StoredCaption.h) makes plain text safe inside mark-up.
// Decodes the entities of the mark-up (the inverse of MarkupEscape).
QString MarkupUnescape(const QString& text);

// The thumbnail list item: <IMG src="file://" + thumbnail path + "" align="top"> + file name,
// then " | " + caption when there is a caption field (an empty one included). Every piece is
// escaped, so names and captions with "<", ">", "&", '"' or "|" stay plain text.
QString ThumbnailItem(const QString& thumbnailPath, const QString& fileName);
// The source under which a list looks up the picture of such an item.
QString ThumbnailItemPictureURL(const QString& thumbnailPath);
QString ThumbnailItem(const QString& thumbnailPath, const QString& fileName, const QString& caption);
// Reads such an item back: the text after the picture element up to the first "|" (trimmed)
// is the file name, the text after that "|" (trimmed) the caption; both unescaped. White space
// at the ends of a file name is put into the item as character references, so trimming takes
// only the blanks the item adds around its " | ", and the name comes back as the file is named.
QString ThumbnailItemFileName(const QString& item);
QString ThumbnailItemCaption(const QString& item);

}  // namespace kalvora

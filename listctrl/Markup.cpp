#include "Markup.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPaintDevice>
#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <vector>

#include "Gradient.h"
#include "ImageList.h"
#include "PictureStore.h"

namespace kalvora {

namespace {

// Entities are decoded once, up front, into private-use characters where the decoded
// character would otherwise mean something to the layout: an escaped "<" must never start a
// tag, an escaped "&" must not act as an underline prefix, an escaped quote must not end an
// attribute value. Literal private-use characters in the input are replaced first.
constexpr char16_t kLt = 0xE000;
constexpr char16_t kGt = 0xE001;
constexpr char16_t kNbsp = 0xE002;
constexpr char16_t kQuot = 0xE003;
constexpr char16_t kAmp = 0xE004;

constexpr int kMaxPictureSide = 32767;
constexpr double kMaxPointSize = 144.0;
constexpr int kMaxOffset = 32767;

bool IsPlaceholder(char16_t c) { return c >= kLt && c <= kAmp; }

// Matches an entity at s[i] == '&'; returns its length (0 when none) and the code point.
int MatchEntity(QStringView s, qsizetype i, char32_t& out) {
  struct Named { const char* name; char32_t ch; };
  static const Named named[] = {
      {"amp;", '&'},        {"lt;", '<'},          {"gt;", '>'},          {"quot;", '"'},
      {"nbsp;", 0xA0},      {"sect;", 0xA7},       {"permil;", 0x2030},   {"reg;", 0xAE},
      {"copy;", 0xA9},      {"para;", 0xB6},       {"trade;", 0x2122},    {"euro;", 0x20AC},
  };
  const qsizetype rest = s.size() - i - 1;
  if (rest <= 0) return 0;
  if (s[i + 1] == QLatin1Char('#')) {
    qsizetype j = i + 2;
    bool hex = false;
    if (j < s.size() && (s[j] == QLatin1Char('x') || s[j] == QLatin1Char('X'))) {
      hex = true;
      ++j;
    }
    char32_t v = 0;
    int digits = 0;
    while (j < s.size() && digits < 8) {
      const char16_t c = s[j].unicode();
      int d = -1;
      if (c >= '0' && c <= '9') d = c - '0';
      else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
      else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
      if (d < 0) break;
      v = v * (hex ? 16 : 10) + char32_t(d);
      ++digits;
      ++j;
    }
    if (digits == 0 || j >= s.size() || s[j] != QLatin1Char(';')) return 0;
    if ((v < 32 && v != 9) || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
    out = v;
    return int(j - i + 1);
  }
  for (const Named& e : named) {
    const qsizetype len = qsizetype(qstrlen(e.name));
    if (len > rest) continue;
    if (s.mid(i + 1, len).compare(QLatin1String(e.name), Qt::CaseInsensitive) == 0) {
      out = e.ch;
      return int(len + 1);
    }
  }
  return 0;
}

void AppendCodePoint(QString& out, char32_t c) {
  if (c > 0xFFFF) {
    out += QChar(QChar::highSurrogate(c));
    out += QChar(QChar::lowSurrogate(c));
  } else {
    out += QChar(char16_t(c));
  }
}

// Entities decoded, "<#" unwrapped, CR turned into "<BR>" and LF dropped.
QString PrepareText(const QString& text) {
  QString out;
  out.reserve(text.size() + 16);
  const QStringView s(text);
  for (qsizetype i = 0; i < s.size(); ++i) {
    const char16_t c = s[i].unicode();
    if (IsPlaceholder(c)) {
      out += QChar(0xFFFD);
    } else if (c == '&') {
      char32_t v = 0;
      const int len = MatchEntity(s, i, v);
      if (len == 0) {
        out += QLatin1Char('&');
        continue;
      }
      switch (v) {
        case '<': out += QChar(kLt); break;
        case '>': out += QChar(kGt); break;
        case '"': out += QChar(kQuot); break;
        case '&': out += QChar(kAmp); break;
        case 0xA0: out += QChar(kNbsp); break;
        default: AppendCodePoint(out, v); break;
      }
      i += len - 1;
    } else {
      out += QChar(c);
    }
  }
  const qsizetype hash = out.indexOf(QLatin1String("<#"));
  if (hash >= 0) {
    const qsizetype gt = out.indexOf(QLatin1Char('>'), hash);
    if (gt >= 0) out.remove(gt, 1);
    out.remove(hash, 1);
  }
  if (out.contains(QLatin1Char('\n')) || out.contains(QLatin1Char('\r'))) {
    QString lb;
    lb.reserve(out.size() + 16);
    for (QChar c : std::as_const(out)) {
      if (c == QLatin1Char('\n')) continue;
      if (c == QLatin1Char('\r')) lb += QLatin1String("<BR>");
      else lb += c;
    }
    out = lb;
  }
  return out;
}

// The placeholders of a tag's attribute value back to their characters.
QString DecodeValue(QStringView v) {
  QString out;
  out.reserve(v.size());
  for (QChar ch : v) {
    switch (ch.unicode()) {
      case kLt: out += QLatin1Char('<'); break;
      case kGt: out += QLatin1Char('>'); break;
      case kNbsp: out += QChar(0xA0); break;
      case kQuot: out += QLatin1Char('"'); break;
      case kAmp: out += QLatin1Char('&'); break;
      default: out += ch; break;
    }
  }
  return out;
}

// A segment as it is shown: "&x" underlines x (the "&" goes), escaped characters return,
// tabs expand to the next multiple of 8 columns.
QString DecodeSegment(QStringView seg, std::vector<int>* underlined) {
  QString out;
  out.reserve(seg.size());
  for (qsizetype i = 0; i < seg.size(); ++i) {
    const char16_t c = seg[i].unicode();
    switch (c) {
      case '&':
        if (i + 1 < seg.size() && seg[i + 1] == QLatin1Char('&')) {
          out += QLatin1Char('&');
          ++i;
        } else if (i + 1 < seg.size()) {
          if (underlined) underlined->push_back(int(out.size()));
        }
        break;
      case kLt: out += QLatin1Char('<'); break;
      case kGt: out += QLatin1Char('>'); break;
      case kNbsp: out += QLatin1Char(' '); break;
      case kQuot: out += QLatin1Char('"'); break;
      case kAmp: out += QLatin1Char('&'); break;
      case '\t': {
        const qsizetype spaces = 8 - (out.size() % 8);
        out += QString(spaces, QLatin1Char(' '));
        break;
      }
      default: out += QChar(c); break;
    }
  }
  return out;
}

int ParseInt(const QString& s) {
  qsizetype i = 0;
  while (i < s.size() && s[i].isSpace()) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) {
    neg = s[i] == QLatin1Char('-');
    ++i;
  }
  long long v = 0;
  bool any = false;
  while (i < s.size() && s[i] >= QLatin1Char('0') && s[i] <= QLatin1Char('9')) {
    v = std::min<long long>(v * 10 + (s[i].unicode() - '0'), 1000000000LL);
    any = true;
    ++i;
  }
  if (!any) return 0;
  return int(neg ? -v : v);
}

// One tag from "<" to its ">" (or to the end of the text when there is none).
class Tag {
 public:
  Tag(QStringView text) : text_(text) {
    qsizetype i = 1;
    closing_ = text_.size() > 3 && text_[1] == QLatin1Char('/');
    if (closing_) ++i;
    const qsizetype start = i;
    while (i < text_.size() && text_[i].isLetter()) ++i;
    name_ = text_.mid(start, i - start).toString().toUpper();
    nameEnd_ = i;
  }
  bool closing() const { return closing_; }
  const QString& name() const { return name_; }

  // The value of attribute name (upper case), as written; found false when absent.
  QString attr(const char* name, bool* found = nullptr) const {
    parse();
    for (const auto& a : attrs_) {
      if (a.first == QLatin1String(name)) {
        if (found) *found = true;
        return a.second;
      }
    }
    if (found) *found = false;
    return QString();
  }
  bool has(const char* name) const {
    bool f = false;
    attr(name, &f);
    return f;
  }
  // The first double-quoted value after position from.
  QString firstQuoted(qsizetype from = 0) const {
    const qsizetype a = text_.indexOf(QLatin1Char('"'), from);
    if (a < 0) return QString();
    qsizetype b = text_.indexOf(QLatin1Char('"'), a + 1);
    if (b < 0) b = text_.size();
    return DecodeValue(text_.mid(a + 1, b - a - 1));
  }
  // The first quoted value after the first given letter behind the tag's name (attributes
  // that are known by their first letter only: R's angle, IND's x).
  QString valueAfterLetter(QChar letter) const {
    for (qsizetype i = nameEnd_; i < text_.size(); ++i)
      if (text_[i].toUpper() == letter) {
        parse();
        for (const auto& a : attrs_)
          if (!a.first.isEmpty() && a.first[0] == letter) return a.second;
        return firstQuoted(i);
      }
    return QString();
  }

 private:
  void parse() const {
    if (parsed_) return;
    parsed_ = true;
    qsizetype i = nameEnd_;
    const qsizetype n = text_.size();
    while (i < n) {
      while (i < n && (text_[i].isSpace() || text_[i] == QLatin1Char('/'))) ++i;
      if (i >= n || text_[i] == QLatin1Char('>')) break;
      if (text_[i] == QLatin1Char('"')) {  // a stray value
        const qsizetype b = text_.indexOf(QLatin1Char('"'), i + 1);
        i = b < 0 ? n : b + 1;
        continue;
      }
      const qsizetype ns = i;
      while (i < n && !text_[i].isSpace() && text_[i] != QLatin1Char('=') &&
             text_[i] != QLatin1Char('>') && text_[i] != QLatin1Char('"'))
        ++i;
      QString aname = text_.mid(ns, i - ns).toString().toUpper();
      while (i < n && text_[i].isSpace()) ++i;
      QString value;
      if (i < n && text_[i] == QLatin1Char('=')) {
        ++i;
        while (i < n && text_[i].isSpace()) ++i;
        if (i < n && text_[i] == QLatin1Char('"')) {
          qsizetype b = text_.indexOf(QLatin1Char('"'), i + 1);
          if (b < 0) b = n;
          value = DecodeValue(text_.mid(i + 1, b - i - 1));
          i = b + 1;
        } else {
          const qsizetype vs = i;
          while (i < n && !text_[i].isSpace() && text_[i] != QLatin1Char('>')) ++i;
          value = DecodeValue(text_.mid(vs, i - vs));
        }
      }
      if (!aname.isEmpty()) attrs_.emplace_back(std::move(aname), std::move(value));
    }
  }

  QStringView text_;
  bool closing_ = false;
  QString name_;
  qsizetype nameEnd_ = 1;
  mutable bool parsed_ = false;
  mutable std::vector<std::pair<QString, QString>> attrs_;
};

// Finds the next occurrence of one character at or after a position, remembering the last
// answer so that walking forward through a long text stays linear.
class NextFinder {
 public:
  NextFinder(const QString& text, QChar ch) : text_(text), ch_(ch) {}
  qsizetype find(qsizetype pos) {
    if (from_ < 0 || pos < from_ || (at_ >= 0 && pos > at_)) {
      from_ = pos;
      at_ = text_.indexOf(ch_, pos);
    }
    return at_ < 0 ? text_.size() : at_;
  }

 private:
  const QString& text_;
  QChar ch_;
  qsizetype from_ = -1, at_ = -1;
};

class Renderer {
 public:
  Renderer(QPainter& p, const QString& text, const QRect& rect, const MarkupDrawArgs& a,
           MarkupDrawResult& r)
      : p_(p), t_(PrepareText(text)), rect_(rect), a_(a), r_(r), lt_(t_, QLatin1Char('<')),
        sp_(t_, QLatin1Char(' ')), gt_(t_, QLatin1Char('>')) {
    right_ = rect.x() + rect.width();
    bottom_ = rect.y() + rect.height();
    const QPaintDevice* dev = p.device();
    sx_ = dev && dev->logicalDpiX() > 0 ? dev->logicalDpiX() / 96.0 : 1.0;
    sy_ = dev && dev->logicalDpiY() > 0 ? dev->logicalDpiY() / 96.0 : 1.0;
  }

  bool run();

 private:
  struct Style {
    QString family;
    double pointSize = -1;  // -1: the start font's size
    bool bold = false, italic = false, underline = false, strike = false;
    TColor fontColor = clBlack;
    TColor brushColor = clNone;
    int align = 0, indent = 0, listLevel = 0;
    bool shadow = false, hidden = false, error = false, sub = false, sup = false;
    bool paraBg = false, rotated = false;
    double angle = 0;
    int anchorCount = 0, imageCount = 0;
    bool inAnchor = false, anchorStyled = false;
    QString href;
    TColor anchorSavedBrush = clNone, anchorSavedFont = clBlack;
    int anchorStartX = 0, anchorStartTop = 0;
    TColor fontSavedBrush = clNone, hiSavedFont = clBlack, hiSavedBrush = clNone;
    TColor paraSavedBrush = clNone;
    bool focusOpen = false;
    int focusStartX = 0;
    bool resetParagraph = false;
  };

  struct Line {
    bool paint = false, fit = true, hitTest = false, record = false;
    int left = 0, top = 0, bottom = 0;  // bottom is known in the second pass only
    int gh = 0;                          // height of "gh" in the line-start font
    int x = 0, width = 0, height = 0;
    int imgOff = 0, subOff = 0, supOff = 0;
    int drawImgOff = 0, drawSubOff = 0, drawSupOff = 0;  // from the measuring pass
    int trailingSpace = 0;
    bool hasText = false, endsInSpace = true, liSeen = false;
    bool anchorTextHit = false, imageAnchorHit = false;
    QString strip;
  };

  enum class TagResult { Continue, EndAfter, EndBefore };

  const QFont& font() {
    if (fontDirty_) {
      font_ = startFont_;
      if (!s_.family.isEmpty()) font_.setFamily(s_.family);
      if (s_.pointSize > 0) font_.setPointSizeF(s_.pointSize);
      font_.setBold(s_.bold);
      font_.setItalic(s_.italic);
      font_.setUnderline(s_.underline);
      font_.setStrikeOut(s_.strike);
      fm_.emplace(font_, p_.device());
      fontDirty_ = false;
    }
    return font_;
  }
  const QFontMetrics& fm() {
    font();
    return *fm_;
  }
  int textHeight() { return fm().height() + std::max(0, fm().leading()); }
  void setStyle(const Style& s) {
    s_ = s;
    fontDirty_ = true;
  }

  qsizetype runLine(Line& c, qsizetype pos, qsizetype limit);
  bool segment(Line& c, qsizetype pos, qsizetype end);
  TagResult tag(Line& c, const Tag& tg);
  TagResult applyTag(Line& c, const Tag& tg);
  struct TagEntry {
    const char* name;
    TagResult (*handler)(Renderer&, Line&, const Tag&);
  };
  static const TagEntry kOpeningTags[], kClosingTags[];
  // The tags that do more than switch a style on or off; applyTag's tables name them.
  TagResult openAnchor(Line& c, const Tag& tg);
  TagResult closeAnchor(Line& c);
  TagResult openFont(Line& c, const Tag& tg);
  TagResult closeFont(Line& c);
  TagResult openHighlight(Line& c);
  TagResult closeHighlight(Line& c);
  TagResult rule(Line& c);
  TagResult indentTo(Line& c, const Tag& tg);
  TagResult listItem(Line& c);
  TagResult openParagraph(Line& c, const Tag& tg);
  TagResult closeParagraph(Line& c);
  TagResult rotate(const Tag& tg);
  static TagResult set(bool& flag, bool on) {
    flag = on;
    return TagResult::Continue;
  }
  TagResult endShift() {
    s_.sub = s_.sup = false;
    return TagResult::Continue;
  }
  void image(Line& c, const Tag& tg, TagResult& res);
  void body(Line& c, const Tag& tg);
  void drawSegment(Line& c, const QString& plain, const std::vector<int>& underlined, int w);
  void drawFocusBox(const Line& c);
  THTMLPicture* picture(const QString& src);
  void fillBrush(const QRect& r) {
    if (s_.brushColor != clNone) p_.fillRect(r, ToQColor(s_.brushColor));
  }

  QPainter& p_;
  const QString t_;
  const QRect rect_;
  const MarkupDrawArgs& a_;
  MarkupDrawResult& r_;
  NextFinder lt_, sp_, gt_;
  int right_ = 0, bottom_ = 0;
  double sx_ = 1, sy_ = 1;
  QFont startFont_;
  TColor startFontColor_ = clBlack;
  TColor startBrush_ = clNone;
  Style s_;
  QFont font_;
  std::optional<QFontMetrics> fm_;
  bool fontDirty_ = true;
  int hitImage_ = -1;   // image hit inside an anchor by the last hit test (for ALT)
  int mouseAnchor_ = -1;  // anchor whose text or picture is under the mouse
};

bool Renderer::run() {
  p_.save();
  startFont_ = p_.font();
  startFontColor_ = FromQColor(p_.pen().color());
  startBrush_ = p_.brush().style() == Qt::NoBrush ? clNone : FromQColor(p_.brush().color());
  s_ = Style();
  s_.family.clear();
  s_.bold = startFont_.bold();
  s_.italic = startFont_.italic();
  s_.underline = startFont_.underline();
  s_.strike = startFont_.strikeOut();
  s_.fontColor = startFontColor_;
  s_.brushColor = clNone;
  fontDirty_ = true;
  r_ = MarkupDrawResult();

  bool hit = false;
  long long ysize = 0;
  int top = rect_.y();
  qsizetype pos = 0;
  const qsizetype n = t_.size();
  while (pos < n) {
    const Style lineStart = s_;
    const int gh = textHeight();

    Line m;
    m.fit = a_.WordWrap;
    m.hitTest = true;
    m.left = rect_.x();
    m.top = top;
    m.bottom = top + gh;
    m.gh = gh;
    qsizetype end = runLine(m, pos, n);
    if (end <= pos) end = pos + 1;  // never stall on a line that took nothing

    const int lh = m.height + a_.LineSpacing;
    int startX = rect_.x() + 1;
    if (s_.align == 1) {
      if (right_ - m.width > startX) startX = right_ - m.width;
    } else if (s_.align == 2) {
      const int c = (rect_.width() - m.width) / 2;
      if (c > 0) startX = rect_.x() + c;
    }
    startX += s_.indent;
    const int lineBottom = top + lh + m.supOff + m.subOff;

    if (!a_.CheckHeight) {
      setStyle(lineStart);
      Line d;
      d.paint = !a_.CheckAnchor;
      d.fit = false;  // the line was measured: lay out exactly that text
      d.hitTest = a_.CheckAnchor;
      d.record = a_.CheckAnchor;
      d.left = startX;
      d.top = top;
      d.bottom = lineBottom;
      d.gh = gh;
      d.drawImgOff = m.imgOff;
      d.drawSubOff = m.subOff;
      d.drawSupOff = m.supOff;
      runLine(d, pos, end);
      const int band = lineBottom - m.imgOff;
      if ((d.anchorTextHit && a_.YPos > band - gh && a_.YPos < band) || d.imageAnchorHit) hit = true;
      r_.StripVal += d.strip;
    } else {
      r_.StripVal += m.strip;
    }
    if (s_.resetParagraph) {
      s_.align = 0;
      s_.indent = 0;
      s_.resetParagraph = false;
    }
    pos = end;
    const int step = lh + m.supOff + m.subOff;
    top += step;
    ysize += step;
    if (!a_.CheckHeight && top + gh > bottom_) break;
  }
  if (ysize == 0) {
    const QFontMetrics start(startFont_, p_.device());
    ysize = start.height() + std::max(0, start.leading());
  }
  r_.YSize = int(std::min<long long>(ysize, INT_MAX / 2));
  p_.restore();
  return hit;
}

qsizetype Renderer::runLine(Line& c, qsizetype pos, qsizetype limit) {
  c.x = c.left;
  c.width = 0;
  c.height = c.gh;
  if (c.paint && s_.paraBg) fillBrush(QRect(QPoint(rect_.x(), c.top), QPoint(right_ - 1, c.bottom - 1)));
  bool ended = false;
  while (pos < limit && !ended) {
    if (t_[pos] != QLatin1Char('<')) {
      qsizetype end = std::min(lt_.find(pos), limit);
      if (a_.WordWrap) {
        const qsizetype sp = sp_.find(pos);
        if (sp < end) end = sp + 1;
      }
      if (!segment(c, pos, end)) break;  // does not fit: starts the next line
      pos = end;
      continue;
    }
    if (limit - pos < 3) {  // a "<" with nothing behind it ends the text
      pos = limit;
      break;
    }
    const qsizetype gt = gt_.find(pos);
    const bool hasGt = gt < limit;
    const qsizetype tagEnd = hasGt ? gt + 1 : limit;
    const Tag tg(QStringView(t_).mid(pos, tagEnd - pos));
    const TagResult res = tag(c, tg);
    if (res == TagResult::EndBefore && c.fit) break;
    pos = tagEnd;
    if (res == TagResult::EndAfter) ended = true;
  }
  c.width -= c.trailingSpace;
  if (!c.paint && !c.record) r_.XSize = std::max(r_.XSize, c.width);
  if (c.paint && s_.focusOpen) {
    drawFocusBox(c);
    s_.focusStartX = rect_.x();
  }
  return pos;
}

bool Renderer::segment(Line& c, qsizetype pos, qsizetype end) {
  const QStringView seg = QStringView(t_).mid(pos, end - pos);
  if (seg.isEmpty()) return true;
  if (s_.hidden) return true;
  std::vector<int> underlined;
  const QString plain = DecodeSegment(seg, c.paint ? &underlined : nullptr);
  if (c.paint && !c.hitTest && c.x >= right_) {
    // Painting past the right edge: nothing of this line can show any more.
    c.strip += plain;
    return true;
  }
  const int h = textHeight();
  const int avail = right_ - c.left;
  // Measuring a huge run of text costs time; the part that fits is all that can show.
  int sw = -1;
  if (c.paint && !c.hitTest && plain.size() > qsizetype(right_ - c.x) + 64) {
    // A run far longer than the room left: its start is all that shows, so measuring the
    // start is enough (every character is at least a pixel wide).
    const int head = fm().horizontalAdvance(plain.left(std::max(0, right_ - c.x) + 16));
    if (head >= right_ - c.x) sw = head;
  }
  if (sw < 0) sw = fm().horizontalAdvance(plain);
  // A word wider than the whole line only fits on a line of its own.
  const bool fits = !c.fit || avail > c.width + sw || (sw >= avail && c.width == 0) ||
                    (c.hasText && !c.endsInSpace);
  if (!fits) return false;
  if (s_.sub) c.subOff = std::max(c.subOff, h / 4);
  if (s_.sup) c.supOff = std::max(c.supOff, h / 4);
  c.height = std::max(c.height, h);

  if (c.hitTest && s_.inAnchor && a_.XPos >= c.x && a_.XPos < c.x + sw) {
    c.anchorTextHit = true;
    if (c.record) {
      const int band = c.bottom - c.drawImgOff;
      if (a_.YPos > band - c.gh && a_.YPos < band) {
        r_.AnchorVal = s_.href;
        mouseAnchor_ = s_.anchorCount;
      }
    }
  }
  int drawn = sw;
  if (c.paint) {
    if (!a_.WordWrap) drawn = std::min(sw, std::max(0, right_ - c.x));
    drawSegment(c, plain, underlined, sw);
  }
  c.strip += plain;
  c.x += drawn;
  c.width += sw;
  c.hasText = true;
  c.endsInSpace = seg.endsWith(QLatin1Char(' '));
  c.trailingSpace = c.endsInSpace ? fm().horizontalAdvance(QLatin1Char(' ')) : 0;
  return true;
}

// Dotted box from where the focused link started to the pen's place, over the line's text band.
void Renderer::drawFocusBox(const Line& c) {
  p_.save();
  p_.setPen(QPen(ToQColor(startFontColor_), 1, Qt::DotLine));
  p_.setBrush(Qt::NoBrush);
  const int band = c.bottom - c.drawImgOff;
  // The frame's outermost pixels: QPainter strokes a rectangle one pixel past its right and bottom.
  p_.drawRect(QRect(QPoint(s_.focusStartX - 1, band - c.gh - 1), QPoint(c.x, band)).adjusted(0, 0, -1, -1));
  p_.restore();
}

void Renderer::drawSegment(Line& c, const QString& plain, const std::vector<int>& underlined, int sw) {
  const int th = textHeight();
  int bottom = c.bottom - c.drawSubOff - c.drawImgOff;
  if (s_.sub) bottom += c.drawSubOff;
  if (s_.sup) bottom -= c.drawSupOff;
  const int top = bottom - th;
  const int avail = right_ - c.x;
  if (avail <= 0) return;  // past the right edge: clipped away entirely
  QString shown = plain;
  int width = sw;
  bool clip = false;
  if (sw > avail) {
    // Text past the right edge is cut off (or ends in an ellipsis without word wrap).
    const qsizetype keep = std::max<qsizetype>(0, avail) + 16;
    if (shown.size() > keep) shown.truncate(keep);
    if (!a_.WordWrap) {
      shown = fm().elidedText(shown + QChar(0x2026), Qt::ElideRight, std::max(0, avail));
      width = fm().horizontalAdvance(shown);
    } else {
      clip = true;
      width = avail;
    }
  }
  // BLINK's off phase draws in the start brush colour; with a clear brush that is no colour.
  const bool blinkOff = s_.fontColor == clNone;
  p_.save();
  if (clip) p_.setClipRect(QRect(c.x, c.top, std::max(0, avail), c.bottom - c.top + th), Qt::IntersectClip);
  p_.setFont(font());
  if (s_.brushColor != clNone) p_.fillRect(QRect(c.x, top, width, th), ToQColor(s_.brushColor));
  const int baseline = top + fm().ascent();
  auto drawAt = [&](int dx, int dy) {
    if (s_.rotated) {
      p_.save();
      p_.translate(c.x + dx, top + dy);
      p_.rotate(-s_.angle);
      p_.drawText(QPoint(0, fm().ascent()), shown);
      p_.restore();
    } else {
      p_.drawText(QPoint(c.x + dx, baseline + dy), shown);
    }
  };
  if (s_.shadow) {
    p_.setPen(ToQColor(a_.ShadowColor == clNone ? clGray : a_.ShadowColor));
    drawAt(a_.ShadowOffset, a_.ShadowOffset);
  }
  if (!blinkOff) {
    p_.setPen(ToQColor(s_.fontColor));
    drawAt(0, 0);
    if (!s_.rotated) {
      const int uy = baseline + std::max(1, fm().underlinePos());
      for (int i : underlined) {
        if (i >= shown.size()) continue;
        const int ux = c.x + fm().horizontalAdvance(shown.left(i));
        const int uw = fm().horizontalAdvance(shown.at(i));
        p_.drawLine(ux, uy, ux + std::max(1, uw) - 1, uy);
      }
    }
  }
  if (s_.error) {
    p_.setPen(QColor(255, 0, 0));
    QPolygon zig;
    int x = c.x - ((c.x % 2 + 2) % 2);
    bool up = true;
    const int endX = c.x + width;
    for (; x <= endX; x += 2) {
      zig << QPoint(x, up ? bottom - 1 : bottom + 1);
      up = !up;
    }
    if (zig.size() > 1) p_.drawPolyline(zig);
  }
  p_.restore();
}

THTMLPicture* Renderer::picture(const QString& src) {
  if (!src.contains(QLatin1Char(':'))) {
    return a_.PictureStore ? a_.PictureStore->FindPicture(src) : nullptr;
  }
  if (src.contains(QLatin1String("://")) && a_.PictureCache) {
    THTMLPicture* pic = a_.PictureCache->FindPicture(src);
    if (!pic) {
      pic = a_.PictureCache->AddPicture();
      pic->Asynchronous = false;
      try {
        pic->LoadFromURL(src);
      } catch (const std::exception&) {
        // A resource that is no picture stays an empty picture instead of failing the paint.
      }
    }
    return pic;
  }
  return nullptr;
}

void Renderer::image(Line& c, const Tag& tg, TagResult& res) {
  const int number = ++s_.imageCount;
  QString src = tg.attr("SRC");
  bool hasAlt = false;
  const QString alt = tg.attr("ALT", &hasAlt);
  if (hasAlt && number == hitImage_) src = alt;
  const int w = std::clamp(ParseInt(tg.attr("WIDTH")), 0, kMaxPictureSide);
  const int h = std::clamp(ParseInt(tg.attr("HEIGHT")), 0, kMaxPictureSide);
  const QString up = src.toUpper();

  int pw = 0, ph = 0;
  const QPixmap* listPixmap = nullptr;
  QPixmap icon;
  THTMLPicture* pic = nullptr;
  const double scale = a_.Print ? a_.ResFactor : 1.0;
  const qsizetype idx = up.indexOf(QLatin1String("IDX:"));
  if (idx >= 0) {
    const int i = ParseInt(src.mid(idx + 4));
    if (a_.Images && i >= 0 && i < a_.Images->Count()) {
      listPixmap = &a_.Images->Get(i);
      pw = int(a_.Images->Width() * sx_ * scale + 0.5);
      ph = int(a_.Images->Height() * sy_ * scale + 0.5);
    }
  } else if (up.startsWith(QLatin1String("SSYS:")) || up.startsWith(QLatin1String("LSYS:"))) {
    const int side = up.startsWith(QLatin1Char('S')) ? 16 : 32;
    const QString what = src.mid(5);
    QFileIconProvider provider;
    bool isNumber = false;
    const int n = what.toInt(&isNumber);
    QIcon ic;
    if (isNumber) {
      ic = provider.icon(QAbstractFileIconProvider::IconType(std::clamp(n, 0, 6)));
    } else {
      ic = provider.icon(QFileInfo(what));
    }
    icon = ic.pixmap(side, side);
    pw = int(side * sx_ * scale + 0.5);
    ph = int(side * sy_ * scale + 0.5);
  } else {
    pic = picture(src);
    if (pic && (pic->Empty() || !pic->HasImage())) pic = nullptr;
    if (pic) {
      if (w < 1 || h < 1) {
        pw = int(std::min(pic->DrawWidth(), kMaxPictureSide) * sx_ + 0.5);
        ph = int(std::min(pic->DrawHeight(), kMaxPictureSide) * sy_ + 0.5);
      } else {
        pw = int(w * sx_ + 0.5);
        ph = int(h * sy_ + 0.5);
      }
    }
  }
  if (pw <= 0 && ph <= 0) return;  // no picture takes no room

  const int avail = right_ - c.left;
  if (c.fit && c.width + pw > avail && avail > pw) {
    s_.imageCount--;  // laid out again at the start of the next line
    res = TagResult::EndBefore;
    return;
  }
  if (c.hitTest && s_.inAnchor && a_.XPos >= c.x && a_.XPos < c.x + pw && a_.YPos >= c.top &&
      a_.YPos < c.top + ph) {
    hitImage_ = number;
    c.imageAnchorHit = true;
    if (c.record) {
      r_.AnchorVal = s_.href;
      mouseAnchor_ = s_.anchorCount;
    }
  }
  if (c.paint) {
    const QRect box(c.x, c.top, pw, ph);
    if (listPixmap) p_.drawPixmap(box, *listPixmap);
    else if (!icon.isNull()) p_.drawPixmap(box, icon);
    else if (pic) p_.drawImage(box, pic->Image());
  }
  c.x += pw;
  c.width += pw;
  c.trailingSpace = 0;
  c.endsInSpace = true;
  c.height = std::max(c.height, ph);
  const QString align = tg.attr("ALIGN").toUpper();
  if (align.contains(QLatin1String("TOP"))) c.imgOff = c.height - textHeight();
  else if (align.contains(QLatin1String("MIDDLE"))) c.imgOff = (c.height - textHeight()) / 2;
}

void Renderer::body(Line& c, const Tag& tg) {
  bool hasBg = false;
  const QString background = tg.attr("BACKGROUND", &hasBg);
  if (hasBg) {
    THTMLPicture* pic = picture(background);
    if (pic && !pic->Empty() && pic->HasImage() && pic->Width() > 0 && pic->Height() > 0) {
      p_.save();
      p_.setClipRect(rect_, Qt::IntersectClip);
      p_.setBrushOrigin(rect_.topLeft());
      p_.fillRect(rect_, QBrush(pic->Image()));
      p_.restore();
    }
  }
  bool hasColor = false, hasTo = false;
  const QString from = tg.attr("BGCOLOR", &hasColor);
  const QString to = tg.attr("BGCOLORTO", &hasTo);
  if (!hasColor) return;
  if (!hasTo) {
    s_.brushColor = MarkupColor(from);
    fillBrush(QRect(QPoint(rect_.x() - 2, c.top), QPoint(right_ - 1, c.bottom - 1)));
  } else {
    const bool horizontal = tg.attr("DIR").toUpper() != QLatin1String("V");
    DrawGradientRect(p_, MarkupColor(from), MarkupColor(to), horizontal, rect_, 64, clNone);
  }
}

Renderer::TagResult Renderer::tag(Line& c, const Tag& tg) {
  const qsizetype familySize = s_.family.size();
  const double pointSize = s_.pointSize;
  const int flags = s_.bold | s_.italic << 1 | s_.underline << 2 | s_.strike << 3;
  const TagResult res = applyTag(c, tg);
  // Font metrics are rebuilt only when the font changed (FACE always counts as a change).
  if (tg.name() == QLatin1String("FONT") || s_.family.size() != familySize ||
      s_.pointSize != pointSize || (s_.bold | s_.italic << 1 | s_.underline << 2 | s_.strike << 3) != flags)
    fontDirty_ = true;
  return res;
}

// Each tag's handler by the tag's name, for the opening and the closing forms.
const Renderer::TagEntry Renderer::kOpeningTags[] = {
    {"A", [](Renderer& r, Line& c, const Tag& tg) { return r.openAnchor(c, tg); }},
    {"B", [](Renderer& r, Line&, const Tag&) { return set(r.s_.bold, true); }},
    {"BLINK",
     [](Renderer& r, Line&, const Tag&) {
       if (!r.a_.Blink) r.s_.fontColor = r.startBrush_;
       return TagResult::Continue;
     }},
    {"BR",
     [](Renderer&, Line& c, const Tag&) {
       c.strip += QLatin1Char('\r');
       return TagResult::EndAfter;
     }},
    {"BODY",
     [](Renderer& r, Line& c, const Tag& tg) {
       if (c.paint && !r.a_.Selected) r.body(c, tg);
       return TagResult::Continue;
     }},
    {"E", [](Renderer& r, Line&, const Tag&) { return set(r.s_.error, true); }},
    {"FONT", [](Renderer& r, Line& c, const Tag& tg) { return r.openFont(c, tg); }},
    {"HI", [](Renderer& r, Line& c, const Tag&) { return r.openHighlight(c); }},
    {"HR", [](Renderer& r, Line& c, const Tag&) { return r.rule(c); }},
    {"I", [](Renderer& r, Line&, const Tag&) { return set(r.s_.italic, true); }},
    {"IMG",
     [](Renderer& r, Line& c, const Tag& tg) {
       TagResult res = TagResult::Continue;
       r.image(c, tg, res);
       return res;
     }},
    {"IND", [](Renderer& r, Line& c, const Tag& tg) { return r.indentTo(c, tg); }},
    {"LI", [](Renderer& r, Line& c, const Tag&) { return r.listItem(c); }},
    {"P", [](Renderer& r, Line& c, const Tag& tg) { return r.openParagraph(c, tg); }},
    {"R", [](Renderer& r, Line&, const Tag& tg) { return r.rotate(tg); }},
    {"S", [](Renderer& r, Line&, const Tag&) { return set(r.s_.strike, true); }},
    {"SHAD", [](Renderer& r, Line&, const Tag&) { return set(r.s_.shadow, true); }},
    {"SUB", [](Renderer& r, Line&, const Tag&) { return set(r.s_.sub, true); }},
    {"SUP", [](Renderer& r, Line&, const Tag&) { return set(r.s_.sup, true); }},
    {"U", [](Renderer& r, Line&, const Tag&) { return set(r.s_.underline, true); }},
    {"UL",
     [](Renderer& r, Line&, const Tag&) {
       if (r.s_.listLevel < INT_MAX) ++r.s_.listLevel;
       return TagResult::EndAfter;
     }},
    {"Z", [](Renderer& r, Line&, const Tag&) { return set(r.s_.hidden, true); }},
};
const Renderer::TagEntry Renderer::kClosingTags[] = {
    {"A", [](Renderer& r, Line& c, const Tag&) { return r.closeAnchor(c); }},
    {"B", [](Renderer& r, Line&, const Tag&) { return set(r.s_.bold, false); }},
    {"E", [](Renderer& r, Line&, const Tag&) { return set(r.s_.error, false); }},
    {"FONT", [](Renderer& r, Line& c, const Tag&) { return r.closeFont(c); }},
    {"HI", [](Renderer& r, Line& c, const Tag&) { return r.closeHighlight(c); }},
    {"I", [](Renderer& r, Line&, const Tag&) { return set(r.s_.italic, false); }},
    {"P", [](Renderer& r, Line& c, const Tag&) { return r.closeParagraph(c); }},
    {"R", [](Renderer& r, Line&, const Tag&) { return set(r.s_.rotated, false); }},
    {"S", [](Renderer& r, Line&, const Tag&) { return set(r.s_.strike, false); }},
    {"SHAD", [](Renderer& r, Line&, const Tag&) { return set(r.s_.shadow, false); }},
    // Either closing tag ends a lowered or a raised run.
    {"SUB", [](Renderer& r, Line&, const Tag&) { return r.endShift(); }},
    {"SUP", [](Renderer& r, Line&, const Tag&) { return r.endShift(); }},
    {"U", [](Renderer& r, Line&, const Tag&) { return set(r.s_.underline, false); }},
    // Outside a list "</UL>" reads as "</U>".
    {"UL",
     [](Renderer& r, Line&, const Tag&) {
       if (r.s_.listLevel > 0) --r.s_.listLevel;
       else r.s_.underline = false;
       return TagResult::Continue;
     }},
    {"Z", [](Renderer& r, Line&, const Tag&) { return set(r.s_.hidden, false); }},
};

Renderer::TagResult Renderer::applyTag(Line& c, const Tag& tg) {
  const QString& name = tg.name();
  if (!tg.closing()) {
    for (const TagEntry& e : kOpeningTags)
      if (name == QLatin1String(e.name)) return e.handler(*this, c, tg);
    return TagResult::Continue;  // an unknown tag is skipped
  }
  for (const TagEntry& e : kClosingTags)
    if (name == QLatin1String(e.name)) return e.handler(*this, c, tg);
  // Other closing tags by their first letter: "</BLINK>", "</BODY>" give back the start
  // colour, "</LI>" ends the line.
  if (name.startsWith(QLatin1Char('B'))) s_.fontColor = startFontColor_;
  else if (name.startsWith(QLatin1Char('L'))) return TagResult::EndAfter;
  return TagResult::Continue;
}

Renderer::TagResult Renderer::openAnchor(Line& c, const Tag& tg) {
  const int number = ++s_.anchorCount;
  r_.HyperLinks = std::max(r_.HyperLinks, number);
  bool found = false;
  s_.href = tg.attr("HREF", &found);
  if (!found) s_.href = tg.firstQuoted();
  s_.inAnchor = true;
  s_.anchorStartX = c.x;
  s_.anchorStartTop = c.top;
  const bool hovered = number == a_.HoverLink;
  if (c.paint && (!a_.HoverStyle || hovered)) {
    s_.underline = true;
    s_.anchorStyled = true;
    s_.anchorSavedBrush = s_.brushColor;
    s_.anchorSavedFont = s_.fontColor;
    if (a_.HoverColor != clNone) s_.brushColor = a_.HoverColor;
    if (a_.HoverFontColor != clNone) s_.fontColor = a_.HoverFontColor;
  }
  if (!a_.Selected && !(hovered && a_.HoverStyle && a_.HoverFontColor != clNone)) s_.fontColor = a_.URLColor;
  if (number - 1 == a_.FocusLink) {
    s_.focusOpen = true;
    s_.focusStartX = c.x;
    r_.FocusAnchor = s_.href;
  }
  return TagResult::Continue;
}

Renderer::TagResult Renderer::closeAnchor(Line& c) {
  if (s_.inAnchor) {
    if (s_.anchorStyled) {
      s_.underline = startFont_.underline();
      s_.brushColor = s_.anchorSavedBrush;
      s_.fontColor = s_.anchorSavedFont;
      s_.anchorStyled = false;
    }
    if (!a_.Selected) s_.fontColor = startFontColor_;
    // The hit test remembers where the anchor under the mouse lies, for the hover frame.
    if (c.record && mouseAnchor_ == s_.anchorCount) {
      const bool sameLine = s_.anchorStartTop == c.top;
      const int sx = sameLine ? s_.anchorStartX : c.left;
      r_.HoverRect = QRect(QPoint(sx, c.top), QPoint(c.x, c.bottom));
      r_.MouseLink = s_.anchorCount;
    }
    if (s_.focusOpen) {
      if (c.paint) drawFocusBox(c);
      s_.focusOpen = false;
    }
  }
  s_.inAnchor = false;
  return TagResult::Continue;
}

Renderer::TagResult Renderer::openFont(Line& c, const Tag& tg) {
  bool has = false;
  const QString face = tg.attr("FACE", &has);
  if (has) s_.family = face;
  const QString color = tg.attr("COLOR", &has);
  if (has && !a_.Selected) s_.fontColor = MarkupColor(color);
  const QString bg = tg.attr("BGCOLOR", &has);
  if (has && c.paint && !a_.Selected) {
    s_.fontSavedBrush = s_.brushColor;
    s_.brushColor = MarkupColor(bg);
  }
  const QString size = tg.attr("SIZE", &has);
  if (has) {
    // 1 to 5 are the list's own sizes; larger numbers are points.
    static const int sizes[] = {8, 10, 12, 14, 16};
    const int v = ParseInt(size);
    if (v >= 1 && v <= 5) s_.pointSize = sizes[v - 1];
    else if (v > 0) s_.pointSize = std::min<double>(v, kMaxPointSize);
  }
  return TagResult::Continue;
}

Renderer::TagResult Renderer::closeFont(Line& c) {
  s_.family.clear();
  s_.pointSize = -1;
  if (c.paint && !a_.Selected) {
    s_.fontColor = startFontColor_;
    s_.brushColor = s_.fontSavedBrush;
  }
  return TagResult::Continue;
}

Renderer::TagResult Renderer::openHighlight(Line& c) {
  if (c.paint) {
    s_.hiSavedFont = s_.fontColor;
    s_.hiSavedBrush = s_.brushColor;
    s_.fontColor = clHighlightText;
    s_.brushColor = clHighlight;
  }
  return TagResult::Continue;
}

Renderer::TagResult Renderer::closeHighlight(Line& c) {
  if (c.paint) {
    s_.fontColor = s_.hiSavedFont;
    s_.brushColor = s_.hiSavedBrush;
  }
  return TagResult::Continue;
}

// A black line under the line, across the whole rectangle; the text goes on below it.
Renderer::TagResult Renderer::rule(Line& c) {
  if (c.paint) {
    p_.save();
    p_.setPen(QColor(0, 0, 0));
    p_.drawLine(rect_.x(), c.bottom + 1, right_ - 1, c.bottom + 1);
    p_.restore();
  }
  return TagResult::EndAfter;
}

// The pen moves forward to x pixels from the line's start, never back.
Renderer::TagResult Renderer::indentTo(Line& c, const Tag& tg) {
  const int n = std::clamp(ParseInt(tg.valueAfterLetter(QLatin1Char('X'))), -kMaxOffset, kMaxOffset);
  if (c.width < n) {
    c.width = n;
    c.x = c.left + n;
    c.trailingSpace = 0;
  }
  return TagResult::Continue;
}

// A list item is indented by 12 pixels per level and starts with its bullet in the last 12;
// a second item on a line that is laid out starts a new one.
Renderer::TagResult Renderer::listItem(Line& c) {
  if (c.liSeen && c.fit) return TagResult::EndBefore;
  c.liSeen = true;
  const int level = std::min(s_.listLevel, 1000);
  c.width += level * 12;
  c.x += (level - 1) * 12;
  if (c.paint && !s_.hidden) {
    p_.save();
    p_.setFont(font());
    p_.setPen(ToQColor(s_.fontColor == clNone ? startFontColor_ : s_.fontColor));
    const int bottom = c.bottom - c.drawSubOff - c.drawImgOff;
    p_.drawText(QPoint(c.x, bottom - textHeight() + fm().ascent()),
                level % 2 == 1 ? QString(QChar(0x2022)) : QStringLiteral("o"));
    p_.restore();
  }
  c.x += 12;
  c.trailingSpace = 0;
  return TagResult::Continue;
}

Renderer::TagResult Renderer::openParagraph(Line& c, const Tag& tg) {
  bool has = false;
  const QString align = tg.attr("ALIGN", &has).toUpper();
  if (has) {
    if (align.contains(QLatin1String("RIGHT"))) s_.align = 1;
    if (align.contains(QLatin1String("LEFT"))) s_.align = 0;
    if (align.contains(QLatin1String("CENTER"))) s_.align = 2;
  }
  const QString indent = tg.attr("INDENT", &has);
  if (has) s_.indent = std::clamp(ParseInt(indent), -kMaxOffset, kMaxOffset);
  bool hasColor = false, hasTo = false;
  const QString from = tg.attr("BGCOLOR", &hasColor);
  const QString to = tg.attr("BGCOLORTO", &hasTo);
  if (hasColor && c.paint) {
    s_.paraBg = true;
    if (!hasTo) {
      s_.paraSavedBrush = s_.brushColor;
      s_.brushColor = MarkupColor(from);
      fillBrush(QRect(QPoint(rect_.x(), c.top), QPoint(right_ - 1, c.bottom - 1)));
    } else {
      DrawGradientRect(p_, MarkupColor(from), MarkupColor(to), true,
                       QRect(QPoint(rect_.x(), c.top), QPoint(right_ - 1, c.bottom + 1)), 64, clNone);
    }
  }
  return TagResult::Continue;
}

// The paragraph ends its line; its alignment and indent end after it.
Renderer::TagResult Renderer::closeParagraph(Line& c) {
  if (c.paint) {
    s_.brushColor = s_.paraSavedBrush;
    s_.paraBg = false;
  }
  s_.resetParagraph = true;
  return TagResult::EndAfter;
}

Renderer::TagResult Renderer::rotate(const Tag& tg) {
  bool ok = false;
  const double angle = tg.valueAfterLetter(QLatin1Char('A')).trimmed().toDouble(&ok);
  s_.rotated = true;
  s_.angle = ok && std::isfinite(angle) ? std::fmod(angle, 360.0) : 0.0;
  return TagResult::Continue;
}

}  // namespace

bool DrawMarkup(QPainter& canvas, const QString& text, const QRect& rect, const MarkupDrawArgs& args,
                MarkupDrawResult& result) {
  Renderer r(canvas, text, rect, args, result);
  return r.run();
}

QString StripMarkup(const QString& text) {
  QString s = text;
  s.replace(QLatin1String("<BR>"), QLatin1String("\r\n"), Qt::CaseInsensitive);
  s.replace(QLatin1String("<HR>"), QLatin1String("\r\n"), Qt::CaseInsensitive);
  // Hidden sections; an unclosed one hides the rest, as it does when drawn.
  for (const char* open : {"<z>", "<Z>"}) {
    const QString o = QLatin1String(open);
    const QString cl = QStringLiteral("</") + o.mid(1);
    QString out;
    out.reserve(s.size());
    qsizetype pos = 0;
    while (pos < s.size()) {
      const qsizetype a = s.indexOf(o, pos);
      if (a < 0) {
        out += QStringView(s).mid(pos);
        break;
      }
      out += QStringView(s).mid(pos, a - pos);
      const qsizetype b = s.indexOf(cl, a + o.size());
      if (b < 0) {
        pos = s.size();
        break;
      }
      pos = b + cl.size();
    }
    s = out;
  }
  QString out;
  out.reserve(s.size());
  qsizetype pos = 0;
  while (pos < s.size()) {
    const qsizetype a = s.indexOf(QLatin1Char('<'), pos);
    if (a < 0) {
      out += QStringView(s).mid(pos);
      break;
    }
    out += QStringView(s).mid(pos, a - pos);
    const qsizetype b = s.indexOf(QLatin1Char('>'), a);
    if (b < 0) break;
    pos = b + 1;
  }
  return out;
}

QString MarkupUnescape(const QString& text) {
  QString out;
  out.reserve(text.size());
  const QStringView s(text);
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] == QLatin1Char('&')) {
      char32_t v = 0;
      const int len = MatchEntity(s, i, v);
      if (len > 0) {
        AppendCodePoint(out, v);
        i += len - 1;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

QString ThumbnailItemPictureURL(const QString& thumbnailPath) { return QStringLiteral("file://") + thumbnailPath; }

namespace {
// A white space character as a character reference, where the mark-up takes one.
bool asReference(QChar c) { return c.isSpace() && (c == QLatin1Char('\t') || c.unicode() >= 32); }

// The file name of an item, escaped, with the white space at its ends as character references:
// the blanks around the item's " | " are trimmed away when it is read, the name's own stay.
QString itemFileName(const QString& fileName) {
  qsizetype start = 0, end = fileName.size();
  while (start < end && asReference(fileName[start])) ++start;
  while (end > start && asReference(fileName[end - 1])) --end;
  QString out;
  for (qsizetype i = 0; i < start; ++i) out += QStringLiteral("&#%1;").arg(fileName[i].unicode());
  out += MarkupEscape(fileName.mid(start, end - start));
  for (qsizetype i = end; i < fileName.size(); ++i) out += QStringLiteral("&#%1;").arg(fileName[i].unicode());
  return out;
}
}  // namespace

QString ThumbnailItem(const QString& thumbnailPath, const QString& fileName) {
  return QStringLiteral("<IMG src=\"file://") + MarkupEscape(thumbnailPath) +
         QStringLiteral("\" align=\"top\">") + itemFileName(fileName);
}

QString ThumbnailItem(const QString& thumbnailPath, const QString& fileName, const QString& caption) {
  return ThumbnailItem(thumbnailPath, fileName) + QStringLiteral(" | ") + MarkupEscape(caption);
}

QString ThumbnailItemFileName(const QString& item) {
  QString head = item.section(QLatin1Char('|'), 0, 0).trimmed();
  const qsizetype gt = head.indexOf(QLatin1Char('>'));
  if (gt >= 0) head = head.mid(gt + 1).trimmed();
  return MarkupUnescape(head);
}

QString ThumbnailItemCaption(const QString& item) {
  const qsizetype bar = item.indexOf(QLatin1Char('|'));
  if (bar < 0) return QString();
  return MarkupUnescape(item.mid(bar + 1).section(QLatin1Char('|'), 0, 0).trimmed());
}

}  // namespace kalvora

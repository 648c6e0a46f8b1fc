#include "Transition.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kalvora::player {

namespace {

struct Range {
  int first, last;
  enum Kind { Cut, Wipe, Box, Push, Blinds, Dissolve, Checker, Fade } kind;
};
constexpr Range kRanges[] = {
    {1000, 1001, Range::Cut},        {2000, 2554, Range::Wipe},     {3000, 3005, Range::Box},
    {4000, 4029, Range::Push},       {5000, 5263, Range::Blinds},   {6000, 6525, Range::Dissolve},
    {7000, 7263, Range::Checker},    {8000, 8259, Range::Fade},     {9000, 9001, Range::Box},
    {10000, 10003, Range::Push},     {11000, 11006, Range::Wipe},   {12000, 12009, Range::Blinds},
    {13000, 13007, Range::Checker},  {14000, 14007, Range::Dissolve}, {15000, 15035, Range::Wipe},
    {16000, 16035, Range::Fade},
};

// A fixed scramble of a block position, so a dissolve block appears at one moment only.
quint32 Scramble(quint32 x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

// Copies the rectangle r of src into dst (same size, 32-bit pixels).
void CopyRect(QImage& dst, const QImage& src, QRect r) {
  r = r.intersected(dst.rect());
  if (r.isEmpty()) return;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    std::memcpy(dst.scanLine(y) + r.left() * 4, src.constScanLine(y) + r.left() * 4,
                size_t(r.width()) * 4);
  }
}

int Part(int length, double p) { return int(std::lround(length * p)); }

}  // namespace

TransitionLook LookForEffect(const EffectLine& line) {
  TransitionLook s;
  s.grain = std::clamp(line.grain, 1, 256);
  s.wandSize = std::clamp(line.wandSize, 0, 64);
  for (const Range& r : kRanges) {
    if (line.code < r.first || line.code > r.last) continue;
    const int sub = line.code - r.first;
    static constexpr Family wipes[] = {Family::WipeFromLeft, Family::WipeFromRight,
                                       Family::WipeFromTop, Family::WipeFromBottom};
    static constexpr Family pushes[] = {Family::PushFromLeft, Family::PushFromRight,
                                        Family::PushFromTop, Family::PushFromBottom};
    switch (r.kind) {
      case Range::Cut: s.family = Family::Cut; break;
      case Range::Wipe: s.family = wipes[sub % 4]; break;
      case Range::Push: s.family = pushes[sub % 4]; break;
      case Range::Box: s.family = sub % 2 ? Family::BoxIn : Family::BoxOut; break;
      case Range::Blinds: s.family = sub % 2 ? Family::BlindsVertical : Family::BlindsHorizontal; break;
      case Range::Dissolve: s.family = Family::Dissolve; break;
      case Range::Checker: s.family = Family::Checker; break;
      case Range::Fade: s.family = Family::Crossfade; break;
    }
    return s;
  }
  s.family = Family::Cut;
  return s;
}

int TransitionMsForEffect(const EffectLine& line, int capMs) {
  if (LookForEffect(line).family == Family::Cut) return 0;
  const qint64 ms = 300 + qint64(std::clamp(line.passes, 1, 64)) * (20 + std::clamp(line.delay, 0, 1000));
  return int(std::min<qint64>(ms, std::max(0, capMs)));
}

QImage ComposeTransition(const QImage& fromIn, const QImage& toIn, const TransitionLook& look,
                         double progress) {
  const QImage to = toIn.convertToFormat(QImage::Format_RGB32);
  QImage from = fromIn.convertToFormat(QImage::Format_RGB32);
  if (from.size() != to.size()) {
    from = QImage(to.size(), QImage::Format_RGB32);
    from.fill(Qt::black);
  }
  const double p = std::isnan(progress) ? 1.0 : std::clamp(progress, 0.0, 1.0);
  if (p >= 1.0 || look.family == Family::Cut) return to;
  if (p <= 0.0) return from;

  QImage out = from;
  const int w = out.width(), h = out.height();
  const int grain = std::clamp(look.grain, 1, 256);
  const int cell = std::clamp(grain * 8, 16, 256);
  auto wand = [&](QRect line) {
    if (look.wandSize <= 0) return;
    QPainter painter(&out);
    painter.fillRect(line.intersected(out.rect()), Qt::black);
  };

  switch (look.family) {
    case Family::Cut:
      break;
    case Family::WipeFromLeft: {
      const int x = Part(w, p);
      CopyRect(out, to, QRect(0, 0, x, h));
      wand(QRect(x, 0, look.wandSize, h));
      break;
    }
    case Family::WipeFromRight: {
      const int x = w - Part(w, p);
      CopyRect(out, to, QRect(x, 0, w - x, h));
      wand(QRect(x - look.wandSize, 0, look.wandSize, h));
      break;
    }
    case Family::WipeFromTop: {
      const int y = Part(h, p);
      CopyRect(out, to, QRect(0, 0, w, y));
      wand(QRect(0, y, w, look.wandSize));
      break;
    }
    case Family::WipeFromBottom: {
      const int y = h - Part(h, p);
      CopyRect(out, to, QRect(0, y, w, h - y));
      wand(QRect(0, y - look.wandSize, w, look.wandSize));
      break;
    }
    case Family::PushFromLeft:
    case Family::PushFromRight:
    case Family::PushFromTop:
    case Family::PushFromBottom: {
      // The new picture pushes the old one out of the opposite edge.
      QPoint shift;
      if (look.family == Family::PushFromLeft) shift = QPoint(Part(w, p), 0);
      if (look.family == Family::PushFromRight) shift = QPoint(-Part(w, p), 0);
      if (look.family == Family::PushFromTop) shift = QPoint(0, Part(h, p));
      if (look.family == Family::PushFromBottom) shift = QPoint(0, -Part(h, p));
      const QPoint toPos = shift - QPoint(shift.x() > 0 ? w : shift.x() < 0 ? -w : 0,
                                          shift.y() > 0 ? h : shift.y() < 0 ? -h : 0);
      QPainter painter(&out);
      painter.setCompositionMode(QPainter::CompositionMode_Source);
      painter.drawImage(shift, from);
      painter.drawImage(toPos, to);
      break;
    }
    case Family::BlindsHorizontal:
      for (int y = 0; y < h; y += cell) CopyRect(out, to, QRect(0, y, w, Part(std::min(cell, h - y), p)));
      break;
    case Family::BlindsVertical:
      for (int x = 0; x < w; x += cell) CopyRect(out, to, QRect(x, 0, Part(std::min(cell, w - x), p), h));
      break;
    case Family::Dissolve: {
      const int block = std::clamp(grain, 2, 64);
      const quint32 limit = quint32(p * 4294967295.0);
      for (int by = 0; by * block < h; ++by) {
        for (int bx = 0; bx * block < w; ++bx) {
          if (Scramble(quint32(by) * 65599U + quint32(bx)) < limit)
            CopyRect(out, to, QRect(bx * block, by * block, block, block));
        }
      }
      break;
    }
    case Family::Checker: {
      // Even cells fill in the first half, the others in the second, each wiping from its left.
      for (int cy = 0; cy * cell < h; ++cy) {
        for (int cx = 0; cx * cell < w; ++cx) {
          const bool first = (cx + cy) % 2 == 0;
          const double local = std::clamp(first ? p * 2 : p * 2 - 1, 0.0, 1.0);
          CopyRect(out, to, QRect(cx * cell, cy * cell, Part(cell, local), cell));
        }
      }
      break;
    }
    case Family::Crossfade: {
      QPainter painter(&out);
      painter.setOpacity(p);
      painter.drawImage(0, 0, to);
      break;
    }
    case Family::BoxOut: {
      const int bw = Part(w, p), bh = Part(h, p);
      CopyRect(out, to, QRect((w - bw) / 2, (h - bh) / 2, bw, bh));
      break;
    }
    case Family::BoxIn: {
      out = to;
      const int bw = w - Part(w, p), bh = h - Part(h, p);
      CopyRect(out, from, QRect((w - bw) / 2, (h - bh) / 2, bw, bh));
      break;
    }
  }
  return out;
}

}  // namespace kalvora::player

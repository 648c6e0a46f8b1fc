#include "Engine.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace kalvora::player {

namespace {
constexpr int kHintMs = 3000;

quint32 Mix(quint32 a, quint32 b) {
  quint32 x = a * 0x9E3779B1U ^ (b + 0x7F4A7C15U);
  x ^= x >> 15;
  x *= 0x2C1B3C6DU;
  x ^= x >> 12;
  return x;
}

// Reads a picture already scaled to fit into size, keeping its proportions.
QImage LoadFitted(const QString& path, QSize size) {
  QImageReader reader(path);
  reader.setAutoTransform(true);
  QSize source = reader.size();
  if (reader.transformation() & QImageIOHandler::TransformationRotate90) source.transpose();
  if (source.isValid() && !source.isEmpty()) {
    QSize fit = source.scaled(size, Qt::KeepAspectRatio);
    if (reader.transformation() & QImageIOHandler::TransformationRotate90) fit.transpose();
    if (!fit.isEmpty()) reader.setScaledSize(fit);
  }
  QImage img = reader.read();
  if (img.isNull()) return img;
  if (img.size() != img.size().scaled(size, Qt::KeepAspectRatio))
    img = img.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return img;
}
}  // namespace

bool LoadSetup(const QString& rootIn, const QString& showFolder, PlayerSetup& setup, QString* error) {
  const QString root = rootIn.endsWith('/') ? rootIn : rootIn + '/';
  setup = PlayerSetup{};
  setup.settings = ReadPlayerSettings(root);
  setup.effects = ReadEffects(root + "Effects.ini");
  setup.texts = ReadPlayerTexts(root);
  // The main program names the slideshow it saved; the newest Diashow.ini stands in for an
  // older main program's Settings.ini that names none.
  QString folder = showFolder;
  if (folder.isEmpty()) folder = FindNamedShow(root, setup.settings.show);
  if (folder.isEmpty()) folder = FindLastSavedShow(root);
  if (folder.isEmpty()) {
    if (error) *error = root;
    return false;
  }
  return ReadShow(folder, setup.show, error);
}

Engine::Engine(PlayerSetup setup, const Clock& clock, quint32 seed)
    : setup_(std::move(setup)),
      clock_(clock),
      seed_(seed),
      schedule_(
          Timing{int(setup_.show.slides.size()), setup_.show.secondsPerPicture * 1000,
                 setup_.settings.transitionMs,
                 setup_.show.title.isEmpty() ? 0 : setup_.settings.introMs, setup_.settings.endMs,
                 setup_.settings.endless, setup_.settings.manual},
          [this](qint64 change) { return transitionMsFor(change); }) {}

const EffectLine* Engine::effectFor(qint64 change) const {
  const auto& fx = setup_.effects;
  if (fx.isEmpty()) return nullptr;
  switch (setup_.settings.effectMode) {
    case EffectMode::Off:
      return nullptr;
    case EffectMode::On:
      return &fx[std::clamp(setup_.settings.effect, 1, int(fx.size())) - 1];
    case EffectMode::Random:
      return &fx[Mix(seed_, quint32(change)) % quint32(fx.size())];
  }
  return nullptr;
}

TransitionLook Engine::transitionFor(qint64 change) const {
  if (setup_.settings.effectMode == EffectMode::Off) return TransitionLook{};
  const EffectLine* line = effectFor(change);
  if (!line) return TransitionLook{Family::Crossfade, 5, 0};  // effects asked for, none listed
  return LookForEffect(*line);
}

int Engine::transitionMsFor(qint64 change) const {
  if (setup_.settings.effectMode == EffectMode::Off) return 0;
  const EffectLine* line = effectFor(change);
  if (!line) return setup_.settings.transitionMs;
  return TransitionMsForEffect(*line, setup_.settings.transitionMs);
}

QImage Engine::backgroundImage(QSize size) const {
  QImage img(size, QImage::Format_RGB32);
  img.fill(setup_.settings.background);
  return img;
}

void Engine::drawText(QImage& image, const QString& text, int pixelSize, QRect box, int flags) const {
  if (text.isEmpty() || box.isEmpty()) return;
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(std::max(8, pixelSize));
  font.setBold(true);
  p.setFont(font);
  // A thin outline in the opposite brightness keeps the text readable on any picture,
  // also when text and background colour are the same.
  const QColor fg = setup_.settings.textColor;
  const QColor outline = fg.lightness() > 127 ? QColor(0, 0, 0, 200) : QColor(255, 255, 255, 200);
  p.setPen(outline);
  for (const QPoint d : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
    p.drawText(box.translated(d), flags | Qt::TextWordWrap, text);
  p.setPen(fg);
  p.drawText(box, flags | Qt::TextWordWrap, text);
}

QImage Engine::cardImage(const QString& text, QSize size) const {
  QImage img = backgroundImage(size);
  drawText(img, text, size.height() / 16, img.rect().adjusted(20, 20, -20, -20), Qt::AlignCenter);
  return img;
}

QImage Engine::slideImage(int index, QSize size) {
  if (size != cacheSize_) {
    cache_.clear();
    cacheSize_ = size;
  }
  if (auto it = cache_.constFind(index); it != cache_.constEnd()) return *it;
  QImage img = backgroundImage(size);
  if (index >= 0 && index < setup_.show.slides.size()) {
    const Slide& slide = setup_.show.slides[index];
    const QImage pic = LoadFitted(slide.path, size);
    if (!pic.isNull()) {
      QPainter p(&img);
      p.drawImage((size.width() - pic.width()) / 2, (size.height() - pic.height()) / 2, pic);
    }
    const int textPx = std::max(12, size.height() / 28);
    if (setup_.settings.captionVisible && !slide.caption.isEmpty()) {
      const int bottom = size.height() - std::min(setup_.settings.textOffset, size.height() / 2) - textPx / 2;
      drawText(img, slide.caption, textPx, QRect(20, 0, size.width() - 40, bottom),
               Qt::AlignHCenter | Qt::AlignBottom);
    }
    if (setup_.settings.fileNameVisible || pic.isNull())
      drawText(img, slide.name, textPx * 3 / 4, QRect(12, 8, size.width() - 24, size.height() / 4),
               Qt::AlignLeft | Qt::AlignTop);
  }
  // Keep only a few pictures: the show may be long and the screen large.
  if (cache_.size() >= 4) cache_.clear();
  cache_.insert(index, img);
  return img;
}

QImage Engine::render(QSize size) {
  if (size.isEmpty()) size = QSize(1, 1);
  const qint64 now = clock_.nowMs();
  const Frame f = schedule_.frameAt(now);
  QImage out;
  switch (f.kind) {
    case Frame::Finished:
      out = backgroundImage(size);
      break;
    case Frame::Intro:
      out = cardImage(setup_.show.title, size);
      break;
    case Frame::End:
      out = cardImage(setup_.texts.end, size);
      break;
    case Frame::Picture: {
      const QImage to = slideImage(f.slide, size);
      if (f.progress >= 1.0) {
        out = to;
      } else {
        const QImage from = f.from >= 0 ? slideImage(f.from, size) : backgroundImage(size);
        out = ComposeTransition(from, to, transitionFor(f.change), f.progress);
      }
      break;
    }
  }
  if (now < kHintMs && f.kind != Frame::Finished) {
    out.detach();
    drawText(out, setup_.texts.escapeHint, std::max(10, size.height() / 40),
             out.rect().adjusted(12, 8, -12, -8), Qt::AlignRight | Qt::AlignTop);
  }
  return out;
}

}  // namespace kalvora::player

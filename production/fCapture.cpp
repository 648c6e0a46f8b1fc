#include "fCapture.h"

#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <random>

#include "EffectList.h"
#include "Prompter.h"
#include "PxFile.h"
#include "PxPaint.h"
#include "StringList.h"
#include "fMain.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

std::function<TPicImage*(QWidget*)> TCaptureForm::PictureFactory;
std::optional<unsigned> TCaptureForm::RandomSeed;
int TCaptureForm::WatchdogMilliseconds = 10000;

namespace {
// libjpeg quality 85 through the imaging library's quality factor.
constexpr int kQFactor85 = 12;
constexpr int kMaxGrabs = 999;  // three digits in the frame names
}  // namespace

QPoint CapturePlace(const QRect& screen, const QRect& beside, const QList<QRect>& buttons, const QList<QRect>& keep,
                    QSize size) {
  const int w = size.width(), h = size.height();
  auto clampX = [&](int x) { return std::max(screen.left(), std::min(x, screen.right() - w + 1)); };
  auto clampY = [&](int y) { return std::max(screen.top(), std::min(y, screen.bottom() - h + 1)); };
  if (!beside.isValid())
    return QPoint(clampX(screen.left() + (screen.width() - w) / 2), clampY(screen.top() + (screen.height() - h) / 2));
  constexpr int kGap = 8;
  const QPoint sides[] = {{beside.right() + 1 + kGap, clampY(beside.top())},
                          {beside.left() - kGap - w, clampY(beside.top())},
                          {clampX(beside.left()), beside.bottom() + 1 + kGap},
                          {clampX(beside.left()), beside.top() - kGap - h}};
  for (const QPoint& p : sides)
    if (screen.contains(QRect(p, size))) return p;
  // No room beside it: the place inside the screen that hides the least of what matters.
  auto covered = [&](const QRect& r, const QList<QRect>& areas) {
    qint64 sum = 0;
    for (const QRect& a : areas) {
      const QRect i = r.intersected(a);
      if (!i.isEmpty()) sum += qint64(i.width()) * i.height();
    }
    return sum;
  };
  QList<int> xs{screen.left(), screen.right() - w + 1, beside.right() - kGap - w + 1, beside.left() + kGap,
                beside.center().x() - w / 2};
  QList<int> ys{screen.top(), screen.bottom() - h + 1, beside.center().y() - h / 2};
  for (const QRect& a : keep + buttons) {
    ys << a.bottom() + 1 + kGap << a.top() - kGap - h;
    xs << a.right() + 1 + kGap << a.left() - kGap - w;
  }
  QPoint best;
  qint64 bestCost[3] = {-1, -1, -1};
  for (int x : xs)
    for (int y : ys) {
      const QRect r(QPoint(clampX(x), clampY(y)), size);
      const qint64 cost[3] = {covered(r, buttons), covered(r, keep), covered(r, {beside})};
      if (bestCost[0] < 0 || std::lexicographical_compare(cost, cost + 3, bestCost, bestCost + 3)) {
        std::copy(cost, cost + 3, bestCost);
        best = r.topLeft();
      }
    }
  return best;
}

TCaptureForm::TCaptureForm(QWidget* owner) : TForm("CaptureForm", owner) {
  setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  Pic1 = PictureFactory ? PictureFactory(this) : new TPicImage(this);
  Pic1->setParent(this);
  Pic1->setObjectName("Pic1");
  Pic1->move(0, 0);
  Pic1->SetPaced(false);
  Pic1->OnPaintNotify = [this](TPicImage*, unsigned, unsigned) { Pic1PaintNotify(); };
  Pic1->OnStatus = [this](TPicImage*, int percent) { Pic1Status(percent); };
  Pic1->OnPaint = [this](TPicImage*) {
    // The first key frame is on the surface once its paint has ended: only then may the
    // second one be painted over it (a repaint asked for before the window is exposed
    // paints nothing).
    if (waitingForFirst_ && !finishing_ && Pic1->size() == keySize_) {
      waitingForFirst_ = false;
      QTimer::singleShot(0, this, [this] { StartEffect(); });
    }
    // The end of a paint that never reached the end threshold closes the window.
    if (secondPainting_ && !finishing_) Finish();
  };
  if (MainForm) {
    if (MainForm->RNDRadioButton) RandomEffect = MainForm->RNDRadioButton->isChecked();
    if (MainForm->FTransitionFrames > 0) TransitionFrames = MainForm->FTransitionFrames;
  }
  watchdog_ = new QTimer(this);
  watchdog_->setSingleShot(true);
  connect(watchdog_, &QTimer::timeout, this, [this] {
    if (!finishing_) Finish();
  });
}

TCaptureForm::~TCaptureForm() {
  // The component's handlers point back here.
  Pic1->OnPaintNotify = nullptr;
  Pic1->OnStatus = nullptr;
  Pic1->OnPaint = nullptr;
}

void TCaptureForm::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  if (activated_) return;
  activated_ = true;
  watchdog_->start(WatchdogMilliseconds);
  QTimer::singleShot(0, this, [this] { FormActivate(); });
}

int TCaptureForm::Render() {
  setWindowModality(Qt::NonModal);
  setResult(0);
  QEventLoop loop;
  bool ended = false;
  const auto connection = connect(this, &QDialog::finished, &loop, [&] {
    ended = true;
    loop.quit();
  });
  show();
  if (!ended) loop.exec();
  disconnect(connection);
  return result() == QDialog::Rejected ? kalvora::mrCancel : result();
}

void TCaptureForm::FormActivate() {
  try {
    Pic1->Load(FirstPicture, 0, 0, 1);
  } catch (const EPicImageError& e) {
    loadError_ = e.message();
    Finish();
    return;
  }
  // The window takes the size of the key frame; it goes beside the production window (its
  // progress and Abbrechen stay in sight), else it is centred on the screen.
  keySize_ = QSize(std::max(1, Pic1->BitmapWidth()), std::max(1, Pic1->BitmapHeight()));
  Pic1->resize(keySize_);
  setFixedSize(keySize_);
  QWidget* beside = Beside && Beside->isVisible() ? Beside->window() : nullptr;
  QScreen* screen = beside && beside->screen() ? beside->screen() : QGuiApplication::primaryScreen();
  if (screen) {
    QList<QRect> buttons, keep;
    if (beside) {
      auto global = [](QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); };
      for (QPushButton* b : beside->findChildren<QPushButton*>())
        if (b->isVisible()) buttons << global(b);
      for (QProgressBar* b : beside->findChildren<QProgressBar*>())
        if (b->isVisible()) keep << global(b);
      for (QLabel* l : beside->findChildren<QLabel*>())
        if (l->isVisible() && !l->text().isEmpty()) keep << global(l);
    }
    move(CapturePlace(screen->availableGeometry(), beside ? beside->frameGeometry() : QRect(), buttons, keep, keySize_));
  }
  // The effect starts from what the component shows; it goes on when this paint has really
  // been made (at once, or when the window system exposes the window).
  waitingForFirst_ = true;
  Pic1->RepaintImage();
  if (waitingForFirst_) Pic1->update();
}

void TCaptureForm::StartEffect() {
  if (finishing_) return;
  FArmed = true;
  if (!LoadEffect(EffectNumber - 1)) {
    // No usable effect: a cut, without transition frames.
    FArmed = false;
    Finish();
    return;
  }
  FFrameCount = 0;
  FStatusCount = 0;
  try {
    Pic1->Load(SecondPicture, 0, 0, 1);
  } catch (const EPicImageError& e) {
    loadError_ = e.message();
    FArmed = false;
    Finish();
    return;
  }
  Pic1->SetAutoRepaint(true);
  secondPainting_ = true;
  Pic1->update();
}

bool TCaptureForm::LoadEffect(int index) {
  effectIndex_ = -1;
  kalvora::StringList lines;
  if (!lines.loadFromFile(EffectsFile) || lines.count() == 0) return false;
  if (RandomEffect) {
    std::mt19937 rng(RandomSeed ? *RandomSeed
                                : unsigned(std::chrono::steady_clock::now().time_since_epoch().count()));
    // The last line is never drawn.
    const int top = std::max(0, lines.count() - 2);
    index = std::uniform_int_distribution<int>(0, top)(rng);
  }
  if (index < 0 || index >= lines.count()) return false;
  try {
    const EffectSettings s = ParseEffectLine(lines[index]);
    Pic1->SetEffectDelay(unsigned(std::max(0, s.EffectDelay)));
    Pic1->SetEffectGrain(unsigned(std::max(0, s.EffectGrain)));
    Pic1->SetPaintMaxPasses(unsigned(std::max(0, s.PaintMaxPasses)));
    Pic1->SetPaintEffect(s.PaintEffect);
    Pic1->SetWandColor(0);
    Pic1->SetWandSize(unsigned(std::max(0, s.WandSize)));
  } catch (const EConvertError&) {
    return false;
  } catch (const EPicImageError&) {
    return false;
  }
  effectIndex_ = index;
  return true;
}

void TCaptureForm::Pic1PaintNotify() {
  if (FArmed && !finishing_) Pic1->SetEnableProgressEvent(true);
}

void TCaptureForm::Pic1Status(int percent) {
  if (finishing_ || !FArmed) return;
  const int step = std::max(1, 60 / std::max(1, TransitionFrames));
  const int end = 100 - int(std::nearbyint(step * 1.2));
  if (percent < end) {
    if (++FStatusCount >= step) {
      FStatusCount = 0;
      Grab();
    }
  } else {
    Finish();
  }
}

void TCaptureForm::Grab() {
  if (FFrameCount >= kMaxGrabs) return;
  const QImage& surface = Pic1->EffectFrame();
  if (surface.isNull()) return;
  const QRect area(0, 0, Pic1->width(), Pic1->height());
  const QImage shot = (surface.rect() == area ? surface : surface.copy(area)).convertToFormat(QImage::Format_RGB888);
  px::Bitmap bmp;
  if (px::FromQImage(shot, bmp) != px::kOk) return;
  ++FFrameCount;
  const QString name = FrameBaseName + QString("%1.jpg").arg(FFrameCount, 3, 10, QChar('0'));
  // The save's own progress must not reach Pic1Status while the paint reports.
  const px::StatusCallback paintCallback = px::SetStatusCallback({});
  px::SaveBitmap(std::string(QFile::encodeName(name).constData()), bmp, px::kFormatJfif, 24, kQFactor85, {});
  px::SetStatusCallback(paintCallback);
}

void TCaptureForm::Finish() {
  finishing_ = true;
  FArmed = false;
  watchdog_->stop();
  Pic1->SetEnableProgressEvent(false);
  // Closed from the event loop, not from inside the component's paint.
  QTimer::singleShot(0, this, [this] { done(kalvora::mrOk); });
}

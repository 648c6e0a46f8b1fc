#include "fRahmen.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QScreen>
#include <QTransform>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "AppDir.h"
#include "FormButtons.h"
#include "KvArchivePrompts.h"
#include "Language.h"
#include "Prompter.h"

TRahmenForm* RahmenForm = nullptr;

namespace {

QLabel* imageLabel(QWidget* parent, const char* name) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  l->setAlignment(Qt::AlignCenter);
  l->setScaledContents(true);
  l->setWordWrap(true);
  l->setFixedSize(250, 250);
  return l;
}

QSlider* bar(QWidget* parent, const char* name, int min, int max) {
  auto* s = new QSlider(Qt::Horizontal, parent);
  s->setObjectName(name);
  s->setRange(min, max);
  return s;
}

}  // namespace

TRahmenForm::TRahmenForm(QWidget* parent) : TForm("RahmenForm", parent) {
  setWindowTitle(QString::fromUtf8("Rahmen"));
  // Disk and part questions of the collection reach the user, not a silent cancel.
  kv::KvAskThroughPrompter(KvUnZipper1);
  auto* layout = new QVBoxLayout(this);
  // The window always has its content's size: small before a frame is chosen, grown with it.
  layout->setSizeConstraint(QLayout::SetFixedSize);
  BitBtn1 = new QPushButton(QString::fromUtf8("Rahmen auswählen"), this);
  BitBtn1->setObjectName("BitBtn1");
  layout->addWidget(BitBtn1);

  BearbeitenPanel = new QWidget(this);
  BearbeitenPanel->setObjectName("BearbeitenPanel");
  auto* panel = new QVBoxLayout(BearbeitenPanel);
  auto* pictures = new QHBoxLayout();
  auto* left = new QVBoxLayout();
  left->addWidget(new QLabel(QString::fromUtf8("Original"), BearbeitenPanel));
  BildImage = imageLabel(BearbeitenPanel, "BildImage");
  left->addWidget(BildImage);
  auto* right = new QVBoxLayout();
  right->addWidget(new QLabel(QString::fromUtf8("Vorschau"), BearbeitenPanel));
  ErgebnisImage = imageLabel(BearbeitenPanel, "ErgebnisImage");
  right->addWidget(ErgebnisImage);
  pictures->addLayout(left);
  pictures->addLayout(right);
  panel->addLayout(pictures);
  MaskeImage = imageLabel(BearbeitenPanel, "MaskeImage");
  MaskeImage->hide();
  auto* group = new QGroupBox(QString::fromUtf8("Position des Rahmens"), BearbeitenPanel);
  auto* g = new QVBoxLayout(group);
  VRLabel = new QLabel(QString::fromUtf8("von rechts: 0 Pixel"), group);
  VRLabel->setObjectName("VRLabel");
  WidthTrackBar = bar(group, "WidthTrackBar", 0, 1000);
  VOLabel = new QLabel(QString::fromUtf8("von oben: 0 Pixel"), group);
  VOLabel->setObjectName("VOLabel");
  HeightTrackBar = bar(group, "HeightTrackBar", 0, 1000);
  ZoomLabel = new QLabel(QString::fromUtf8("Zoom: 1"), group);
  ZoomLabel->setObjectName("ZoomLabel");
  ZoomTrackBar = bar(group, "ZoomTrackBar", 1, 1000);
  for (QWidget* w : {static_cast<QWidget*>(VRLabel), static_cast<QWidget*>(WidthTrackBar),
                     static_cast<QWidget*>(VOLabel), static_cast<QWidget*>(HeightTrackBar),
                     static_cast<QWidget*>(ZoomLabel), static_cast<QWidget*>(ZoomTrackBar)})
    g->addWidget(w);
  panel->addWidget(group);
  layout->addWidget(BearbeitenPanel);

  PicImage1 = new PicImageControl(this);
  PicImage1->setObjectName("PicImage1");
  PicImage1->hide();

  auto* buttons = new QHBoxLayout();
  layout->addLayout(buttons);
  RotateBitBtn = AddFormButton(this, buttons, "RotateBitBtn", QString::fromUtf8("Rahmen drehen"));
  SaveBitBtn = AddFormButton(this, buttons, "SaveBitBtn", QString::fromUtf8("OK"), kalvora::mrOk);
  OkBitBtn = SaveBitBtn;
  AbortBitBtn = AddFormButton(this, buttons, "AbortBitBtn", QString::fromUtf8("Abbrechen"), kalvora::mrCancel);
  AbortBitBtn->setShortcut(Qt::Key_Escape);

  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(RotateBitBtn, &QPushButton::clicked, this, [this] { RotateBitBtnClick(); });
  connect(WidthTrackBar, &QSlider::valueChanged, this, [this] { WidthTrackBarChange(); });
  connect(HeightTrackBar, &QSlider::valueChanged, this, [this] { HeightTrackBarChange(); });
  connect(ZoomTrackBar, &QSlider::valueChanged, this, [this] { ZoomTrackBarChange(); });
  FPicturePath = kalvora::ProgramFolder() + "rahmen.jpg";
  // Hidden until a frame is chosen: the first showing is as small as its one button.
  BearbeitenPanel->hide();
  SaveBitBtn->hide();
  RotateBitBtn->hide();
}

void TRahmenForm::showEvent(QShowEvent* e) {
  TForm::showEvent(e);
  FormActivate();
}

void TRahmenForm::FormActivate() {
  // The program folder stays as the main window set it.
  const QString folder = kalvora::ProgramFolder() + "rahmen/";
  BearbeitenPanel->hide();
  SaveBitBtn->hide();
  RotateBitBtn->hide();
  // Each showing starts without a frame: a result of an earlier showing is never taken over.
  FRotateFrame = false;
  placing_ = false;
  MaskeBitmap = QImage();
  ErgebnisBitmap = QImage();
  BildBitmap = QImage();
  MaskeImage->clear();
  ErgebnisImage->clear();
  BildImage->clear();
  SaveBitBtn->setEnabled(false);
  const QString zip = folder + "Rahmen.zip";
  if (!QFile::exists(zip)) return;
  int failures = 0;
  KvUnZipper1.OnProcessItemFailure = [&](kv::TKvBaseBrowser*, kv::TKvArchiveItem*, kv::TKvProcessType,
                                         kv::TKvErrorClass, int) { ++failures; };
  bool clean = false;
  QString cause;
  try {
    KvUnZipper1.SetFileName(QFile::encodeName(zip).toStdString());
    KvUnZipper1.SetBaseDirectory(QFile::encodeName(folder).toStdString());
    KvUnZipper1.ExtractFiles("*.*");
    clean = failures == 0 && KvUnZipper1.Count() > 0;
  } catch (const std::exception& e) {
    cause = QString::fromUtf8(e.what());
  }
  try {
    KvUnZipper1.SetFileName("");  // closes the archive
  } catch (const std::exception&) {
  }
  KvUnZipper1.OnProcessItemFailure = nullptr;
  // Only a clean extraction lets the collection go; otherwise it stays for the next try.
  if (clean) {
    QFile::remove(zip);
    return;
  }
  const bool en = LanguageIsEnglish();
  QString text = en ? QString::fromUtf8("The frame collection \"%1\" could not be unpacked completely. It is kept.")
                    : QString::fromUtf8("Die Rahmensammlung „%1“ konnte nicht vollständig entpackt werden. "
                                        "Sie bleibt erhalten.");
  text = text.arg(QDir::toNativeSeparators(zip));
  if (!cause.isEmpty()) text += "\n" + cause;
  kalvora::CurrentPrompter().message(kalvora::MsgKind::Warning, QString::fromUtf8(en ? "Frames" : "Rahmen"), text);
}

void TRahmenForm::BitBtn1Click() {
  // The window grows about where it is now (its layout resizes it as soon as the panel shows).
  if (!placing_) placeCentre_ = frameGeometry().center();
  // Only the composition shows the picture, scaled to its box: the picture at full size would
  // make the dialog as large as the picture.
  BildBitmap = QImage(FPicturePath);
  const QString folder = kalvora::ProgramFolder() + "rahmen/";
  QString file = kalvora::CurrentPrompter().openFile(QString::fromUtf8("Rahmen auswählen"), folder,
                                                     QString::fromUtf8("Bitmaps (*.bmp)"));
  if (file.isEmpty()) return;
  QImage frame(file);
  if (frame.isNull()) {
    kalvora::CurrentPrompter().message(kalvora::MsgKind::Error, QString::fromUtf8("Rahmen"),
                                       LanguageIsEnglish() ? QString::fromUtf8("The frame cannot be read.")
                                                           : QString::fromUtf8("Der Rahmen kann nicht gelesen werden."));
    return;
  }
  MaskeBitmap = frame.convertToFormat(QImage::Format_RGB888);
  MaskeImage->setPixmap(QPixmap::fromImage(MaskeBitmap));
  BearbeitenPanel->show();
  SaveBitBtn->show();
  RotateBitBtn->show();
  composing_ = true;  // one composition below, not one per bar
  ZoomTrackBar->setMaximum(3000);
  ZoomTrackBar->setMinimum(100);
  // Each frame starts from the smallest zoom that fills it (the composition raises it there).
  ZoomTrackBar->setValue(100);
  WidthTrackBar->setValue(0);
  HeightTrackBar->setValue(0);
  composing_ = false;
  composeNow();
  keepOnScreen();
}

void TRahmenForm::keepOnScreen() {
  placing_ = true;
  // The panel's layout first, so the window's sees the previews' new sizes now.
  BearbeitenPanel->layout()->activate();
  layout()->activate();
  placeAboutCentre();
}

void TRahmenForm::resizeEvent(QResizeEvent* e) {
  TForm::resizeEvent(e);
  // The window system may apply the grown size later: the place follows it.
  if (placing_) placeAboutCentre();
}

void TRahmenForm::placeAboutCentre() {
  QScreen* s = screen();
  if (!s) return;
  const QRect area = s->availableGeometry();
  const QSize margins = (frameGeometry().size() - size()).expandedTo(QSize(0, 0));
  const QSize frame = size().expandedTo(sizeHint()) + margins;
  // Grown about its old centre, and never past the screen's edges.
  QPoint topLeft = placeCentre_ - QPoint(frame.width() / 2, frame.height() / 2);
  topLeft.setX(std::clamp(topLeft.x(), area.left(), std::max(area.left(), area.right() + 1 - frame.width())));
  topLeft.setY(std::clamp(topLeft.y(), area.top(), std::max(area.top(), area.bottom() + 1 - frame.height())));
  if (topLeft != frameGeometry().topLeft()) move(topLeft);
}

void TRahmenForm::WidthTrackBarChange() {
  composeNow();
  VRLabel->setText(QString::fromUtf8("von rechts: %1 Pixel").arg(WidthTrackBar->value()));
}

void TRahmenForm::HeightTrackBarChange() {
  composeNow();
  VOLabel->setText(QString::fromUtf8("von oben: %1 Pixel").arg(HeightTrackBar->value()));
}

void TRahmenForm::ZoomTrackBarChange() {
  composeNow();
  ZoomLabel->setText(QString::fromUtf8("Zoom: %1").arg(ZoomTrackBar->value()));
}

void TRahmenForm::RotateBitBtnClick() {
  FRotateFrame = true;
  composeNow();
}

void TRahmenForm::composeNow() {
  if (composing_ || MaskeBitmap.isNull()) return;
  ComposeFrame(WidthTrackBar->value(), HeightTrackBar->value(), ZoomTrackBar->value());
}

void TRahmenForm::ComposeFrame(int x, int y, int zoom) {
  composing_ = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (FRotateFrame) {
    // A quarter turn; for right angles no fill colour shows.
    MaskeBitmap = MaskeBitmap.transformed(QTransform().rotate(-90)).convertToFormat(QImage::Format_RGB888);
    MaskeImage->setPixmap(QPixmap::fromImage(MaskeBitmap));
    FRotateFrame = false;
  }
  for (int pass = 0; pass < 3; ++pass) {
    QImage picture(FPicturePath);
    if (picture.isNull() || picture.width() == 0 || zoom <= 0) {
      BildBitmap = QImage();
      break;
    }
    int scaledHeight = picture.height() * zoom / picture.width();
    BildBitmap = picture.scaled(zoom, std::max(1, scaledHeight), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .convertToFormat(QImage::Format_RGB888);
    HeightTrackBar->blockSignals(true);
    WidthTrackBar->blockSignals(true);
    HeightTrackBar->setRange(0, BildBitmap.height() - MaskeBitmap.height());
    WidthTrackBar->setRange(0, BildBitmap.width() - MaskeBitmap.width());
    HeightTrackBar->blockSignals(false);
    WidthTrackBar->blockSignals(false);
    x = std::min(x, std::max(0, WidthTrackBar->maximum()));
    y = std::min(y, std::max(0, HeightTrackBar->maximum()));
    const int minimum = MinimumZoom(picture.size(), MaskeBitmap.size());
    ZoomTrackBar->blockSignals(true);
    ZoomTrackBar->setMinimum(minimum);
    ZoomTrackBar->setMaximum(3000);
    ZoomTrackBar->blockSignals(false);
    // A raised minimum moves the bar: compose again at its new place.
    if (ZoomTrackBar->value() == zoom) break;
    zoom = ZoomTrackBar->value();
    ZoomLabel->setText(QString::fromUtf8("Zoom: %1").arg(zoom));
  }
  bool ok = !BildBitmap.isNull() && BlendMasked(BildBitmap, MaskeBitmap, qRgb(255, 0, 255), x, y, 255);
  if (ok) {
    ErgebnisBitmap = BildBitmap.copy(x, y, MaskeBitmap.width(), MaskeBitmap.height());
    ErgebnisImage->setPixmap(QPixmap::fromImage(ErgebnisBitmap));
    ErgebnisImage->setFixedSize(int(std::nearbyint(250.0 * MaskeBitmap.width() / MaskeBitmap.height())), 250);
    BildImage->setPixmap(QPixmap::fromImage(BildBitmap));
    BildImage->setFixedSize(int(std::nearbyint(250.0 * BildBitmap.width() / BildBitmap.height())), 250);
  } else {
    ErgebnisBitmap = QImage();
    ErgebnisImage->clear();
    ErgebnisImage->setText(QString::fromUtf8(LanguageIsEnglish()
                                                 ? "The picture does not fill the frame. Please raise the zoom."
                                                 : "Das Bild füllt den Rahmen nicht aus. Bitte erhöhen Sie den Zoom."));
  }
  // Nothing to take over while the preview is empty.
  SaveBitBtn->setEnabled(ok);
  QApplication::restoreOverrideCursor();
  composing_ = false;
}

int TRahmenForm::MinimumZoom(QSize picture, QSize frame) {
  if (picture.isEmpty() || frame.isEmpty()) return 1;
  // The scaled height is picture height x zoom div picture width; both sides must hold the frame.
  const qint64 pw = picture.width(), ph = picture.height();
  qint64 zoom = std::max<qint64>(frame.width(), (qint64(frame.height()) * pw + ph - 1) / ph);
  while (ph * zoom / pw < frame.height()) ++zoom;
  return int(std::min<qint64>(zoom, 1 << 20));
}

bool TRahmenForm::BlendMasked(QImage& target, const QImage& source, QRgb transparent, int col, int row, int weight) {
  if (target.isNull() || source.isNull() || target.format() != QImage::Format_RGB888 ||
      source.format() != QImage::Format_RGB888)
    return false;
  if (col < 0 || row < 0 || source.height() + row > target.height() || source.width() + col > target.width())
    return false;
  if (weight < 1 || weight > 10) weight = 10;
  const int tr = qRed(transparent), tg = qGreen(transparent), tb = qBlue(transparent);
  for (int y = 0; y < source.height(); ++y) {
    const uchar* s = source.constScanLine(y);
    uchar* t = target.scanLine(row + y) + col * 3;
    for (int x = 0; x < source.width(); ++x, s += 3, t += 3) {
      if (s[0] == tr && s[1] == tg && s[2] == tb) continue;
      for (int c = 0; c < 3; ++c) t[c] = uchar((t[c] * (10 - weight) + s[c] * weight) / 10);
    }
  }
  return true;
}

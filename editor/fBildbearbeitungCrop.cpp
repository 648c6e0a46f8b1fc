// The editor's rotation, flips and crop (free and for print formats).
#include <QApplication>
#include <QButtonGroup>
#include <QFileInfo>
#include <QVBoxLayout>

#include <cmath>

#include "BusyCursor.h"
#include "Prompter.h"
#include "PxProcess.h"
#include "fBildbearbeitung.h"
#include "fZuschneidenTip.h"

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

struct PrintFormat {
  int longSide, shortSide, minimum;
  const char* name;
};
// 9x13, 10x15, 13x18, 20x30: the ratio long : short and the minimum of the kept side.
constexpr PrintFormat kFormats[4] = {{13, 9, 640, "9x13"}, {15, 10, 768, "10x15"}, {18, 13, 1280, "13x18"},
                                     {30, 20, 1520, "20x30"}};

QString tooSmallText(const PrintFormat& f, bool landscape) {
  return u("Um gute %1 Fotoabzüge zu erhalten sollte das zugeschnittene Bild eine %2 von %3 Pixel haben! ")
      .arg(QString::fromLatin1(f.name), landscape ? u("Mindestbreite") : u("Mindesthöhe"))
      .arg(f.minimum);
}

const QString kNoSelection =
    u("Sie müssen zuerst einem Bereich markieren! Ziehen Sie hierzu mit gedrückter Maustaste über das Bild!");

void inform(const QString& text) {
  kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, QString(), text, kalvora::mbOk);
}

// A control point of the view as a pixel of the displayed picture.
QPoint clientToPicture(PicImageControl* v, int x, int y) {
  if (v->DstWidth() == 0 || v->DstHeight() == 0) return QPoint(x, y);
  const int fw = v->FrameWidth();
  const double bx = double(x - fw - v->DstLeft()) * v->SrcWidth() / v->DstWidth() + v->SrcLeft();
  const double by = double(y - fw - v->DstTop()) * v->SrcHeight() / v->DstHeight() + v->SrcTop();
  return QPoint(int(std::floor(bx + 0.5)), int(std::floor(by + 0.5)));
}

}  // namespace

void TBildbeaerbeitungForm::buildCropPanel(QWidget* side) {
  ZuschneidenPanel = new QWidget(side);
  ZuschneidenPanel->setObjectName("ZuschneidenPanel");
  auto* col = new QVBoxLayout(ZuschneidenPanel);
  InfoLabel = new QLabel(u("Hilfe: Bild zuschneiden"), ZuschneidenPanel);
  InfoLabel->setObjectName("InfoLabel");
  QFont bold = InfoLabel->font();
  bold.setBold(true);
  InfoLabel->setFont(bold);
  InfoLabel->setWordWrap(true);
  col->addWidget(InfoLabel);
  BeschreibungLabel = new QLabel(
      u("Ziehen Sie mit gedrückter linker Maustaste einen Rahmen über den Bereich, den Sie behalten möchten. "
        "Klicken Sie dann auf „Zuschneiden“."),
      ZuschneidenPanel);
  BeschreibungLabel->setObjectName("BeschreibungLabel");
  BeschreibungLabel->setWordWrap(true);
  col->addWidget(BeschreibungLabel);

  FormatAnpassungGroupBox1 = new QGroupBox(u("Bildformat"), ZuschneidenPanel);
  FormatAnpassungGroupBox1->setObjectName("FormatAnpassungGroupBox1");
  auto* g1 = new QVBoxLayout(FormatAnpassungGroupBox1);
  auto radio = [](QWidget* parent, QVBoxLayout* l, const char* name, const char* text) {
    auto* r = new QRadioButton(QString::fromUtf8(text), parent);
    r->setObjectName(QString::fromLatin1(name));
    l->addWidget(r);
    return r;
  };
  RadioButton9_13 = radio(FormatAnpassungGroupBox1, g1, "RadioButton9_13", "Format 9 x 13");
  RadioButton10_15 = radio(FormatAnpassungGroupBox1, g1, "RadioButton10_15", "Format 10 x 15");
  RadioButton13_18 = radio(FormatAnpassungGroupBox1, g1, "RadioButton13_18", "Format 13 x 18");
  RadioButton20_30 = radio(FormatAnpassungGroupBox1, g1, "RadioButton20_30", "Format 20 x 30");
  RadioButton_Frei = radio(FormatAnpassungGroupBox1, g1, "RadioButton_Frei", "frei");
  RadioButton_Frei->setVisible(false);
  RadioButton_Frei->setChecked(true);
  col->addWidget(FormatAnpassungGroupBox1);

  FormatAnpassungGroupBox2 = new QGroupBox(u("Ausrichtung"), ZuschneidenPanel);
  FormatAnpassungGroupBox2->setObjectName("FormatAnpassungGroupBox2");
  auto* g2 = new QVBoxLayout(FormatAnpassungGroupBox2);
  RadioButtonHor = radio(FormatAnpassungGroupBox2, g2, "RadioButtonHor", "Horizontal");
  RadioButton2 = radio(FormatAnpassungGroupBox2, g2, "RadioButton2", "Vertikal");
  RadioButtonHor->setChecked(true);
  col->addWidget(FormatAnpassungGroupBox2);

  XLabel = new QLabel(ZuschneidenPanel);
  XLabel->setObjectName("XLabel");
  col->addWidget(XLabel);
  AusfuehrenBitBtn = new QPushButton(u("Zuschneiden"), ZuschneidenPanel);
  AusfuehrenBitBtn->setObjectName("AusfuehrenBitBtn");
  AusfuehrenBitBtn->setAutoDefault(false);
  col->addWidget(AusfuehrenBitBtn);
  BitBtn4 = new QPushButton(u("Abbrechen"), ZuschneidenPanel);
  BitBtn4->setObjectName("BitBtn4");
  BitBtn4->setAutoDefault(false);
  col->addWidget(BitBtn4);
  col->addStretch(1);
  ZuschneidenPanel->hide();
  side->layout()->addWidget(ZuschneidenPanel);
  connect(AusfuehrenBitBtn, &QPushButton::clicked, this, [this] { guarded(u("Zuschneiden"), [this] { AusfuehrenBitBtnClick(); }); });
  connect(BitBtn4, &QPushButton::clicked, this, [this] { guarded(u("Abbrechen"), [this] { BitBtn4Click(); }); });
}

void TBildbeaerbeitungForm::ApplyRotation(const QString& operation) {
  BusyCursor busy;
  ZuschneidenPanel->hide();
  editor::EditStep step = session_.BeginStep();
  if (!step.IsOpen()) return;
  PicImageControl* v = BildbViewPicImage;
  try {
    if (operation == "90") v->Rotate(9000, 1, 0xFFFFFF);
    else if (operation == "-90") v->Rotate(27000, 1, 0xFFFFFF);
    else if (operation == "180") v->Rotate(18000, 1, 0xFFFFFF);
    else if (operation == "FlipH") v->Flip();
    else if (operation == "FlipV") v->Reverse();
    else return;  // the step is dropped: nothing changed
  } catch (const std::exception&) {
    step.Rollback();
    kalvora::CurrentPrompter().message(kalvora::MsgKind::Error, u("Error"),
                                       u("An error occured in your application PicImage2"), kalvora::mbOk);
    return;
  }
  if (step.CommitView()) FitPicture();
}

int TBildbeaerbeitungForm::checkedFormat() const {
  const QRadioButton* buttons[4] = {RadioButton9_13, RadioButton10_15, RadioButton13_18, RadioButton20_30};
  for (int i = 0; i < 4; ++i)
    if (buttons[i]->isChecked()) return i;
  return -1;
}

namespace {
void enterCrop(TBildbeaerbeitungForm* f, editor::EditSession& session) {
  f->SetEditMode();
  f->XLabel->clear();
  f->ZoomPanel->hide();
  f->EffectsPanel->hide();
  f->RedeyePanel->hide();
  f->ZuschneidenPanel->show();
  f->FEditMode = 1;
  f->BildbViewPicImage->SetRgnMouseMode(1);
  session.EnsureWorkingCopy();
  f->BildbViewPicImage->SetRgnFrameType(2);
  f->BildbViewPicImage->setCursor(Qt::CrossCursor);
}
}  // namespace

void TBildbeaerbeitungForm::Image9Click() {
  enterCrop(this, session_);
  RadioButton_Frei->setChecked(true);
  FormatAnpassungGroupBox1->hide();
  FormatAnpassungGroupBox2->hide();
}

void TBildbeaerbeitungForm::Image11Click() {
  if (!QFileInfo::exists(FProgramFolder + "NoZuschneidenTip.ini") && ZuschneidenTipForm) {
    ZuschneidenTipForm->FProgramFolder = FProgramFolder;
    ZuschneidenTipForm->ShowModal();
  }
  enterCrop(this, session_);
  if (checkedFormat() < 0) RadioButton9_13->setChecked(true);
  FormatAnpassungGroupBox1->show();
  FormatAnpassungGroupBox2->show();
}

void TBildbeaerbeitungForm::ViewMouseDown(int x, int y) {
  PicImageControl* v = BildbViewPicImage;
  const QPoint p = clientToPicture(v, x, y);
  FSelStartX = p.x();
  FSelStartY = p.y();
  FSelWidth = FSelHeight = 0;
  FSelecting = true;
  FSelValid = false;
  if (v->RgnFrameType() == 0 && FEditMode == 0) {
    FPanActive = true;
    FPanLastX = x;
    FPanLastY = y;
  }
}

bool TBildbeaerbeitungForm::ApplySelectionRect() {
  PicImageControl* v = BildbViewPicImage;
  if (!v->IsAllocated()) return false;
  if (FSelValid) {
    QRegion r(QRect(std::min(FSelStartX, FSelStartX + FSelWidth), std::min(FSelStartY, FSelStartY + FSelHeight),
                    std::abs(FSelWidth), std::abs(FSelHeight)));
    if (!r.isEmpty()) {
      v->SetRgnHandle(&r, 0, 0, 1);
      return true;
    }
  }
  if (v->HasRgn()) v->FreeRgn();
  return false;
}

void TBildbeaerbeitungForm::ViewMouseMove(int x, int y) {
  PicImageControl* v = BildbViewPicImage;
  if (FSelecting && FEditMode == 1) {
    XLabel->clear();
    const int format = checkedFormat();
    if (format >= 0 && !RadioButton_Frei->isChecked()) {
      const QPoint p = clientToPicture(v, x, y);
      const PrintFormat& f = kFormats[format];
      FSelWidth = p.x() - FSelStartX;
      // Landscape keeps the width and derives the height; portrait the other way round.
      FSelHeight = RadioButtonHor->isChecked() ? FSelWidth * f.shortSide / f.longSide
                                               : FSelWidth * f.longSide / f.shortSide;
      if ((p.x() < FSelStartX && p.y() > FSelStartY) || (p.x() > FSelStartX && p.y() < FSelStartY))
        FSelHeight = -FSelHeight;
      XLabel->setText(u("Zuschnitt: %1x%2 Pixel").arg(v->RgnWidth()).arg(v->RgnHeight()));
      const int w = v->BitmapWidth(), h = v->BitmapHeight();
      FSelValid = p.x() > 0 && p.y() > 0 && p.x() <= w && p.y() <= h;
      if (FSelStartX + FSelWidth < 0 || FSelStartY + FSelHeight < 0 || FSelStartX + FSelWidth > w ||
          FSelStartY + FSelHeight > h)
        FSelValid = false;
      ApplySelectionRect();
    }
  }
  // Moving the enlarged picture (outside the selection modes).
  FPanX = x;
  FPanY = y;
  FPanDeltaX = FPanX - FPanLastX;
  FPanDeltaY = FPanY - FPanLastY;
  // The picture follows the mouse: only its place in the view moves. (Moving the source
  // rectangle by the same delta as well would cancel the move at 100 % and reverse it above.)
  if (FPanActive && FEditMode == 0 && v->RgnFrameType() == 0 && v->IsAllocated() &&
      (FPanDeltaX != 0 || FPanDeltaY != 0))
    PanPictureTo(v->DstLeft() + FPanDeltaX, v->DstTop() + FPanDeltaY);
  FPanLastX = FPanX;
  FPanLastY = FPanY;
}

void TBildbeaerbeitungForm::ViewMouseUp(int x, int y) {
  PicImageControl* v = BildbViewPicImage;
  const bool wasSelecting = FSelecting;
  FSelecting = false;
  FPanActive = false;
  if (!wasSelecting || FEditMode != 1 || !v->IsAllocated()) return;
  if (checkedFormat() >= 0 && !RadioButton_Frei->isChecked()) {
    ApplySelectionRect();
    return;
  }
  // Free selection: the view drew it; it is set again in picture pixels, as drawn.
  QPoint p = clientToPicture(v, x, y);
  p.setX(std::clamp(p.x(), 0, v->BitmapWidth()));
  p.setY(std::clamp(p.y(), 0, v->BitmapHeight()));
  const int sx = std::clamp(FSelStartX, 0, v->BitmapWidth()), sy = std::clamp(FSelStartY, 0, v->BitmapHeight());
  QRegion r(QRect(std::min(sx, p.x()), std::min(sy, p.y()), std::abs(p.x() - sx), std::abs(p.y() - sy)));
  if (!r.isEmpty()) v->SetRgnHandle(&r, 0, 0, 1);
  else if (v->HasRgn()) v->FreeRgn();
}

bool TBildbeaerbeitungForm::CropToSelection() {
  PicImageControl* v = BildbViewPicImage;
  int l = v->RgnLeft(), t = v->RgnTop(), w = v->RgnWidth(), h = v->RgnHeight();
  const QRegion region = v->Region();
  px::Bitmap out;
  if (v->CopyRectToNewBitmap(out, v->Bitmap(), l, t, w, h) != 1) return false;
  // White outside a selection that is not a rectangle.
  const QRegion outside = QRegion(0, 0, w, h) - region.translated(-l, -t);
  if (!outside.isEmpty() && px::FillBitmap(out, 0xFFFFFF, &outside) != 1) return false;
  v->FreeRgn();
  return v->SetBitmap(&out) == 1;
}

void TBildbeaerbeitungForm::AusfuehrenBitBtnClick() {
  PicImageControl* v = BildbViewPicImage;
  if (!v->IsAllocated()) return;
  const int format = checkedFormat();
  if (format >= 0) {
    const bool landscape = RadioButtonHor->isChecked();
    const int side = !v->HasRgn() ? 0 : landscape ? v->RgnWidth() : v->RgnHeight();
    if (side < kFormats[format].minimum) {
      inform(tooSmallText(kFormats[format], landscape));
      return;
    }
  }
  if (!v->HasRgn()) {
    inform(kNoSelection);
    return;
  }
  BusyCursor busy;
  editor::EditStep step = session_.BeginStep();
  if (!step.IsOpen()) return;
  if (!CropToSelection()) {
    step.Rollback(u("Das Bild konnte nicht zugeschnitten werden."));
    return;
  }
  RedeyePanel->hide();
  ZuschneidenPanel->hide();
  EffectsPanel->show();
  ZoomPanel->show();
  FEditMode = 0;
  if (step.CommitView()) FitPicture();
  FPanDstRect = FPanSrcRect = QRect();
}

void TBildbeaerbeitungForm::BitBtn4Click() {
  PicImageControl* v = BildbViewPicImage;
  showMenuPanel();
  SetEditMode();
  FEditMode = 0;
  v->SetRgnMouseMode(0);
  if (v->IsAllocated() && v->HasRgn()) v->FreeRgn();
  ZoomPanel->show();
}

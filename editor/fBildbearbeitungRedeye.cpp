// The editor's red-eye removal, zoom strip and moving of the enlarged picture.
#include <QApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

#include "EffectsLayout.h"
#include "Prompter.h"
#include "ShellOpen.h"
#include "fBildbearbeitung.h"
#include "fVerschiebenTip.h"

namespace {
QString u(const char* s) { return QString::fromUtf8(s); }

void inform(const QString& text) {
  kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, QString(), text, kalvora::mbOk);
}
}  // namespace

int TBildbeaerbeitungForm::EyeColorFor(int index) {
  static const int colors[6] = {0x000000, 0xA00000, 0x004000, 0x808080, 0x004080, 0x808000};
  return index >= 0 && index < 6 ? colors[index] : -1;
}

void TBildbeaerbeitungForm::buildRedeyePanel(QWidget* side) {
  RedeyePanel = new QWidget(side);
  RedeyePanel->setObjectName("RedeyePanel");
  auto* col = new QVBoxLayout(RedeyePanel);
  auto label = [&](QLabel*& field, const char* name, const char* text) {
    field = new QLabel(u(text), RedeyePanel);
    field->setObjectName(QString::fromLatin1(name));
    field->setWordWrap(true);
    col->addWidget(field);
  };
  label(Label1, "Label1", "Rote Augen entfernen");
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);
  label(Label2, "Label2",
        "Ziehen Sie mit gedrückter Maustaste einen Kreis um das rote Auge und klicken Sie dann auf "
        "„Rote Augen entfernen“.");
  label(RoteAugenHelpLabel, "RoteAugenHelpLabel", "mehr Hilfe...");
  RoteAugenHelpLabel->setStyleSheet("color: blue; text-decoration: underline;");
  RoteAugenHelpLabel->setCursor(Qt::PointingHandCursor);
  label(Label3, "Label3", "Augenfarbe");
  ComboBox1 = new QComboBox(RedeyePanel);
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->addItems({u("Pupillenfarbe (Schwarz)"), u("Blau"), u("Grün"), u("Grau"), u("Braun"), u("Blau-Grün")});
  col->addWidget(ComboBox1);
  label(Label5, "Label5", "Augen-Auffindbarkeitsschwelle ");
  ThersholdTrackBar = kalvora::NamedBar(RedeyePanel, "ThersholdTrackBar", 60, 190, 140, 10);
  col->addWidget(ThersholdTrackBar);
  label(Label4, "Label4", "Augenhelligkeit / Leuchtkraft:");
  LighnessTrackBar = kalvora::NamedBar(RedeyePanel, "LighnessTrackBar", 0, 200, 60, 10);
  col->addWidget(LighnessTrackBar);
  auto button = [&](QPushButton*& field, const char* name, const char* text) {
    field = new QPushButton(u(text), RedeyePanel);
    field->setObjectName(QString::fromLatin1(name));
    field->setAutoDefault(false);
    col->addWidget(field);
  };
  button(DoBitBtn, "DoBitBtn", "Rote Augen entfernen");
  button(UndoBitBtn1, "UndoBitBtn1", "Rückgängig");
  button(BitBtn3, "BitBtn3", "zurück");
  col->addStretch(1);
  RedeyePanel->hide();
  side->layout()->addWidget(RedeyePanel);

  // The values the removal uses start as the bars show them.
  FRedeyeThreshold = ThersholdTrackBar->value();
  FRedeyeLightness = LighnessTrackBar->value();
  connect(ThersholdTrackBar, &QSlider::valueChanged, this, [this](int v) { FRedeyeThreshold = v; });
  connect(LighnessTrackBar, &QSlider::valueChanged, this, [this](int v) { FRedeyeLightness = v; });
  connect(DoBitBtn, &QPushButton::clicked, this, [this] { guarded(u("Rote Augen entfernen"), [this] { DoBitBtnClick(); }); });
  connect(UndoBitBtn1, &QPushButton::clicked, this, [this] { guarded(u("Rückgängig"), [this] { UndoImageClick(); }); });
  connect(BitBtn3, &QPushButton::clicked, this, [this] { guarded(u("zurück"), [this] { BitBtn3Click(); }); });
  connect(RoteAugenHelpLabel, &QLabel::linkActivated, this, [this] { RoteAugenHelpLabelClick(); });
  RoteAugenHelpLabel->setText(u("<a href=\"help\" style=\"color: blue;\">mehr Hilfe...</a>"));
  RoteAugenHelpLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
}

void TBildbeaerbeitungForm::buildZoomPanel(QWidget* work) {
  ZoomPanel = new QWidget(work);
  ZoomPanel->setObjectName("ZoomPanel");
  auto* row = new QHBoxLayout(ZoomPanel);
  row->setContentsMargins(4, 2, 4, 2);
  ZoomLabel = new QLabel(u("Zoom: 100%"), ZoomPanel);
  ZoomLabel->setObjectName("ZoomLabel");
  ZoomLabel->setMinimumWidth(90);
  row->addWidget(ZoomLabel);
  ZoomTrackBar = kalvora::NamedBar(ZoomPanel, "ZoomTrackBar", 2, 1000, 100, 10);
  row->addWidget(ZoomTrackBar, 1);
  auto button = [&](QPushButton*& field, const char* name, const char* text) {
    field = new QPushButton(u(text), ZoomPanel);
    field->setObjectName(QString::fromLatin1(name));
    field->setAutoDefault(false);
    row->addWidget(field);
  };
  button(Button1, "Button1", "100 %");
  button(EinpassenBitBtn, "EinpassenBitBtn", "Einpassen");
  button(BitBtn1, "BitBtn1", "Bild verschieben");
  work->layout()->addWidget(ZoomPanel);
  connect(ZoomTrackBar, &QSlider::valueChanged, this, [this] { guarded(u("Zoom"), [this] { ZoomTrackBarChange(); }); });
  connect(Button1, &QPushButton::clicked, this, [this] { guarded(u("Zoom"), [this] { Button1Click(); }); });
  connect(EinpassenBitBtn, &QPushButton::clicked, this, [this] { guarded(u("Einpassen"), [this] { EinpassenBitBtnClick(); }); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded(u("Bild verschieben"), [this] { BitBtn1Click(); }); });
}

void TBildbeaerbeitungForm::Image19Click() {
  PicImageControl* v = BildbViewPicImage;
  FRedeyeActive = true;
  RadioButton_Frei->setChecked(true);
  SetEditMode();
  ZuschneidenPanel->hide();
  EffectsPanel->hide();
  RedeyePanel->show();
  session_.EnsureWorkingCopy();
  FEditMode = 3;
  v->SetRgnMouseMode(3);
  v->SetRgnFrameType(2);
  v->setCursor(Qt::CrossCursor);
  ZoomPanel->hide();
}

void TBildbeaerbeitungForm::DoBitBtnClick() {
  PicImageControl* v = BildbViewPicImage;
  if (!v->IsAllocated() || !v->HasRgn()) {
    inform(u("Sie müssen zuerst einem Bereich markieren! Ziehen Sie hierzu mit gedrückter Maustaste über das Bild!"));
    return;
  }
  if (ComboBox1->currentIndex() < 0) {
    inform(u("Bitte wählen Sie zuerst eine Augenfarbe aus!"));
    return;
  }
  FEyeColor = EyeColorFor(ComboBox1->currentIndex());
  editor::EditStep step = session_.BeginStep();
  if (!step.IsOpen()) return;
  try {
    v->RemoveRedeye(FEyeColor, FRedeyeThreshold, FRedeyeLightness);
  } catch (const std::exception& e) {
    step.Rollback(u("Die roten Augen konnten nicht entfernt werden:\n%1").arg(QString::fromUtf8(e.what())));
    return;
  }
  v->RepaintImage();
  // The thumbnail follows when the panel is left.
  step.CommitView(editor::EditStep::Notify::Deferred);
  FEditMode = 3;
  v->SetRgnMouseMode(3);
  v->SetRgnFrameType(2);
  v->setCursor(Qt::CrossCursor);
}

void TBildbeaerbeitungForm::BitBtn3Click() {
  PicImageControl* v = BildbViewPicImage;
  showMenuPanel();
  session_.FinishDeferred();
  SetEditMode();
  FEditMode = 0;
  v->SetRgnMouseMode(0);
  if (v->IsAllocated() && v->HasRgn()) v->FreeRgn();
  ZoomPanel->show();
  FRedeyeActive = false;
}

void TBildbeaerbeitungForm::RoteAugenHelpLabelClick() {
  // Names a missing page and says when no browser could open it, as the other help links do.
  OpenHelpPage(FProgramFolder + "help/roteaugen.html");
}

void TBildbeaerbeitungForm::ZoomTrackBarChange() {
  PicImageControl* v = BildbViewPicImage;
  const int zoom = ZoomTrackBar->value();
  ZoomLabel->setText(u("Zoom: %1%").arg(zoom));
  if (!v->IsAllocated()) return;
  v->SetPaintSizeMode(smZoom);
  const bool repaint = v->AutoRepaint();
  v->SetAutoRepaint(false);
  v->SetAutoSetRects(true);
  v->SetPaintSizeMode(smZoom);
  v->SetPaintZoomFactor(zoom);
  v->SetAutoRepaint(repaint);
  // A place the picture was moved to at another zoom may now leave a gap.
  PanPictureTo(v->DstLeft(), v->DstTop());
  v->update();
}

void TBildbeaerbeitungForm::PanPictureTo(int left, int top) {
  PicImageControl* v = BildbViewPicImage;
  if (!v->IsAllocated()) return;
  const int fw = v->FrameWidth();
  const int iw = v->width() - 2 * fw, ih = v->height() - 2 * fw;
  const int w = v->DstWidth(), h = v->DstHeight();
  left = w > iw ? std::clamp(left, iw - w, 0) : v->DstLeft();
  top = h > ih ? std::clamp(top, ih - h, 0) : v->DstTop();
  FPanDstRect = QRect(left, top, w, h);
  FPanSrcRect = QRect(v->SrcLeft(), v->SrcTop(), v->SrcWidth(), v->SrcHeight());
  if (left == v->DstLeft() && top == v->DstTop()) return;
  v->SetDstRect(left, top, w, h);
  v->RepaintImage();
}

void TBildbeaerbeitungForm::Button1Click() {
  const QSignalBlocker block(ZoomTrackBar);
  ZoomTrackBar->setValue(100);
  ZoomTrackBarChange();
}

void TBildbeaerbeitungForm::FitPicture() {
  PicImageControl* v = BildbViewPicImage;
  if (!v->IsAllocated()) return;
  v->SetPaintSizeMode(smFit);
  v->RepaintImage();
  {
    const QSignalBlocker block(ZoomTrackBar);
    ZoomTrackBar->setValue(v->PaintZoomFactor() - 1);
  }
  ZoomTrackBarChange();
}

void TBildbeaerbeitungForm::EinpassenBitBtnClick() { FitPicture(); }

void TBildbeaerbeitungForm::BitBtn1Click() {
  if (VerschiebenTipForm) VerschiebenTipForm->ShowModal();
}

void TBildbeaerbeitungForm::ViewChanged() {
  PicImageControl* v = BildbViewPicImage;
  if (!v->IsAllocated()) return;
  const int h = v->BitmapWidth() / 5 + 1, vs = v->BitmapHeight() / 5 + 1;
  if (v->HScrollStep() != h || v->VScrollStep() != vs) {
    v->SetHScrollStep(h);
    v->SetVScrollStep(vs);
  }
}

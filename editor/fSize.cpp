#include "fSize.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLocale>
#include <QPixmap>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

#include "AppDir.h"
#include "FormButtons.h"
#include "Language.h"
#include "Prompter.h"
#include "ShellConstants.h"
#include "StringHelpers.h"
#include "fMain.h"

TSizeForm* SizeForm = nullptr;

namespace {
QString u(const char* s) { return QString::fromUtf8(s); }
int roundEven(double v) {
  if (!std::isfinite(v)) return v > 0 ? std::numeric_limits<int>::max() : std::numeric_limits<int>::min();
  const double r = std::nearbyint(v);
  if (r > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (r < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return int(r);
}
}  // namespace

TSizeForm::TSizeForm(QWidget* parent) : TForm("SizeForm", parent) {
  setWindowTitle(u("Größe"));
  setWindowFlag(Qt::Tool);
  auto* layout = new QVBoxLayout(this);
  // The window follows its content: switching units back to pixels leaves no gaps.
  layout->setSizeConstraint(QLayout::SetFixedSize);
  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  const QString folder = MainForm ? MainForm->FAppDir : kalvora::ProgramFolder();
  QPixmap banner(folder + "recom/" + BannerPictureName);
  if (!banner.isNull()) Image1->setPixmap(banner);
  layout->addWidget(Image1);
  Label3 = new QLabel(u("Größe verändern"), this);
  Label3->setObjectName("Label3");
  QFont bold = Label3->font();
  bold.setBold(true);
  Label3->setFont(bold);
  layout->addWidget(Label3);
  ComboBox2 = new QComboBox(this);
  ComboBox2->setObjectName("ComboBox2");
  ComboBox2->addItems({u("in Pixel"), u("in cm"), u("in mm")});
  layout->addWidget(ComboBox2);

  PixelPanel = new QWidget(this);
  PixelPanel->setObjectName("PixelPanel");
  auto* pixels = new QGridLayout(PixelPanel);
  pixels->setContentsMargins(0, 0, 0, 0);
  auto spin = [&](QSpinBox*& field, const char* name) {
    field = new QSpinBox(PixelPanel);
    field->setObjectName(QString::fromLatin1(name));
    // Any number can be typed; OK refuses what cannot be a picture size.
    field->setRange(-99999999, 99999999);
  };
  Label1 = new QLabel(u("Breite in Pixel"), PixelPanel);
  Label1->setObjectName("Label1");
  Label2 = new QLabel(u("Höhe in Pixel"), PixelPanel);
  Label2->setObjectName("Label2");
  spin(SpinEdit1, "SpinEdit1");
  spin(SpinEdit2, "SpinEdit2");
  pixels->addWidget(Label1, 0, 0);
  pixels->addWidget(SpinEdit1, 0, 1);
  pixels->addWidget(Label2, 1, 0);
  pixels->addWidget(SpinEdit2, 1, 1);
  layout->addWidget(PixelPanel);

  cmPanel = new QWidget(this);
  cmPanel->setObjectName("cmPanel");
  auto* cm = new QGridLayout(cmPanel);
  cm->setContentsMargins(0, 0, 0, 0);
  BreitLabel = new QLabel(u("Breite in cm"), cmPanel);
  BreitLabel->setObjectName("BreitLabel");
  HochLabel = new QLabel(u("Höhe in cm"), cmPanel);
  HochLabel->setObjectName("HochLabel");
  BreitEdit = new QLineEdit(cmPanel);
  BreitEdit->setObjectName("BreitEdit");
  HochEdit = new QLineEdit(cmPanel);
  HochEdit->setObjectName("HochEdit");
  Label4 = new QLabel(u("Auflösung"), cmPanel);
  Label4->setObjectName("Label4");
  ComboBox1 = new QComboBox(cmPanel);
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->addItems({"72 dpi", "96 dpi", "150 dpi", "200 dpi", "300 dpi", "400 dpi", "600 dpi"});
  cm->addWidget(BreitLabel, 0, 0);
  cm->addWidget(BreitEdit, 0, 1);
  cm->addWidget(HochLabel, 1, 0);
  cm->addWidget(HochEdit, 1, 1);
  cm->addWidget(Label4, 2, 0);
  cm->addWidget(ComboBox1, 2, 1);
  layout->addWidget(cmPanel);

  SeitenCheckBox = new QCheckBox(u("Seitenverhältnis beibehalten"), this);
  SeitenCheckBox->setObjectName("SeitenCheckBox");
  SeitenCheckBox->setChecked(true);
  layout->addWidget(SeitenCheckBox);
  auto* buttons = new QHBoxLayout();
  layout->addLayout(buttons);
  SaveBitBtn = AddFormButton(this, buttons, "SaveBitBtn", u("OK"));
  AbortBitBtn = AddFormButton(this, buttons, "AbortBitBtn", u("Abbrechen"), kalvora::mrCancel);
  WidthEdit = SpinEdit1;
  HeightEdit = SpinEdit2;
  OkBitBtn = SaveBitBtn;

  // FormCreate.
  FUnitFactor = 1;
  ComboBox1->setCurrentIndex(4);
  ComboBox2->setCurrentIndex(0);
  cmPanel->hide();

  connect(SpinEdit1, &QSpinBox::valueChanged, this, [this] { SpinEdit1Change(); });
  connect(SpinEdit2, &QSpinBox::valueChanged, this, [this] { SpinEdit2Change(); });
  connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { ComboBox1Change(); });
  connect(ComboBox2, &QComboBox::currentIndexChanged, this, [this] { ComboBox2Change(); });
  connect(BreitEdit, &QLineEdit::textChanged, this, [this] { BreitEditChange(); });
  connect(HochEdit, &QLineEdit::textChanged, this, [this] { HochEditChange(); });
  connect(SaveBitBtn, &QPushButton::clicked, this, [this] { SaveBitBtnClick(); });
}

void TSizeForm::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  if (!event->spontaneous()) FormActivate();
}

// Lengths are shown in the program's language (German "13,55", English "13.55").
QString TSizeForm::length(double value) const { return ProgramLocale().toString(value, 'f', 2); }

double TSizeForm::number(const QLineEdit* edit, bool* readable) const {
  QString text = edit->text().trimmed();
  bool ok = false;
  if (readable) *readable = true;
  double v = ProgramLocale().toDouble(text, &ok);
  if (ok) return v;
  // "12,5" and "12.5" both mean twelve and a half, whatever the system's separator: the last
  // comma or point is the decimal one, earlier ones group the thousands.
  const qsizetype mark = std::max(text.lastIndexOf(','), text.lastIndexOf('.'));
  if (mark >= 0) {
    QString whole = text.left(mark);
    whole.remove(',').remove('.');
    text = whole + '.' + text.mid(mark + 1);
  }
  v = QLocale::c().toDouble(text, &ok);
  if (ok) return v;
  v = 0;
  if (TextToFloat(edit->text(), v)) return v;
  // An unreadable length counts as 0.
  if (readable) *readable = false;
  return 0.0;
}

void TSizeForm::setSpin(QSpinBox* spin, int value) { spin->setValue(value); }

void TSizeForm::FormActivate() {
  // The fields are all set anew below; what an earlier showing left in them converts nothing.
  FInLengths = true;
  ComboBox1Change();
  FInLengths = false;
  FRatio = FOrgWidth != 0 ? double(FOrgHeight) / FOrgWidth : 1.0;
  FNewWidth = FNewHeight = 0;
  // Both are shown as they are, whatever the ratio rule would make of the other.
  {
    const QSignalBlocker b1(SpinEdit1), b2(SpinEdit2);
    SpinEdit1->setValue(FOrgWidth);
    SpinEdit2->setValue(FOrgHeight);
  }
  FNewWidth = FOrgWidth;
  FNewHeight = FOrgHeight;
  const QSignalBlocker b3(BreitEdit), b4(HochEdit);
  BreitEdit->setText(length(FOrgWidth / double(FDpi) * 2.54 * FUnitFactor));
  HochEdit->setText(length(FOrgHeight / double(FDpi) * 2.54 * FUnitFactor));
}

void TSizeForm::SpinEdit1Change() {
  FNewWidth = SpinEdit1->value();
  if (!FInHeightSpin && SeitenCheckBox->isChecked()) {
    // The other side follows; it does not send its change back.
    FInWidthSpin = true;
    setSpin(SpinEdit2, roundEven(FNewWidth * FRatio));
    FNewHeight = SpinEdit2->value();
    FInWidthSpin = false;
  }
  lengthsFollowPixels();
}

void TSizeForm::SpinEdit2Change() {
  FNewHeight = SpinEdit2->value();
  if (!FInWidthSpin && SeitenCheckBox->isChecked() && FRatio != 0) {
    FInHeightSpin = true;
    setSpin(SpinEdit1, roundEven(FNewHeight / FRatio));
    FNewWidth = SpinEdit1->value();
    FInHeightSpin = false;
  }
  lengthsFollowPixels();
}

void TSizeForm::ComboBox1Change() {
  static const int dpi[7] = {72, 96, 150, 200, 300, 400, 600};
  const int i = ComboBox1->currentIndex();
  if (i >= 0 && i < 7) FDpi = dpi[i];
  // The lengths stay as they are shown; the pixels they now make follow.
  pixelsFollowLengths();
}

// The pixel fields and the length fields show the same size at every key press: what the user
// types into one is converted into the other at once, not only at OK.
void TSizeForm::lengthsFollowPixels() {
  if (cmPanel->isHidden() || FInLengths) return;
  PixelTo_cm_mm();
}

void TSizeForm::pixelsFollowLengths() {
  if (cmPanel->isHidden() || FInLengths) return;
  const auto pixels = [this](const QLineEdit* edit, int& out) {
    bool readable = false;
    const double v = number(edit, &readable) / 2.54 * FDpi / FUnitFactor;
    // Half a number ("", "-") leaves the pixels as they were until it is one.
    if (!readable || !std::isfinite(v) || v < -0.5 || v >= MaxSide + 0.5) return false;
    out = roundEven(v);
    return true;
  };
  FInLengths = true;
  int w = 0, h = 0;
  if (pixels(BreitEdit, w)) SpinEdit1->setValue(w);
  if (!SeitenCheckBox->isChecked() && pixels(HochEdit, h)) SpinEdit2->setValue(h);
  FInLengths = false;
}

void TSizeForm::ComboBox2Change() {
  switch (ComboBox2->currentIndex()) {
    case 0:
      cmPanel->hide();
      cm_mm_ToPixel();
      break;
    case 1:
      cmPanel->show();
      FUnitFactor = 1;
      PixelTo_cm_mm();
      BreitLabel->setText(u("Breite in cm"));
      HochLabel->setText(u("Höhe in cm"));
      break;
    case 2:
      cmPanel->show();
      FUnitFactor = 10;
      PixelTo_cm_mm();
      BreitLabel->setText(u("Breite in mm"));
      HochLabel->setText(u("Höhe in mm"));
      break;
    default:
      break;
  }
}

void TSizeForm::PixelTo_cm_mm() {
  const QSignalBlocker b3(BreitEdit), b4(HochEdit);
  BreitEdit->setText(length(SpinEdit1->value() / double(FDpi) * 2.54 * FUnitFactor));
  HochEdit->setText(length(SpinEdit2->value() / double(FDpi) * 2.54 * FUnitFactor));
}

bool TSizeForm::cm_mm_ToPixel() {
  const double w = number(BreitEdit) / 2.54 * FDpi / FUnitFactor;
  const double h = number(HochEdit) / 2.54 * FDpi / FUnitFactor;
  const bool keep = SeitenCheckBox->isChecked();
  auto bad = [](double v) { return !std::isfinite(v) || v < -0.5 || v >= MaxSide + 0.5; };
  if (bad(w) || (!keep && bad(h))) {
    kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, windowTitle(),
                                       u("Die neue Größe muss zwischen 1 und %1 Pixel je Seite liegen.").arg(MaxSide),
                                       kalvora::mbOk);
    return false;
  }
  // The lengths as typed stay; only the pixels are set from them.
  FInLengths = true;
  FOrgWidth = roundEven(w);
  SpinEdit1->setValue(FOrgWidth);
  SpinEdit1Change();
  if (!keep) {
    FOrgHeight = roundEven(h);
    SpinEdit2->setValue(FOrgHeight);
    SpinEdit2Change();
  }
  FInLengths = false;
  return true;
}

void TSizeForm::BreitEditChange() {
  if (SeitenCheckBox->isChecked() && !FInHeightEdit) {
    FInWidthEdit = true;
    HochEdit->setText(length(number(BreitEdit) * FRatio));
    FInWidthEdit = false;
  }
  if (!FInHeightEdit) pixelsFollowLengths();
}

void TSizeForm::HochEditChange() {
  if (SeitenCheckBox->isChecked() && !FInWidthEdit && FRatio != 0) {
    FInHeightEdit = true;
    BreitEdit->setText(length(number(HochEdit) / FRatio));
    FInHeightEdit = false;
  }
  if (!FInWidthEdit) pixelsFollowLengths();
}

void TSizeForm::SaveBitBtnClick() {
  if (!cmPanel->isHidden() && !cm_mm_ToPixel()) return;
  // A typed value counts even when the spin box has not taken it yet.
  SpinEdit1->interpretText();
  SpinEdit2->interpretText();
  FNewWidth = SpinEdit1->value();
  FNewHeight = SpinEdit2->value();
  if (FNewWidth == 0 || FNewHeight == 0) {
    // The editor would make no step: say so instead of closing as if it had worked.
    kalvora::CurrentPrompter().message(
        kalvora::MsgKind::Information, windowTitle(),
        u("Breite und Höhe müssen größer als 0 sein. Bitte geben Sie eine neue Größe ein."), kalvora::mbOk);
    return;
  }
  if (FNewWidth < 0 || FNewHeight < 0 || FNewWidth > MaxSide || FNewHeight > MaxSide) {
    kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, windowTitle(),
                                       u("Die neue Größe muss zwischen 1 und %1 Pixel je Seite liegen.").arg(MaxSide),
                                       kalvora::mbOk);
    return;
  }
  SetModalResult(kalvora::mrOk);
}

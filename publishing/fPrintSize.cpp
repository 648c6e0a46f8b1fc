#include "fPrintSize.h"

#include <QLayout>
#include <QLocale>
#include <QPixmap>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "Language.h"
#include "PictureReport.h"
#include "ProgramWindows.h"
#include "ShellConstants.h"
#include "fMain.h"

TPrintSizeWizard* PrintSizeWizard = nullptr;

namespace {
constexpr int kDefaultWidth = 495;   // 9 x 13
constexpr double kMaxWidthCm = 1000;  // far past any paper; keeps the units in range
}  // namespace

int PrintWidthForCm(double cm) { return int(std::nearbyint(cm * 495.0 / 13.0)); }

std::optional<double> ParsePrintWidthCm(const QString& text, bool english) {
  QLocale locale(english ? QLocale::English : QLocale::German);
  locale.setNumberOptions(QLocale::RejectGroupSeparator);
  QString t = text.trimmed();
  // "7," while the user is still typing "7,5" counts as 7.
  if (t.size() > 1 && t.endsWith(locale.decimalPoint())) t.chop(locale.decimalPoint().size());
  bool ok = false;
  const double v = locale.toDouble(t, &ok);
  if (!ok || !std::isfinite(v) || v > kMaxWidthCm || PrintWidthForCm(v) < 1) return std::nullopt;
  return v;
}

TPrintSizeWizard::TPrintSizeWizard(QWidget* parent) : TForm("PrintSizeWizard", parent) {
  setWindowTitle(ReportText("Größe", "Size"));
  auto* layout = new QVBoxLayout(this);
  BannerImage = new QLabel(this);
  BannerImage->setObjectName("BannerImage");
  layout->addWidget(BannerImage);
  Label3 = new QLabel(ReportText("Bildgröße für den Ausdruck", "Picture size for printing"), this);
  Label3->setObjectName("Label3");
  QFont heading = Label3->font();  // the window's heading
  heading.setBold(true);
  heading.setPointSizeF(heading.pointSizeF() * 1.2);
  Label3->setFont(heading);
  layout->addWidget(Label3);

  FormatAnpassungGroupBox1 = new QGroupBox(ReportText("Bildformat", "Picture format"), this);
  FormatAnpassungGroupBox1->setObjectName("FormatAnpassungGroupBox1");
  auto* group = new QVBoxLayout(FormatAnpassungGroupBox1);
  auto radio = [&](const char* name, const char* caption, const char* english) {
    auto* r = new QRadioButton(ReportText(caption, english), FormatAnpassungGroupBox1);
    r->setObjectName(name);
    group->addWidget(r);
    return r;
  };
  RadioButton9_13 = radio("RadioButton9_13", "Format 9 x 13", "Size 9 x 13");
  RadioButton10_15 = radio("RadioButton10_15", "Format 10 x 15", "Size 10 x 15");
  RadioButton13_18 = radio("RadioButton13_18", "Format 13 x 18", "Size 13 x 18");
  RadioButton_Frei = radio("RadioButton_Frei", "Andere Größe", "Other size");
  DINA4RadioButton = radio("DINA4RadioButton", "DIN A4", "DIN A4");
  DINA5RadioButton = radio("DINA5RadioButton", "DIN A5", "DIN A5");
  layout->addWidget(FormatAnpassungGroupBox1);

  SizePanel = new QFrame(this);
  SizePanel->setObjectName("SizePanel");
  auto* panel = new QVBoxLayout(SizePanel);
  Edit1 = new QLineEdit(SizePanel);
  Edit1->setObjectName("Edit1");
  Label1 = new QLabel(ReportText("Geben Sie die gewünschte Bildbreite in cm ein. Die Bildhöhe hierzu ergibt sich "
                                 "automatisch.",
                                 "Enter the picture width you want in cm. The height follows from it."),
                      SizePanel);
  Label1->setObjectName("Label1");
  Label1->setWordWrap(true);
  panel->addWidget(Edit1);
  panel->addWidget(Label1);
  layout->addWidget(SizePanel);

  TextCheckBox = new QCheckBox(ReportText("Infotext für die Bilder mitdrucken", "Print the pictures' captions"), this);
  TextCheckBox->setObjectName("TextCheckBox");
  HeadLineCheckBox = new QCheckBox(ReportText("Überschrift (Archivname) mitdrucken", "Print the heading (slideshow title)"), this);
  HeadLineCheckBox->setObjectName("HeadLineCheckBox");
  layout->addWidget(TextCheckBox);
  layout->addWidget(HeadLineCheckBox);

  auto* buttons = new QHBoxLayout;
  SaveBitBtn = new QPushButton(QString::fromUtf8("OK"), this);
  SaveBitBtn->setObjectName("SaveBitBtn");
  AbortBitBtn = new QPushButton(ReportText("Abbrechen", "Cancel"), this);
  AbortBitBtn->setObjectName("AbortBitBtn");
  buttons->addStretch();
  buttons->addWidget(SaveBitBtn);
  buttons->addWidget(AbortBitBtn);
  layout->addLayout(buttons);

  // A choice goes into the main window's fields at once, kept even when the wizard is cancelled.
  connect(RadioButton9_13, &QRadioButton::clicked, this, [this] { apply(495, "A4", false); });
  connect(RadioButton10_15, &QRadioButton::clicked, this, [this] { apply(571, "A4", false); });
  connect(RadioButton13_18, &QRadioButton::clicked, this, [this] { apply(686, "A4", false); });
  connect(DINA4RadioButton, &QRadioButton::clicked, this, [this] { apply(686, "A4", false); });
  connect(DINA5RadioButton, &QRadioButton::clicked, this, [this] { apply(457, "A5", false); });
  connect(RadioButton_Frei, &QRadioButton::clicked, this, [this] {
    SizePanel->show();
    fitHeight();
    Edit1Change();
  });
  connect(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(); });
  connect(SaveBitBtn, &QPushButton::clicked, this, [this] { SaveBitBtnClick(); });
  connect(AbortBitBtn, &QPushButton::clicked, this, [this] { SetModalResult(kalvora::mrCancel); });

  RadioButton9_13->setChecked(true);
  apply(495, "A4", false);
  if (MainForm) {
    const QPixmap banner(MainForm->FAppDir + "recom/" + BannerPictureName);
    if (!banner.isNull()) BannerImage->setPixmap(banner);
  }
}

void TPrintSizeWizard::apply(int width, const char* paper, bool showPanel) {
  const bool changed = SizePanel->isHidden() == showPanel;
  SizePanel->setVisible(showPanel);
  if (changed) fitHeight();
  if (!MainForm) return;
  MainForm->FPrintWidth = width;
  MainForm->FPaperFormat = QString::fromLatin1(paper);
}

// The window follows the size panel: as high as its contents, without the gap of a hidden panel.
void TPrintSizeWizard::fitHeight() {
  if (!layout()) return;
  layout()->activate();
  const int h = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width()) : sizeHint().height();
  resize(width(), std::max(h, minimumSizeHint().height()));
}

void TPrintSizeWizard::Edit1Change() {
  if (!MainForm) return;
  const QString text = Edit1->text();
  if (text.trimmed().isEmpty()) {  // being retyped: no number yet, no message
    MainForm->FPrintWidth = kDefaultWidth;
    return;
  }
  if (const auto cm = ParsePrintWidthCm(text, LanguageIsEnglish())) {
    FWidthCm = *cm;
    MainForm->FPrintWidth = PrintWidthForCm(*cm);
    return;
  }
  MainForm->FPrintWidth = kDefaultWidth;
  shellwin::Inform(LanguageIsEnglish()
                       ? QString::fromUtf8("Not a valid number! Enter a width above 0 in centimetres, with a point "
                                           "as the decimal separator.")
                       : QString::fromUtf8("Keine gültige Zahl! Sie haben entweder Buchstaben verwendet oder einen "
                                           "Punkt statt einem Komma!"));
}

void TPrintSizeWizard::SaveBitBtnClick() {
  if (MainForm) {
    MainForm->FPrintInfoText = TextCheckBox->isChecked();
    MainForm->FPrintHeadline = HeadLineCheckBox->isChecked();
  }
  SetModalResult(kalvora::mrOk);
}

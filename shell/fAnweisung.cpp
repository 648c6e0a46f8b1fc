#include "fAnweisung.h"

#include <QPixmap>
#include <QTabWidget>
#include <QVBoxLayout>

#include "AppDir.h"
#include "Language.h"
#include "Prompter.h"
#include "ShellOpen.h"
#include "fMain.h"

TAnweisungForm* AnweisungForm = nullptr;

namespace {
QString textOr(int id, const char* design) {
  const QString t = GetLanguageText(id);
  return t.isEmpty() ? QString::fromUtf8(design) : t;
}
}  // namespace

TAnweisungForm::TAnweisungForm(QWidget* parent) : TForm("AnweisungForm", parent) {
  setWindowTitle(textOr(4626, "Hilfe"));
  setWindowFlag(Qt::Tool);
  auto* layout = new QVBoxLayout(this);
  MakeLabel = new QLabel(this);
  MakeLabel->setObjectName("MakeLabel");
  QFont bold = MakeLabel->font();
  bold.setBold(true);
  MakeLabel->setFont(bold);
  layout->addWidget(MakeLabel);
  MakeSubLabel = new QLabel(this);
  MakeSubLabel->setObjectName("MakeSubLabel");
  MakeSubLabel->setWordWrap(true);
  layout->addWidget(MakeSubLabel);
  IconLabel = new QLabel(GetLanguageText(4619), this);
  IconLabel->setObjectName("IconLabel");
  layout->addWidget(IconLabel);
  IconImage = new QLabel(this);
  IconImage->setObjectName("IconImage");
  QPixmap icon(kalvora::ProgramFolder() + "recom/player_icon.png");
  if (!icon.isNull()) IconImage->setPixmap(icon);
  layout->addWidget(IconImage);
  NeroBitBtn = new QPushButton(textOr(4600, "Detaillierte Anleitung zum Brennen"), this);
  NeroBitBtn->setObjectName("NeroBitBtn");
  layout->addWidget(NeroBitBtn);
  OkBitBtn = new QPushButton(QString::fromUtf8("OK"), this);
  OkBitBtn->setObjectName("OkBitBtn");
  OkBitBtn->setDefault(true);
  layout->addWidget(OkBitBtn);
  connect(OkBitBtn, &QAbstractButton::clicked, this, [this] { OkBitBtnClick(); });
  connect(NeroBitBtn, &QAbstractButton::clicked, this, [this] { NeroBitBtnClick(); });
}

void TAnweisungForm::NeroBitBtnClick() {
  const QString appDir = MainForm ? MainForm->FAppDir : kalvora::ProgramFolder();
  OpenHelpPage(appDir + "help/vcd.html");
}

void TAnweisungForm::OkBitBtnClick() {
  if (MainForm) MainForm->PageControl1->setCurrentIndex(1);
  SetModalResult(kalvora::mrOk);
}

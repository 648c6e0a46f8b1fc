#include "fTip.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "AppDir.h"
#include "FileOps.h"
#include "Language.h"
#include "Prompter.h"
#include "StringHelpers.h"
#include "TextCodec.h"
#include "fMain.h"

TTipForm* TipForm = nullptr;

namespace {
QString textOr(int id, const char* design) {
  const QString t = GetLanguageText(id);
  return t.isEmpty() ? QString::fromUtf8(design) : t;
}

QString appDir() { return MainForm ? MainForm->FAppDir : kalvora::ProgramFolder(); }
}  // namespace

bool WriteMarkerFile(const QString& path) { return kalvora::WriteFileAtomic(path, QByteArray()); }

TTipForm::TTipForm(QWidget* parent) : TForm("TipForm", parent) {
  setWindowTitle(textOr(4803, "Tipps"));
  setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  auto* layout = new QVBoxLayout(this);
  auto* panel = new QFrame(this);
  panel->setObjectName("Panel1");
  panel->setAutoFillBackground(true);
  QPalette white = panel->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::Base, Qt::white);
  panel->setPalette(white);
  auto* row = new QHBoxLayout(panel);
  auto* picture = new QLabel(panel);
  picture->setObjectName("Image1");
  QPixmap bulb(kalvora::ProgramFolder() + "recom/tip.png");
  if (!bulb.isNull()) picture->setPixmap(bulb);
  row->addWidget(picture, 0, Qt::AlignTop);
  Memo1 = new QTextEdit(panel);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setFrameShape(QFrame::NoFrame);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setPalette(white);
  row->addWidget(Memo1, 1);
  layout->addWidget(panel, 1);
  CheckBox1 = new QCheckBox(textOr(4800, "Tipps nicht mehr anzeigen"), this);
  CheckBox1->setObjectName("CheckBox1");
  layout->addWidget(CheckBox1);
  auto* buttons = new QHBoxLayout;
  NextTipBitBtn = new QPushButton(textOr(4802, "nächster Tipp"), this);
  NextTipBitBtn->setObjectName("NextTipBitBtn");
  CloseBitBtn = new QPushButton(textOr(4801, "Schliessen"), this);
  CloseBitBtn->setObjectName("CloseBitBtn");
  CloseBitBtn->setDefault(true);
  buttons->addWidget(NextTipBitBtn);
  buttons->addStretch();
  buttons->addWidget(CloseBitBtn);
  layout->addLayout(buttons);
  resize(420, 260);
  connect(CloseBitBtn, &QAbstractButton::clicked, this, [this] { CloseBitBtnClick(); });
  connect(NextTipBitBtn, &QAbstractButton::clicked, this, [this] { NextTipBitBtnClick(); });
}

void TTipForm::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  FormActivate();
}

void TTipForm::FormActivate() {
  // The box says what closing will do: shown while tips are on, it starts unticked.
  CheckBox1->setChecked(QFileInfo::exists(appDir() + "NoTip.ini"));
  FTipNumber = 0;
  NextTipBitBtn->setEnabled(true);
  NextTipBitBtnClick();
}

void TTipForm::NextTipBitBtnClick() {
  ++FTipNumber;
  const QString file = kalvora::ResolveNoCase(
      appDir() + "tips/" + PadLeftWithChar(QString::number(FTipNumber), '0', 4) + ".tpp");
  QFile f(file);
  if (f.open(QIODevice::ReadOnly)) {
    Memo1->setPlainText(kalvora::DecodeText(f.readAll()));
  } else {
    NextTipBitBtn->setEnabled(false);  // the last tip stays shown
  }
}

void TTipForm::CloseBitBtnClick() {
  if (CheckBox1->isChecked()) WriteMarkerFile(appDir() + "NoTip.ini");
  SetModalResult(kalvora::mrOk);
}

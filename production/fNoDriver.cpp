#include "fNoDriver.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "FormButtons.h"
#include "Language.h"
#include "Prompter.h"

TNoDriverForm* NoDriverForm = nullptr;

namespace {
QString Text(int id, const char* german, const char* english) {
  const QString t = GetLanguageText(id);
  if (!t.isEmpty()) return t;
  return QString::fromUtf8(CurrentLanguage() == "GERMAN" || CurrentLanguage().isEmpty() ? german : english);
}
}  // namespace

TNoDriverForm::TNoDriverForm(QWidget* parent) : TForm("NoDriverForm", parent) {
  setWindowTitle(Text(3705, "Treiber download", "Driver download"));
  auto* layout = new QVBoxLayout(this);
  Label1 = new QLabel(Text(3700, "Sie benötigen ein Programm zum Lesen von Audio-CDs!", "You need a program to read audio CDs!"), this);
  Label1->setObjectName("Label1");
  layout->addWidget(Label1);
  InfoLabel = new QLabel(this);
  InfoLabel->setObjectName("InfoLabel");
  InfoLabel->setWordWrap(true);
  layout->addWidget(InfoLabel);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setPlainText(Text(3701, "Musik von einer Audio-CD wird mit dem Programm \"cdparanoia\" eingelesen.",
                           "Music from an audio CD is read with the program \"cdparanoia\"."));
  layout->addWidget(Memo1);
  Memo2 = new QPlainTextEdit(this);
  Memo2->setObjectName("Memo2");
  Memo2->setReadOnly(true);
  Memo2->setPlainText(Text(3702,
                           "Ein Installationsprogramm dafür liegt diesem Programm nicht bei. Installieren Sie das "
                           "Paket \"cdparanoia\" mit der Paketverwaltung Ihres Systems.",
                           "No installer for it comes with this program. Install the package \"cdparanoia\" with "
                           "your system's package manager."));
  layout->addWidget(Memo2);
  auto* buttons = new QHBoxLayout;
  layout->addLayout(buttons);
  DownloadButton = AddFormButton(this, buttons, "DownloadButton", Text(3703, "Treiber installieren", "Install driver"));
  AboartButton = AddFormButton(this, buttons, "AboartButton", Text(3704, "Abbrechen", "Cancel"));
  OkBitBtn = AboartButton;
  connect(DownloadButton, &QPushButton::clicked, this, [this] { DownloadButtonClick(); });
  connect(AboartButton, &QPushButton::clicked, this, [this] { AboartButtonClick(); });
}

void TNoDriverForm::DownloadButtonClick() {
  kalvora::ShowMessage(Text(3706,
                            "Es gibt hier kein Installationsprogramm für den Treiber. Bitte installieren Sie das Paket "
                            "\"cdparanoia\" mit der Paketverwaltung Ihres Systems.",
                            "There is no driver installer here. Please install the package \"cdparanoia\" with your "
                            "system's package manager."));
  SetModalResult(kalvora::mrCancel);
}

void TNoDriverForm::AboartButtonClick() { SetModalResult(kalvora::mrCancel); }

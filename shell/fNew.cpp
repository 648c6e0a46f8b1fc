#include "fNew.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "StringHelpers.h"

#include "Language.h"

#include "Prompter.h"

TNewForm* NewForm = nullptr;

TNewForm::TNewForm(QWidget* parent) : TForm("NewForm", parent) {
  setWindowTitle(QString::fromUtf8("Neue Diashow anlegen"));
  auto* layout = new QVBoxLayout(this);
  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  Label1->setText(QString::fromUtf8("Titel der gesamten Diashow"));
  layout->addWidget(Label1);
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName("Edit1");
  layout->addWidget(Edit1);
  // OK and Abbrechen side by side at the right, as in every dialog.
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  BitBtn1 = new QPushButton(this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setText(QString::fromUtf8("OK"));
  buttons->addWidget(BitBtn1);
  BitBtn2 = new QPushButton(this);
  BitBtn2->setObjectName("BitBtn2");
  BitBtn2->setText(QString::fromUtf8("Abbrechen"));
  buttons->addWidget(BitBtn2);
  layout->addSpacing(6);
  layout->addLayout(buttons);
  setMinimumWidth(380);
  connect(BitBtn1, &QAbstractButton::clicked, this, [this] { FormKeyPress(Qt::Key_Return); });
  connect(BitBtn2, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrCancel); });
  const int ids[] = {1800, 1801, 1802, 1803};
  QString texts[4];
  for (int i = 0; i < 4; ++i) texts[i] = GetLanguageText(ids[i]);
  if (!texts[0].isEmpty()) Label1->setText(texts[0]);
  if (!texts[1].isEmpty()) BitBtn1->setText(texts[1]);
  if (!texts[2].isEmpty()) BitBtn2->setText(texts[2]);
  if (!texts[3].isEmpty()) setWindowTitle(texts[3]);
  setWindowFlag(Qt::Tool);
  for (QWidget* w : {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(BitBtn1), static_cast<QWidget*>(BitBtn2)})
    w->installEventFilter(this);
}

void TNewForm::FormKeyPress(int key) {
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    // A slideshow without a title could never be saved: ask for one and stay open.
    if (TrimBlanks(Edit1->text()).isEmpty()) {
      const QString text = GetLanguageText(10001);
      kalvora::ShowMessage(text.isEmpty() ? QString::fromUtf8("Bitte geben Sie der Diashow einen Titel.") : text);
      Edit1->setFocus();
      return;
    }
    SetModalResult(kalvora::mrOk);
  }
  else if (key == Qt::Key_Escape) SetModalResult(kalvora::mrCancel);
}

bool TNewForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
      FormKeyPress(key);
      return true;
    }
  }
  return TForm::eventFilter(watched, event);
}

void TNewForm::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) FormKeyPress(key);
  else TForm::keyPressEvent(event);
}

#include "FormButtons.h"

#include "Prompter.h"

QPushButton* AddFormButton(TForm* form, QBoxLayout* layout, const char* objectName, const QString& text,
                           int modalResult) {
  auto* button = new QPushButton(form);
  button->setObjectName(objectName);
  button->setText(text);
  layout->addWidget(button);
  if (modalResult != kalvora::mrNone)
    QObject::connect(button, &QAbstractButton::clicked, form, [form, modalResult] { form->SetModalResult(modalResult); });
  return button;
}

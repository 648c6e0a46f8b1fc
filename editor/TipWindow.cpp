#include "TipWindow.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QVBoxLayout>

#include "AppDir.h"
#include "EditorFiles.h"
#include "FormButtons.h"
#include "Prompter.h"
#include "fMain.h"

TipWindowParts BuildTipWindow(TForm* form, const QString& title, const QString& text, bool withCheckBox) {
  TipWindowParts parts;
  form->setWindowTitle(QStringLiteral("Tipps"));
  form->setWindowFlag(Qt::Tool);
  form->setWindowFlag(Qt::WindowStaysOnTopHint);
  auto* root = new QHBoxLayout(form);
  parts.picture = new QLabel(form);
  parts.picture->setObjectName("Image1");
  parts.picture->setPixmap(form->style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
  parts.picture->setAlignment(Qt::AlignTop);
  root->addWidget(parts.picture);
  auto* col = new QVBoxLayout();
  root->addLayout(col, 1);
  parts.title = new QLabel(title, form);
  parts.title->setObjectName("TitleLabel");
  QFont bold = parts.title->font();
  bold.setBold(true);
  parts.title->setFont(bold);
  parts.title->setWordWrap(true);
  col->addWidget(parts.title);
  parts.text = new QLabel(text, form);
  parts.text->setObjectName("HintLabel");
  parts.text->setWordWrap(true);
  parts.text->setMinimumWidth(320);
  col->addWidget(parts.text);
  auto* buttons = new QHBoxLayout();
  if (withCheckBox) {
    parts.checkBox = new QCheckBox(QString::fromUtf8("Tipp nicht mehr anzeigen"), form);
    parts.checkBox->setObjectName("CheckBox1");
    buttons->addWidget(parts.checkBox);
  }
  buttons->addStretch(1);
  col->addLayout(buttons);
  parts.next = AddFormButton(form, buttons, "OkBitBtn", QStringLiteral("Weiter"));
  parts.next->setDefault(true);
  return parts;
}

bool WriteTipMarker(const QString& path) { return editor::WriteFileAtomic(path, QByteArray()); }

void CloseTipWindow(TForm* form, const QString& programFolder, const QCheckBox* box, const QString& markerName) {
  QString folder = programFolder;
  if (folder.isEmpty()) folder = MainForm ? MainForm->FAppDir : kalvora::ProgramFolder();
  if (box->isChecked()) WriteTipMarker(folder + markerName);
  form->SetModalResult(kalvora::mrOk);
}

#include "fExport.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "FileOps.h"
#include "FormButtons.h"
#include "IniFile.h"
#include "Prompter.h"
#include "PublishingTexts.h"
#include "SlideshowEntries.h"
#include "fMain.h"

TExportForm* ExportForm = nullptr;

TExportForm::TExportForm(QWidget* parent) : TForm("ExportForm", parent) {
  setWindowTitle(PublishingText(2600, "Auswahl Diashow", "Choose slideshows"));
  auto* layout = new QVBoxLayout(this);
  DoLabel = new QLabel(this);
  DoLabel->setObjectName("DoLabel");
  DoLabel->setWordWrap(true);
  layout->addWidget(DoLabel);
  CheckListBox = new QListWidget(this);
  CheckListBox->setObjectName("CheckListBox");
  layout->addWidget(CheckListBox);
  OpenBitBtn = AddFormButton(this, layout, "OpenBitBtn", PublishingText(2601, "Auswahl  bestätigen", "Confirm choice"));
  BitBtn1 = AddFormButton(this, layout, "BitBtn1", PublishingText(515, "Abbrechen", "Cancel"));
  connect(OpenBitBtn, &QPushButton::clicked, this, [this] { OpenBitBtnClick(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
}

QList<QPair<QString, QString>> TExportForm::Slideshows(const QString& root) {
  QList<QPair<QString, QString>> entries;
  if (root.isEmpty()) return entries;
  const QDir dir(root);
  QStringList folders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
  std::sort(folders.begin(), folders.end(), [](const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
  });
  for (const QString& name : folders) {
    // The folder travels with the item, so a name with a blank is listed as well.
    if (name.contains('.') || name.toUpper().contains("DEL")) continue;
    const QString ini = kalvora::ResolveNoCase(dir.filePath(name) + "/Diashow.ini");
    if (!QFileInfo(ini).isFile()) continue;
    const kalvora::IniFile diashow(ini);
    entries.append({name, diashow.readString("DIASHOW", "Titel")});
  }
  return entries;
}

void TExportForm::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  FormActivate();
}

void TExportForm::FormActivate() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  CheckListBox->clear();
  for (const auto& [folder, title] : Slideshows(MainForm ? MainForm->FArchiveRoot : QString())) {
    QListWidgetItem* item = AddSlideshowEntry(CheckListBox, folder, title);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  QApplication::restoreOverrideCursor();
}

void TExportForm::OpenBitBtnClick() {
  for (int i = 0; i < CheckListBox->count(); ++i) {
    if (CheckListBox->item(i)->checkState() == Qt::Checked) {
      SetModalResult(kalvora::mrOk);
      return;
    }
  }
  kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, QString(),
                                     PublishingText(10029, "Bitte wählen Sie mindestens eine Diashow aus.",
                                                    "Please choose at least one slideshow."),
                                     kalvora::mbOk);
}

void TExportForm::BitBtn1Click() {
  if (MainForm && MainForm->PageControl1) MainForm->PageControl1->setCurrentIndex(1);
  SetModalResult(kalvora::mrCancel);
}

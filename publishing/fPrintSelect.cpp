#include "fPrintSelect.h"

#include <QDir>
#include <QHBoxLayout>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

#include "PictureReport.h"
#include "PrintItems.h"
#include "ProgramWindows.h"
#include "ShellConstants.h"
#include "fMain.h"

TPrintSelectForm* PrintSelectForm = nullptr;

TPrintSelectForm::TPrintSelectForm(QWidget* parent) : TForm("PrintSelectForm", parent) {
  setWindowTitle(ReportText("Bilder drucken", "Print pictures"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  TopPanel = new QFrame(this);
  TopPanel->setObjectName("TopPanel");
  TopPanel->setFixedHeight(31);
  BannerImage = new QLabel(TopPanel);
  BannerImage->setObjectName("BannerImage");
  // In a layout the label takes the banner's size; on its own it stays at its default size and
  // shows only a corner of the picture.
  auto* top = new QHBoxLayout(TopPanel);
  top->setContentsMargins(0, 0, 0, 0);
  top->addWidget(BannerImage);
  top->addStretch();
  layout->addWidget(TopPanel);

  auto* middle = new QVBoxLayout;
  middle->setContentsMargins(5, 5, 5, 5);
  MarkupCheckList1 = new MarkupCheckListControl(this);
  MarkupCheckList1->setObjectName("MarkupCheckList1");
  MarkupCheckList1->SetDuplicates(true);
  middle->addWidget(MarkupCheckList1);
  layout->addLayout(middle, 1);

  BottomPanel = new QFrame(this);
  BottomPanel->setObjectName("BottomPanel");
  BottomPanel->setFixedHeight(41);
  PrintBitBtn = new QPushButton(ReportText("Bilder drucken", "Print pictures"), BottomPanel);
  PrintBitBtn->setObjectName("PrintBitBtn");
  AbortBitBtn = new QPushButton(ReportText("Abbrechen", "Cancel"), BottomPanel);
  AbortBitBtn->setObjectName("AbortBitBtn");
  for (QPushButton* b : {PrintBitBtn, AbortBitBtn}) b->setGeometry(0, 8, 120, 25);
  layout->addWidget(BottomPanel);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  layout->addWidget(StatusBar1);

  // Every entry shows its 70-pixel thumbnail.
  MarkupCheckList1->SetItemHeight(70);
  connect(PrintBitBtn, &QPushButton::clicked, this, [this] { PrintBitBtnClick(); });
  connect(AbortBitBtn, &QPushButton::clicked, this, [this] { SetModalResult(kalvora::mrCancel); });
}

void TPrintSelectForm::showEvent(QShowEvent* e) {
  TForm::showEvent(e);
  // The window fills the screen also where no window manager maximises it; a list of 70-pixel
  // thumbnails in a small window shows hardly two pictures.
  if (QScreen* s = screen()) setGeometry(s->availableGeometry());
  setWindowState(windowState() | Qt::WindowMaximized);
  FormActivate();
}

void TPrintSelectForm::resizeEvent(QResizeEvent* e) {
  TForm::resizeEvent(e);
  placeButtons();
}

void TPrintSelectForm::placeButtons() {
  const int w = BottomPanel->width();
  PrintBitBtn->move(w - 10 - PrintBitBtn->width() - AbortBitBtn->width() - 10, PrintBitBtn->y());
  AbortBitBtn->move(w - AbortBitBtn->width() - 10, AbortBitBtn->y());
}

void TPrintSelectForm::FormActivate() {
  MarkupCheckList1->Clear();
  if (MainForm && MainForm->DiashowListBox) MarkupCheckList1->SetItems(MainForm->DiashowListBox->Items());
  placeButtons();
  if (MainForm) {
    setWindowTitle(MainForm->windowTitle());
    const QPixmap banner(MainForm->FAppDir + "recom/" + BannerPictureName);
    if (!banner.isNull()) BannerImage->setPixmap(banner.scaledToHeight(31, Qt::SmoothTransformation));
  }
}

void TPrintSelectForm::PrintBitBtnClick() {
  const int checked = MarkupCheckList1->GetCheckedCount();
  if (checked == 0) {
    shellwin::Inform(shellwin::Text(10011, LanguageIsEnglish() ? "You have not chosen a picture."
                                                                : "Sie haben kein Bild ausgewählt."));
    return;
  }
  QStringList lines;
  for (int i = 0; i < checked; ++i) {
    const QString line = MarkupCheckList1->GetCheckedItem(i).trimmed();
    if (!line.isEmpty()) lines << line;
  }
  const QString path = MainForm->FAppDir + "Print.txt";
  if (!WritePrintList(path, lines)) {
    shellwin::Inform(ReportText("Die Liste der gewählten Bilder kann nicht gespeichert werden:",
                                "The list of chosen pictures cannot be saved:") +
                     "\n" + QDir::toNativeSeparators(path));
    return;
  }
  SetModalResult(kalvora::mrOk);
}

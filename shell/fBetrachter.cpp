#include "fBetrachter.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QVBoxLayout>

#include "FileOps.h"
#include "PicImageVCL.h"
#include "Prompter.h"
#include "StringHelpers.h"
#include "fMain.h"

TBetrachterForm* BetrachterForm = nullptr;

QStringList ViewerPictureList(const QString& folder) {
  QStringList out;
  const QString prefix = AddTrailingBackslash(folder);
  for (const QString& name : kalvora::FindFiles(folder, "*.jpg"))
    if (!name.contains("_THUMB")) out << prefix + name;
  return out;
}

TBetrachterForm::TBetrachterForm(QWidget* parent) : TForm("BetrachterForm", parent) {
  setWindowTitle(QString::fromUtf8("Bildbetrachter"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  PicturesListBox = new QListWidget(this);
  PicturesListBox->setObjectName("PicturesListBox");
  PicturesListBox->hide();
  PicImage1 = new TPicImage(this);
  PicImage1->setObjectName("PicImage1");
  PicImage1->setAutoFillBackground(true);
  QPalette white = PicImage1->palette();
  white.setColor(QPalette::Window, Qt::white);
  PicImage1->setPalette(white);
  layout->addWidget(PicImage1, 1);
  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setAutoFillBackground(true);
  Panel1->setPalette(white);
  Panel1->setMinimumHeight(40);
  layout->addWidget(Panel1);
  auto button = [this](const char* name, const char* text) {
    auto* b = new QToolButton(Panel1);
    b->setObjectName(name);
    b->setText(QString::fromUtf8(text));
    b->setAutoRaise(true);
    b->resize(36, 32);
    b->move(0, 4);
    return b;
  };
  SpeedButton1 = button("SpeedButton1", "◀");
  SpeedButton2 = button("SpeedButton2", "▶");
  SpeedButton3 = button("SpeedButton3", "+");
  SpeedButton4 = button("SpeedButton4", "−");
  SpeedButton5 = button("SpeedButton5", "✕");
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  layout->addWidget(StatusBar1);
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { ShowPrevious(); });
  connect(SpeedButton2, &QToolButton::clicked, this, [this] { ShowNext(); });
  connect(SpeedButton3, &QToolButton::clicked, this, [this] { ZoomIn(); });
  connect(SpeedButton4, &QToolButton::clicked, this, [this] { ZoomOut(); });
  connect(SpeedButton5, &QToolButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
  connect(PicturesListBox, &QListWidget::itemClicked, this, [this] { PicturesListBoxClick(); });
  PicImage1->installEventFilter(this);
  setWindowState(Qt::WindowMaximized);
}

void TBetrachterForm::LayoutButtons() {
  const int half = Panel1->width() / 2;
  SpeedButton1->move(half - SpeedButton1->width() - 60, SpeedButton1->y());
  SpeedButton2->move(half - 60, SpeedButton2->y());
  SpeedButton3->move(half - 20, SpeedButton3->y());
  SpeedButton4->move(half + 40 + SpeedButton3->width() - 60, SpeedButton4->y());
  SpeedButton5->move(half + 80 + SpeedButton4->width() - 60, SpeedButton5->y());
}

void TBetrachterForm::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  FormActivate();
}

void TBetrachterForm::FormActivate() {
  LayoutButtons();
  if (MainForm) setWindowTitle(MainForm->windowTitle());
  PicturesListBox->clear();
  if (MainForm) {
    const QString folder = MainForm->SelectedArchiveFolder();
    if (!folder.isEmpty()) PicturesListBox->addItems(ViewerPictureList(MainForm->FArchiveRoot + folder));
  }
  if (PicturesListBox->count() > 0) {
    PicturesListBox->setCurrentRow(0);
    PicturesListBoxClick();
  }
}

void TBetrachterForm::PicturesListBoxClick() {
  FPictureIndex = PicturesListBox->currentRow();
  if (PicturesListBox->count() == 0 || FPictureIndex < 0) return;
  try {
    PicImage1->SetPaintSizeMode(smFit);
    PicImage1->repaint();
    const QString path = PicturesListBox->item(FPictureIndex)->text();
    PicImage1->Load(path, 0, 1, -1);
    setWindowTitle(FileNamePart(path) + "    " + (MainForm ? MainForm->windowTitle() : QString()));
  } catch (...) {
    // A picture that cannot be shown leaves the viewer on the one before.
  }
}

void TBetrachterForm::ShowNext() {
  const int n = PicturesListBox->count();
  if (n == 0) return;
  const int row = PicturesListBox->currentRow();
  PicturesListBox->setCurrentRow(row >= n - 1 ? 0 : row + 1);
  PicturesListBoxClick();
}

void TBetrachterForm::ShowPrevious() {
  const int n = PicturesListBox->count();
  if (n == 0) return;
  const int row = PicturesListBox->currentRow();
  PicturesListBox->setCurrentRow(row < 1 ? n - 1 : row - 1);
  PicturesListBoxClick();
}

void TBetrachterForm::Zoom(int step) {
  try {
    PicImage1->SetPaintSizeMode(smZoom);
    PicImage1->SetAutoRepaint(false);
    int factor = PicImage1->PaintZoomFactor();
    if (step > 0) factor += step;
    else if (factor >= 12) factor += step;
    PicImage1->SetPaintSizeMode(smZoom);
    PicImage1->SetPaintZoomFactor(factor);
  } catch (...) {
  }
  PicImage1->SetAutoRepaint(true);
  PicImage1->repaint();
}

void TBetrachterForm::ZoomIn() { Zoom(10); }
void TBetrachterForm::ZoomOut() { Zoom(-10); }

void TBetrachterForm::FormKeyDown(int key) {
  switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_Up:
    case Qt::Key_Right:
      ShowNext();
      break;
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Down:
      ShowPrevious();
      break;
    default:
      break;
  }
}

void TBetrachterForm::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Down:
      FormKeyDown(event->key());
      return;
    default:
      TForm::keyPressEvent(event);
  }
}

bool TBetrachterForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PicImage1 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_PageUp || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_PageDown ||
        key == Qt::Key_Left || key == Qt::Key_Down) {
      FormKeyDown(key);
      return true;
    }
  }
  return TForm::eventFilter(watched, event);
}

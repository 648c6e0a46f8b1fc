#include "fBetrachter.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QVBoxLayout>

#include <QGuiApplication>
#include <QScreen>

#include "FileOps.h"
#include "ListItems.h"
#include "StringList.h"
#include "PicImageVCL.h"
#include "Prompter.h"
#include "StringHelpers.h"
#include "fMain.h"

TBetrachterForm* BetrachterForm = nullptr;

namespace {
// Name and caption of each Pictures.ini line, in slideshow order.
QList<kalvora::PictureListEntry> pictureLines(const QString& folder) {
  QList<kalvora::PictureListEntry> out;
  kalvora::StringList lines;
  lines.loadFromFile(kalvora::ResolveNoCase(AddTrailingBackslash(folder) + "Pictures.ini"));
  for (int i = 0; i < lines.count(); ++i) {
    const kalvora::PictureListEntry entry = ReadPictureListLine(lines[i]);
    if (IsPlainFileName(entry.name)) out.append(entry);
  }
  return out;
}
}  // namespace

QStringList ViewerPictureList(const QString& folder) {
  const QString prefix = AddTrailingBackslash(folder);
  QStringList files;
  for (const QString& name : kalvora::FindFiles(folder, "*.jpg"))
    if (!name.contains("_THUMB")) files << name;
  // The slideshow's own order first: the viewer pages through the slideshow as it plays.
  QStringList out;
  for (const auto& line : pictureLines(folder)) {
    const qsizetype i = files.indexOf(line.name);
    if (i < 0) continue;
    out << prefix + files[i];
    files.removeAt(i);
  }
  for (const QString& name : files) out << prefix + name;
  return out;
}

QHash<QString, QString> ViewerCaptions(const QString& folder) {
  QHash<QString, QString> out;
  for (const auto& line : pictureLines(folder)) out.insert(line.name, line.caption);
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
  PicImage1->SetCenterImage(true);
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
  Panel1->installEventFilter(this);  // the buttons stay centred when the window changes size
  resize(900, 650);
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
  // Maximised even where no window manager does it: the screen's working area.
  if (QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->availableGeometry());
  setWindowState(windowState() | Qt::WindowMaximized);
  TForm::showEvent(event);
  FormActivate();
}

void TBetrachterForm::FormActivate() {
  LayoutButtons();
  if (MainForm) setWindowTitle(MainForm->windowTitle());
  PicturesListBox->clear();
  captions_.clear();
  if (MainForm) {
    const QString folder = MainForm->SelectedArchiveFolder();
    if (!folder.isEmpty()) {
      PicturesListBox->addItems(ViewerPictureList(MainForm->FArchiveRoot + folder));
      captions_ = ViewerCaptions(MainForm->FArchiveRoot + folder);
    }
  }
  if (PicturesListBox->count() > 0) {
    int start = 0;
    for (int i = 0; !FStartPicture.isEmpty() && i < PicturesListBox->count(); ++i)
      if (FileNamePart(PicturesListBox->item(i)->text()) == FStartPicture) start = i;
    FStartPicture.clear();
    PicturesListBox->setCurrentRow(start);
    PicturesListBoxClick();
  }
  setFocus();
}

void TBetrachterForm::PicturesListBoxClick() {
  FPictureIndex = PicturesListBox->currentRow();
  if (PicturesListBox->count() == 0 || FPictureIndex < 0) return;
  try {
    PicImage1->SetPaintSizeMode(smFit);
    PicImage1->repaint();
    const QString path = PicturesListBox->item(FPictureIndex)->text();
    // Position and caption below the picture, before a load that may fail.
    const QString caption = captions_.value(FileNamePart(path));
    QString status = QString("%1 / %2").arg(FPictureIndex + 1).arg(PicturesListBox->count());
    if (!caption.isEmpty()) status += "    " + caption;
    StatusBar1->showMessage(status);
    PicImage1->Load(path, 0, 1, 1);
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
    case Qt::Key_Escape:
      SpeedButton5->click();
      return;
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
  if (watched == Panel1 && event->type() == QEvent::Resize) LayoutButtons();
  if (watched == PicImage1 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_PageUp || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_PageDown ||
        key == Qt::Key_Left || key == Qt::Key_Down) {
      FormKeyDown(key);
      return true;
    }
    if (key == Qt::Key_Escape) {
      SpeedButton5->click();
      return true;
    }
  }
  return TForm::eventFilter(watched, event);
}

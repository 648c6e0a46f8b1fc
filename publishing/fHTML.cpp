#include "fHTML.h"

#include <QApplication>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPixmap>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "FileOps.h"
#include "Language.h"
#include "ListItems.h"
#include "Prompter.h"
#include "PublishingPictures.h"
#include "PublishingTexts.h"
#include "ShellConstants.h"
#include "ShellOpen.h"
#include "fFTP.h"
#include "fMain.h"

THTMLForm* HTMLForm = nullptr;

namespace {
void inform(const QString& text) {
  kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, QString(), text, kalvora::mbOk);
}

QColor toQColor(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }
uint32_t fromQColor(const QColor& c) { return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16; }

QLineEdit* numberEdit(QWidget* parent, const char* name, int digits) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setMaxLength(digits);
  e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,%1}").arg(digits)), e));
  e->setMaximumWidth(60);
  return e;
}

QFrame* colorPanel(QWidget* parent, const char* name) {
  auto* p = new QFrame(parent);
  p->setObjectName(name);
  p->setFrameShape(QFrame::Box);
  p->setMinimumSize(40, 20);
  p->setAutoFillBackground(true);
  return p;
}

// A changed edit stores its number; an empty one keeps the old value.
void followEdit(QLineEdit* e, int& field) {
  QObject::connect(e, &QLineEdit::textChanged, e, [&field](const QString& t) {
    bool ok = false;
    const int v = t.trimmed().toInt(&ok, 10);
    if (ok) field = v;
  });
}
}  // namespace

THTMLForm::THTMLForm(QWidget* parent) : TForm("HTMLForm", parent) {
  setWindowTitle(PublishingText(3500, "Internetseite erzeugen", "Create web page"));
  setWindowFlag(Qt::WindowStaysOnTopHint);
  auto* outer = new QHBoxLayout(this);
  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  outer->addWidget(Image1, 0, Qt::AlignTop);
  auto* layout = new QVBoxLayout;
  outer->addLayout(layout, 1);

  Label16 = new QLabel(PublishingText(3500, "Internetseite erzeugen", "Create web page"), this);
  Label16->setObjectName("Label16");
  QFont big = Label16->font();
  big.setPointSize(big.pointSize() + 4);
  big.setBold(true);
  Label16->setFont(big);
  layout->addWidget(Label16);

  GroupBox1 = new QGroupBox(PublishingText(3501, "Grundeinstellungen", "Basic settings"), this);
  GroupBox1->setObjectName("GroupBox1");
  auto* form = new QFormLayout(GroupBox1);
  Label5 = new QLabel(PublishingText(3502, "Wieviel Bilder sollen pro Zeile angezeigt werden (Die Spaltenzahl ergibt sich)",
                                     "How many pictures per row (the number of rows follows)"), GroupBox1);
  Label5->setObjectName("Label5");
  Label5->setWordWrap(true);
  PicProRowMaskEdit = numberEdit(GroupBox1, "PicProRowMaskEdit", 2);
  form->addRow(Label5, PicProRowMaskEdit);
  Label1 = new QLabel(PublishingText(3503, "Breite der Übersichtbilder (die Höhe ergibt sich aus dem Seitenverhältnis)",
                                     "Width of the overview pictures (the height follows from the aspect ratio)"),
                      GroupBox1);
  Label1->setObjectName("Label1");
  Label1->setWordWrap(true);
  SmallPicMaskEdit = numberEdit(GroupBox1, "SmallPicMaskEdit", 4);
  form->addRow(Label1, SmallPicMaskEdit);
  Label2 = new QLabel(PublishingText(3504, "Breite der Fullsize-Bilder (die Höhe ergibt sich aus dem Seitenverhältnis)",
                                     "Width of the full-size pictures (the height follows from the aspect ratio)"),
                      GroupBox1);
  Label2->setObjectName("Label2");
  Label2->setWordWrap(true);
  LargePicMaskEdit = numberEdit(GroupBox1, "LargePicMaskEdit", 4);
  form->addRow(Label2, LargePicMaskEdit);
  TextCheckBox = new QCheckBox(PublishingText(3505, "Text unter den Bildern sichtbar?", "Show captions under the pictures?"), GroupBox1);
  TextCheckBox->setObjectName("TextCheckBox");
  FileNameCheckBox = new QCheckBox(PublishingText(3506, "Dateiname unter den Bildern sichtbar?", "Show file names under the pictures?"), GroupBox1);
  FileNameCheckBox->setObjectName("FileNameCheckBox");
  RahmenCheckBox = new QCheckBox(PublishingText(3507, "Rahmen sichtbar?", "Show frames?"), GroupBox1);
  RahmenCheckBox->setObjectName("RahmenCheckBox");
  form->addRow(TextCheckBox);
  form->addRow(FileNameCheckBox);
  form->addRow(RahmenCheckBox);
  layout->addWidget(GroupBox1);

  GroupBox2 = new QGroupBox(PublishingText(3508, "Farben", "Colours"), this);
  GroupBox2->setObjectName("GroupBox2");
  auto* colors = new QFormLayout(GroupBox2);
  BKGColorButton = new QPushButton(PublishingText(3509, "Hintergrund Farbe", "Background colour"), GroupBox2);
  BKGColorButton->setObjectName("BKGColorButton");
  BKGColorPanel = colorPanel(GroupBox2, "BKGColorPanel");
  colors->addRow(BKGColorButton, BKGColorPanel);
  TextcolorButton = new QPushButton(PublishingText(3510, "Text Farbe", "Text colour"), GroupBox2);
  TextcolorButton->setObjectName("TextcolorButton");
  TextColorPanel = colorPanel(GroupBox2, "TextColorPanel");
  colors->addRow(TextcolorButton, TextColorPanel);
  layout->addWidget(GroupBox2);

  KonvertLabel = new QLabel(PublishingText(3511, "Konvertiere Bilder für das Internet:", "Converting pictures for the web:"), this);
  KonvertLabel->setObjectName("KonvertLabel");
  KonvertLabel->hide();
  layout->addWidget(KonvertLabel);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->hide();
  layout->addWidget(ProgressBar1);

  auto* buttons = new QHBoxLayout;
  layout->addLayout(buttons);
  auto button = [&](const char* name, const QString& text) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  BitBtn1 = button("BitBtn1", PublishingText(3512, "1. Internetseite erzeugen", "1. Create web page"));
  BitBtn2 = button("BitBtn2", PublishingText(3513, "2. Internetseite hochladen", "2. Upload web page"));
  BitBtn3 = button("BitBtn3", PublishingText(3514, "Schließen", "Close"));
  OkBitBtn = BitBtn1;
  CloseBitBtn = BitBtn3;

  PicImage1 = new PicImageControl(this);
  PicImage1->setObjectName("PicImage1");
  PicImage1->hide();
  PicImage1->SetAutoRepaint(false);
  gallery::SetUpFramePicture(PicImage1);

  FAppDir = MainForm ? MainForm->FAppDir : QString();
  if (!FAppDir.isEmpty()) {
    const QPixmap banner(FAppDir + "recom/" + SideBannerPictureName);
    if (!banner.isNull()) Image1->setPixmap(banner);
  }

  followEdit(PicProRowMaskEdit, FPicProRow);
  followEdit(SmallPicMaskEdit, FSmallPicX);
  followEdit(LargePicMaskEdit, FLargePicX);
  connect(TextCheckBox, &QCheckBox::toggled, this, [this](bool on) { FTextVisible = on; });
  connect(FileNameCheckBox, &QCheckBox::toggled, this, [this](bool on) { FFilenameVisible = on; });
  connect(RahmenCheckBox, &QCheckBox::toggled, this, [this](bool on) { FShapeVisible = on; });
  connect(BKGColorButton, &QPushButton::clicked, this, [this] { BKGColorButtonClick(); });
  connect(TextcolorButton, &QPushButton::clicked, this, [this] { TextcolorButtonClick(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
  connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
}

void THTMLForm::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  FormActivate();
}

void THTMLForm::FormActivate() {
  FGalleryMade = false;
  setProperty("galleryMade", false);
  if (MainForm) FAppDir = MainForm->FAppDir;
  LoadSettings();
  FGalleryFolder = FAppDir + "gallery";
}

gallery::Settings THTMLForm::CurrentSettings() const {
  gallery::Settings s;
  s.smallPicX = FSmallPicX;
  s.largePicX = FLargePicX;
  s.compression = FCompression;
  s.picProRow = FPicProRow;
  s.bkgColor = FBKGColor;
  s.textColor = FTextColor;
  s.textVisible = FTextVisible;
  s.filenameVisible = FFilenameVisible;
  s.shapeVisible = FShapeVisible;
  return s;
}

void THTMLForm::LoadSettings() {
  const gallery::Settings s = gallery::LoadSettings(FAppDir + "Gallery.ini");
  FSmallPicX = s.smallPicX;
  FLargePicX = s.largePicX;
  FCompression = s.compression;
  FPicProRow = s.picProRow;
  FBKGColor = s.bkgColor;
  FTextColor = s.textColor;
  FTextVisible = s.textVisible;
  FFilenameVisible = s.filenameVisible;
  FShapeVisible = s.shapeVisible;
  setSettingsToControls();
}

void THTMLForm::setSettingsToControls() {
  // The toggled handlers keep the fields in step; set the boxes after the fields.
  const bool text = FTextVisible, name = FFilenameVisible, shape = FShapeVisible;
  TextCheckBox->setChecked(text);
  FileNameCheckBox->setChecked(name);
  RahmenCheckBox->setChecked(shape);
  const int large = FLargePicX, small = FSmallPicX, row = FPicProRow;
  LargePicMaskEdit->setText(QString::number(large));
  SmallPicMaskEdit->setText(QString::number(small));
  PicProRowMaskEdit->setText(QString::number(row));
  paintPanels();
}

void THTMLForm::paintPanels() {
  for (auto [panel, color] : {std::pair{BKGColorPanel, FBKGColor}, std::pair{TextColorPanel, FTextColor}}) {
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, toQColor(color));
    panel->setPalette(pal);
  }
}

bool THTMLForm::SaveSettings() { return gallery::SaveSettings(FAppDir + "Gallery.ini", CurrentSettings()); }

void THTMLForm::BKGColorButtonClick() {
  if (auto c = kalvora::CurrentPrompter().color(toQColor(FBKGColor))) {
    FBKGColor = fromQColor(*c);
    paintPanels();
  }
}

void THTMLForm::TextcolorButtonClick() {
  if (auto c = kalvora::CurrentPrompter().color(toQColor(FTextColor))) {
    FTextColor = fromQColor(*c);
    paintPanels();
  }
}

bool THTMLForm::BitBtn1Click() {
  using gallery::RunStatus;
  // Emptying the folder under a running upload would send half a gallery.
  if (FTPForm && FTPForm->FRunning) {
    inform(PublishingText("Bitte warten Sie, bis das Hochladen beendet ist, oder brechen Sie es ab.",
                          "Please wait until the upload has finished, or stop it."));
    return false;
  }
  if (FSmallPicX < 1 || FLargePicX < 1 || FPicProRow < 1) {
    inform(PublishingText("Bitte geben Sie für die Bildbreiten und die Bilder pro Zeile Zahlen größer als 0 ein.",
                          "Please enter numbers greater than 0 for the picture widths and the pictures per row."));
    return false;
  }
  // The gallery is still made with the settings shown; the user learns they are not kept.
  if (!SaveSettings())
    inform(PublishingText("Die Einstellungen der Internetseite konnten nicht gespeichert werden:",
                          "The settings of the web page could not be saved:") + "\n" + FAppDir + "Gallery.ini");

  gallery::RunInput in;
  in.galleryFolder = FGalleryFolder.isEmpty() ? FAppDir + "gallery" : FGalleryFolder;
  in.settings = CurrentSettings();
  in.language = CurrentLanguage();
  in.identity = gallery::DefaultIdentity();
  if (MainForm) {
    in.title = MainForm->TitleEdit ? MainForm->TitleEdit->text() : QString();
    const QString folder = MainForm->FArchiveRoot + MainForm->FArchiveFolder + "/";
    const QStringList items = MainForm->DiashowListBox ? MainForm->DiashowListBox->Items() : QStringList();
    for (const QString& item : items) {
      gallery::Picture p;
      p.fileName = ItemFileName(item);
      if (p.fileName.isEmpty()) continue;
      // A name reaching outside the slideshow folder is not read; it counts as unreadable.
      p.path = IsPlainFileName(p.fileName) ? kalvora::ResolveNoCase(folder + p.fileName) : QString();
      p.caption = ItemCaption(item);
      in.pictures.push_back(p);
    }
  }

  // The progress rows push the window taller while they show; it gets its size back after.
  const QSize before = size();
  KonvertLabel->show();
  ProgressBar1->setValue(0);
  ProgressBar1->show();
  KonvertLabel->repaint();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  gallery::GalleryBuilder builder(PicImage1);
  builder.OnProgress = [this](int p) { ProgressBar1->setValue(p); };
  builder.OnIdle = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
  FLastRun = builder.Run(in);
  QApplication::restoreOverrideCursor();
  ProgressBar1->hide();
  KonvertLabel->hide();
  layout()->activate();
  resize(before);

  switch (FLastRun.status) {
    case RunStatus::Ok: break;
    case RunStatus::NoPictures:
      inform(PublishingText("Die Diashow enthält keine Bilder, es wurde keine Internetseite erzeugt.",
                            "The slideshow has no pictures; no web page was made."));
      return false;
    case RunStatus::FolderFailed:
      inform(PublishingText("Der Ordner für die Internetseite konnte nicht angelegt werden:",
                            "The folder for the web page could not be created:") + "\n" + FLastRun.detail);
      return false;
    case RunStatus::TemplateFailed:
      inform(PublishingText("Die Vorlagen der Internetseite konnten nicht geschrieben werden:",
                            "The templates of the web page could not be written:") + "\n" + FLastRun.detail);
      return false;
    case RunStatus::NothingConverted:
      inform(PublishingText("Keines der Bilder konnte für das Internet umgewandelt werden.",
                            "None of the pictures could be converted for the web."));
      return false;
    case RunStatus::PageFailed:
      inform(PublishingText("Die Internetseite konnte nicht geschrieben werden:",
                            "The web page could not be written:") + "\n" + FLastRun.detail);
      return false;
  }
  if (!FLastRun.failedPictures.isEmpty()) {
    QStringList shown = FLastRun.failedPictures.mid(0, 20);
    if (FLastRun.failedPictures.size() > 20) shown << "...";
    inform(PublishingText("Diese Bilder konnten nicht gelesen werden und fehlen in der Internetseite:",
                          "These pictures could not be read and are missing from the web page:") + "\n" +
           shown.join("\n"));
  }
  FGalleryMade = true;
  setProperty("galleryMade", true);
  const QString page = in.galleryFolder + "/gallery.html";
  const auto say = [page] {
    inform(PublishingText("Die Internetseite konnte nicht im Browser geöffnet werden:",
                          "The web page could not be opened in the browser:") + "\n" + page);
  };
  if (!ShellOpenDocument(page, say)) say();
  return true;
}

void THTMLForm::BitBtn2Click() {
  // One upload window at a time: a second one would send the same folder again.
  if (FTPForm) {
    FTPForm->showNormal();
    FTPForm->raise();
    FTPForm->activateWindow();
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  FTPForm = new TFTPForm(this, FAppDir, FGalleryFolder.isEmpty() ? FAppDir + "gallery" : FGalleryFolder);
  FTPForm->show();
  QApplication::restoreOverrideCursor();
}

void THTMLForm::BitBtn3Click() { close(); }

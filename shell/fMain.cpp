#include "fMain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "AppDir.h"
#include "Drives.h"
#include "FileOps.h"
#include "IniFile.h"
#include "Language.h"
#include "Prompter.h"
#include "SaveFailure.h"
#include "ShellConstants.h"
#include "StringHelpers.h"
#include "SystemInfo.h"

TMainForm* MainForm = nullptr;

namespace {
template <typename T, typename... Args>
T* make(QWidget* parent, const char* name, Args&&... args) {
  T* w = new T(std::forward<Args>(args)..., parent);
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

QAction* makeAction(QMenu* menu, const char* name) {
  QAction* a = menu->addAction(QString::fromLatin1(name));
  a->setObjectName(QString::fromLatin1(name));
  return a;
}

// A folder with a trailing '/'.
QString withSlash(const QString& folder) {
  return folder.isEmpty() || folder.endsWith('/') ? folder : folder + '/';
}

// Copies a file over another; a target that cannot be written is added to failed. A missing
// source copies nothing: the program folder holds only the files this system has.
void copyFile(const QString& from, const QString& to, QStringList& failed) {
  if (QFileInfo(from).isFile() && !kalvora::CopyFileReplace(from, to)) failed << to;
}

// Copies every file of a folder into another, replacing files there.
void copyFolderFiles(const QString& from, const QString& to, QStringList& failed) {
  for (const QString& name : kalvora::FindFiles(from, "*.*")) copyFile(withSlash(from) + name, withSlash(to) + name, failed);
}

// Start-up problems are reported even when the texts themselves are missing.
QString problemText(int id, const char* german) {
  const QString t = GetLanguageText(id);
  return t.isEmpty() ? QString::fromUtf8(german) : t;
}

// Escapes a value for a .desktop file: backslash sequences of the format.
QString desktopValue(const QString& s) {
  QString r;
  for (QChar c : s) {
    if (c == '\\') r += "\\\\";
    else if (c == '\n') r += "\\n";
    else if (c == '\t') r += "\\t";
    else if (c == '\r') r += "\\r";
    else r += c;
  }
  return r;
}

// One quoted argument of an Exec line.
QString execArgument(const QString& s) {
  QString r = "\"";
  for (QChar c : s) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') r += '\\';
    r += c;
  }
  return r + '"';
}
}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName("MainForm");
  BuildMenus();
  BuildControls();
  FormCreate();
  ConnectProductionHandlers();
}

TMainForm::~TMainForm() {
  if (MainForm == this) MainForm = nullptr;
}

void TMainForm::BuildMenus() {
  QMenuBar* bar = menuBar();
  auto menu = [&](const char* name) {
    QMenu* m = bar->addMenu(QString::fromLatin1(name));
    m->setObjectName(QString::fromLatin1(name));
    return m;
  };
  Datei1 = menu("Datei1");
  NewDiashow1 = makeAction(Datei1, "NewDiashow1");
  OpenDiashow1 = makeAction(Datei1, "OpenDiashow1");
  DeleteDiashow1 = makeAction(Datei1, "DeleteDiashow1");
  Import1 = makeAction(Datei1, "Import1");
  Datei1->addSeparator();
  Programmbeenden1 = makeAction(Datei1, "Programmbeenden1");
  Diashow1 = menu("Diashow1");
  Diashowerstellen1 = makeAction(Diashow1, "Diashowerstellen1");
  CDfrFotolaborerstellen1 = makeAction(Diashow1, "CDfrFotolaborerstellen1");
  Drucken1 = menu("Drucken1");
  AlleDrucken1 = makeAction(Drucken1, "AlleDrucken1");
  AusgewhlteDrucken1 = makeAction(Drucken1, "AusgewhlteDrucken1");
  bersichtThumbnailsdrucken1 = makeAction(Drucken1, "bersichtThumbnailsdrucken1");
  Einstellungen1 = menu("Einstellungen1");
  EinstellungenDiashow1 = makeAction(Einstellungen1, "EinstellungenDiashow1");
  Allgemein1 = makeAction(Einstellungen1, "Allgemein1");
  Hilfe1 = menu("Hilfe1");
  Hilfedatei1 = makeAction(Hilfe1, "Hilfedatei1");
  Update1 = makeAction(Hilfe1, "Update1");
  Info1 = makeAction(Hilfe1, "Info1");

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName("PopupMenu1");
  bersichtThumbnailsDrucken2 = makeAction(PopupMenu1, "bersichtThumbnailsDrucken2");

  connect(Hilfedatei1, &QAction::triggered, this, [this] { Hilfedatei1Click(); });
  connect(Programmbeenden1, &QAction::triggered, this, [this] { close(); });
}

void TMainForm::BuildControls() {
  BuildPages();
  BuildArchivePage();
  BuildSelectionPage();
  BuildProductionPage();
  BuildSlideshowPage();
  BuildGeneralPage();

  // The drive box offers the home folder and the mounted volumes; its data is the Drive value.
  for (const QString& d : AvailableDrives()) DriveComboBox1->addItem(DriveDisplayName(d), d);

  connect(FullscreenCheckBox, &QCheckBox::clicked, this, [this] { FullscreenCheckBoxClick(); });
  for (QRadioButton* r : {OFFRadioButton, ONRadioButton, RNDRadioButton})
    connect(r, &QRadioButton::clicked, this, [this] { OFFRadioButtonClick(); });
  // The effect box's preview waits until the choice has rested a moment (one key after the
  // other, or typing "30"): each change restarts the wait, so only the latest choice plays.
  FEffectPreviewTimer = new QTimer(this);
  FEffectPreviewTimer->setObjectName("EffectPreviewTimer");
  FEffectPreviewTimer->setSingleShot(true);
  FEffectPreviewTimer->setInterval(300);
  connect(FEffectPreviewTimer, &QTimer::timeout, this, [this] { PlayEffectPreview(); });
  connect(SpinEdit1, &QSpinBox::valueChanged, this, [this] { SpinEdit1Change(); });
  connect(ShowAgainButton, &QPushButton::clicked, this, [this] { PlayEffectPreview(); });
  connect(SpinEdit2, &QSpinBox::valueChanged, this, [this] { SpinEdit2Change(); });
  connect(DriveComboBox1, &QComboBox::currentIndexChanged, this, [this] { DriveComboBox1Change(); });
  connect(DriveComboBox1, &QComboBox::activated, this, [this] { FDriveChanged = true; });
  connect(TitleEdit, &QLineEdit::textChanged, this, [this] { TitleEditChange(); });
  connect(SecEdit, &QLineEdit::textChanged, this, [this] { SecEditChange(); });
  SetUpPictureSelection();
}

// The page control with its pages in their order, the status bar and the two preview timers.
void TMainForm::BuildPages() {
  PageControl1 = make<QTabWidget>(this, "PageControl1");
  setCentralWidget(PageControl1);
  TabSheet5 = make<QWidget>(nullptr, "TabSheet5");
  TabSheet1 = make<QWidget>(nullptr, "TabSheet1");
  TabSheet4 = make<QWidget>(nullptr, "TabSheet4");
  TabSheet3 = make<QWidget>(nullptr, "TabSheet3");
  TabSheet2 = make<QWidget>(nullptr, "TabSheet2");
  for (QWidget* page : {TabSheet5, TabSheet1, TabSheet4, TabSheet3, TabSheet2})
    PageControl1->addTab(page, page->objectName());

  StatusBar1 = make<QStatusBar>(this, "StatusBar1");
  setStatusBar(StatusBar1);
  PicProgressBar = make<QProgressBar>(this, "PicProgressBar");
  PicProgressBar->setRange(0, 100);
  StatusBar1->addPermanentWidget(PicProgressBar);
  Timer1 = make<QTimer>(nullptr, "Timer1");
  Timer1->setParent(this);
  Timer2 = make<QTimer>(nullptr, "Timer2");
  Timer2->setParent(this);
  for (QTimer* t : {Timer1, Timer2}) {
    t->setInterval(200);
    t->setSingleShot(true);
  }
}

// Archive list.
void TMainForm::BuildArchivePage() {
  auto* l = new QGridLayout(TabSheet5);
  OpenListBox = make<QListWidget>(TabSheet5, "OpenListBox");
  NewBitBtn = make<QPushButton>(TabSheet5, "NewBitBtn");
  Open1BitBtn = make<QPushButton>(TabSheet5, "Open1BitBtn");
  Delete1BitBtn = make<QPushButton>(TabSheet5, "Delete1BitBtn");
  BetrachterBitBtn = make<QPushButton>(TabSheet5, "BetrachterBitBtn");
  Image2 = make<QLabel>(TabSheet5, "Image2");
  l->addWidget(Image2, 0, 0, 1, 2);
  l->addWidget(OpenListBox, 1, 0, 5, 1);
  l->addWidget(NewBitBtn, 1, 1);
  l->addWidget(Open1BitBtn, 2, 1);
  l->addWidget(Delete1BitBtn, 3, 1);
  l->addWidget(BetrachterBitBtn, 4, 1);
  l->setRowStretch(5, 1);
  l->setColumnStretch(0, 1);
}

// Picture selection: the source list, the arrows, the slideshow list and the preview column.
void TMainForm::BuildSelectionPage() {
  auto* l = new QGridLayout(TabSheet1);
  OpenBitBtn = make<QPushButton>(TabSheet1, "OpenBitBtn");
  Label1 = make<QLabel>(TabSheet1, "Label1");
  FileListBox = make<MarkupListBoxControl>(TabSheet1, "FileListBox");
  FileListBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
  QVBoxLayout* arrows = BuildSelectionArrows();
  ListBoxPanel = make<QFrame>(TabSheet1, "ListBoxPanel");
  new QVBoxLayout(ListBoxPanel);
  ListBoxPanel->layout()->setContentsMargins(0, 0, 0, 0);
  DiashowLabel = make<QLabel>(TabSheet1, "DiashowLabel");
  QVBoxLayout* right = BuildPreviewLayout();
  PicImage3 = make<PicImageControl>(TabSheet1, "PicImage3");
  PicImage3->hide();
  l->addWidget(OpenBitBtn, 0, 0);
  l->addWidget(DiashowLabel, 0, 2);
  l->addWidget(Label1, 1, 0);
  l->addWidget(FileListBox, 2, 0);
  l->addLayout(arrows, 2, 1);
  l->addWidget(ListBoxPanel, 2, 2);
  // The preview column keeps one width and the two lists share the rest evenly, whatever
  // picture or text is shown.
  auto* rightColumn = new QWidget(TabSheet1);
  rightColumn->setObjectName("PreviewColumn");
  right->setContentsMargins(0, 0, 0, 0);
  rightColumn->setLayout(right);
  rightColumn->setFixedWidth(280);
  for (QWidget* w : {static_cast<QWidget*>(FileListBox), static_cast<QWidget*>(ListBoxPanel),
                     static_cast<QWidget*>(Label1), static_cast<QWidget*>(DiashowLabel)}) {
    QSizePolicy p = w->sizePolicy();
    p.setHorizontalPolicy(QSizePolicy::Ignored);
    w->setSizePolicy(p);
  }
  l->addWidget(rightColumn, 0, 3, 3, 1);
  l->setColumnStretch(0, 1);
  l->setColumnStretch(2, 1);
}

// The arrows between the two lists.
QVBoxLayout* TMainForm::BuildSelectionArrows() {
  auto* arrows = new QVBoxLayout;
  SpeedButton1 = make<QToolButton>(TabSheet1, "SpeedButton1");
  SpeedButton2 = make<QToolButton>(TabSheet1, "SpeedButton2");
  SpeedButton3 = make<QToolButton>(TabSheet1, "SpeedButton3");
  SpeedButton4 = make<QToolButton>(TabSheet1, "SpeedButton4");
  SpeedButton1->setText(">");
  SpeedButton2->setText(">>");
  SpeedButton3->setText("<");
  SpeedButton4->setText("<<");
  arrows->addStretch();
  for (QToolButton* b : {SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4}) arrows->addWidget(b);
  arrows->addStretch();
  return arrows;
}

// The preview with the picture tools, the caption and the viewer button under it.
QVBoxLayout* TMainForm::BuildPreviewLayout() {
  auto* right = new QVBoxLayout;
  Label5 = make<QLabel>(TabSheet1, "Label5");
  ViewPicImage = make<PicImageControl>(TabSheet1, "ViewPicImage");
  ViewPicImage->setMinimumSize(240, 180);
  {
    // Hidden while nothing is selected, the preview keeps its place: nothing below it moves.
    QSizePolicy keep = ViewPicImage->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    ViewPicImage->setSizePolicy(keep);
  }
  TextPanel = make<QFrame>(TabSheet1, "TextPanel");
  auto* tl = new QVBoxLayout(TextPanel);
  TextLabel = make<QLabel>(TextPanel, "TextLabel");
  TextEdit = make<QLineEdit>(TextPanel, "TextEdit");
  TextEdit->setMaxLength(58);
  tl->addWidget(TextLabel);
  tl->addWidget(TextEdit);
  TextPanel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  BildbearbeitungBitBtn = make<QPushButton>(TabSheet1, "BildbearbeitungBitBtn");
  Betrachter2BitBtn = make<QPushButton>(TabSheet1, "Betrachter2BitBtn");
  auto* tools = new QHBoxLayout;
  SpeedButton5 = make<QToolButton>(TabSheet1, "SpeedButton5");
  SpeedButton6 = make<QToolButton>(TabSheet1, "SpeedButton6");
  SpeedButton7 = make<QToolButton>(TabSheet1, "SpeedButton7");
  SpeedButton9 = make<QToolButton>(TabSheet1, "SpeedButton9");
  SpeedButton10 = make<QToolButton>(TabSheet1, "SpeedButton10");
  SpeedButton5->setText(QString::fromUtf8("\u21bb"));
  SpeedButton6->setText(QString::fromUtf8("\u21ba"));
  SpeedButton7->setText("180");
  SpeedButton9->setText(QString::fromUtf8("\u2194"));
  SpeedButton10->setText(QString::fromUtf8("\u2195"));
  for (QToolButton* b : {SpeedButton6, SpeedButton5, SpeedButton7, SpeedButton9, SpeedButton10}) {
    tools->addWidget(b);
    b->setEnabled(false);
  }
  BildbearbeitungBitBtn->setEnabled(false);
  right->addWidget(Label5);
  right->addWidget(ViewPicImage, 1);
  right->addLayout(tools);
  right->addWidget(BildbearbeitungBitBtn);
  right->addWidget(TextPanel);
  right->addWidget(Betrachter2BitBtn);
  return right;
}

// Production.
void TMainForm::BuildProductionPage() {
  auto* l = new QVBoxLayout(TabSheet4);
  DruckenBitBtn = make<QPushButton>(TabSheet4, "DruckenBitBtn");
  FotolaborBitBtn = make<QPushButton>(TabSheet4, "FotolaborBitBtn");
  l->addWidget(DruckenBitBtn);
  l->addWidget(FotolaborBitBtn);
  l->addStretch();
}

// Slideshow settings: six groups in a grid.
void TMainForm::BuildSlideshowPage() {
  auto* l = new QGridLayout(TabSheet3);
  BuildMusicGroup();
  BuildSecondsGroup();
  BuildPlaybackGroup();
  BuildColourGroup();
  BuildEffectGroup();
  BuildFinishGroup();
  l->addWidget(GroupBox2, 0, 0, 2, 1);
  l->addWidget(GroupBox3, 0, 1);
  l->addWidget(GroupBox4, 1, 1);
  l->addWidget(GroupBox7, 2, 0);
  l->addWidget(GroupBox5, 2, 1);
  l->addWidget(GroupBox8, 3, 0, 1, 2);
}

// The background music and its buttons.
void TMainForm::BuildMusicGroup() {
  GroupBox2 = make<QGroupBox>(TabSheet3, "GroupBox2");
  auto* g = new QGridLayout(GroupBox2);
  AudioListBox = make<QListWidget>(GroupBox2, "AudioListBox");
  OpenAudioBitBtn = make<QPushButton>(GroupBox2, "OpenAudioBitBtn");
  StartRipperBitBtn = make<QPushButton>(GroupBox2, "StartRipperBitBtn");
  InfoBitBtn = make<QPushButton>(GroupBox2, "InfoBitBtn");
  DeleteAudioBitBtn = make<QPushButton>(GroupBox2, "DeleteAudioBitBtn");
  PlayBitBtn = make<QPushButton>(GroupBox2, "PlayBitBtn");
  PauseBitBtn = make<QPushButton>(GroupBox2, "PauseBitBtn");
  StopBitBtn = make<QPushButton>(GroupBox2, "StopBitBtn");
  g->addWidget(AudioListBox, 0, 0, 7, 1);
  int row = 0;
  for (QPushButton* b : {OpenAudioBitBtn, StartRipperBitBtn, InfoBitBtn, DeleteAudioBitBtn, PlayBitBtn,
                         PauseBitBtn, StopBitBtn})
    g->addWidget(b, row++, 1);
}

// The seconds each picture shows.
void TMainForm::BuildSecondsGroup() {
  GroupBox3 = make<QGroupBox>(TabSheet3, "GroupBox3");
  auto* g = new QHBoxLayout(GroupBox3);
  Label8 = make<QLabel>(GroupBox3, "Label8");
  SecEdit = make<QLineEdit>(GroupBox3, "SecEdit");
  // Seconds only: a whole number, perhaps with a fraction the exit handler cuts off.
  SecEdit->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("[0-9]{0,4}([,.][0-9]{0,3})?")), SecEdit));
  Label7 = make<QLabel>(GroupBox3, "Label7");
  g->addWidget(Label8);
  g->addWidget(SecEdit);
  g->addWidget(Label7);
}

// How the player plays the slideshow.
void TMainForm::BuildPlaybackGroup() {
  GroupBox4 = make<QGroupBox>(TabSheet3, "GroupBox4");
  auto* g = new QVBoxLayout(GroupBox4);
  EndlessPlayCheckBox = make<QCheckBox>(GroupBox4, "EndlessPlayCheckBox");
  FullscreenCheckBox = make<QCheckBox>(GroupBox4, "FullscreenCheckBox");
  ManuellCheckBox = make<QCheckBox>(GroupBox4, "ManuellCheckBox");
  TextCheckBox = make<QCheckBox>(GroupBox4, "TextCheckBox");
  PictureNameCheckBox = make<QCheckBox>(GroupBox4, "PictureNameCheckBox");
  EndlessPlayCheckBox->setChecked(true);
  for (QCheckBox* c : {EndlessPlayCheckBox, FullscreenCheckBox, ManuellCheckBox, TextCheckBox, PictureNameCheckBox})
    g->addWidget(c);
}

// The colours and the caption's distance from the bottom.
void TMainForm::BuildColourGroup() {
  GroupBox7 = make<QGroupBox>(TabSheet3, "GroupBox7");
  auto* g = new QGridLayout(GroupBox7);
  TextcolorButton = make<QPushButton>(GroupBox7, "TextcolorButton");
  BKGColorButton = make<QPushButton>(GroupBox7, "BKGColorButton");
  TextColorPanel = make<QFrame>(GroupBox7, "TextColorPanel");
  BKGColorPanel = make<QFrame>(GroupBox7, "BKGColorPanel");
  for (QFrame* p : {TextColorPanel, BKGColorPanel}) {
    p->setFrameShape(QFrame::Box);
    p->setMinimumSize(40, 20);
    p->setAutoFillBackground(true);
  }
  TextOffsetLabel = make<QLabel>(GroupBox7, "TextOffsetLabel");
  SpinEdit2 = make<QSpinBox>(GroupBox7, "SpinEdit2");
  SpinEdit2->setRange(0, 750);
  g->addWidget(TextcolorButton, 0, 0);
  g->addWidget(TextColorPanel, 0, 1);
  g->addWidget(BKGColorButton, 1, 0);
  g->addWidget(BKGColorPanel, 1, 1);
  g->addWidget(TextOffsetLabel, 2, 0);
  g->addWidget(SpinEdit2, 2, 1);
}

// The transition effects and their preview.
void TMainForm::BuildEffectGroup() {
  GroupBox5 = make<QGroupBox>(TabSheet3, "GroupBox5");
  auto* g = new QGridLayout(GroupBox5);
  OFFRadioButton = make<QRadioButton>(GroupBox5, "OFFRadioButton");
  ONRadioButton = make<QRadioButton>(GroupBox5, "ONRadioButton");
  RNDRadioButton = make<QRadioButton>(GroupBox5, "RNDRadioButton");
  OFFRadioButton->setChecked(true);
  EffectPanel = make<QFrame>(GroupBox5, "EffectPanel");
  auto* e = new QHBoxLayout(EffectPanel);
  Label27 = make<QLabel>(EffectPanel, "Label27");
  SpinEdit1 = make<QSpinBox>(EffectPanel, "SpinEdit1");
  SpinEdit1->setRange(1, 1);
  ShowAgainButton = make<QPushButton>(EffectPanel, "ShowAgainButton");
  e->addWidget(Label27);
  e->addWidget(SpinEdit1);
  e->addWidget(ShowAgainButton);
  EffectPanel->hide();
  PicImage1 = make<PicImageControl>(GroupBox5, "PicImage1");
  PicImage1->setMinimumSize(160, 120);
  g->addWidget(OFFRadioButton, 0, 0);
  g->addWidget(ONRadioButton, 1, 0);
  g->addWidget(RNDRadioButton, 2, 0);
  g->addWidget(EffectPanel, 3, 0);
  g->addWidget(PicImage1, 0, 1, 4, 1);
}

// Making the slideshow or leaving the page.
void TMainForm::BuildFinishGroup() {
  GroupBox8 = make<QGroupBox>(TabSheet3, "GroupBox8");
  auto* g = new QHBoxLayout(GroupBox8);
  MakeDiashowBitBtn = make<QPushButton>(GroupBox8, "MakeDiashowBitBtn");
  AbbrechenBitBtn = make<QPushButton>(GroupBox8, "AbbrechenBitBtn");
  g->addWidget(MakeDiashowBitBtn);
  g->addWidget(AbbrechenBitBtn);
}

// General settings.
void TMainForm::BuildGeneralPage() {
  auto* l = new QVBoxLayout(TabSheet2);
  GroupBox1 = make<QGroupBox>(TabSheet2, "GroupBox1");
  auto* g = new QHBoxLayout(GroupBox1);
  DriveComboBox1 = make<QComboBox>(GroupBox1, "DriveComboBox1");
  PathButton = make<QPushButton>(GroupBox1, "PathButton");
  g->addWidget(DriveComboBox1, 1);
  g->addWidget(PathButton);
  TitleLabel = make<QLabel>(TabSheet2, "TitleLabel");
  TitleEdit = make<QLineEdit>(TabSheet2, "TitleEdit");
  TitleLabel->setBuddy(TitleEdit);
  TipsCheckBox = make<QCheckBox>(TabSheet2, "TipsCheckBox");
  PrintPreviewCheckBox = make<QCheckBox>(TabSheet2, "PrintPreviewCheckBox");
  Uebernehmen2BitBtn = make<QPushButton>(TabSheet2, "Uebernehmen2BitBtn");
  l->addWidget(GroupBox1);
  l->addWidget(TitleLabel);
  l->addWidget(TitleEdit);
  l->addWidget(TipsCheckBox);
  l->addWidget(PrintPreviewCheckBox);
  l->addWidget(Uebernehmen2BitBtn);
  l->addStretch();
}

void TMainForm::CreateDiashowListBox() {
  DiashowListBox = new MarkupListBoxControl(ListBoxPanel);
  DiashowListBox->setObjectName("DiashowListBox");
  ListBoxPanel->layout()->addWidget(DiashowListBox);
  DiashowListBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
  DiashowListBox->setDragEnabled(true);
  // Colours through the palette: a style sheet would reach the scroll bar and draw it
  // without a handle.
  DiashowListBox->SetColor(kalvora::clWhite);
  DiashowListBox->SetFontColor(kalvora::clBlack);
  // One line per picture: a long caption ends in an ellipsis rather than wrapping under the
  // thumbnail, where the item's height cuts it.
  DiashowListBox->SetEllipsis(true);
  QFont font("MS Sans Serif");
  font.setPixelSize(11);
  DiashowListBox->setFont(font);
  SetUpDiashowListBox();
}

void TMainForm::FreeDiashowListBox() {
  delete DiashowListBox;
  DiashowListBox = nullptr;
}

bool TMainForm::CreateShellLink(const QString& target, const QString& linkFile, const QString& description) {
  // A freedesktop launcher stands in for the shell shortcut.
  QString text = "[Desktop Entry]\nType=Application\n";
  text += "Name=" + desktopValue(description) + "\n";
  text += "Comment=" + desktopValue(description) + "\n";
  text += "Exec=" + desktopValue(execArgument(target)) + "\n";
  text += "Path=" + desktopValue(QFileInfo(target).path()) + "\n";
  text += "Terminal=false\n";
  if (!kalvora::WriteFileAtomic(linkFile, text.toUtf8())) return false;
  QFile::setPermissions(linkFile, QFile::permissions(linkFile) | QFile::ExeOwner | QFile::ExeUser);
  return true;
}

void TMainForm::SetTexts() {
  struct Entry {
    int id;
    const char* name;
    bool hint;
  };
  static const Entry table[] = {
      {515, "AbbrechenBitBtn", false}, {516, "MakeDiashowBitBtn", false}, {517, "BetrachterBitBtn", false},
      {517, "Betrachter2BitBtn", false}, {519, "NewBitBtn", false}, {520, "Open1BitBtn", false},
      {521, "Delete1BitBtn", false}, {522, "Diashow1", false}, {539, "CDfrFotolaborerstellen1", false},
      {524, "Hilfe1", false}, {525, "OpenDiashow1", false}, {526, "NewDiashow1", false},
      {527, "DeleteDiashow1", false}, {528, "Programmbeenden1", false}, {537, "Drucken1", false},
      {6209, "AlleDrucken1", false}, {6207, "AusgewhlteDrucken1", false}, {531, "Hilfedatei1", false},
      {533, "Update1", false}, {534, "Info1", false}, {535, "EinstellungenDiashow1", false},
      {536, "Allgemein1", false}, {584, "TabSheet5", false}, {585, "TabSheet1", false},
      {586, "TabSheet2", false}, {587, "TabSheet3", false}, {588, "TabSheet4", false},
      {589, "OpenBitBtn", true}, {590, "Label1", false}, {591, "OpenBitBtn", false},
      {592, "DiashowLabel", false}, {593, "Label5", false}, {596, "TextLabel", false},
      {599, "BildbearbeitungBitBtn", false}, {603, "SpeedButton6", true}, {604, "SpeedButton5", true},
      {605, "SpeedButton7", true}, {606, "SpeedButton9", true}, {607, "SpeedButton10", true},
      {608, "SpeedButton1", true}, {609, "SpeedButton2", true}, {610, "SpeedButton3", true},
      {611, "SpeedButton4", true}, {1002, "GroupBox2", false}, {1003, "OpenAudioBitBtn", false},
      {1004, "StartRipperBitBtn", false}, {1005, "InfoBitBtn", false}, {1006, "DeleteAudioBitBtn", false},
      {1008, "PlayBitBtn", false}, {1009, "PauseBitBtn", false}, {1010, "StopBitBtn", false},
      {1011, "AudioListBox", true}, {1101, "GroupBox3", false}, {1102, "Label8", false},
      {1103, "Label7", false}, {1200, "GroupBox8", false}, {1104, "GroupBox4", false},
      {1105, "EndlessPlayCheckBox", false}, {1106, "FullscreenCheckBox", false},
      {1107, "ManuellCheckBox", false}, {1108, "TextCheckBox", false}, {1109, "PictureNameCheckBox", false},
      {1110, "TipsCheckBox", false}, {1111, "TextcolorButton", false}, {1112, "BKGColorButton", false},
      {1113, "GroupBox7", false}, {1114, "TextOffsetLabel", false}, {1115, "GroupBox5", false},
      {1116, "OFFRadioButton", false}, {1117, "ONRadioButton", false}, {1118, "RNDRadioButton", false},
      {1119, "Label27", false}, {1120, "ShowAgainButton", false}, {1121, "GroupBox1", false},
      {1122, "PathButton", false}, {1800, "TitleLabel", false},
  };
  for (const Entry& e : table) {
    const QString text = GetLanguageText(e.id);
    QObject* o = findChild<QObject*>(QString::fromLatin1(e.name));
    if (!o) continue;
    if (e.hint) {
      if (auto* w = qobject_cast<QWidget*>(o)) w->setToolTip(text);
      else if (auto* a = qobject_cast<QAction*>(o)) a->setToolTip(text);
    } else if (auto* a = qobject_cast<QAction*>(o)) {
      a->setText(text);
    } else if (auto* m = qobject_cast<QMenu*>(o)) {
      m->setTitle(text);
    } else if (auto* g = qobject_cast<QGroupBox*>(o)) {
      g->setTitle(text);
    } else if (auto* b = qobject_cast<QAbstractButton*>(o)) {
      b->setText(text);
    } else if (auto* l = qobject_cast<QLabel*>(o)) {
      l->setText(text);
    } else if (auto* w = qobject_cast<QWidget*>(o); w && PageControl1->indexOf(w) >= 0) {
      PageControl1->setTabText(PageControl1->indexOf(w), text);
    }
  }
  // Texts of the menus and items that only this program has.
  Datei1->setTitle(GetLanguageText(540));
  Einstellungen1->setTitle(GetLanguageText(541));
  Import1->setText(GetLanguageText(542));
  Diashowerstellen1->setText(GetLanguageText(543));
  bersichtThumbnailsdrucken1->setText(GetLanguageText(544));
  bersichtThumbnailsDrucken2->setText(GetLanguageText(544));
  DruckenBitBtn->setText(GetLanguageText(545));
  FotolaborBitBtn->setText(GetLanguageText(546));
  PrintPreviewCheckBox->setText(GetLanguageText(547));
  Uebernehmen2BitBtn->setText(GetLanguageText(548));
}

void TMainForm::FormCreate() {
  CreateDiashowListBox();
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet3), false);
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet2), false);
  SetTexts();
  FFramesPerSecond = 25;
  FTransitionFrames = 12;
  PageControl1->setCurrentIndex(0);
  // Hints show at once and stay for ten seconds: Qt's tool tips need no set-up for that.
  for (QObject* m : {static_cast<QObject*>(Diashow1), static_cast<QObject*>(Drucken1)})
    qobject_cast<QMenu*>(m)->menuAction()->setEnabled(false);
  Import1->setEnabled(false);
  CDfrFotolaborerstellen1->setEnabled(false);
  EinstellungenDiashow1->setEnabled(false);

  FAppDir = kalvora::ProgramFolder();
  FTempPicFolder = FAppDir + "temppic/";
  QPixmap banner(FAppDir + "recom/" + BannerPictureName);
  if (!banner.isNull()) Image2->setPixmap(banner);

  const QString effects = FAppDir + "Effects.ini";
  if (!FEffectsList.loadFromFile(effects) || FEffectsList.isEmpty())
    FStartupProblems << problemText(10101, "Die Liste der Überblendeffekte fehlt oder ist leer:") + " " + effects;
  {
    const QSignalBlocker block(SpinEdit1);
    SpinEdit1->setRange(1, std::max(1, FEffectsList.count()));
  }

  LoadGeneratorSettings();
  QStringList copyFailures;
  PrepareFolders(copyFailures);
  PicProgressBar->hide();
  CopyPlayerFiles(copyFailures);
  if (!copyFailures.isEmpty()) {
    QStringList shown = copyFailures.mid(0, 20);
    if (copyFailures.size() > 20) shown << "...";
    FStartupProblems << problemText(10201, "Folgende Dateien konnten nicht kopiert werden:") + "\n" + shown.join("\n");
  }

  setWindowTitle(ProductName(CurrentLanguage()));
  auto paint = [](QFrame* panel, const QColor& c) {
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, c);
    panel->setPalette(p);
  };
  paint(BKGColorPanel, FBackgroundColor);
  paint(TextColorPanel, FTextColor);
  FPersonalFolder = withSlash(WindowsInfo().Personal);
  FillArchiveList();
  if (OpenListBox->count() > 0) OpenListBox->setCurrentRow(0);

  PageControl1->setCurrentIndex(1);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect r = screen->availableGeometry();
    setGeometry(0, 0, r.width(), std::max(200, r.height() - 27));
  }
  setWindowState(Qt::WindowMaximized);
  PageControl1->setCurrentIndex(0);
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet1), false);
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet4), false);
  ReportStartupProblems();
}

void TMainForm::PrepareFolders(QStringList& copyFailures) {
  // A drive that is no folder (a volume no longer mounted) falls back to the home folder.
  if (!DriveIsHome(FDrive) && !QFileInfo(FDrive).isDir()) {
    FStartupProblems << problemText(10102, "Das Laufwerk wurde nicht gefunden:") + " " + FDrive;
    FDrive.clear();
    SelectDrive(FDrive);
  }
  const QString root = DriveRootPath(FDrive);
  const bool english = LanguageIsEnglish();
  FArchiveRoot = root + (english ? "Pelmora/" : "Kalvora/");
  FVideoFolder = root + (english ? "DVD-Slideshow/" : "DVD-Diashow/");
  FExportFolder = root + "CDROM-Export/";
  FEncoderFolder = FVideoFolder + "encoder/";
  FScreensaverFolder =
      withSlash(WindowsInfo().Personal) + (english ? "Slideshow_Screensaver/" : "Diashow_Screensaver/");

  auto createFolder = [this](const QString& folder) {
    if (QFileInfo(folder).isDir()) return true;
    if (QDir().mkdir(folder)) return true;
    FStartupProblems << problemText(10100, "Ordner konnte nicht angelegt werden:") + " " + folder;
    return false;
  };
  for (const QString& f : {FAppDir + "thumbs/", FTempPicFolder, FVideoFolder, FEncoderFolder, FAppDir + "gallery"})
    createFolder(f);
  // The encoder modules of the sibling product: nothing of the kind to copy here.

  if (!QFileInfo(FArchiveRoot).exists()) {
    if (createFolder(FArchiveRoot)) {
      createFolder(FArchiveRoot + "del/");
      for (const char* sample : {"Archive_0001", "Archive_0002"}) {
        const QString target = FArchiveRoot + sample + "/";
        if (!createFolder(target)) continue;
        copyFolderFiles(FAppDir + "diashow/" + sample + "/", target, copyFailures);
        copyFile(FAppDir + "Bumble Bee - Tessaro.mp3", target + "Bumble Bee - Tessaro.mp3", copyFailures);
      }
    }
  }
}

void TMainForm::CopyPlayerFiles(QStringList& copyFailures) {
  if (!QFileInfo(FArchiveRoot).isDir()) return;
  const bool english = LanguageIsEnglish();
  const QString source = FAppDir + "diashow/";
  // The placeholder slideshow is refilled at every start; its folder may have been removed.
  if (!QFileInfo(FArchiveRoot + "del").isDir()) QDir().mkdir(FArchiveRoot + "del");
  copyFolderFiles(source + "del/", FArchiveRoot + "del/", copyFailures);
  copyFolderFiles(FAppDir + "encoder/", FEncoderFolder, copyFailures);

  const QString player = english ? QStringLiteral("Rondivo") : QStringLiteral("Slidoplay");
  const QString desktop = withSlash(WindowsInfo().Desktop);
  if (!WindowsInfo().Desktop.isEmpty() && QFileInfo(WindowsInfo().Desktop).isDir()) {
    CreateShellLink(FArchiveRoot + player, desktop + player + ".desktop", player);
    // A copy of the player itself on the desktop (left by older versions) goes.
    if (QFileInfo(desktop + "Slidoplay").isFile()) QFile::remove(desktop + "Slidoplay");
  }
  // A fresh home folder has no desktop folder; the desktop's application menu is always there,
  // so the player can be found again as the message after a production says.
  const QString menu = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
  if (!menu.isEmpty() && QDir().mkpath(menu))
    CreateShellLink(FArchiveRoot + player, menu + "/kalvora-" + player.toLower() + ".desktop", player);
  for (const char* picture : {"ENImage_PLAYER.jpg", "TessaroImage_PLAYER.jpg"})
    copyFile(FAppDir + "recom/" + picture, FArchiveRoot + picture, copyFailures);
  copyFile(source + (english ? "Slideshow-Autorun.inf" : "Autorun.inf"), FArchiveRoot + "Autorun.inf", copyFailures);
  copyFile(source + "Slidoplay", FArchiveRoot + player, copyFailures);
  for (const char* file : {"play.ply", "intro.ply", "Settings.ini"})
    copyFile(source + file, FArchiveRoot + file, copyFailures);
  // The player needs no library files beside it, only the transition list.
  copyFile(FAppDir + "Effects.ini", FArchiveRoot + "Effects.ini", copyFailures);

  kalvora::IniFile texts(FArchiveRoot + "Language.ini");
  kalvora::IniFile::Batch batch(texts);
  for (int id = 100001; id <= 100004; ++id)
    texts.writeString("PLAYER", QString::number(id), GetLanguageText(id));
  if (!batch.commit()) FStartupProblems << shellwin::SettingsNotSavedText(texts.fileName(), texts.lastFailure());
}

void TMainForm::ReportStartupProblems() {
  if (FStartupProblems.isEmpty()) return;
  kalvora::CurrentPrompter().message(kalvora::MsgKind::Warning, ProductName(CurrentLanguage()),
                                     FStartupProblems.join("\n"), kalvora::mbOk);
}

QString TMainForm::SlideshowFolder() const { return FArchiveRoot + FArchiveFolder + "/"; }

QString TMainForm::PlayerPath() const {
  return FArchiveRoot + (LanguageIsEnglish() ? "Rondivo" : "Slidoplay");
}

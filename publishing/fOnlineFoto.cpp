#include "fOnlineFoto.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPixmap>
#include <QVBoxLayout>

#include "FormButtons.h"
#include "Prompter.h"
#include "PublishingTexts.h"
#include "ShellConstants.h"
#include "ShellOpen.h"
#include "fMain.h"

TOnlineFotoForm* OnlineFotoForm = nullptr;

namespace {
QFrame* panel(QWidget* parent, const char* name) {
  auto* p = new QFrame(parent);
  p->setObjectName(name);
  p->setFrameShape(QFrame::StyledPanel);
  return p;
}

void inform(const QString& text) {
  kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, QString(), text, kalvora::mbOk);
}
}  // namespace

TOnlineFotoForm::TOnlineFotoForm(QWidget* parent) : TForm("OnlineFotoForm", parent) {
  setWindowTitle(PublishingText("Online Foto Entwicklung", "Online photo development"));
  resize(958, 671);
  auto* layout = new QVBoxLayout(this);
  Panel1 = panel(this, "Panel1");
  Panel1->setFixedHeight(41);
  auto* top = new QHBoxLayout(Panel1);
  top->setContentsMargins(0, 0, 0, 0);
  Image2 = new QLabel(Panel1);
  Image2->setObjectName("Image2");
  top->addWidget(Image2);
  layout->addWidget(Panel1);

  auto* middle = new QHBoxLayout;
  layout->addLayout(middle, 1);
  Panel2 = panel(this, "Panel2");
  Panel2->setFixedWidth(105);
  auto* left = new QVBoxLayout(Panel2);
  left->setContentsMargins(2, 2, 2, 2);
  FolderModel = new QFileSystemModel(this);
  FolderModel->setObjectName("FolderModel");
  FolderModel->setReadOnly(true);
  FolderView = new QListView(Panel2);
  FolderView->setObjectName("FolderView");
  FolderView->setModel(FolderModel);
  left->addWidget(FolderView);
  middle->addWidget(Panel2);

  Panel3 = panel(this, "Panel3");
  auto* right = new QVBoxLayout(Panel3);
  InfoLabel = new QLabel(Panel3);
  InfoLabel->setObjectName("InfoLabel");
  InfoLabel->setWordWrap(true);
  InfoLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  right->addWidget(InfoLabel, 1);
  OrderBitBtn = AddFormButton(this, right, "OrderBitBtn", PublishingText("Bestellseite öffnen", "Open the order page"));
  FolderBitBtn = AddFormButton(this, right, "FolderBitBtn", PublishingText("Exportordner öffnen", "Open the export folder"));
  middle->addWidget(Panel3, 1);

  CloseBitBtn = AddFormButton(this, layout, "CloseBitBtn", PublishingText("Schließen", "Close"), kalvora::mrOk);
  connect(OrderBitBtn, &QPushButton::clicked, this, [this] { OpenOrderPage(); });
  connect(FolderView, &QListView::activated, this, [this](const QModelIndex& i) { OpenFolderEntry(i); });
  connect(FolderBitBtn, &QPushButton::clicked, this, [this] {
    if (FExportFolder.isEmpty()) return;
    // Said also when the desktop's opener starts but finds no file manager.
    const QString folder = FExportFolder;
    const auto say = [folder] {
      inform(PublishingText("Der Ordner konnte nicht geöffnet werden:", "The folder could not be opened:") + "\n" +
             QDir::toNativeSeparators(folder));
    };
    if (!ShellOpenDocument(folder, say)) say();
  });
}

void TOnlineFotoForm::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  FormActivate();
}

void TOnlineFotoForm::FormActivate() {
  if (MainForm) {
    FExportFolder = MainForm->FExportFolder;
    if (Image2->pixmap().isNull()) {
      const QPixmap banner(MainForm->FAppDir + "recom/" + BannerPictureName);
      // The top panel is 41 pixels high: the banner fits in, not cut off at the bottom.
      if (!banner.isNull()) Image2->setPixmap(banner.scaledToHeight(Panel1->height() - 2 * Panel1->frameWidth(), Qt::SmoothTransformation));
    }
  }
  // The pictures lie in one folder per slideshow: show the export folder and its folders.
  // A folder that is not there would make the model show the working folder instead.
  const bool exists = !FExportFolder.isEmpty() && QDir(FExportFolder).exists();
  FolderView->setModel(exists ? FolderModel : nullptr);
  if (exists) ShowFolder(FExportFolder);
  if (!exists) {
    InfoLabel->setText(PublishingText("Der Exportordner ist noch leer:\n%1\n\nBitte exportieren Sie zuerst die Bilder, "
                                      "die entwickelt werden sollen.",
                                      "The export folder is still empty:\n%1\n\nPlease export the pictures to be "
                                      "developed first.")
                           .arg(QDir::toNativeSeparators(FExportFolder)));
    OpenOrderPage();
    return;
  }
  InfoLabel->setText(
      PublishingText("Ihre Bilder für die Entwicklung liegen im Exportordner:\n%1\n\nDie Bestellseite des Fotolabors "
                     "öffnet sich in Ihrem Browser. Laden Sie dort die Bilder aus diesem Ordner hoch.",
                     "Your pictures for developing are in the export folder:\n%1\n\nThe photo lab's order page opens "
                     "in your browser. Upload the pictures of this folder there.")
          .arg(QDir::toNativeSeparators(FExportFolder)));
  OpenOrderPage();
}

void TOnlineFotoForm::ShowFolder(const QString& folder) {
  const bool top = QDir(folder).canonicalPath() == QDir(FExportFolder).canonicalPath();
  FolderModel->setFilter(QDir::AllDirs | QDir::Files | (top ? QDir::NoDotAndDotDot : QDir::NoDot));
  FolderView->setRootIndex(FolderModel->setRootPath(QDir(folder).absolutePath()));
}

void TOnlineFotoForm::OpenFolderEntry(const QModelIndex& index) {
  if (!index.isValid() || FolderView->model() != FolderModel) return;
  const QString path = FolderModel->filePath(index);
  if (QFileInfo(path).fileName() == "..") {
    QDir up(FolderModel->rootPath());
    if (QDir(up).canonicalPath() != QDir(FExportFolder).canonicalPath() && up.cdUp()) ShowFolder(up.path());
    return;
  }
  if (QFileInfo(path).isDir()) {
    ShowFolder(path);
    return;
  }
  const auto say = [path] {
    inform(PublishingText("Die Datei konnte nicht geöffnet werden:", "The file could not be opened:") + "\n" +
           QDir::toNativeSeparators(path));
  };
  if (!ShellOpenDocument(path, say)) say();
}

bool TOnlineFotoForm::OpenOrderPage() {
  const auto say = [] {
    inform(PublishingText("Die Bestellseite konnte nicht im Browser geöffnet werden:",
                          "The order page could not be opened in the browser:") + "\n" + PhotoLabAddress);
  };
  // Said also when the desktop's opener starts but no browser comes up.
  if (ShellOpenDocument(PhotoLabAddress, say)) return true;
  say();
  return false;
}

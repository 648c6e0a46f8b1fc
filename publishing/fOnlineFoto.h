#pragma once
// The online photo-lab window: the pictures of the CD export folder beside the photo lab's
// ordering page. No browser is embedded: the ordering page opens in the desktop's browser.
#include <QFileSystemModel>
#include <QFrame>
#include <QLabel>
#include <QListView>
#include <QPushButton>

#include "Form.h"

// The photo lab's ordering page.
inline const QString PhotoLabAddress = QStringLiteral("https://www.kalvora.de/fotoservice/");

class TOnlineFotoForm : public TForm {
  Q_OBJECT
 public:
  explicit TOnlineFotoForm(QWidget* parent = nullptr);

  QFrame* Panel1 = nullptr;  // top: banner
  QLabel* Image2 = nullptr;
  QFrame* Panel2 = nullptr;  // left: the export folder
  QListView* FolderView = nullptr;
  QFileSystemModel* FolderModel = nullptr;
  QFrame* Panel3 = nullptr;  // the rest: the ordering page
  QLabel* InfoLabel = nullptr;
  QPushButton* OrderBitBtn = nullptr;  // opens the ordering page again
  QPushButton* FolderBitBtn = nullptr;  // opens the export folder in the file manager
  QPushButton* CloseBitBtn = nullptr;
  QString FExportFolder;  // shown folder, with trailing '/'

  void FormActivate();
  bool OpenOrderPage();
  // Like a file browser: a folder opens in the list, ".." goes back up (not above the export
  // folder), a picture opens in the desktop's viewer.
  void OpenFolderEntry(const QModelIndex& index);
  void ShowFolder(const QString& folder);

 protected:
  void showEvent(QShowEvent* event) override;
};

extern TOnlineFotoForm* OnlineFotoForm;

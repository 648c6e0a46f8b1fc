#pragma once
// The picture viewer: the pictures of one slideshow of the archive, one at a time.
#include <QFrame>
#include <QHash>
#include <QListWidget>
#include <QStatusBar>
#include <QToolButton>

#include "Form.h"

class TPicImage;

class TBetrachterForm : public TForm {
  Q_OBJECT
  Q_PROPERTY(int FPictureIndex MEMBER FPictureIndex)
 public:
  explicit TBetrachterForm(QWidget* parent = nullptr);

  int FPictureIndex = 0;
  // File name of the picture to show first (the one selected on the picture page); empty
  // starts at the first picture. Used once, then cleared.
  QString FStartPicture;

  QListWidget* PicturesListBox = nullptr;
  TPicImage* PicImage1 = nullptr;
  QFrame* Panel1 = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QToolButton* SpeedButton2 = nullptr;
  QToolButton* SpeedButton3 = nullptr;
  QToolButton* SpeedButton4 = nullptr;
  QToolButton* SpeedButton5 = nullptr;
  QStatusBar* StatusBar1 = nullptr;

  void FormActivate();
  void FormKeyDown(int key);
  void PicturesListBoxClick();
  void ShowNext();
  void ShowPrevious();
  void ZoomIn();
  void ZoomOut();

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QHash<QString, QString> captions_;
  void Zoom(int step);
  void LayoutButtons();
};

// Full paths of the pictures the viewer shows for a slideshow folder: its "*.jpg" files whose
// names do not contain "_THUMB", in the slideshow's order (Pictures.ini), then any others.
QStringList ViewerPictureList(const QString& folder);
// The captions of a slideshow folder's pictures by file name (decoded, as Pictures.ini has them).
QHash<QString, QString> ViewerCaptions(const QString& folder);

extern TBetrachterForm* BetrachterForm;

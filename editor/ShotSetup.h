#pragma once
// Set-up shared by the editor's screenshot tools.
#include <QImage>
#include <QString>

#include "PxFile.h"
#include "PxPaint.h"
#include "fBildbearbeitung.h"
#include "fSize.h"
#include "fVerschiebenTip.h"
#include "fZuschneidenTip.h"

namespace editorshot {

// The picture named on the command line, or else `sample()` saved as a JPEG in `folder`;
// empty when the sample cannot be written.
template <class MakeSample>
QString pictureToShow(int argc, char** argv, const QString& folder, MakeSample sample) {
  if (argc > 2) return QString::fromLocal8Bit(argv[2]);
  const QString picture = folder + "/Beispiel.jpg";
  px::Bitmap bmp;
  if (px::FromQImage(sample(), bmp) != 1 ||
      px::SaveBitmap(picture.toStdString(), bmp, px::kFormatJpeg422, 24, 2) != 1)
    return {};
  return picture;
}

// The editor's helper windows, alive for the whole run.
struct HelperWindows {
  HelperWindows() {
    SizeForm = new TSizeForm();
    ZuschneidenTipForm = new TZuschneidenTipForm();
    VerschiebenTipForm = new TVerschiebenTipForm();
  }
  ~HelperWindows() {
    delete SizeForm;
    delete ZuschneidenTipForm;
    delete VerschiebenTipForm;
  }
  HelperWindows(const HelperWindows&) = delete;
  HelperWindows& operator=(const HelperWindows&) = delete;
};

// Shows the editor on `picture` at its usual size, with its exchange files in `appFolder`.
inline void showEditor(TBildbeaerbeitungForm& editor, const QString& picture, const QString& appFolder) {
  editor.FPicturePath = picture;
  editor.FProgramFolder = appFolder;
  editor.resize(1016, 657);
  editor.show();
}

}  // namespace editorshot

// For scripts/screenshot-editor.sh: shows the editor on a picture (a generated sample when none
// is given), marks a print-format selection and saves a picture of the window.
//   kalvora_editor_shot <output.png> [picture]
#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <tuple>

#include "AppDir.h"
#include "ShotSetup.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: kalvora_editor_shot <output.png> [picture]\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  QTemporaryDir work;
  const QString picture = editorshot::pictureToShow(argc, argv, work.path(), [] { return editorshot::samplePicture(1600, 1200); });
  if (picture.isEmpty()) return 1;
  // The exchange files go to a folder of their own, never into the program folder.
  QDir().mkpath(work.path() + "/app");
  QFile(work.path() + "/app/NoZuschneidenTip.ini").open(QIODevice::WriteOnly);
  editorshot::HelperWindows helpers;
  TBildbeaerbeitungForm editor;
  editorshot::showEditor(editor, picture, work.path() + "/app/");
  int status = 1;
  QTimer::singleShot(800, [&] {
    // First the menu, then the print crop with a selection beside it.
    if (!editor.grab().save(out)) {
      app.quit();
      return;
    }
    editor.Image11Click();
    PicImageControl* v = editor.BildbViewPicImage;
    const QPoint from(v->DstLeft() + v->DstWidth() / 6, v->DstTop() + v->DstHeight() / 6);
    const QPoint to = from + QPoint(v->DstWidth() * 2 / 3, v->DstHeight() / 2);
    for (auto [type, p, buttons] : {std::tuple{QEvent::MouseButtonPress, from, Qt::LeftButton},
                                    std::tuple{QEvent::MouseMove, (from + to) / 2, Qt::LeftButton},
                                    std::tuple{QEvent::MouseMove, to, Qt::LeftButton},
                                    std::tuple{QEvent::MouseButtonRelease, to, Qt::LeftButton}}) {
      QMouseEvent e(type, QPointF(p), v->mapToGlobal(QPointF(p)), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::MouseButtons() : Qt::MouseButtons(buttons), Qt::NoModifier);
      QApplication::sendEvent(v, &e);
    }
    QTimer::singleShot(400, [&] {
      status = editor.grab().save(editorshot::withSuffix(out, "-zuschneiden")) ? 0 : 1;
      editor.Steps().Close();
      app.quit();
    });
  });
  app.exec();
  return status;
}

// For scripts/screenshot-effects.sh: opens the editor's painter-effects dialog on a sample
// picture (or the one given), chooses each of the 21 effects and saves a picture of the dialog
// for each (<name>-<n>.png), then the dialog with "Wirbel" as <name>.png.
//   kalvora_effects_shot <output.png> [picture]
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

#include "FxDrawImage.h"
#include "PainterEffectsF.h"
#include "ShotSetup.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: kalvora_effects_shot <output.png> [picture]\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  QTemporaryDir work;
  const QString picture = editorshot::pictureToShow(argc, argv, work.path(), [] { return editorshot::samplePicture(1200, 900); });
  if (picture.isEmpty()) return 1;
  QDir().mkpath(work.path() + "/app");
  editorshot::HelperWindows helpers;
  int status = 1;
  {
    TBildbeaerbeitungForm editor;
    editorshot::showEditor(editor, picture, work.path() + "/app/");
    auto* dlg = dynamic_cast<kalvora::TPainterEffectsF*>(editor.Art->EffectsDialog());
    if (!dlg) return 1;
    QTimer::singleShot(800, [&] {
      QTimer::singleShot(300, dlg, [&] {
        bool ok = true;
        for (int row = 0; row < dlg->ETree->topLevelItemCount(); ++row) {
          QTreeWidgetItem* item = dlg->ETree->topLevelItem(row);
          dlg->ETree->setCurrentItem(item);
          dlg->EListClick(item->data(0, Qt::UserRole).toInt());
          QApplication::processEvents();
          ok = dlg->grab().save(editorshot::withSuffix(out, QString("-%1").arg(row + 1, 2, 10, QChar('0')))) && ok;
        }
        QTreeWidgetItem* twist = dlg->ETree->topLevelItem(11);
        dlg->ETree->setCurrentItem(twist);
        dlg->EListClick(twist->data(0, Qt::UserRole).toInt());
        dlg->EBar->setValue(30);
        QApplication::processEvents();
        ok = dlg->grab().save(out) && ok;
        status = ok ? 0 : 1;
        dlg->AbortBitBtnClick();
      });
      editor.RunMenuDialog("Image17");
      editor.Steps().Close();
      app.quit();
    });
    app.exec();
  }
  return status;
}

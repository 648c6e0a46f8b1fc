// Run by the memory tests in a process of its own, so its peak memory is the step's alone:
//   shell_memory_child read <folder> <workers> <report>   the main window reads a source folder
//   shell_memory_child load <picture> <maxPages> <report>  a picture component loads a picture
// KALVORA_APPDIR and HOME come from the test. The report file gets one line per listed item
// ("item: name"), per message ("message: text", line breaks as " / ") and the seconds the step
// took ("seconds: s").
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <cstdio>

#include "DecodeAhead.h"
#include "Language.h"
#include "ListItems.h"
#include "PicErrCode.h"
#include "PicImageVCL.h"
#include "Prompter.h"
#include "ScriptedPrompter.h"
#include "fMain.h"

namespace {
QString oneLine(QString s) { return s.replace("\r\n", " / ").replace('\n', " / "); }
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 5 || (args[1] != "read" && args[1] != "load")) {
    std::fprintf(stderr, "usage: %s read <folder> <workers> <report> | load <picture> <maxPages> <report>\n", argv[0]);
    return 2;
  }
  QFile reportFile(args[4]);
  if (!reportFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 3;
  QTextStream report(&reportFile);
  kalvora::ScriptedPrompter prompter;
  kalvora::PrompterScope scope(prompter);
  QElapsedTimer clock;
  if (args[1] == "read") {
    DecodeAhead::SetWorkerCount(args[3].toInt());
    LoadLanguage();
    TMainForm form;
    QString folder = args[2];
    if (!folder.endsWith('/')) folder += '/';
    form.FSourceFolder = folder;
    clock.start();
    form.BilderEinlesen(folder);
    const double seconds = clock.nsecsElapsed() / 1e9;
    for (int i = 0; i < form.FileListBox->Count(); ++i) report << "item: " << ItemFileName(form.FileListBox->Item(i)) << "\n";
    for (const QString& m : prompter.messageTexts()) report << "message: " << oneLine(m) << "\n";
    report << "seconds: " << seconds << "\n";
  } else {
    TPicImage picture;
    picture.setObjectName("PicImage1");
    clock.start();
    try {
      picture.Load(args[2], 0, 1, args[3].toInt());
      report << "pages: " << picture.BitmapListCount() << "\n";
    } catch (const EPicException& e) {
      report << "message: " << oneLine(e.message()) << "\n";
    }
    report << "seconds: " << clock.nsecsElapsed() / 1e9 << "\n";
  }
  return 0;
}

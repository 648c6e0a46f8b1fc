// Shared set-up of the picture component fuzz targets: an offscreen application, made once,
// and px limits that keep a single input from allocating without bound.
#pragma once
#include <QApplication>
#include <cstdlib>

#include "PicImageVCL.h"

inline void FuzzPicImageApp() {
  static QApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    px::limits().maxPixels = 4 * 1000 * 1000;
    px::limits().maxPages = 64;
    return new QApplication(argc, argv);
  }();
  (void)app;
}

#pragma once
// One run of the gallery: the folder emptied and filled with two pictures per slideshow
// picture, the overview page, one page per picture and the style sheet. The window hands in
// what it read from the main window; the run itself asks nothing, it reports.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "GalleryPages.h"

class TPicImage;

namespace gallery {

struct Picture {
  QString path;      // full path of the picture file
  QString fileName;  // its name as listed (gives the web name)
  QString caption;
};

struct RunInput {
  QString galleryFolder;  // without trailing separator
  std::vector<Picture> pictures;
  QString title;
  QString language;
  Identity identity;
  Settings settings;
};

enum class RunStatus { Ok, NoPictures, FolderFailed, TemplateFailed, NothingConverted, PageFailed };

struct RunResult {
  RunStatus status = RunStatus::Ok;
  QStringList failedPictures;  // pictures that could not be converted (left out): path, else name
  QString detail;              // the path that failed for the folder and page statuses
  std::vector<PageEntry> entries;
};

// The design settings of the frame drawn around gallery pictures.
void SetUpFramePicture(TPicImage* pic);

class GalleryBuilder {
 public:
  // pic: the window's invisible picture component (set up with SetUpFramePicture).
  explicit GalleryBuilder(TPicImage* pic) : pic_(pic) {}

  std::function<void(int percent)> OnProgress;
  // Called while converting, between pictures (repaint, keep the window alive).
  std::function<void()> OnIdle;

  RunResult Run(const RunInput& in);

 private:
  // Writes the thumbnail and the picture of one source; false (and nothing left) on failure.
  bool ConvertPicture(const QString& source, const QString& folder, const QString& base, const Settings& s,
                      PageEntry& entry);
  void ScaleAndSave(int width, int w, int h, const Settings& s, const QString& dest);

  TPicImage* pic_;
};

}  // namespace gallery

#include "GalleryBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <stdexcept>

#include "FileOps.h"
#include "Generate.h"
#include "PicImageVCL.h"

namespace gallery {

void SetUpFramePicture(TPicImage* pic) {
  pic->SetShadowXDepth(4);
  pic->SetShadowYDepth(4);
  pic->SetShapeBorderStyle(sbrSolid);
  pic->SetShapeBorderThickness(1);
  pic->SetShapeBorderColor(0xC0C0C0);  // silver
  pic->SetShapeInnerBandStyle(sibRaised);
  pic->SetShapeInnerBandThickness(5);
  pic->SetShapeInnerBandShadowColor(0xFFFFFF);
  pic->SetShapeOuterBandStyle(sobNone);
  pic->SetShapeLeft(0);
  pic->SetShapeTop(0);
}

namespace {
// Each of red, green and blue times 0.9, rounded.
TColor darker(uint32_t c) {
  auto part = [&](int shift) { return uint32_t(RoundEven(((c >> shift) & 0xFF) * 0.9)) << shift; };
  return TColor(part(0) | part(8) | part(16));
}

bool writeTemplate(const QString& path, const QStringList& lines) {
  return kalvora::WriteFileAtomic(path, JoinLines(lines));
}
}  // namespace

void GalleryBuilder::ScaleAndSave(int width, int w, int h, const Settings& s, const QString& dest) {
  const int height = std::max(1, ScaledHeight(width, w, h));
  pic_->Size(width, height, 4);
  if (s.shapeVisible) {
    pic_->SetDrawPersistence(true);
    pic_->SetShapeWidth(width);
    pic_->SetShapeHeight(height);
    pic_->SetShadowColor(darker(s.bkgColor));
    pic_->DrawShape(2000, pic_->GetBitmap());
    pic_->SetAutoRepaint(true);
    // The two corners the drop shadow leaves uncovered take the page background.
    pic_->SetRgnRect(0, height - 4, 4, 4, 1);
    pic_->Fill(TColor(s.bkgColor));
    pic_->SetRgnRect(width - 4, 0, 4, 4, 1);
    pic_->Fill(TColor(s.bkgColor));
    pic_->FreeRgn();
  }
  pic_->Save(dest, 23, 24, 22, 0);
}

bool GalleryBuilder::ConvertPicture(const QString& source, const QString& folder, const QString& base,
                                    const Settings& s, PageEntry& entry) {
  const QString thumb = folder + "/" + base + "_thumb.jpg";
  const QString large = folder + "/" + base + ".jpg";
  try {
    // Decoding at a reduced scale is enough as long as the shorter side keeps the larger size.
    const int shorter = std::max(s.smallPicX, s.largePicX);
    pic_->SetLoadSizeHint(shorter, shorter);
    pic_->Load(source, 0, 1, 1);
    pic_->SetLoadSizeHint(0, 0);
    int w = pic_->InfoWidth(), h = pic_->InfoHeight();
    const int bw = pic_->BitmapWidth(), bh = pic_->BitmapHeight();
    if (w <= 0 || h <= 0) w = bw, h = bh;
    if ((bw > bh && w < h) || (bw < bh && w > h)) std::swap(w, h);  // shown turned
    const PictureWidths widths = MeasureWidths(w, h, s);
    if (widths.small <= 0 || widths.large <= 0) throw std::runtime_error("empty picture");
    px::Bitmap original;
    if (px::CopyBitmap(*pic_->GetBitmap(), original) != px::kOk) throw std::runtime_error("no memory");
    ScaleAndSave(widths.small, w, h, s, thumb);
    entry.thumbWidth = pic_->BitmapWidth();
    entry.thumbHeight = pic_->BitmapHeight();
    pic_->SetBitmap(&original);
    ScaleAndSave(widths.large, w, h, s, large);
    return true;
  } catch (const std::exception&) {
    pic_->SetLoadSizeHint(0, 0);
    QFile::remove(thumb);
    QFile::remove(large);
    return false;
  }
}

RunResult GalleryBuilder::Run(const RunInput& in) {
  RunResult r;
  if (in.pictures.empty()) {
    r.status = RunStatus::NoPictures;
    return r;
  }
  const QString folder = in.galleryFolder;
  if (!kalvora::ForceDirectories(folder)) {
    r.status = RunStatus::FolderFailed;
    r.detail = folder;
    return r;
  }
  // The templates live only for this run, in a folder of their own that always goes away.
  QTemporaryDir templates;
  if (!templates.isValid() ||
      !writeTemplate(templates.filePath("gallery.ht1"), GalleryHeader(in.language, in.identity, in.title)) ||
      !writeTemplate(templates.filePath("gallery.ht2"), GalleryFooter()) ||
      !writeTemplate(templates.filePath("einzel.ht1"), PageHeader(in.language, in.identity)) ||
      !writeTemplate(templates.filePath("einzel.ht2"), PageFooter())) {
    r.status = RunStatus::TemplateFailed;
    r.detail = templates.path();
    return r;
  }

  // Files of an earlier gallery never survive a new one.
  const QDir dir(folder);
  for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) QFile::remove(dir.filePath(name));

  QStringList names;
  for (const Picture& p : in.pictures) names << p.fileName;
  const QStringList bases = WebNames(names);
  const int count = int(in.pictures.size());
  for (int i = 0; i < count; ++i) {
    if (OnProgress) OnProgress(RoundEven(double(i + 1) / count * 100));
    PageEntry e;
    e.base = bases[i];
    e.caption = in.pictures[size_t(i)].caption;
    if (ConvertPicture(in.pictures[size_t(i)].path, folder, e.base, in.settings, e))
      r.entries.push_back(e);
    else
      r.failedPictures << (in.pictures[size_t(i)].path.isEmpty() ? in.pictures[size_t(i)].fileName
                                                                  : in.pictures[size_t(i)].path);
    if (OnIdle) OnIdle();
  }
  if (r.entries.empty()) {
    r.status = RunStatus::NothingConverted;
    return r;
  }

  TMake overview(templates.filePath("gallery"), folder + "/gallery.html");
  overview.FBody = OverviewBody(r.entries, in.settings);
  for (int i = 0; i < int(r.entries.size()); ++i) {
    TMake page(templates.filePath("einzel"), folder + "/" + r.entries[size_t(i)].base + ".html");
    page.FBody = PictureBody(r.entries, i, in.settings, in.language, in.title);
    if (!page.Make()) {
      r.status = RunStatus::PageFailed;
      r.detail = page.FOutFile;
      return r;
    }
  }
  if (!overview.Make()) {
    r.status = RunStatus::PageFailed;
    r.detail = overview.FOutFile;
    return r;
  }
  if (!kalvora::WriteFileAtomic(folder + "/layout.css",
                                JoinLines(CssLines(in.settings.textColor, in.settings.bkgColor)))) {
    r.status = RunStatus::PageFailed;
    r.detail = folder + "/layout.css";
  }
  return r;
}

}  // namespace gallery

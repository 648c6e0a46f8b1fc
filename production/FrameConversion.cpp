#include "FrameConversion.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QRadioButton>
#include <QSpinBox>
#include <cmath>

#include "BmpFile.h"
#include "FileOps.h"
#include "Language.h"
#include "PicImageVCL.h"
#include "PxFile.h"
#include "PxPaint.h"
#include "StringHelpers.h"
#include "StoredCaption.h"
#include "StringList.h"
#include "fCapture.h"
#include "fMain.h"

namespace {

// libjpeg quality 85 through the imaging library's quality factor.
constexpr int kQFactor85 = 12;

QString Pad(int n, int digits) { return QString("%1").arg(n, digits, 10, QChar('0')); }
std::string Native(const QString& path) { return std::string(QFile::encodeName(path).constData()); }
int Round(double v) { return int(std::nearbyint(v)); }

[[noreturn]] void WriteFailed(const QString& op, const QString& file, int status) {
  throw EPicImageError(QString("PicImage1 \nError code: %1\n%2: %3 %4").arg(status).arg(op, ErrorCodeText(status), file));
}

}  // namespace

QRect FitPictureToFrame(int w, int h, int fw, int fh) {
  w = std::max(1, w);
  h = std::max(1, h);
  int nw = w, nh = h;
  if (w > fw || h > fh) {
    // Compare the picture's aspect with the frame's, so a picture a little wider than tall on a
    // wider frame is fitted by its height instead of being cut at top and bottom.
    if (int64_t(w) * fh >= int64_t(h) * fw) {
      nw = fw;
      nh = Round(double(fw) * h / w);
    } else {
      nh = fh;
      nw = Round(double(fh) * w / h);
    }
  }
  nw = std::clamp(nw, 1, std::max(1, fw));
  nh = std::clamp(nh, 1, std::max(1, fh));
  return QRect((fw - nw) / 2, (fh - nh) / 2, nw, nh);
}

QSize VideoFrameSize(bool pal, const QString& mode) {
  const bool svcd = mode == "SVCD";
  if (pal) return svcd ? QSize(576, 480) : QSize(352, 288);
  return svcd ? QSize(480, 480) : QSize(352, 240);
}

QSize SvcdEncoderSize(bool pal) { return pal ? QSize(480, 576) : QSize(480, 480); }

void SplitPictureLine(const QString& line, QString& fileName, QString& caption) {
  const kalvora::PictureListEntry entry = kalvora::ReadPictureListLine(line);
  fileName = entry.name;
  caption = entry.caption;
}

QRect DrawFrameCaption(QPainter& p, const QSize& frame, int offset, const QString& caption, const QFont& fontIn,
                       const QColor& text, const QColor& back) {
  const int FW = frame.width(), FH = frame.height();
  QFont font = fontIn;
  QFontMetrics fm(font);
  const bool oneLine = !caption.contains(QLatin1Char('\n'));
  if (oneLine && fm.horizontalAdvance(caption) <= FW) {
    const int th = fm.height(), tw = fm.horizontalAdvance(caption);
    const QRect band(0, FH - th - offset, FW, th);
    p.fillRect(band, back);
    p.setFont(font);
    p.setPen(text);
    p.drawText(QRect((FW - tw) / 2, band.top(), tw, th), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption);
    return band;
  }
  constexpr int kMargin = 4;
  const int width = std::max(1, FW - 2 * kMargin);
  const int full = font.pixelSize() > 0 ? font.pixelSize() : 16;
  const int smallest = std::max(8, full * 2 / 3);
  auto fits = [&](const QFontMetrics& m) {
    for (const QString& l : caption.split(QLatin1Char('\n')))
      if (m.horizontalAdvance(l) > width) return false;
    return true;
  };
  for (int size = full; size >= smallest; --size) {
    font.setPixelSize(size);
    fm = QFontMetrics(font);
    if (fits(fm)) break;
  }
  const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
  const int height = std::min(FH, fm.boundingRect(QRect(0, 0, width, FH * 4), flags, caption).height());
  const int top = std::clamp(FH - height - offset, 0, std::max(0, FH - height));
  const QRect band(0, top, FW, height);
  p.fillRect(band, back);
  p.save();
  p.setClipRect(band);
  p.setFont(font);
  p.setPen(text);
  p.drawText(band.adjusted(kMargin, 0, -kMargin, 0), flags, caption);
  p.restore();
  return band;
}

double SecondsFromText(const QString& text) {
  QString t = text.trimmed();
  const int dot = t.indexOf('.');
  if (dot >= 0) t[dot] = ',';
  t.replace(',', '.');
  bool ok = false;
  const double v = t.toDouble(&ok);
  return ok && std::isfinite(v) && v > 0 ? v : 0.0;
}

TPictureConverter::TPictureConverter() = default;

TPictureConverter::~TPictureConverter() { delete ownPicture_; }

TPicImage& TPictureConverter::Picture() {
  if (PicImage1) return *PicImage1;
  if (!ownPicture_) {
    ownPicture_ = new TPicImage;
    ownPicture_->setObjectName("PicImage1");
  }
  return *ownPicture_;
}

void TPictureConverter::Log(const QString& s) const {
  if (WriteLog) WriteLog(s);
}

QString TPictureConverter::Text(int id, const char* german, const char* english) const {
  const QString t = GetLanguageText(id);
  if (!t.isEmpty()) return t;
  return QString::fromUtf8(Language == "GERMAN" ? german : english);
}

void TPictureConverter::TakeMainWindowSettings() {
  if (!MainForm) return;
  FArchiveRoot = MainForm->FArchiveRoot;
  FArchiveFolder = MainForm->FArchiveFolder;
  FEncoderFolder = MainForm->FEncoderFolder;
  FAppDir = MainForm->FAppDir;
  FBackgroundColor = MainForm->FBackgroundColor;
  FTextColor = MainForm->FTextColor;
  FTextOffset = MainForm->FTextOffset;
  FSecondsPerPicture = MainForm->FSecondsPerPicture;
  if (MainForm->TextCheckBox) Captions = MainForm->TextCheckBox->isChecked();
  if (MainForm->OFFRadioButton) TransitionsOff = MainForm->OFFRadioButton->isChecked();
  if (MainForm->SpinEdit1) EffectNumber = MainForm->SpinEdit1->value();
  Language = CurrentLanguage();
}

void TPictureConverter::SetFrameSize(bool pal, const QString& mode) {
  Pal = pal;
  Mode = mode;
  const QSize s = VideoFrameSize(pal, mode);
  FFrameWidth = s.width();
  FFrameHeight = s.height();
}

QFont TPictureConverter::CaptionFont() const {
  QFont f("Arial");
  f.setPixelSize(Mode == "SVCD" ? 24 : 16);  // 18 and 12 points at 96 dpi
  return f;
}

QString TPictureConverter::PictureListFile() const { return FArchiveRoot + FArchiveFolder + "/Pictures.ini"; }

QImage TPictureConverter::ClosingPicture() const {
  const bool german = Language == "GERMAN";
  QImage img = german ? TessaroImage : ENImage;
  if (img.isNull()) img.load(FAppDir + (german ? "recom/TessaroImage_VCD.jpg" : "recom/ENImage_VCD.jpg"));
  return img;
}

void TPictureConverter::ConvertPicture(const QString& sourceFile, const QString& targetBase) {
  const int FW = FFrameWidth, FH = FFrameHeight;
  QImage picture;
  QRect place;
  if (!sourceFile.isEmpty()) {
    TPicImage& pic = Picture();
    pic.SetPaintSizeMode(smFit);
    pic.RepaintImage();
    // A JPEG is decoded no larger than the frame needs (libjpeg-turbo's reduced decoding).
    px::FileInfo info;
    QRect hint;
    if (px::GetFileInfo(Native(sourceFile), info) == px::kOk && info.width > 0 && info.height > 0)
      hint = FitPictureToFrame(info.width, info.height, FW, FH);
    pic.SetLoadSizeHint(hint.width(), hint.height());
    struct HintReset {
      TPicImage& p;
      ~HintReset() { p.SetLoadSizeHint(0, 0); }
    } reset{pic};
    pic.Load(sourceFile, 0, 1, 1);
    const bool scaledDecode = hint.isValid() && (pic.BitmapWidth() != pic.InfoWidth() || pic.BitmapHeight() != pic.InfoHeight());
    const int W = scaledDecode ? pic.InfoWidth() : pic.BitmapWidth();
    const int H = scaledDecode ? pic.InfoHeight() : pic.BitmapHeight();
    place = FitPictureToFrame(W, H, FW, FH);
    // The component keeps showing the loaded picture; the frame takes an area-averaged copy.
    if (pic.BitmapWidth() != place.width() || pic.BitmapHeight() != place.height()) {
      px::Bitmap resized;
      const bool turned = px::IsTurnedPerspective(pic.Bitmap().viewPerspective);
      const int st = px::ResizeBitmap(pic.Bitmap(), resized, turned ? place.height() : place.width(),
                                      turned ? place.width() : place.height(), 2);
      if (st != px::kOk) WriteFailed("Size", sourceFile, st);
      picture = px::ToQImage(resized);
    } else {
      picture = px::ToQImage(pic.Bitmap());
    }
  }

  QImage frame(FW, FH, QImage::Format_RGB888);
  frame.fill(FBackgroundColor);
  lastBand_ = QRect();
  {
    QPainter p(&frame);
    if (!picture.isNull()) p.drawImage(place.topLeft(), picture);
    if (Captions)
      lastBand_ = DrawFrameCaption(p, QSize(FW, FH), FTextOffset, FPictureCaption, CaptionFont(), FTextColor,
                                   FBackgroundColor);
  }
  lastFrame_ = frame;
  lastPictureRect_ = picture.isNull() ? QRect() : place;

  if (HighQuality) {
    const QString target = targetBase + "_Key.jpg";
    px::Bitmap bmp;
    int st = px::FromQImage(frame, bmp);
    if (st == px::kOk) st = px::SaveBitmap(Native(target), bmp, px::kFormatJfif, 24, kQFactor85);
    if (st != px::kOk) WriteFailed("Save", target, st);
  } else {
    const QString target = targetBase + ".bmp";
    if (!SaveBmp24(frame, target)) WriteFailed("Save", target, px::kWriteError);
  }
  Log("     Bild konvertiert: " + QFileInfo(sourceFile).fileName() + "    NACH    encoder\\" +
      QFileInfo(targetBase).fileName());
  if (MemoAdd) MemoAdd(Text(12004, "Bild konvertiert:", "Picture converted:") + " " + QFileInfo(targetBase).fileName());
}

void TPictureConverter::ConvertPictures() {
  if (ShowMemo) ShowMemo(false);
  FPictureList.clear();
  kalvora::StringList list;
  list.loadFromFile(kalvora::ResolveNoCase(PictureListFile()));
  for (const QString& line : list.lines())
    if (!line.trimmed().isEmpty()) FPictureList << line;
  const QString prepare = Text(12005, "Bilder für das Video vorbereiten", "Preparing the pictures for the video");
  if (SetStatus) SetStatus(prepare);
  if (MemoAdd) MemoAdd(prepare);
  Log("START: Convert pictures for video");
  const QString folder = FArchiveRoot + FArchiveFolder + "/";
  auto aborted = [this] { return Aborted && Aborted(); };
  // Only the lines the main window lists become pictures; the others are named in the log.
  QStringList accepted;
  for (const QString& line : std::as_const(FPictureList)) {
    QString name, caption;
    SplitPictureLine(line, name, caption);
    if (kalvora::IsPlainFileName(name)) {
      accepted << line;
      continue;
    }
    const QString left = Text(12015, "Bild ausgelassen (nicht im Ordner der Diashow):", "Picture left out (not in the slideshow's folder):") +
                         " " + name;
    Log("     " + left);
    if (MemoAdd) MemoAdd(left);
  }
  FPictureList = accepted;
  const int N = int(FPictureList.size());
  pictureCount_ = N;
  for (int i = 1; i <= N; ++i) {
    if (aborted()) return;
    if (ProgressStep) ProgressStep();
    QString name, caption;
    SplitPictureLine(FPictureList[i - 1], name, caption);
    FPictureCaption = caption;
    if (SetStatus) SetStatus(QString("Convert pictures: Picture %1 of %2").arg(i).arg(N));
    try {
      ConvertPicture(kalvora::ResolveNoCase(folder + name), FEncoderFolder + "inp" + Pad(i, 4));
    } catch (const EPicImageError& e) {
      // The run ends on the failure path; the user learns which picture it was.
      throw EPicImageError(Text(12016, "Das Bild konnte nicht geladen werden:", "The picture could not be loaded:") + " " +
                           name + "\n" + e.message());
    }
  }

  // The closing slide: German gets TessaroImage, every other language ENImage.
  FPictureCaption.clear();
  const QImage closing = ClosingPicture();
  const QString temp = FEncoderFolder + "Temp.jpg";
  if (!closing.isNull() && closing.save(temp, "JPG", 95)) {
    ConvertPicture(temp, FEncoderFolder + "inp" + Pad(N + 1, 4));
  } else {
    ConvertPicture(QString(), FEncoderFolder + "inp" + Pad(N + 1, 4));
  }
  if (SetStatus) SetStatus("Calculate slides");
  if (Repaint) Repaint();

  if (HighQuality) {
    if (ShowPicture) ShowPicture(false);
    std::vector<int> grabs(size_t(N + 2), 0);
    if (!TransitionsOff) {
      for (int i = 1; i <= N; ++i) {
        if (aborted()) return;
        TCaptureJob job;
        job.FirstPicture = FEncoderFolder + "inp" + Pad(i, 4) + "_Key.jpg";
        job.SecondPicture = FEncoderFolder + "inp" + Pad(i + 1, 4) + "_Key.jpg";
        job.EffectNumber = EffectNumber;
        job.EffectsFile = FAppDir + "Effects.ini";
        job.FrameBaseName = FEncoderFolder + "inp" + Pad(i, 4);
        job.Beside = ProgressWindow;
        grabs[size_t(i)] = RunCapture ? RunCapture(job) : RunCaptureWindow(job);
        if (ProgressStep) ProgressStep();
        const QString s = QString("Calculate slides: Picture %1 of %2").arg(i).arg(N);
        if (SetStatus) SetStatus(s);
        Log(s);
        QCoreApplication::processEvents();
      }
    }
    QFile::remove(temp);

    // The display order is built from the numbers, not from sorted names: key frame 1, its
    // transition frames, key frame 2, ..., the closing slide last.
    struct Item {
      QString file;
      bool key;
    };
    std::vector<Item> order;
    for (int i = 1; i <= N + 1; ++i) {
      order.push_back({FEncoderFolder + "inp" + Pad(i, 4) + "_Key.jpg", true});
      for (int g = 1; i <= N && g <= grabs[size_t(i)]; ++g) {
        const QString f = FEncoderFolder + "inp" + Pad(i, 4) + Pad(g, 3) + ".jpg";
        if (QFile::exists(f)) order.push_back({f, false});
      }
    }
    if (ShowPicture) ShowPicture(true);
    const int M = int(order.size());
    const int count = std::max(1, Round(SecondsFromText(FSecondsPerPicture) * 25));
    QStringList repeat;
    for (int k = 0; k < M; ++k) {
      // The SVCD frames are resized one by one: an abort stops here too.
      if (aborted()) return;
      const QString name = "Test_" + Pad(k, 4) + ".jpg";
      const QString target = FEncoderFolder + name;
      if (order[size_t(k)].key) repeat << name + "*" + QString::number(k == M - 1 ? 100 : count);
      QFile::remove(target);
      if (!QFile::rename(order[size_t(k)].file, target)) WriteFailed("Rename", target, px::kWriteError);
      if (ShowMemo) ShowMemo(true);
      if (ShowPicture) ShowPicture(false);
      if (Mode == "SVCD") {
        const QString s = Text(12006, "Bild für SVCD anpassen", "Adjusting picture for SVCD") +
                          QString(" %1/%2").arg(k + 1).arg(M);
        if (MemoAdd) MemoAdd(s);
        if (SetStatus) SetStatus(s);
        if (Repaint) Repaint();
        const QSize size = SvcdEncoderSize(Pal);
        TPicImage& pic = Picture();
        pic.SetPaintSizeMode(smFit);
        pic.Load(target, 0, 1, 1);
        if (pic.BitmapWidth() != size.width() || pic.BitmapHeight() != size.height()) {
          pic.Size(size.width(), size.height(), 2);
          pic.Save(target, px::kFormatJpeg422, 24, 4, 0);
        }
      }
    }
    kalvora::StringList nno(repeat);
    if (!kalvora::WriteFileAtomic(FEncoderFolder + "Test_quantity.nno", nno.text().toUtf8()))
      WriteFailed("Save", FEncoderFolder + "Test_quantity.nno", px::kWriteError);
    if (ShowPicture) ShowPicture(true);
  }
  Log("FERTIG: Bilder für Video konvertieren");
  if (ShowMemo) ShowMemo(true);
}

int RunCaptureWindow(const TCaptureJob& job) {
  TCaptureForm form(MainForm);
  form.FirstPicture = job.FirstPicture;
  form.SecondPicture = job.SecondPicture;
  form.EffectNumber = job.EffectNumber;
  form.EffectsFile = job.EffectsFile;
  form.FrameBaseName = job.FrameBaseName;
  form.Beside = job.Beside;
  form.Render();
  if (!form.LoadError().isEmpty()) throw EPicImageError(form.LoadError());
  return form.FrameCount();
}

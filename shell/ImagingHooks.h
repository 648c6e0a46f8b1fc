#pragma once
// The steps of the shell that work on pictures through the picture component: thumbnails,
// loading a picture for a preview and converting a picture to a JPEG copy.
#include <QString>

#include "Placeholders.h"
#include "PxBitmap.h"
#include "PxDraw.h"
#include "PxFile.h"

// Width of a thumbnail `height` pixels high for a width x height picture: scaled by the same
// factor, a half rounded to the even neighbour, at least 1 pixel.
int ThumbnailWidth(int pictureWidth, int pictureHeight, int height);
// The stored frame settings of the thumbnail maker (3-D frame, drop shadow).
void SetUpThumbnailMaker(PicImageControl* maker);
// Makes a thumbnail of picture into thumbnail: height pixels high, framed, saved as JPEG 4:2:2
// quality 2 with the thumbnail maker. False when nothing was written (errors are swallowed).
bool MakeThumbnailFile(PicImageControl* maker, const QString& picture, const QString& thumbnail, int height);
// The same thumbnail from a picture a worker has decoded already (DecodeAhead.h).
struct DecodedPicture;
bool MakeThumbnailFromDecoded(PicImageControl* maker, const DecodedPicture& picture, const QString& thumbnail,
                              int height);
// The frame the thumbnail maker draws, as plain values a worker can draw with; taken from the
// maker on the main thread. Not usable when the maker draws anything a worker cannot repeat.
struct ThumbnailFrame {
  px::ShapeStyle style;
  bool usable = false;
};
ThumbnailFrame ThumbnailFrameOf(PicImageControl* maker);
// Scales, frames and saves a decoded picture (info: the file's own size) as MakeThumbnailFile
// does with the maker, byte for byte, without the component; safe on any thread. 1 when
// written; 0 when the picture is one the maker paints through a copy (left untouched for the
// maker); otherwise the failure, with nothing written.
int FinishThumbnailOnWorker(px::Bitmap& bitmap, const px::FileInfo& info, const ThumbnailFrame& frame,
                            const QString& thumbnail, int height);
// Loads a picture into a picture component (whole picture, first page). False on failure.
bool LoadPictureInto(PicImageControl* picture, const QString& path);
// Loads the first page of picture into the component and saves it as a JPEG 4:2:2 copy of
// quality 2 (the other pages of a multi-page file are never decoded).
// Raises the component's EPicImageError when loading or saving fails.
void ConvertToJpeg(PicImageControl* picture, const QString& source, const QString& target);
// The same copy without a picture component (the same bytes), safe on any thread; 1 when written.
// With a turn, the pixels it decodes are taken from the turn's budget first and given back when
// it returns (PixelBudget.h).
class BudgetTurn;
int ConvertToJpegFile(const QString& source, const QString& target, BudgetTurn* turn = nullptr);

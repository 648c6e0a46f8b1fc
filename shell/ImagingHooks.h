#pragma once
// IMAGING HOOKS: the few steps of the shell that need the picture component. Until it lands
// they do nothing and report failure, so that the shell's own logic runs and can be tested.
#include <QString>

#include "Placeholders.h"

// Makes a thumbnail of picture into thumbnail: height pixels high, framed, saved as JPEG 4:2:2
// quality 2 with the thumbnail maker. False when nothing was written.
bool MakeThumbnailFile(PicImageControl* maker, const QString& picture, const QString& thumbnail, int height);
// Loads a picture into a picture component (whole picture, first page). False on failure.
bool LoadPictureInto(PicImageControl* picture, const QString& path);

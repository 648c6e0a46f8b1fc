#include "ImagingHooks.h"

bool MakeThumbnailFile(PicImageControl*, const QString&, const QString&, int) { return false; }

bool LoadPictureInto(PicImageControl*, const QString&) { return false; }

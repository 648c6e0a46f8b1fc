#pragma once
// Names of thumbnail files and of the converted copies of source pictures.
#include <QString>

// The cache thumbnail of a source picture in the program folder's "thumbs/": the picture's full
// path made into a file name (TMainForm::MakeDosName) plus a short checksum of the exact path,
// so two paths that give the same name (blank and "_", "(" and "x") never share a thumbnail.
// Where that passes 255 bytes, the end of the made name and a full hash of the path.
QString CacheThumbnailName(const QString& picturePath);
// The plain thumbnail of a slideshow picture: "_THUMB_" + file name. Where that passes 255
// bytes, "_THUMB_", the start of the file name and a hash of it, as the cache names do.
QString SlideshowThumbnailName(const QString& fileName);
// The numbered thumbnail made after an edit: "_THUMB_" + n + file name (hashed like the plain
// one where too long). It can look like the plain thumbnail of a picture named n + file name;
// the caller picks an n that no file holds.
QString NumberedThumbnailName(int n, const QString& fileName);
// The picture a thumbnail file names ("" when the name is no thumbnail name): the rest behind
// "_THUMB_" (for a hashed name, a name no picture has). oldNumbered tells whether it has the form "_THUMB" + n + "_" + name that earlier
// versions made after an edit (then the picture is the name behind the number).
QString ThumbnailPictureName(const QString& thumbnailName, bool* oldNumbered = nullptr);
// The JPEG copies a source picture is converted to ("x.bmp" gives "x_bmp.jpg"): one for each of
// ".TIF", ".GIF", ".JPEG", ".BMP" and ".PNG" found in the upper-cased name, in that order.
QStringList ConvertedCopyNames(const QString& fileName);
// True when a file in a source folder counts as a picture: not hidden, and listed (".JPG" in
// the upper-cased name) or converted.
bool IsSourcePictureName(const QString& fileName);
// True when a file name is one of those converted copies.
bool IsConvertedCopyName(const QString& fileName);
// A file name usable in the slideshow folder and in Pictures.ini: "|" and line breaks become
// "_", and a name that would look like a thumbnail gets a leading "P".
QString SlideshowPictureName(const QString& fileName);

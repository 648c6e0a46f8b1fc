#pragma once
// The editor's files: the exchange files in the program folder, the writer every editor file
// goes through and the format a picture is written back in.
//
// Every write replaces its file whole (FileOps.h): a failure never leaves half a file, and an
// existing file stays as it was.
#include <QByteArray>
#include <QString>

#include "PxBitmap.h"

namespace editor {

// Names inside the program folder (fixed: other windows read them).
inline const QString WorkingCopyName = QStringLiteral("Temp.jpg");
inline const QString DialogResultName = QStringLiteral("Temp.bmp");
QString SnapshotName(int n);  // "UNDO_" + n + ".jpg", n from 1

// Encodes a bitmap as a picture file in memory; the px status (1 = done).
int EncodePicture(const px::Bitmap& bmp, int format, int bits, int qfactor, QByteArray& out);

// Writes bytes to path whole (kalvora::WriteFileAtomic). On failure returns false and, when error
// is given, a message for the user that names the file and the reason.
bool WriteFileAtomic(const QString& path, const QByteArray& bytes, QString* error = nullptr);
// Copies a file whole over target (false when the source cannot be read or target written).
bool CopyFileAtomic(const QString& source, const QString& target, QString* error = nullptr);

// How a picture is written back to its own file: the format its extension names (JPEG stays
// JPEG, PNG, BMP and TIFF stay lossless, GIF stays GIF with a palette made from the edited
// picture); a name without a known extension keeps the format the file was read in when that
// can be written, else JPEG.
struct SaveFormat {
  int format = 23;
  int bits = 24;
  int qfactor = 2;
};
SaveFormat SaveBackFormat(const QString& path, int loadedFormat, int bitmapBits);

}  // namespace editor

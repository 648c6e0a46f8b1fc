#pragma once
#include <QString>

// The program's own names, by language ("GERMAN" or "ENGLISH").
QString ProductName(const QString& language);
// The folder of slideshow number n under the archive root: "Archive_" and n padded with "0"
// to four digits ("Archive_0001"; more digits above 9999).
QString ArchiveFolderName(int n);
inline const QString HelpFileName = QStringLiteral("help.html");          // in FAppDir + "help/"
inline const QString BannerPictureName = QStringLiteral("m_program.jpg");  // in FAppDir + "recom/"

// Names of the Exif orientation values 1 to 8 (index 0 is value 1).
inline const char* const ExifOrientationNames[8] = {
    "Normal", "Mirrored", "Rotated 180", "Rotated 180, mirrored", "Rotated 90 left, mirrored",
    "Rotated 90 right", "Rotated 90 right, mirrored", "Rotated 90 left"};

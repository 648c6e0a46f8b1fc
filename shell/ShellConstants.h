#pragma once
#include <QString>

// The program's own names, by language ("GERMAN" or "ENGLISH").
QString ProductName(const QString& language);
inline const QString HelpFileName = QStringLiteral("help.html");          // in FAppDir + "help/"
inline const QString BannerPictureName = QStringLiteral("m_program.jpg");  // in FAppDir + "recom/"

// Names of the Exif orientation values 1 to 8 (index 0 is value 1).
inline const char* const ExifOrientationNames[8] = {
    "Normal", "Mirrored", "Rotated 180", "Rotated 180, mirrored", "Rotated 90 left, mirrored",
    "Rotated 90 right", "Rotated 90 right, mirrored", "Rotated 90 left"};

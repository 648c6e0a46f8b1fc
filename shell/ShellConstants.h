#pragma once
#include <QString>

// The program's own names, by language ("GERMAN" or "ENGLISH").
QString ProductName(const QString& language);
inline const QString HelpFileName = QStringLiteral("help.html");          // in FAppDir + "help/"
inline const QString BannerPictureName = QStringLiteral("m_program.jpg");  // in FAppDir + "recom/"

#pragma once
// Pictures of the program folder's "recom/" that only the publishing windows show.
#include <QString>

// The tall banner beside the web page and upload windows (the wide one would double their width).
inline const QString SideBannerPictureName = QStringLiteral("m_side.jpg");

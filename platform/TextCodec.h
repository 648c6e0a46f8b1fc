#pragma once
// Decoding of text files: UTF-8 where the bytes are valid UTF-8, Windows-1252 otherwise
// (slideshows, lists and settings stored in Windows-1252 still open), line by line.
#include <QByteArray>
#include <QString>

namespace kalvora {

bool IsValidUtf8(const QByteArray& bytes);
QString DecodeWindows1252(const QByteArray& bytes);
// Each line (up to and with its CR or LF) as UTF-8 when it is valid UTF-8, else as Windows-1252;
// a leading byte-order mark is dropped. No line is ever lost for its encoding.
QString DecodeText(const QByteArray& bytes);

}  // namespace kalvora

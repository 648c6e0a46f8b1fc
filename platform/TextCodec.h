#pragma once
// Decoding of text files: UTF-8 where the bytes are valid UTF-8, Windows-1252 otherwise
// (files written by the Windows version of the program are in that code page).
#include <QByteArray>
#include <QString>

namespace kalvora {

bool IsValidUtf8(const QByteArray& bytes);
QString DecodeWindows1252(const QByteArray& bytes);
// UTF-8 (a leading byte-order mark is dropped) when valid, else Windows-1252.
QString DecodeText(const QByteArray& bytes);

}  // namespace kalvora

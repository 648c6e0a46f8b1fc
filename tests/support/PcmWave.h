#pragma once
// The 44-byte header of a plain PCM RIFF WAVE file, for the sound files tests and benchmarks
// make; written field by field here so that the program's own wave code is not its own oracle.
#include <QByteArray>

namespace testsupport {

inline QByteArray PcmWaveHeader(int rate, int channels, int bits, quint32 dataBytes) {
  QByteArray out;
  auto u32 = [&](quint32 v) { for (int i = 0; i < 4; ++i) out.append(char((v >> (8 * i)) & 0xFF)); };
  auto u16 = [&](quint16 v) { out.append(char(v & 0xFF)); out.append(char(v >> 8)); };
  const int block = channels * bits / 8;
  out += "RIFF";
  u32(36 + dataBytes);
  out += "WAVEfmt ";
  u32(16);
  u16(1);  // PCM
  u16(quint16(channels));
  u32(quint32(rate));
  u32(quint32(rate * block));
  u16(quint16(block));
  u16(quint16(bits));
  out += "data";
  u32(dataBytes);
  return out;
}

}  // namespace testsupport

#pragma once
// The chunk structure of a RIFF WAVE file: its "fmt " chunk as a WAVEFORMATEX and where its
// "data" chunk lies. Every size is checked against the file, so a damaged or hostile header
// gives a message instead of a read past the data.
#include <QByteArray>
#include <QString>

#include "ByteSource.h"

namespace kalvora::audio {

// Format tags read or written by the program.
enum : quint16 {
  WAVE_FORMAT_PCM = 1,
  WAVE_FORMAT_ADPCM = 2,
  WAVE_FORMAT_IEEE_FLOAT = 3,
  WAVE_FORMAT_ALAW = 6,
  WAVE_FORMAT_MULAW = 7,
  WAVE_FORMAT_IMA_ADPCM = 0x11,
  WAVE_FORMAT_GSM610 = 0x31,
  WAVE_FORMAT_MPEGLAYER3 = 85,
  WAVE_FORMAT_EXTENSIBLE = 0xFFFE,
};

// WAVEFORMATEX: 18 bytes, then cbSize extra bytes.
struct WaveFormat {
  quint16 formatTag = 0;
  quint16 channels = 0;
  quint32 samplesPerSec = 0;
  quint32 avgBytesPerSec = 0;
  quint16 blockAlign = 0;
  quint16 bitsPerSample = 0;
  QByteArray extra;  // cbSize bytes

  // The 18 + cbSize bytes as stored in a "fmt " chunk.
  QByteArray bytes() const;
  // 16-bit PCM of the given rate and channels.
  static WaveFormat pcm16(quint32 rate, quint16 channels);
};

struct WaveLayout {
  WaveFormat format;
  quint32 riffSize = 0;     // as the RIFF header says
  quint32 fmtSize = 0;      // size of the "fmt " chunk
  qint64 dataOffset = 0;    // file offset of the first sample byte
  qint64 dataSize = 0;      // bytes of the "data" chunk
  qint64 frames() const { return format.blockAlign ? dataSize / format.blockAlign : 0; }
};

// Reads the headers; an empty result on success, else the English message of the fault
// ("Not a wave file!", "Couldn't find 'data' chunk!", ...). The data chunk must lie inside
// the file; the RIFF size may be wrong (it is bounded by the file's size).
QString ReadWaveLayout(ByteSource& source, WaveLayout& layout);

}  // namespace kalvora::audio

#pragma once
// Examines an MP3 file without decoding it: skips the ID3v2 tag, finds the first genuine
// frame header, reads a Xing or VBRI header and derives version, layer, bit rate, sample
// rate, channel mode, frame count, duration and a guess at the encoder.
#include <QByteArray>
#include <QString>

#include "ByteSource.h"
#include "ID3v1.h"
#include "ID3v2.h"

namespace kalvora::audio {

struct VBRData {
  bool Found = false;
  QByteArray ID;  // "Xing" or "VBRI"
  quint32 Frames = 0;
  quint32 Bytes = 0;
  quint8 Scale = 0;
  QByteArray VendorID;  // 8 bytes, Xing headers only
};

struct FrameData {
  bool Found = false;
  qint64 Position = 0;  // of the first header, counted from the end of the ID3v2 tag
  quint16 Size = 0;
  bool Xing = false;
  quint8 Data[4] = {0, 0, 0, 0};
  quint8 VersionID = 1;
  quint8 LayerID = 0;
  bool ProtectionBit = false;
  quint16 BitRateID = 0;
  quint16 SampleRateID = 3;
  bool PaddingBit = false;
  bool PrivateBit = false;
  quint8 ModeID = 4;
  quint8 ModeExtensionID = 4;
  bool CopyrightBit = false;
  bool OriginalBit = false;
  quint8 EmphasisID = 2;
};

class TMPEGaudio {
 public:
  TMPEGaudio() { ResetData(); }
  void ResetData();
  // True when the file could be read, whether or not a frame was found.
  bool ReadFromFile(const QString& fileName);
  bool Read(ByteSource& source);

  qint64 FileLength() const { return FFileLength; }
  const VBRData& VBR() const { return FVBR; }
  const FrameData& Frame() const { return FFrame; }
  const TID3v1& ID3v1() const { return FID3v1; }
  const TID3v2& ID3v2() const { return FID3v2; }
  bool WaveHeader() const { return FWaveHeader; }
  QString Version() const;
  QString Layer() const;
  // kbit/s; the average for VBR files (may lie outside 16 bits for hostile VBR headers).
  int BitRate() const;
  int SampleRate() const;
  QString ChannelMode() const;
  QString Emphasis() const;
  qint64 Frames() const;
  double Duration() const;
  int EncoderID() const;
  QString Encoder() const;
  bool Valid() const;

  // The header test and the frame length of the tables, for single headers.
  static bool IsFrameHeader(const uchar* b);
  static int FrameLength(const FrameData& frame);

  static constexpr int MaxFrameLength = 1729;
  static constexpr int BufferSize = 2 * MaxFrameLength;

 private:
  bool findFrame(const QByteArray& buffer);
  int coefficient() const;
  int padding() const;
  int tableBitRate() const;

  qint64 FFileLength = 0;
  bool FWaveHeader = false;
  VBRData FVBR;
  FrameData FFrame;
  TID3v1 FID3v1;
  TID3v2 FID3v2;
};

}  // namespace kalvora::audio

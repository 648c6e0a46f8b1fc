#include "MPEGaudio.h"

#include <cmath>
#include <cstring>

namespace kalvora::audio {

namespace {
// [VersionID][LayerID][BitRateID] in kbit/s; MPEG 2.5 uses the MPEG 2 rows.
constexpr int kMpeg1[4][16] = {
    {0},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}};
constexpr int kMpeg2[4][16] = {
    {0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0}};
constexpr int kSampleRates[4][4] = {
    {11025, 12000, 8000, 0}, {0, 0, 0, 0}, {22050, 24000, 16000, 0}, {44100, 48000, 32000, 0}};
const char* const kVersions[4] = {"MPEG 2.5", "MPEG ?", "MPEG 2", "MPEG 1"};
const char* const kLayers[4] = {"Layer ?", "Layer III", "Layer II", "Layer I"};
const char* const kModes[5] = {"Stereo", "Joint Stereo", "Dual Channel", "Mono", "Unknown"};
const char* const kEmphasis[4] = {"None", "50/15 ms", "Unknown", "CCIT J.17"};
const char* const kEncoders[7] = {"Unknown", "Xing", "FhG", "LAME", "Blade", "GoGo", "Shine"};

int tableRate(const FrameData& f) {
  if (f.VersionID > 3 || f.LayerID > 3 || f.BitRateID > 15) return 0;
  return f.VersionID == 3 ? kMpeg1[f.LayerID][f.BitRateID]
                          : f.VersionID == 1 ? 0 : kMpeg2[f.LayerID][f.BitRateID];
}
int tableSampleRate(const FrameData& f) {
  return f.VersionID <= 3 && f.SampleRateID <= 3 ? kSampleRates[f.VersionID][f.SampleRateID] : 0;
}
int coefficientOf(const FrameData& f) {
  if (f.VersionID == 3) return f.LayerID == 3 ? 48 : 144;
  return f.LayerID == 3 ? 24 : 72;
}
int paddingOf(const FrameData& f) { return f.PaddingBit ? (f.LayerID == 3 ? 4 : 1) : 0; }

void decode(const uchar* b, FrameData& f) {
  memcpy(f.Data, b, 4);
  f.VersionID = (b[1] >> 3) & 3;
  f.LayerID = (b[1] >> 1) & 3;
  f.ProtectionBit = (b[1] & 1) == 0;
  f.BitRateID = b[2] >> 4;
  f.SampleRateID = (b[2] >> 2) & 3;
  f.PaddingBit = (b[2] >> 1) & 1;
  f.PrivateBit = b[2] & 1;
  f.ModeID = b[3] >> 6;
  f.ModeExtensionID = (b[3] >> 4) & 3;
  f.CopyrightBit = (b[3] >> 3) & 1;
  f.OriginalBit = (b[3] >> 2) & 1;
  f.EmphasisID = b[3] & 3;
}

quint32 be32(const uchar* p) {
  return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}
}  // namespace

bool TMPEGaudio::IsFrameHeader(const uchar* b) {
  return b[0] == 0xFF && (b[1] & 0xE0) == 0xE0 && ((b[1] >> 3) & 3) != 1 && ((b[1] >> 1) & 3) != 0 &&
         (b[2] >> 4) != 0 && (b[2] >> 4) != 15 && ((b[2] >> 2) & 3) != 3 && (b[3] & 3) != 2;
}

int TMPEGaudio::FrameLength(const FrameData& f) {
  const int rate = tableSampleRate(f);
  if (rate == 0) return 0;
  return int(qint64(coefficientOf(f)) * tableRate(f) * 1000 / rate) + paddingOf(f);
}

void TMPEGaudio::ResetData() {
  FFileLength = 0;
  FWaveHeader = false;
  FVBR = VBRData();
  FFrame = FrameData();
  FID3v1.ResetData();
  FID3v2.ResetData();
}

bool TMPEGaudio::ReadFromFile(const QString& fileName) {
  FileSource src(fileName);
  if (!src.isOpen()) {
    ResetData();
    return false;
  }
  return Read(src);
}

bool TMPEGaudio::Read(ByteSource& src) {
  ResetData();
  if (!FID3v1.Read(src) || !FID3v2.Read(src)) return false;
  FFileLength = src.size();
  const qint64 s = FID3v2.Size();
  QByteArray buffer = src.read(s, BufferSize);
  if (buffer.isEmpty() && FFileLength > s) return false;
  // The bytes where a RIFF wrapper would name its form, as the buffer holds them.
  FWaveHeader = s + 12 <= buffer.size() && memcmp(buffer.constData() + s + 8, "WAVE", 4) == 0;
  bool found = findFrame(buffer);
  if (!found && buffer.size() == BufferSize) {
    buffer = src.read((FFileLength - s) / 2, BufferSize);
    found = findFrame(buffer);
  }
  if (!found) ResetData();  // every result reads "unknown"
  return true;
}

bool TMPEGaudio::findFrame(const QByteArray& buffer) {
  const auto* b = reinterpret_cast<const uchar*>(buffer.constData());
  const qint64 n = buffer.size();
  for (qint64 i = 0; i < MaxFrameLength && i + 4 <= n; ++i) {
    if (!IsFrameHeader(b + i)) continue;
    FrameData f;
    decode(b + i, f);
    const int length = FrameLength(f);
    if (length <= 0 || i + length + 4 > n || !IsFrameHeader(b + i + length)) continue;
    f.Found = true;
    f.Position = i;
    f.Size = quint16(length);
    f.Xing = i + 10 <= n && memcmp(b + i + 4, "\0\0\0\0\0\0", 6) == 0;
    FFrame = f;
    // The VBR header sits behind the side information.
    int offset;
    if (f.VersionID == 3)
      offset = f.ModeID != 3 ? 36 : 21;
    else
      offset = f.ModeID != 3 ? 21 : 13;
    const qint64 v = i + offset;
    auto byteAt = [&](qint64 p) -> uchar { return p >= 0 && p < n ? b[p] : 0; };
    auto be32At = [&](qint64 p) {
      const uchar q[4] = {byteAt(p), byteAt(p + 1), byteAt(p + 2), byteAt(p + 3)};
      return be32(q);
    };
    FVBR = VBRData();
    if (v + 4 <= n && memcmp(b + v, "Xing", 4) == 0) {
      FVBR.Found = true;
      FVBR.ID = "Xing";
      FVBR.Frames = be32At(v + 8);
      FVBR.Bytes = be32At(v + 12);
      FVBR.Scale = byteAt(v + 119);
      for (int k = 0; k < 8; ++k) FVBR.VendorID.append(char(byteAt(v + 120 + k)));
    } else if (v + 4 <= n && memcmp(b + v, "VBRI", 4) == 0) {
      FVBR.Found = true;
      FVBR.ID = "VBRI";
      FVBR.Scale = byteAt(v + 9);
      FVBR.Bytes = be32At(v + 10);
      FVBR.Frames = be32At(v + 14);
    }
    return true;
  }
  return false;
}

int TMPEGaudio::coefficient() const { return coefficientOf(FFrame); }
int TMPEGaudio::padding() const { return paddingOf(FFrame); }
int TMPEGaudio::tableBitRate() const { return tableRate(FFrame); }

QString TMPEGaudio::Version() const { return kVersions[FFrame.VersionID & 3]; }
QString TMPEGaudio::Layer() const { return kLayers[FFrame.LayerID & 3]; }
QString TMPEGaudio::ChannelMode() const { return kModes[FFrame.ModeID <= 4 ? FFrame.ModeID : 4]; }
QString TMPEGaudio::Emphasis() const { return kEmphasis[FFrame.EmphasisID & 3]; }
int TMPEGaudio::SampleRate() const { return tableSampleRate(FFrame); }

int TMPEGaudio::BitRate() const {
  if (FVBR.Found && FVBR.Frames > 0) {
    const int rate = SampleRate();
    if (rate == 0) return 0;
    const double kbit = ((double(FVBR.Bytes) / FVBR.Frames) - padding()) * rate / coefficient() / 1000.0;
    // Counts of a hostile header give rates far outside any table; they stay visible as such.
    if (kbit > 1e6) return 1000000;
    if (kbit < -1e6) return -1000000;
    return int(std::nearbyint(kbit));
  }
  return tableBitRate();
}

qint64 TMPEGaudio::Frames() const {
  if (!FFrame.Found) return 0;
  if (FVBR.Found) return FVBR.Frames;
  const int length = FrameLength(FFrame);
  if (length <= 0) return 0;
  return (FFileLength - FID3v2.Size() - FFrame.Position) / length;
}

double TMPEGaudio::Duration() const {
  if (!FFrame.Found) return 0;
  const int rate = SampleRate();
  if (FVBR.Found && FVBR.Frames >= 1) return rate ? double(coefficient()) * FVBR.Frames * 8 / rate : 0;
  const int bitRate = tableBitRate();
  if (bitRate == 0) return 0;
  return double(FFileLength - FID3v2.Size() - FFrame.Position) * 8 / bitRate / 1000;
}

int TMPEGaudio::EncoderID() const {
  if (!FFrame.Found) return 0;
  if (FVBR.Found) {
    int id = 0;
    const QByteArray vendor = FVBR.VendorID.left(4);
    if (vendor == "LAME")
      id = 3;
    else if (vendor == "GOGO" || vendor == "MPGE")
      id = 5;
    else if (FVBR.ID == "Xing")
      id = 1;
    if (FVBR.ID == "VBRI") id = 2;
    return id;
  }
  const FrameData& f = FFrame;
  int id = 0;
  if (f.OriginalBit && f.ProtectionBit) id = 3;
  if (f.ModeID == 1 && !f.CopyrightBit && !f.OriginalBit) id = 2;
  if (tableBitRate() <= 112 && f.ModeID == 0) id = 4;
  if (f.CopyrightBit && f.OriginalBit && !f.ProtectionBit) id = 1;
  if (f.Xing && f.OriginalBit) id = 1;
  if (FWaveHeader) id = 2;
  if (f.ModeID == 2 && f.ProtectionBit) id = 6;
  return id;
}

QString TMPEGaudio::Encoder() const {
  const int id = EncoderID();
  QString name = kEncoders[id];
  if (FVBR.Found && id == 3 && FVBR.VendorID.size() >= 8) {
    const QByteArray v = FVBR.VendorID.mid(4, 4);
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (digit(v[0]) && v[1] == '.' && digit(v[2]) && digit(v[3])) name += " " + QString::fromLatin1(v);
  }
  return name;
}

bool TMPEGaudio::Valid() const {
  const int rate = BitRate();
  return FFrame.Found && rate >= 8 && rate <= 448 && Duration() >= 0.1;
}

}  // namespace kalvora::audio

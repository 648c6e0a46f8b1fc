#pragma once
// RIFF WAVE files read and written chunk by chunk, all positions and counts in sample frames,
// and a reader that delivers any WAVE stream as PCM (compressed formats decoded through
// libavcodec to 16-bit PCM).
#include <QFile>
#include <QString>
#include <memory>
#include <stdexcept>

#include "WaveHeader.h"

// Every fault of the wave classes; the message is a fixed English text.
class EWaveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using kalvora::audio::WaveFormat;

class TWaveStream {
 public:
  // Without a format the stream reads the headers and stands at the first sample; with one it
  // writes a RIFF WAVE header of that format and an empty "data" chunk.
  TWaveStream(QIODevice* handle, const WaveFormat* format);
  virtual ~TWaveStream();
  TWaveStream(const TWaveStream&) = delete;
  TWaveStream& operator=(const TWaveStream&) = delete;

  // Count and result in sample frames.
  virtual qint64 Read(void* buffer, qint64 count);
  // Origin 0: from the first sample, 1: from the current position, 2: from the end of the data.
  virtual qint64 Seek(qint64 offset, int origin);
  virtual qint64 Write(const void* buffer, qint64 count);
  void SetPosition(qint64 frame) { Seek(frame, 0); }

  // Completes the chunk sizes of a written file and flushes it; raises on failure. The
  // destructor does the same but cannot report.
  void Close();

  const WaveFormat& Format() const { return FFormat; }
  qint64 Length() const { return FLength; }
  qint64 DataOffset() const { return FDataOffset; }
  bool Writing() const { return FWriting; }

  // The data chunk may hold at most this many bytes (its size is a 32-bit field).
  static qint64 MaxDataBytes(const WaveFormat& format);

 protected:
  WaveFormat FFormat;
  qint64 FDataOffset = 0;
  qint64 FLength = 0;
  QIODevice* FHandle = nullptr;

 private:
  qint64 FDataBytes = 0;  // size of the data chunk
  bool FWriting = false;
  bool FClosed = false;
};

// Holds the file of a TFileWaveStream, so it exists before the stream's base reads it.
struct TWaveFileHolder {
  std::unique_ptr<QFile> FFile;
};

class TFileWaveStream : private TWaveFileHolder, public TWaveStream {
 public:
  // Opens FileName read-only (no format) or creates it (with a format).
  TFileWaveStream(const QString& fileName, const WaveFormat* format);
  ~TFileWaveStream() override;

 private:
  static QIODevice* open(std::unique_ptr<QFile>& file, const QString& fileName, bool write);
};

class TPCMWaveReader {
 public:
  // With force16 a PCM source of 8, 24 or 32 bits is delivered as 16-bit PCM too; without,
  // PCM passes through unchanged.
  explicit TPCMWaveReader(TWaveStream* stream, bool force16 = false);
  ~TPCMWaveReader();
  TPCMWaveReader(const TPCMWaveReader&) = delete;
  TPCMWaveReader& operator=(const TPCMWaveReader&) = delete;

  qint64 Position() const { return FPosition; }
  void SetPosition(qint64 value);
  qint64 Length() const { return FLength; }
  const WaveFormat& Format() const { return FFormat; }
  qint64 SamplesPerBlock() const { return FSamplesPerBlock; }
  // Count and result in PCM sample frames.
  qint64 Read(void* buffer, qint64 count);

 private:
  struct Decoder;
  void convertBlock(qint64 block);

  qint64 FPosition = 0;
  TWaveStream* FStream;
  qint64 FLength = 0;
  int FBufferLength = 20000;
  WaveFormat FFormat;
  QByteArray FSrcBuffer;
  qint64 FSrcBlocks = 1;
  QByteArray FDstBuffer;
  qint64 FPCMBufferSamples = 0;
  qint64 FSamplesPerBlock = 1;
  qint64 FPCMBufferSamplePos = 0;
  qint64 FNextBlock = -1;  // the block that continues the last conversion
  std::unique_ptr<Decoder> FDecoder;
};

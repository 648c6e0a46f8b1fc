#pragma once
// The RIFF side of the AVI writer: an uncompressed video stream ("00db", bottom-up 24-bit
// DIB rows) and an optional audio stream ("01wb", the WAV's own format) into one file.
//
// Up to the segment limit (1 GiB) the file is plain AVI 1.0 with an "idx1" index. A file that
// will grow past it is written in the OpenDML form: the first RIFF "AVI " segment carries the
// headers, a super index ("indx") per stream, "odml"/"dmlh" with the total frame count, its
// movi list and the legacy "idx1"; every further segment is a RIFF "AVIX" with its own movi
// list; every segment ends its movi list with a standard index per stream ("ix00", "ix01").
// All positions are 64-bit; no RIFF segment reaches 2 GiB.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <vector>

namespace avi {

struct VideoFormat {
  int width = 0;
  int height = 0;
  int frameTimeMs = 1000;  // scale; the rate is 1000
  int64_t frameCount = 0;
};

struct AudioFormat {
  QByteArray waveFormat;  // WAVEFORMATEX with its cbSize (at least 18 bytes)
  uint32_t avgBytesPerSec = 0;
  uint16_t blockAlign = 0;
  int64_t dataBytes = 0;
};

// Bytes of one frame: rows of width x 3 bytes padded to 4.
int64_t FrameBytes(int width, int height);

class Muxer {
 public:
  // The size at which a segment closes; the file goes OpenDML when it would pass it.
  static constexpr int64_t kSegmentLimit = int64_t(1) << 30;

  ~Muxer();
  // Creates the file and writes the headers. segmentLimit: see kSegmentLimit (tests lower it).
  bool open(const QString& path, const VideoFormat& video, const AudioFormat* audio, int64_t segmentLimit);
  bool writeVideo(const char* data, int64_t size);
  bool writeAudio(const char* data, int64_t size);
  // Writes the indexes and the final headers and closes the file.
  bool finish();
  // Closes and leaves the file as it is (the caller deletes it).
  void abandon();
  bool openDml() const { return odml_; }
  int segmentCount() const { return int(segments_ + 1); }

 private:
  struct Entry {
    int64_t pos;  // absolute position of the chunk header
    uint32_t size;
  };
  struct SuperEntry {
    int64_t pos;
    uint32_t size;
    uint32_t duration;
  };
  bool writeChunk(int stream, const char* data, int64_t size);
  bool closeSegment();
  bool startSegment();
  QByteArray header() const;
  bool put(const QByteArray& b);
  bool patch32(int64_t pos, uint32_t v);

  QFile file_;
  VideoFormat video_;
  AudioFormat audio_;
  bool hasAudio_ = false;
  bool odml_ = false;
  int64_t limit_ = kSegmentLimit;
  int superCapacity_ = 0;
  int64_t segments_ = 0;
  int64_t segStart_ = 0;    // position of "RIFF"
  int64_t moviTag_ = 0;     // position of the "movi" type of the current movi list
  int64_t firstFrames_ = 0; // frames in the first segment
  uint32_t firstRiffSize_ = 0;
  uint32_t firstMoviSize_ = 0;
  int64_t headerSize_ = 0;
  int64_t framesWritten_ = 0;
  int64_t audioWritten_ = 0;
  uint32_t maxAudioChunk_ = 0;
  std::vector<Entry> seg_[2];              // entries of the current segment per stream
  std::vector<SuperEntry> super_[2];
  struct Idx1Entry {
    int stream;
    int64_t pos;
    uint32_t size;
  };
  std::vector<Idx1Entry> idx1_;             // the first segment's chunks, in file order
};

}  // namespace avi

#pragma once
// The MPEG encoder layer with the two entry points of the old encoder module:
//   OpenMPDX(&folder, &outputName)  remembers the work folder and the output file,
//   EncodeMPDX()                    encodes and returns when the file is written.
// It reads the work folder's "Test_NNNN.jpg" frames in numeric order, each shown as many
// 1/25 s frames as "Test_quantity.nno" says (once without a line), and "Input.wav", and writes
// a VCD program stream (MPEG-1 352x288 or 352x240, 1150 kbit/s, MP2 224 kbit/s) or, when the
// output name ends in "_SVCD.mpg", an SVCD one (MPEG-2 480x576 or 480x480). The first frame's
// height tells PAL (25 fps) from NTSC (30000/1001 fps); NTSC keeps every picture's seconds.
// The sound is cut or padded to the video's length. The file is written under a temporary name
// and renamed; a failure or an abort leaves nothing behind.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

namespace kalvora::mpeg {

enum class EncodeStatus { Idle, Opened, Running, Done, Failed, Aborted };

struct EncodeResult {
  EncodeStatus Status = EncodeStatus::Idle;
  QString ErrorText;         // German, for the log and the user
  int64_t VideoFrames = 0;   // frames written at the output rate
  int64_t AudioSamples = 0;  // samples per channel written (whole MP2 frames)
};

// One frame of the repeat plan: a file and how many 1/25 s frames it stays.
struct PlanEntry {
  QString File;
  int64_t Count25 = 1;
};

// The frames of a work folder in numeric order with their repeat counts; only names of the form
// "Test_" + digits + ".jpg" count.
QList<PlanEntry> ReadFramePlan(const QString& folder);

// Output frames of a plan at the rate num/den, each picture keeping its seconds: the index of
// the plan entry shown by every output frame.
std::vector<int> RetimePlan(const QList<PlanEntry>& plan, int rateNum, int rateDen);

class MpegEncoder {
 public:
  // Called once per encoded frame with (done, total); false asks to stop.
  std::function<bool(int64_t done, int64_t total)> Progress;

  void Open(const QString& folder, const QString& outputName);
  EncodeResult Encode();
  const EncodeResult& Result() const { return result_; }

 private:
  QString folder_, output_;
  EncodeResult result_;
};

}  // namespace kalvora::mpeg

// The module's two entry points. Each argument is the address of a variable holding a pointer
// to a zero-terminated 8-bit (UTF-8) string.
extern "C" void OpenMPDX(const char* const* folder, const char* const* outputName);
extern "C" void EncodeMPDX();

// What the last EncodeMPDX did, and a progress/abort hook for the next one.
const kalvora::mpeg::EncodeResult& MPDXResult();
void SetMPDXProgress(std::function<bool(int64_t done, int64_t total)> progress);

// The WAV and MP3 header reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "AudioProbe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  for (const AudioInfo& info : {ProbeWaveData(bytes, bytes.size()), ProbeMp3Data(bytes)}) {
    // A file is either read with its rate and channels, or refused with a reason.
    if (info.ok == info.sampleRate.isEmpty() || info.ok == info.channelMode.isEmpty()) std::terminate();
    if (info.ok != info.error.isEmpty()) std::terminate();
  }
  return 0;
}

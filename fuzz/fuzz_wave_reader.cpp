// The wave stream and PCM reader on arbitrary bytes: a file is read to its end as 16-bit PCM
// or refused with a message, never read past its bytes.
#include <QBuffer>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "waveio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  av_log_set_level(AV_LOG_QUIET);
  QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  QBuffer device(&bytes);
  device.open(QIODevice::ReadOnly);
  try {
    TWaveStream stream(&device, nullptr);
    if (stream.Length() * stream.Format().blockAlign > qint64(size)) std::terminate();
    for (bool force16 : {false, true}) {
      TPCMWaveReader reader(&stream, force16);
      const WaveFormat& f = reader.Format();
      if (f.blockAlign == 0) std::terminate();
      std::vector<char> buffer(size_t(4000) * f.blockAlign);
      // Bounded work: compressed formats may expand many times over.
      qint64 total = 0;
      for (int i = 0; i < 50; ++i) {
        const qint64 n = reader.Read(buffer.data(), 4000);
        if (n < 0 || n > 4000) std::terminate();
        if (n == 0) break;
        total += n;
      }
      if (total > reader.Length()) std::terminate();
      if (reader.Length() > 0) reader.SetPosition(reader.Length() / 2);
      reader.Read(buffer.data(), 10);
    }
  } catch (const EWaveError&) {
    // Refused with its message.
  }
  return 0;
}

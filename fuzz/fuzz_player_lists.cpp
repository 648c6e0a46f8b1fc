// The player's readers of stored lines on arbitrary bytes: Pictures.ini lines (name check and
// caption decoding) and Effects.ini lines; refused names stay refused and decoding never
// makes a caption longer.
#include <cstddef>
#include <cstdint>

#include "PlayerFiles.h"
#include "Show.h"
#include "StoredCaption.h"
#include "StringList.h"
#include "TextCodec.h"
#include "Transition.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = kalvora::DecodeText(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  for (const QString& line : kalvora::SplitLines(text)) {
    const kalvora::PictureListEntry entry = kalvora::ReadPictureListLine(line);
    const QString& name = entry.name;
    if (kalvora::player::IsSafePictureName(name) && (name.contains('/') || name.contains('\\') || name == ".."))
      __builtin_trap();
    if (name.size() + entry.caption.size() > line.size()) __builtin_trap();  // decoding never grows text
    // A name comes back from the line written for it.
    if (kalvora::ReadPictureListLine(kalvora::PictureListLine(name, entry.caption)).name != name) __builtin_trap();
    kalvora::player::EffectLine e;
    if (kalvora::player::ParseEffectLine(line, e)) {
      if (e.grain < 1 || e.grain > 256 || e.passes < 1 || e.passes > 64) __builtin_trap();
      (void)kalvora::player::LookForEffect(e);
      (void)kalvora::player::TransitionMsForEffect(e, 5000);
    }
  }
  return 0;
}

// The lines of Pictures.ini and Effects.ini and the list item texts made from them.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "EffectList.h"
#include "ListItems.h"
#include "StringList.h"
#include "TextCodec.h"
#include "fMain.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  for (const QString& line : kalvora::SplitLines(kalvora::DecodeText(bytes))) {
    try {
      ParseEffectLine(line);
    } catch (const EConvertError&) {
    }
    const QString item = MakeListItem("/thumbs/_THUMB_x.jpg", line, line);
    ItemFileName(item);
    ItemCaption(item);
    ItemPictureListLine(item);
    ItemTextBehindPicture(line);
    if (IsPlainFileName(line) && (line.contains('/') || line.contains('\\') || line == ".." || line == "."))
      std::terminate();
    TMainForm::MakeDosName(line);
  }
  return 0;
}

// Shared body of the px loader fuzz targets: every reader must give a status, never read past
// the data and never allocate without limit.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "PxFile.h"

inline int FuzzPxLoader(const uint8_t* data, size_t size, const uint8_t* magic, size_t magicSize) {
  static bool once = [] {
    px::limits().maxPixels = 4 * 1000 * 1000;
    px::limits().maxPages = 64;
    return true;
  }();
  (void)once;
  // Keep the input on this target's reader: put the format's signature in front when missing.
  std::vector<uint8_t> buf;
  if (size < magicSize || std::memcmp(data, magic, magicSize) != 0) {
    buf.assign(magic, magic + magicSize);
    buf.insert(buf.end(), data, data + size);
    data = buf.data();
    size = buf.size();
  }
  px::FileInfo info;
  px::GetFileInfoMemory(data, size, info);
  px::BitmapList list;
  px::LoadMemoryToList(data, size, {}, 0, list);
  for (const px::Bitmap& b : list.items) {
    // Touch first and last row so a wrong size shows up under ASan.
    if (b.allocated()) {
      volatile uint8_t s = b.scanLine(0)[0];
      s = b.scanLine(b.height - 1)[b.rowBytes() - 1];
      (void)s;
    }
  }
  px::LoadOptions hint;
  hint.sizeHintWidth = 16;
  hint.sizeHintHeight = 16;
  px::LoadMemoryToList(data, size, hint, 24, list, 2);
  return 0;
}

#pragma once
// Extraction of one item to a file below the archive's base folder, shared by TAR,
// GZIP and CAB: the stored name is made safe, an existing target is confirmed, and
// the file appears only when all its data was written and checked.
#include <cstdint>
#include <functional>
#include <string>

#include "KvArchive.h"

namespace kv {

// fill writes the item's data (and raises on a bad checksum); mtime is Unix seconds or -1.
void KvExtractToSafeFile(TKvArchive* a, const std::string& useName, int64_t mtime, bool readOnly,
                         const std::function<void(KvStream*)>& fill);

// Free bytes where extracted files go: the base folder, or the nearest folder above it
// that exists yet; -1 unknown.
int64_t KvFreeBytesBelow(const std::string& base);

}  // namespace kv

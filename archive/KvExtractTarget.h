#pragma once
// Extraction of one item to a file below the archive's base folder, shared by TAR,
// GZIP and CAB: the stored name is made safe, an existing target is confirmed, and
// the file appears only when all its data was written and checked.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "KvArchive.h"
#include "KvSafeExtract.h"

namespace kv {

// fill writes the item's data (and raises on a bad checksum); mtime is Unix seconds or -1.
void KvExtractToSafeFile(TKvArchive* a, const std::string& useName, int64_t mtime, bool readOnly,
                         const std::function<void(KvStream*)>& fill);
// The same in two steps, for data that arrives in pieces: the writer for the item's file
// (nullptr when nothing is to be written: a folder entry, or a replacement declined), and
// the commit once all its data went in.
std::unique_ptr<KvSafeFileWriter> KvOpenSafeTarget(TKvArchive* a, const std::string& useName);
void KvCommitSafeTarget(TKvArchive* a, KvSafeFileWriter& w, int64_t mtime, bool readOnly);

// Free bytes where extracted files go: the base folder, or the nearest folder above it
// that exists yet; -1 unknown.
int64_t KvFreeBytesBelow(const std::string& base);

}  // namespace kv

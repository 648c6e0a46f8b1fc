#pragma once
// Turning one ZIP item into bytes: to a file below the base folder, to a stream, or
// into a bit bucket for a test.
#include <string>

#include "KvZip.h"

namespace kv {

void UnzipToStream(TKvZipArchive* archive, TKvZipItem* item, KvStream* outStream);
void UnzipToFile(TKvZipArchive* archive, TKvZipItem* item, const std::string& useName);
void TestItem(TKvZipArchive* archive, TKvZipItem* item);
// Connects the three procedures to an archive.
void KvConnectUnzipProcs(TKvZipArchive* archive);

}  // namespace kv

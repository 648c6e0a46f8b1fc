#pragma once
// Inflate: Deflate and Deflate64 streams back to plain bytes.
#include <cstdint>

#include "KvDeflateBase.h"
#include "KvStream.h"

namespace kv {

// Decompresses from the source's position to the target's position; answers the
// checksum of the output (CRC-32, or Adler-32 with dfoAdler32), 0 after an early stop.
uint32_t Inflate(KvStream* aSource, KvStream* aDest, TKvDeflateHelper* aHelper);

}  // namespace kv

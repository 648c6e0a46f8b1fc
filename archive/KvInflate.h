#pragma once
// Inflate: Deflate and Deflate64 streams back to plain bytes.
#include <cstdint>

#include "KvDeflateBase.h"
#include "KvStream.h"

namespace kv {

// Decompresses from the source's position to the target's position; answers the
// checksum of the output (CRC-32, or Adler-32 with dfoAdler32), 0 after an early stop.
uint32_t Inflate(KvStream* aSource, KvStream* aDest, TKvDeflateHelper* aHelper);

// For tests: the hot loop is built twice (with and without BMI2) and picked at start;
// true makes Inflate use the plain build even where BMI2 is there.
void KvInflateForcePlainLoop(bool plain);

}  // namespace kv

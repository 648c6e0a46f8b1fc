#pragma once
// Deflate: plain bytes to Deflate or Deflate64 streams (stored, static and dynamic
// blocks), with hash-chain matching, lazy matches and length-limited Huffman codes.
#include <cstdint>
#include <vector>

#include "KvDeflateBase.h"
#include "KvStream.h"

namespace kv {

// Length and distance to Deflate symbols.
class TKvDfTranslator {
 public:
  static int LengthSymbol(int length);      // 3..65538; everything past 258 is 285
  static int DistanceSymbol(int distance);  // 1..65536
};

// Package-merge: optimal code lengths of at most maxCodeLen bits for weights[0..highIndex],
// written to codeLengths[startIndex..]. Zero weights get length 0.
void GenerateCodeLengths(int maxCodeLen, const uint32_t* weights, int highIndex, uint8_t* codeLengths,
                         int startIndex);

// Run-length coding of code lengths for a dynamic block header (symbols 0-18 with their extra value).
struct TKvCodeLenSymbol {
  uint8_t Symbol;
  uint8_t Extra;
};
std::vector<TKvCodeLenSymbol> KvCodeLenSymbols(const uint8_t* lengths, int count);

// Compresses from the source's position to its end, appending to aDest. Answers the CRC-32
// (or Adler-32 with dfoAdler32) of the input. aHelper may be null (the defaults).
uint32_t Deflate(KvStream* aSource, KvStream* aDest, TKvDeflateHelper* aHelper);

}  // namespace kv

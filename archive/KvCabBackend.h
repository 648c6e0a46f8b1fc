#pragma once
// The cabinet library behind a small interface of ours: list, extract one entry, write.
// The build's backend is libgcab; without it there is none and CAB operations say so.
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

struct KvCabEntry {
  std::string Name;  // as stored, '\' between folders
  uint32_t Size = 0;
  int64_t MTime = -1;  // Unix seconds, -1 unknown
  uint32_t Attributes = 0;
};

struct KvCabInput {
  std::string DiskFile;
  std::string StoredName;
  int64_t MTime = -1;
};

enum : int { kCabNoCompression = 0, kCabMSZip = 1, kCabLZX = 2 };

class KvCabBackend {
 public:
  virtual ~KvCabBackend() = default;
  // EKvInvalidCabFile when the file is not a cabinet.
  virtual std::vector<KvCabEntry> List(const std::string& cabinet) = 0;
  // Writes entry index (listing order) to targetFile; EKvFDICopyError on failure.
  virtual void ExtractOne(const std::string& cabinet, int index, const std::string& targetFile) = 0;
  // A new cabinet with one folder; EKvFCIAddFileError for a method it cannot write.
  virtual void Write(const std::string& cabinet, const std::vector<KvCabInput>& files, int compression) = 0;
};

// The backend in use (nullptr: none available); tests may replace it.
KvCabBackend* KvCabinetBackend();
void KvSetCabinetBackend(KvCabBackend* backend);
void KvUseDefaultCabinetBackend();

}  // namespace kv

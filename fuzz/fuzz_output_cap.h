#pragma once
// Output a harness takes from an extractor: counted, never kept. Passing its cap means a
// decoder ran past the size the library knew beforehand, so the harness stops there.
#include <cstdint>
#include <cstdlib>

#include "KvStream.h"

class CappedSink : public kv::KvStream {
 public:
  explicit CappedSink(int64_t cap) : cap_(cap) {}
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t count) override {
    pos_ += count;
    if (pos_ > most_) most_ = pos_;
    if (pos_ > cap_) std::abort();
    return count;
  }
  int64_t Seek(int64_t offset, int origin) override {
    if (origin == kv::soBeginning) pos_ = offset;
    else if (origin == kv::soCurrent) pos_ += offset;
    else pos_ = most_ + offset;
    return pos_;
  }
  int64_t Size() override { return most_; }
  int64_t Most() const { return most_; }

 private:
  int64_t cap_, pos_ = 0, most_ = 0;
};

// One scratch file per process, removed when the process ends.
#include <unistd.h>

#include <cstdio>
#include <string>

inline const std::string& ScratchFile(const uint8_t* data, size_t size, const char* suffix) {
  static const struct Scratch {
    std::string path;
    explicit Scratch(const char* sfx) {
      std::string t = std::string("/tmp/fuzz_archive_XXXXXX") + sfx;
      int fd = mkstemps(t.data(), int(std::string(sfx).size()));
      if (fd >= 0) close(fd);
      path = t;
    }
    ~Scratch() { unlink(path.c_str()); }
  } scratch(suffix);
  if (FILE* f = std::fopen(scratch.path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return scratch.path;
}

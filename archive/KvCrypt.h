#pragma once
// Traditional PKWARE encryption: key schedule, engines, the two stream wrappers and
// the decoder with password retries used for stored and legacy entries.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "KvStream.h"

namespace kv {

struct TKvZipKeys {
  uint32_t k0 = 0x12345678, k1 = 0x23456789, k2 = 0x34567890;
  void Init(const std::string& password);
  void Update(uint8_t c);
  uint8_t StreamByte() const {
    uint32_t t = (k2 & 0xFFFF) | 2;
    return uint8_t((t * (t ^ 1)) >> 8);
  }
  uint8_t Decrypt(uint8_t c) {
    uint8_t p = c ^ StreamByte();
    Update(p);
    return p;
  }
  uint8_t Encrypt(uint8_t p) {
    uint8_t c = p ^ StreamByte();
    Update(p);
    return c;
  }
  void DecryptBuffer(uint8_t* p, size_t n);
};

// The byte forms a password is tried in: Windows-1252 first (files of the Windows
// program), then UTF-8 as typed (files of Linux tools); one entry when they agree.
std::vector<std::string> KvPasswordForms(const std::string& utf8);

class TKvZipDecryptEngine {
 public:
  bool VerifyHeader(const uint8_t* header, const std::string& passphrase, uint32_t checkValue);
  void Decode(void* buffer, size_t count);
  bool Ready = false;
 private:
  TKvZipKeys keys_;
};

class TKvZipEncryptEngine {
 public:
  void CreateHeader(uint8_t* header, const std::string& passphrase, uint32_t checkValue);
  void EncodeBuffer(void* buffer, size_t count);
  bool Ready = false;
  // Source of the ten random header bytes; getrandom when not set.
  std::function<uint8_t()> RandomByte;
 private:
  TKvZipKeys keys_;
};

class TKvDfDecryptStream : public KvStream {
 public:
  TKvDfDecryptStream(KvStream* stream, uint32_t checkValue, const std::string& passphrase);
  bool CheckHeader();
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override;
  int64_t Seek(int64_t offset, int origin) override { return stream_->Seek(offset, origin); }
  bool Ready() const { return ready_; }
 private:
  uint32_t check_;
  TKvZipDecryptEngine engine_;
  std::string pass_;
  bool ready_ = false;
  KvStream* stream_;
};

class TKvDfEncryptStream : public KvStream {
 public:
  TKvDfEncryptStream(KvStream* stream, const std::string& passphrase, uint32_t checkValue,
                     std::function<uint8_t()> randomByte = {});
  int64_t Read(void*, int64_t) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override { return stream_->Seek(offset, origin); }
 private:
  std::vector<uint8_t> work_;
  TKvZipEncryptEngine engine_;
  KvStream* stream_;
};

class TKvZDecoder {
 public:
  TKvZDecoder(const std::string& password, bool oneByteCheck, uint32_t checkValue, KvStream* stream);
  // Finds a password whose header checks, asking OnNeedPassword between tries.
  void VerifyPassword();
  void DecodeInPlace(void* buffer, size_t count);
  std::function<void(std::string& password)> OnNeedPassword;
  int Tries = 3;
  const std::string& Password() const { return password_; }
 private:
  TKvZipKeys keys_;
  uint8_t header_[12] = {};
  uint32_t check_;
  bool oneByte_;
  std::string password_;
  KvStream* stream_;
};

}  // namespace kv

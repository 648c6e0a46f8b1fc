#include "KvCrypt.h"

#include <sys/random.h>

#include <cstring>
#include <stdexcept>

#include "KvChecksum.h"
#include "KvErrors.h"

namespace kv {

void TKvZipKeys::Init(const std::string& password) {
  k0 = 0x12345678;
  k1 = 0x23456789;
  k2 = 0x34567890;
  for (char c : password) Update(uint8_t(c));
}

void TKvZipKeys::Update(uint8_t c) {
  k0 = KvCrc32Step(k0, c);
  k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
  k2 = KvCrc32Step(k2, uint8_t(k1 >> 24));
}

void TKvZipKeys::DecryptBuffer(uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) p[i] = Decrypt(p[i]);
}

std::vector<std::string> KvPasswordForms(const std::string& utf8) {
  std::string latin;
  bool ok = true;
  for (size_t i = 0; i < utf8.size() && ok;) {
    auto c = uint8_t(utf8[i]);
    if (c < 0x80) {
      latin += char(c);
      ++i;
    } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
      uint32_t cp = ((c & 0x1Fu) << 6) | (uint8_t(utf8[i + 1]) & 0x3Fu);
      if (cp >= 0xA0 && cp <= 0xFF) latin += char(cp);
      else ok = false;
      i += 2;
    } else if (utf8.compare(i, 3, "\xE2\x82\xAC") == 0) {
      latin += char(0x80);  // the euro sign
      i += 3;
    } else {
      ok = false;
    }
  }
  std::vector<std::string> forms;
  if (ok) forms.push_back(latin);
  if (!ok || latin != utf8) forms.push_back(utf8);
  return forms;
}

bool TKvZipDecryptEngine::VerifyHeader(const uint8_t* header, const std::string& passphrase, uint32_t checkValue) {
  if (passphrase.empty()) throw std::logic_error("TKvZipDecryptEngine.VerifyHeader: need a passphrase");
  Ready = false;
  for (const std::string& form : KvPasswordForms(passphrase)) {
    keys_.Init(form);
    uint8_t h[12];
    std::memcpy(h, header, 12);
    keys_.DecryptBuffer(h, 12);
    if (h[11] == uint8_t(checkValue >> 24)) {
      Ready = true;
      break;
    }
  }
  return Ready;
}

void TKvZipDecryptEngine::Decode(void* buffer, size_t count) {
  if (!Ready) throw std::logic_error("TKvZipDecryptEngine.Decode: must successfully call VerifyHeader first");
  keys_.DecryptBuffer(static_cast<uint8_t*>(buffer), count);
}

void TKvZipEncryptEngine::CreateHeader(uint8_t* header, const std::string& passphrase, uint32_t checkValue) {
  if (passphrase.empty()) throw std::logic_error("TKvZipEncryptEngine.CreateHeader: need a passphrase");
  keys_.Init(passphrase);
  for (int i = 0; i < 10; ++i) {
    uint8_t r;
    if (RandomByte) r = RandomByte();
    else if (::getrandom(&r, 1, 0) != 1) r = uint8_t(std::rand());
    header[i] = keys_.Encrypt(r);
  }
  keys_.Init(passphrase);
  for (int i = 0; i < 10; ++i) header[i] = keys_.Encrypt(header[i]);
  header[10] = keys_.Encrypt(uint8_t(checkValue >> 16));
  header[11] = keys_.Encrypt(uint8_t(checkValue >> 24));
  Ready = true;
}

void TKvZipEncryptEngine::EncodeBuffer(void* buffer, size_t count) {
  if (!Ready) throw std::logic_error("TKvZipEncryptEngine.EncodeBuffer: must call CreateHeader first");
  auto* p = static_cast<uint8_t*>(buffer);
  for (size_t i = 0; i < count; ++i) p[i] = keys_.Encrypt(p[i]);
}

TKvDfDecryptStream::TKvDfDecryptStream(KvStream* stream, uint32_t checkValue, const std::string& passphrase)
    : check_(checkValue), pass_(passphrase), stream_(stream) {}

bool TKvDfDecryptStream::CheckHeader() {
  uint8_t h[12];
  stream_->ReadBuffer(h, 12);
  ready_ = engine_.VerifyHeader(h, pass_, check_);
  if (!ready_) stream_->Seek(-12, soCurrent);
  return ready_;
}

int64_t TKvDfDecryptStream::Read(void* buffer, int64_t count) {
  if (!ready_) throw std::logic_error("TKvDfDecryptStream.Read: the stream header has not been verified");
  int64_t n = stream_->Read(buffer, count);
  if (n > 0) engine_.Decode(buffer, size_t(n));
  return n;
}

int64_t TKvDfDecryptStream::Write(const void*, int64_t) {
  throw std::logic_error("TKvDfDecryptStream.Write: the stream is read-only");
}

TKvDfEncryptStream::TKvDfEncryptStream(KvStream* stream, const std::string& passphrase, uint32_t checkValue,
                                       std::function<uint8_t()> randomByte)
    : stream_(stream) {
  engine_.RandomByte = std::move(randomByte);
  uint8_t h[12];
  engine_.CreateHeader(h, passphrase, checkValue);
  stream_->WriteBuffer(h, 12);
}

int64_t TKvDfEncryptStream::Read(void*, int64_t) {
  throw std::logic_error("TKvDfEncryptStream.Read: the stream is write-only");
}

int64_t TKvDfEncryptStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  if (int64_t(work_.size()) < count) work_.resize(size_t(count));
  std::memcpy(work_.data(), buffer, size_t(count));
  engine_.EncodeBuffer(work_.data(), size_t(count));
  return stream_->Write(work_.data(), count);
}

TKvZDecoder::TKvZDecoder(const std::string& password, bool oneByteCheck, uint32_t checkValue, KvStream* stream)
    : check_(checkValue), oneByte_(oneByteCheck), password_(password), stream_(stream) {}

void TKvZDecoder::VerifyPassword() {
  int64_t start = stream_->Position();
  for (int attempt = 0; attempt < Tries; ++attempt) {
    stream_->Seek(start, soBeginning);
    stream_->ReadBuffer(header_, 12);
    if (!password_.empty()) {
      for (const std::string& form : KvPasswordForms(password_)) {
        keys_.Init(form);
        uint8_t h[12];
        std::memcpy(h, header_, 12);
        keys_.DecryptBuffer(h, 12);
        bool good = h[11] == uint8_t(check_ >> 24) && (oneByte_ || h[10] == uint8_t(check_ >> 16));
        if (good) return;
      }
    }
    if (!OnNeedPassword) throw EKvZipInvalidPassword();
    OnNeedPassword(password_);
  }
  throw EKvZipInvalidPassword();
}

void TKvZDecoder::DecodeInPlace(void* buffer, size_t count) {
  keys_.DecryptBuffer(static_cast<uint8_t*>(buffer), count);
}

}  // namespace kv

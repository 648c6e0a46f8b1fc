#include "KvUnzip.h"

#include <algorithm>
#include <cstring>

#include "KvChecksum.h"
#include "KvExtractTarget.h"
#include "KvInflate.h"
#include "KvLegacy.h"
#include "KvSafeExtract.h"
#include "KvScratchStreams.h"

namespace kv {
namespace {

// Asks for a password the first time one is missing; an empty result refuses.
void ensurePassword(TKvZipArchive* a, int&) {
  if (!a->Password.empty()) return;
  if (a->OnNeedPassword) {
    std::string answer;
    a->OnNeedPassword(answer);
    if (!answer.empty()) a->Password = answer;
  }
  if (a->Password.empty()) throw EKvZipInvalidPassword();
}

// After a failed try: ask again, or give up once the tries are used (never decrypt with a wrong key).
void askAgain(TKvZipArchive* a, int& tries) {
  ++tries;
  if (tries >= std::max<int>(1, a->PasswordRetries) || !a->OnNeedPassword) throw EKvZipInvalidPassword();
  std::string answer;
  a->OnNeedPassword(answer);
  if (answer.empty()) throw EKvUserAbort();
  a->Password = answer;
}

uint32_t unstore(TKvZipArchive* a, KvStream& data, int64_t size, KvStream* out, bool encrypted, uint32_t check,
                 int64_t expected) {
  std::unique_ptr<TKvDfDecryptStream> dec;
  KvStream* in = &data;
  if (encrypted) {
    int tries = 0;
    ensurePassword(a, tries);
    for (;;) {
      dec = std::make_unique<TKvDfDecryptStream>(&data, check, a->Password);
      if (dec->CheckHeader()) break;
      askAgain(a, tries);
    }
    in = dec.get();
    size -= 12;
    if (size < 0) throw EKvReadError();
  }
  uint32_t crc = 0xFFFFFFFFu;
  uint8_t buf[1024];
  int64_t done = 0;
  int last = -1;
  while (done < size) {
    int64_t n = std::min<int64_t>(sizeof buf, size - done);
    int64_t got = in->Read(buf, n);
    if (got != n) throw EKvReadError();
    crc = KvCrc32Raw(crc, buf, size_t(n));
    out->WriteBuffer(buf, n);
    done += n;
    int pct = KvRatioPercent(done, expected);
    if (pct != last) {
      last = pct;
      bool abort = false;
      a->DoProgress(pct, abort);
      if (abort) throw EKvUserAbort();
    }
  }
  if (last != 100) {
    bool abort = false;
    a->DoProgress(100, abort);
    if (abort) throw EKvUserAbort();
  }
  return ~crc;
}

uint32_t inflateItem(TKvZipArchive* a, KvStream& data, int64_t packed, KvStream* out, TKvZipItem* item, int method,
                     uint32_t check, int64_t expected, int64_t& produced) {
  TKvDeflateHelper h;
  int opts = h.Options();
  if (dynamic_cast<TKvBitBucketStream*>(out)) opts |= dfoTestOnly;
  if (method == 9) opts |= dfoDeflate64;
  h.SetOptions(opts);
  h.SourceSize = packed;
  h.OutputLimit = expected;
  h.OnProgressPercent = [a](int p) { a->EngineProgress(p); };
  int tries = 0;
  if (item->IsEncrypted()) {
    ensurePassword(a, tries);
    h.HeaderCheck = check;
  }
  int64_t startOut = out->Position();
  for (;;) {
    if (item->IsEncrypted()) h.CipherPassword = a->Password;
    try {
      uint32_t crc = Inflate(&data, out, &h);
      produced = h.PlainSize;
      (void)startOut;
      return crc;
    } catch (const EKvInflatePasswordError&) {
      askAgain(a, tries);
    } catch (const EKvAbortProgress&) {
      throw EKvUserAbort();
    } catch (const EKvInflateError& e) {
      if (std::strstr(e.what(), "more output than the entry declares")) throw EKvZipBadCRC();
      throw EKvException(KvMessage(20) + ": " + e.what(), 20);
    }
  }
}

}  // namespace

void UnzipToStream(TKvZipArchive* a, TKvZipItem* item, KvStream* out) {
  if (!out) throw EKvBadStream();
  int method = item->CompressionMethod();
  int need = item->VersionNeededToExtract() & 0xFF;
  // Deflate64 entries rightly say 2.1; everything else above 2.0 is out of reach.
  if (need >= 21 && !(method == 9 && need == 21)) throw EKvZipVersion();
  if (item->GeneralPurposeBitFlag() & 0x40) throw EKvZipVersion();  // strong encryption
  if (a->Spanned || item->DiskNumberStart() != 0) {
    if (!a->Spanned) throw EKvZipInvalidLFH();
    a->SwitchToDisk(item->DiskNumberStart());
  }
  KvStream& st = *a->Stream();
  st.Seek(item->RelativeOffset(), soBeginning);
  TKvZipLocalFileHeader lh;
  lh.LoadFromStream(st);
  int64_t packed = item->CompressedSize();
  int64_t dataStart = int64_t(item->RelativeOffset()) + lh.Size();
  int64_t limit = a->DataLimitFor(item);
  if (limit < 0 || dataStart + packed > limit) throw EKvZipInvalidLFH();
  uint32_t check = (lh.GeneralPurposeBitFlag & 8) ? uint32_t(lh.LastModFileTime) << 16 : item->CRC32();
  int64_t expected = item->UncompressedSize();
  KvLimitedStream data(st, packed);
  uint32_t crc;
  int64_t produced = 0;
  method = lh.CompressionMethod;
  bool encrypted = item->IsEncrypted();
  if (method == 0) {
    int64_t plain = encrypted ? packed - 12 : packed;
    if (plain != expected) throw EKvZipBadCRC();
    crc = unstore(a, data, packed, out, encrypted, check, expected);
    produced = plain;
  } else if (method == 8 || method == 9) {
    crc = inflateItem(a, data, packed, out, item, method, check, expected, produced);
  } else if (method >= 1 && method <= 6) {
    std::unique_ptr<TKvZDecoder> dec;
    int64_t size = packed;
    if (encrypted) {
      int tries = 0;
      ensurePassword(a, tries);
      dec = std::make_unique<TKvZDecoder>(a->Password, true, check, &data);
      dec->Tries = std::max<int>(1, a->PasswordRetries);
      dec->OnNeedPassword = [a](std::string& pw) {
        if (!a->OnNeedPassword) throw EKvZipInvalidPassword();
        a->OnNeedPassword(pw);
        if (pw.empty()) throw EKvUserAbort();
        a->Password = pw;
      };
      dec->VerifyPassword();
      size -= 12;
    }
    KvLegacyJob job;
    job.method = method;
    job.flags = lh.GeneralPurposeBitFlag;
    job.compressedSize = size;
    job.uncompressedSize = expected;
    job.input = &data;
    job.output = out;
    job.decoder = dec.get();
    job.progress = [a](int p) {
      bool abort = false;
      a->DoProgress(p, abort);
      if (abort) throw EKvUserAbort();
    };
    int64_t before = out->Position();
    crc = KvLegacyExtract(job);
    produced = dynamic_cast<TKvBitBucketStream*>(out) ? expected : out->Position() - before;
  } else {
    throw EKvZipInvalidMethod();
  }
  // Fewer bytes than declared, or a checksum that differs: the item failed.
  if (produced != expected || crc != item->CRC32()) throw EKvZipBadCRC();
}

void UnzipToFile(TKvZipArchive* a, TKvZipItem* item, const std::string& useName) {
  int64_t secs = -1;
  if (!KvDosToUnix(item->LastModFileDate(), item->LastModFileTime(), secs)) secs = -1;
  KvExtractToSafeFile(a, useName, secs, item->ExternalFileAttributes() & faReadOnly,
                      [&](KvStream* w) { UnzipToStream(a, item, w); });
}

void TestItem(TKvZipArchive* a, TKvZipItem* item) {
  int need = item->VersionNeededToExtract() & 0xFF;
  if (need >= 21 && !(item->CompressionMethod() == 9 && need == 21)) throw EKvZipVersion();
  if (a->Spanned) a->SwitchToDisk(item->DiskNumberStart());
  KvStream& st = *a->Stream();
  st.Seek(item->RelativeOffset(), soBeginning);
  TKvZipLocalFileHeader lh;
  lh.LoadFromStream(st);
  const auto& d = item->Dir;
  bool descriptor = lh.GeneralPurposeBitFlag & 8;
  bool same = lh.VersionNeededToExtract == d.VersionNeededToExtract &&
              lh.GeneralPurposeBitFlag == d.GeneralPurposeBitFlag && lh.LastModFileTime == d.LastModFileTime &&
              lh.LastModFileDate == d.LastModFileDate && lh.FileName == d.FileName;
  // With a data descriptor the local CRC and sizes are not final; the extra fields may differ.
  if (same && !descriptor)
    same = lh.CRC32 == d.CRC32 && lh.CompressedSize == d.CompressedSize && lh.UncompressedSize == d.UncompressedSize;
  if (!same) throw EKvZipInvalidLFH();
  std::string n = item->FileName();
  if (!n.empty() && (n.back() == '/' || n.back() == '\\') && item->UncompressedSize() == 0) return;
  TKvBitBucketStream bucket(32768);
  UnzipToStream(a, item, &bucket);
}

void KvConnectUnzipProcs(TKvZipArchive* archive) {
  archive->ExtractToFileProc = UnzipToFile;
  archive->ExtractToStreamProc = UnzipToStream;
  archive->TestProc = TestItem;
}

}  // namespace kv

#include "KvUnZipper.h"

#include "KvGzip.h"
#include "KvTar.h"

#include <limits.h>
#include <unistd.h>

#include <cstring>

#include "KvInflate.h"
#include "KvUnzip.h"

namespace kv {

// ---- detection ----

int VerifyTar(KvStream& stream) {
  int64_t pos = stream.Position();
  uint8_t h[512];
  stream.Seek(0, soBeginning);
  int kind = 0;
  if (stream.Read(h, 512) == 512 && h[0] != 0) {
    // The checksum counts the whole header with its own field as spaces.
    uint32_t sum = 0;
    for (int i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? 32u : h[i];
    uint32_t stored = 0;
    bool digits = false;
    for (int i = 148; i < 156; ++i) {
      if (h[i] >= '0' && h[i] <= '7') {
        stored = stored * 8 + uint32_t(h[i] - '0');
        digits = true;
      } else if (h[i] == ' ' || h[i] == 0) {
        if (digits) break;
      } else {
        digits = false;
        break;
      }
    }
    if ((digits && stored == sum) || KvTarKnownMagic(h)) kind = akTar;
  }
  stream.Seek(pos, soBeginning);
  return kind;
}

int VerifyGzip(KvStream& stream) {
  int64_t pos = stream.Position();
  int kind = 0;
  uint8_t h[10];
  stream.Seek(0, soBeginning);
  if (stream.Read(h, 10) == 10 && h[0] == 0x1F && h[1] == 0x8B && h[2] == 8) {
    kind = akGzip;
    try {
      int flags = h[3];
      if (flags & 4) {
        uint8_t x[2];
        stream.ReadBuffer(x, 2);
        stream.Seek(x[0] | (x[1] << 8), soCurrent);
      }
      for (int bit : {8, 16}) {
        if (!(flags & bit)) continue;
        uint8_t c = 1;
        for (int n = 0; c && n < 65536; ++n) stream.ReadBuffer(&c, 1);
      }
      if (flags & 2) stream.Seek(2, soCurrent);
      // Is the start of the member a TAR header?
      KvMemoryStream first;
      TKvDeflateHelper hlp;
      hlp.StopAfterSize = 512;
      Inflate(&stream, &first, &hlp);
      first.SetPosition(0);
      if (first.Size() >= 512 && VerifyTar(first) == akTar) kind = akGzippedTar;
    } catch (const std::exception&) {
    }
  }
  stream.Seek(pos, soBeginning);
  return kind;
}

int KvCheckCabinet(const std::string& fileName) {
  try {
    KvFileStream f(fileName, fmOpenRead | fmShareDenyNone);
    uint8_t h[4];
    if (f.Read(h, 4) == 4 && std::memcmp(h, "MSCF", 4) == 0) return akCab;
  } catch (const std::exception&) {
  }
  return akUnrecognized;
}

TKvArchiveKind DetectArchiveType(const std::string& fileName, TKvArchiveKind assumed) {
  std::string ext = KvUpper(KvExtractFileName(fileName));
  size_t dot = ext.find_last_of('.');
  ext = dot == std::string::npos ? std::string() : ext.substr(dot);
  int64_t size = KvSizeOfFile(fileName);
  bool exists = KvFileExists(fileName);
  auto test = [&](int kind) -> int {
    if (kind == akCab) return KvCheckCabinet(fileName);
    try {
      KvFileStream f(fileName, fmOpenRead | fmShareDenyNone);
      switch (kind) {
        case akZip: return VerifyZip(f);
        case akSelfExtractingZip: return VerifySelfExtracting(f);
        case akTar: return VerifyTar(f);
        case akGzip: case akGzippedTar: return VerifyGzip(f);
        default: return 0;
      }
    } catch (const std::exception&) {
      return 0;
    }
  };
  if (assumed == akUnrecognized) {
    if (exists && size != 0) {
      if (ext == ".EXE") return TKvArchiveKind(test(akSelfExtractingZip));
      if (ext == ".ZIP") return TKvArchiveKind(test(akZip));
      if (ext == ".TAR") return TKvArchiveKind(test(akTar));
      if (ext == ".GZ" || ext == ".TGZ") return TKvArchiveKind(test(akGzip));
      if (ext == ".CAB") return TKvArchiveKind(test(akCab));
      return akUnrecognized;
    }
    if (ext == ".ZIP") return akZip;
    if (ext == ".TAR") return akTar;
    if (ext == ".GZ") return akGzip;
    if (ext == ".TGZ") return akGzippedTar;
    if (ext == ".CAB") return akCab;
    return akUnrecognized;
  }
  if (!exists) return assumed;
  switch (assumed) {
    case akZip: case akSelfExtractingZip: case akTar: case akGzip: case akGzippedTar: case akCab:
      return TKvArchiveKind(test(assumed));
    default: return akUnrecognized;
  }
}

// ---- browser ----

TKvBaseBrowser::~TKvBaseBrowser() = default;

void TKvBaseBrowser::ResetBothMeters() {
  if (ArchiveProgressMeter) ArchiveProgressMeter->Reset();
  if (ItemProgressMeter) ItemProgressMeter->Reset();
}

void TKvBaseBrowser::DoArchiveItemProgress(TKvArchiveItem* item, uint8_t progress, bool& abort) {
  abort = false;
  if (ItemProgressMeter) ItemProgressMeter->DoProgress(progress);
  if (OnArchiveItemProgress) OnArchiveItemProgress(this, item, progress, abort);
}

void TKvBaseBrowser::DoArchiveProgress(uint8_t progress, bool& abort) {
  abort = false;
  if (ArchiveProgressMeter) ArchiveProgressMeter->DoProgress(progress);
  if (OnArchiveProgress) OnArchiveProgress(this, progress, abort);
}

void TKvBaseBrowser::DoChange() {
  if (OnChange) OnChange(this);
}

void TKvBaseBrowser::DoConfirmProcessItem(TKvArchiveItem* item, TKvProcessType pt, bool& confirm) {
  confirm = true;
  if (ItemProgressMeter) ItemProgressMeter->Reset();
  if (OnConfirmProcessItem) OnConfirmProcessItem(this, item, pt, confirm);
}

void TKvBaseBrowser::DoLoad() {
  if (OnLoad) OnLoad(this);
}

void TKvBaseBrowser::DoProcessItemFailure(TKvArchiveItem* item, TKvProcessType pt, TKvErrorClass ec, int code) {
  if (OnProcessItemFailure) OnProcessItemFailure(this, item, pt, ec, code);
}

void TKvBaseBrowser::SetOnRequestImage(TKvRequestImageEvent value) {
  onRequestImage_ = std::move(value);
  if (!archive_) return;
  if (onRequestImage_)
    archive_->OnRequestImage = [this](TKvArchive*, int n, std::string& name, bool& abort) {
      onRequestImage_(this, n, name, abort);
    };
  else
    archive_->OnRequestImage = nullptr;
}

void TKvBaseBrowser::Notification(TKvMeterLink* component) {
  if (component == ItemProgressMeter) ItemProgressMeter = nullptr;
  if (component == ArchiveProgressMeter) ArchiveProgressMeter = nullptr;
}

void TKvBaseBrowser::SetBaseDirectory(const std::string& value) {
  if (!archive_) {
    baseDir_ = value;
    return;
  }
  archive_->SetBaseDirectory(value);
  baseDir_ = archive_->BaseDirectory();
}

void TKvBaseBrowser::SetLogFile(const std::string& value) {
  logFile_ = value;
  if (archive_) archive_->SetLogFile(value);
  SetLogging(!value.empty());
}

void TKvBaseBrowser::SetLogging(bool value) {
  logging_ = value;
  if (archive_) archive_->SetLogging(value);
}

void TKvBaseBrowser::SetTempDirectory(const std::string& value) {
  tempDir_ = value;
  if (archive_) archive_->TempDirectory = value;
}

void TKvBaseBrowser::InitArchive() {
  ResetBothMeters();
  if (!archive_) return;
  archive_->SpanSizeLimit = SpanSizeLimit;
  archive_->SetLogFile(logFile_);
  archive_->SetLogging(logging_);
  archive_->TempDirectory = tempDir_;
  if (!baseDir_.empty()) SetBaseDirectory(baseDir_);
  archive_->OnArchiveItemProgress = [this](TKvArchive*, TKvArchiveItem* it, int p, bool& abort) {
    DoArchiveItemProgress(it, uint8_t(p), abort);
  };
  archive_->OnArchiveProgress = [this](TKvArchive*, int p, bool& abort) { DoArchiveProgress(uint8_t(p), abort); };
  archive_->OnConfirmProcessItem = [this](TKvArchive*, TKvArchiveItem* it, TKvProcessType pt, bool& c) {
    DoConfirmProcessItem(it, pt, c);
  };
  archive_->OnLoad = [this](TKvArchive*) { DoLoad(); };
  archive_->OnProcessItemFailure = [this](TKvArchive*, TKvArchiveItem* it, TKvProcessType pt, TKvErrorClass ec,
                                          int code) { DoProcessItemFailure(it, pt, ec, code); };
  SetOnRequestImage(onRequestImage_);
}

// ---- ZIP browser ----

void TKvCustomZipBrowser::SetFileName(const std::string& value) {
  fileName_ = value;
  if (archive_) {
    try {
      archive_->Save();
    } catch (...) {
    }
    archive_.reset();
  }
  if (!value.empty() && KvFileExists(value)) {
    std::string path = value;
    if (path[0] != '/') {
      char cwd[PATH_MAX];
      if (::getcwd(cwd, sizeof cwd)) path = std::string(cwd) + "/" + path;
    }
    TKvArchiveKind k = UseStoredKind ? kind_ : DetectArchiveType(path, akUnrecognized);
    switch (k) {
      case akZip: case akSpannedZip: case akSelfExtractingZip: {
        archive_ = std::make_unique<TKvZipArchive>(path, uint16_t(fmOpenRead | fmShareDenyNone));
        InitArchive();
        break;
      }
      case akTar:
        archive_ = std::make_unique<TKvTarArchive>(path, uint16_t(fmOpenRead | fmShareDenyNone));
        InitArchive();
        break;
      case akGzip: case akGzippedTar: {
        auto g = std::make_unique<TKvGzipArchive>(path, uint16_t(fmOpenRead | fmShareDenyNone));
        g->IsGzippedTar = k == akGzippedTar;
        g->SetPresentAsTar(TarAutoHandle);
        archive_ = std::move(g);
        InitArchive();
        break;
      }
      default:
        // Cabinets are recognised but not opened here.
        throw EKvUnhandledType();
    }
    try {
      archive_->Load();
    } catch (...) {
      archive_.reset();
      throw;
    }
    kind_ = k;
  }
  DoChange();
}

void TKvCustomZipBrowser::InitArchive() {
  TKvBaseBrowser::InitArchive();
  if (TKvZipArchive* z = ZipArchive()) {
    z->Password = password_;
    z->OnPrompt = onPrompt_;
    if (onRequestLastDisk_)
      z->OnRequestLastDisk = [this](bool& abort) { onRequestLastDisk_(this, abort); };
    if (onRequestNthDisk_)
      z->OnRequestNthDisk = [this](int n, bool& abort) { onRequestNthDisk_(this, uint8_t(n), abort); };
  }
}

TKvArchiveItem* TKvCustomZipBrowser::GetItem(int index) const {
  if (!archive_) throw EKvNoArchive();
  return archive_->Items(index);
}

void TKvCustomZipBrowser::SetPassword(const std::string& value) {
  password_ = value;
  if (TKvZipArchive* z = ZipArchive()) z->Password = value;
}

void TKvCustomZipBrowser::SetOnRequestLastDisk(TKvRequestDiskEvent value) {
  onRequestLastDisk_ = std::move(value);
  if (ZipArchive()) InitArchive();
}

void TKvCustomZipBrowser::SetOnPrompt(std::function<bool(const std::string&, const std::string&)> value) {
  onPrompt_ = std::move(value);
  if (TKvZipArchive* z = ZipArchive()) z->OnPrompt = onPrompt_;
}

void TKvCustomZipBrowser::SetOnRequestNthDisk(TKvRequestNthDiskEvent value) {
  onRequestNthDisk_ = std::move(value);
  if (ZipArchive()) InitArchive();
}

// ---- unzipper ----

void TKvCustomUnZipper::InitArchive() {
  TKvCustomZipBrowser::InitArchive();
  if (!archive_) return;
  // Every kind extracts with the caller's options and asks before replacing a file.
  archive_->ExtractOptions = extractOptions_;
  archive_->OnConfirmOverwrite = [this](std::string& name, bool& confirm) { DoConfirmOverwrite(name, confirm); };
  TKvZipArchive* z = ZipArchive();
  if (!z) return;
  z->PasswordRetries = retries_;
  z->OnNeedPassword = [this](std::string& pw) { DoNeedPassword(pw); };
  KvConnectUnzipProcs(z);
}

void TKvCustomUnZipper::DoConfirmOverwrite(std::string& name, bool& confirm) {
  confirm = true;
  if (OnConfirmOverwrite) OnConfirmOverwrite(name, confirm);
}

void TKvCustomUnZipper::DoNeedPassword(std::string& newPassword) {
  if (!OnNeedPassword) return;
  OnNeedPassword(this, newPassword);
  password_ = newPassword;
}

void TKvCustomUnZipper::ExtractFiles(const std::string& fileMask) {
  if (!archive_) throw EKvNoArchive();
  archive_->ExtractFiles(fileMask);
}

void TKvCustomUnZipper::TestFiles(const std::string& fileMask) {
  if (!archive_) throw EKvNoArchive();
  archive_->TestFiles(fileMask);
}

void TKvCustomUnZipper::SetExtractOptions(uint8_t value) {
  extractOptions_ = value;
  if (archive_) archive_->ExtractOptions = value;
}

void TKvCustomUnZipper::SetPasswordRetries(uint8_t value) {
  retries_ = value;
  if (TKvZipArchive* z = ZipArchive()) z->PasswordRetries = value;
}

}  // namespace kv

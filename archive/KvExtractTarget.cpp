#include "KvExtractTarget.h"

#include "KvSafeExtract.h"

namespace kv {

namespace {

// A second item of the run on the same file, or a file the user may not write, is
// skipped and reported rather than replaced.
void refuseTarget(TKvArchive* a, const std::string& base, const KvSafeName& name) {
  if (a->TargetTakenInRun(KvEnsureTrailingSlash(base) + name.Relative())) throw EKvDuplicateTarget();
  if (KvSafeTargetIsReadOnly(base, name)) throw EKvReadOnlyTarget();
}

}  // namespace

int64_t KvFreeBytesBelow(const std::string& base) {
  std::string p = base.empty() ? "." : base;
  while (!p.empty() && !KvIsDirectory(p)) p = KvExtractFileDir(p);
  return p.empty() ? -1 : KvClusterFreeBytes(p);
}

std::unique_ptr<KvSafeFileWriter> KvOpenSafeTarget(TKvArchive* a, const std::string& useName) {
  bool restore = a->ExtractOptions & eoRestorePath;
  bool create = a->ExtractOptions & eoCreateDirs;
  KvSafeName name = KvSanitizeStoredName(useName, restore);
  if (name.IsFolder()) {
    if (restore && !name.folders.empty()) KvSafeMakeFolders(a->BaseDirectory(), name.folders);
    return nullptr;
  }
  std::string base = a->BaseDirectory();
  refuseTarget(a, base, name);
  if (a->OnConfirmOverwrite && KvSafeTargetExists(base, name)) {
    std::string full = KvEnsureTrailingSlash(base) + name.Relative();
    std::string asked = full;
    bool confirm = true;
    a->OnConfirmOverwrite(asked, confirm);
    if (!confirm) return nullptr;
    if (asked != full) {
      std::string prefix = KvEnsureTrailingSlash(base);
      if (asked.rfind(prefix, 0) != 0) throw EKvUnsafeName();
      name = KvSanitizeStoredName(asked.substr(prefix.size()), true);
      if (name.IsFolder()) throw EKvUnsafeName();
      refuseTarget(a, base, name);
    }
  }
  return std::make_unique<KvSafeFileWriter>(base, name, create);
}

void KvCommitSafeTarget(TKvArchive* a, KvSafeFileWriter& w, int64_t mtime, bool readOnly) {
  w.Commit(mtime, readOnly);
  a->NoteTargetInRun(w.FullName());
}

void KvExtractToSafeFile(TKvArchive* a, const std::string& useName, int64_t mtime, bool readOnly,
                         const std::function<void(KvStream*)>& fill) {
  std::unique_ptr<KvSafeFileWriter> w = KvOpenSafeTarget(a, useName);
  if (!w) return;
  fill(w.get());
  KvCommitSafeTarget(a, *w, mtime, readOnly);
}

}  // namespace kv

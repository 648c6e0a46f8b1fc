#include "KvExtractTarget.h"

#include "KvSafeExtract.h"

namespace kv {

void KvExtractToSafeFile(TKvArchive* a, const std::string& useName, int64_t mtime, bool readOnly,
                         const std::function<void(KvStream*)>& fill) {
  bool restore = a->ExtractOptions & eoRestorePath;
  bool create = a->ExtractOptions & eoCreateDirs;
  KvSafeName name = KvSanitizeStoredName(useName, restore);
  if (name.IsFolder()) {
    if (restore && !name.folders.empty()) KvSafeMakeFolders(a->BaseDirectory(), name.folders);
    return;
  }
  std::string base = a->BaseDirectory();
  if (a->OnConfirmOverwrite && KvSafeTargetExists(base, name)) {
    std::string full = KvEnsureTrailingSlash(base) + name.Relative();
    std::string asked = full;
    bool confirm = true;
    a->OnConfirmOverwrite(asked, confirm);
    if (!confirm) return;
    if (asked != full) {
      std::string prefix = KvEnsureTrailingSlash(base);
      if (asked.rfind(prefix, 0) != 0) throw EKvUnsafeName();
      name = KvSanitizeStoredName(asked.substr(prefix.size()), true);
      if (name.IsFolder()) throw EKvUnsafeName();
    }
  }
  KvSafeFileWriter w(base, name, create);
  fill(&w);
  w.Commit(mtime, readOnly);
}

}  // namespace kv

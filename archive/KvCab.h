#pragma once
// Cabinet archives through the cabinet backend: list, extract (also to a stream, through
// a private temporary folder), test and write; spanning is refused.
#include <string>

#include "KvArchive.h"
#include "KvCabBackend.h"

namespace kv {

class TKvCabItem : public TKvArchiveItem {
 public:
  TKvCabItem() { Action = iaNone; }
  bool PartialFile = false;
  int64_t MTime = -1;
  int Index = -1;  // in the cabinet's listing order
  KvStream* Source = nullptr;  // data of an iaAddFromStream item (not owned)
};

class TKvCabArchive : public TKvArchive {
 public:
  TKvCabArchive(const std::string& fileName, uint16_t mode);
  TKvArchiveItem* CreateItem(const std::string& fileName) override;
  void ExtractItemAt(int index, const std::string& newName) override;
  void ExtractItemToStreamAt(int index, KvStream* stream) override;
  void LoadArchive() override;
  void SaveArchive() override;
  void TestItemAt(int index) override;
  std::string FixName(const std::string& value) override;

  int CompressionType = kCabMSZip;  // kCabNoCompression, kCabMSZip, kCabLZX

 private:
  KvCabBackend& backend();
};

}  // namespace kv

// Ini reader on arbitrary bytes: every lookup must stay in bounds.
#include <cstddef>
#include <cstdint>

#include "IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kalvora::IniFile ini = kalvora::IniFile::fromBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  for (const QString& section : ini.readSections()) {
    for (const QString& key : ini.readSection(section)) {
      ini.readString(section, key);
      ini.readInteger(section, key, 0);
      ini.readBool(section, key, false);
    }
  }
  ini.writeString("SETTINGS", "Language", "GERMAN");
  ini.deleteKey("SETTINGS", "Drive");
  ini.eraseSection("PLAYER");
  (void)ini.text();
  return 0;
}

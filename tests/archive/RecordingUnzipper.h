#pragma once
// The unzipper component as the program uses it, with the failures, overwrite questions
// and progress it reports recorded for a test.
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "KvUnZipper.h"

namespace ziptest {

struct Failure {
  std::string name;
  int code;
  bool operator==(const Failure& o) const { return name == o.name && code == o.code; }
  friend void PrintTo(const Failure& f, std::ostream* os) { *os << f.name << ": " << f.code; }
};

// The unzipper as a program uses it, with its events recorded.
struct RecordingUnzipper {
  kv::TKvUnZipper z;
  std::vector<Failure> failures;
  std::vector<std::string> questions;  // file names asked about; answered by `replace`
  bool replace = false;
  std::vector<int> progress;
  int abortAt = -1;
  RecordingUnzipper() {
    z.TarAutoHandle = true;
    z.OnProcessItemFailure = [this](kv::TKvBaseBrowser*, kv::TKvArchiveItem* it, kv::TKvProcessType,
                                    kv::TKvErrorClass, int code) { failures.push_back({it->FileName(), code}); };
    z.OnConfirmOverwrite = [this](std::string& name, bool& confirm) {
      questions.push_back(std::filesystem::path(name).filename().string());
      confirm = replace;
    };
    z.OnArchiveProgress = [this](kv::TKvBaseBrowser*, uint8_t p, bool& abort) {
      progress.push_back(p);
      abort = int(progress.size()) == abortAt;
    };
  }
};

}  // namespace ziptest

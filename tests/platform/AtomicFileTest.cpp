// Replacing a file whole, in every form the libraries use: the whole buffer, a stream written
// through the descriptor, a named temporary file written by another writer, and a move. The
// modes, owners and contents expected are the ones each test sets up itself, read back by stat.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <fstream>
#include <functional>

#include "AsUser.h"
#include "AtomicFile.h"
#include "FileOps.h"
#include "IniFile.h"
#include "SmallDisk.h"
#include "TestSupport.h"

using atomicfile::Failure;
using testsupport::readBytes;
using testsupport::TempFolder;
using testsupport::writeBytes;

namespace {

std::string native(const QString& path) { return QFile::encodeName(path).toStdString(); }

struct stat statOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st;
}
struct stat statOf(const QString& path) { return statOf(native(path)); }

// The names in a folder, sorted, hidden ones too: "a|b".
std::string entries(const QString& folder) {
  return QDir(folder)
      .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)
      .join('|')
      .toStdString();
}

struct Umask {
  mode_t old;
  explicit Umask(mode_t m) : old(::umask(m)) {}
  ~Umask() { ::umask(old); }
};

std::string baseName() { return "kalvora-fertig-" + std::to_string(::getpid()); }
// A name in the temporary folder (on the disk of the test's folders), which anyone may write.
std::string scratch() { return native(QDir::tempPath()) + "/" + baseName(); }

// Moves a finished file with content over t.
Failure moveFrom(const std::string& from, const std::string& t, const std::string& content) {
  { std::ofstream(from, std::ios::binary | std::ios::trunc) << content; }
  const Failure f = atomicfile::Move(from, t);
  // The finished file is gone exactly when the move is done.
  EXPECT_EQ(::access(from.c_str(), F_OK) == 0, f != Failure::None) << from;
  ::unlink(from.c_str());
  return f;
}

// One way of writing "content" over a target; the failure it met.
struct Form {
  const char* name;
  std::function<Failure(const std::string& target, const std::string& content)> write;
};

std::vector<Form> makeForms() {
  std::vector<Form> all = {
      {"whole buffer",
       [](const std::string& t, const std::string& c) { return atomicfile::Write(t, c.data(), c.size()); }},
      {"stream",
       [](const std::string& t, const std::string& c) {
         atomicfile::File f(t);
         // In two pieces, as a stream writes.
         const bool ok = f.Open() && f.Write(c.data(), c.size() / 2) &&
                         f.Write(c.data() + c.size() / 2, c.size() - c.size() / 2) && f.Commit();
         return ok ? Failure::None : f.failure();
       }},
      {"named",
       [](const std::string& t, const std::string& c) {
         atomicfile::File f(t, atomicfile::kNamed);
         if (!f.Open()) return f.failure();
         {
           // Another writer opens it by name, as the archive and report writers do.
           std::ofstream out(f.TempPath(), std::ios::binary | std::ios::trunc);
           out << c;
           out.flush();
           if (!out) return Failure::WriteError;  // the writer's failure: nothing is committed
         }
         return f.Commit() ? Failure::None : f.failure();
       }},
      {"Qt device",
       [](const std::string& t, const std::string& c) {
         kalvora::SaveFile f(QFile::decodeName(QByteArray::fromStdString(t)));
         if (!f.open()) return f.failure();
         if (f.write(c.data(), qint64(c.size())) != qint64(c.size())) return f.failure();
         return f.commit() ? Failure::None : f.failure();
       }},
      {"move", [](const std::string& t, const std::string& c) { return moveFrom(scratch(), t, c); }},
  };
  // A finished file on another file system is copied beside the target first.
  if (statOf(std::string("/dev/shm")).st_dev != statOf(QDir::tempPath()).st_dev)
    all.push_back({"move from another disk",
                   [](const std::string& t, const std::string& c) { return moveFrom("/dev/shm/" + baseName(), t, c); }});
  return all;
}

const std::vector<Form>& forms() {
  static const std::vector<Form> all = makeForms();
  return all;
}

bool named(const Form& f) { return std::string(f.name) == "named"; }

}  // namespace

TEST(AtomicFile, AReplacedFileKeepsItsModeAndOwner) {
  const bool root = ::geteuid() == 0;
  for (const Form& form : forms()) {
    for (const mode_t mode : {mode_t(0600), mode_t(0640), mode_t(0604), mode_t(04755)}) {
      SCOPED_TRACE(std::string(form.name) + " mode " + std::to_string(mode));
      TempFolder dir;
      const QString target = dir.file("bild.jpg");
      ASSERT_TRUE(writeBytes(target, "old"));
      ASSERT_EQ(::chmod(native(target).c_str(), mode), 0);
      // As root (CI), another user's file stays theirs.
      if (root) {
        ASSERT_EQ(::chown(native(target).c_str(), 65534, 65534), 0);
      }
      const ino_t inode = statOf(target).st_ino;
      ASSERT_EQ(form.write(native(target), "new content"), Failure::None);
      const struct stat st = statOf(target);
      EXPECT_EQ(readBytes(target), "new content");
      EXPECT_NE(st.st_ino, inode);  // replaced, not written over
      // Set-user and set-group bits are not carried onto new content.
      EXPECT_EQ(st.st_mode & 07777, mode & 01777);
      if (root) {
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
      }
      EXPECT_EQ(entries(dir.path()), "bild.jpg");
    }
  }
}

TEST(AtomicFile, ANewFileTakesTheUmask) {
  for (const Form& form : forms()) {
    if (std::string(form.name).rfind("move", 0) == 0) continue;  // a moved file keeps the mode it was made with
    for (const mode_t mask : {mode_t(022), mode_t(027), mode_t(002), mode_t(077)}) {
      SCOPED_TRACE(std::string(form.name) + " umask " + std::to_string(mask));
      TempFolder dir;
      Umask u(mask);
      ASSERT_EQ(form.write(native(dir.file("neu.ini")), "[SETTINGS]"), Failure::None);
      EXPECT_EQ(statOf(dir.file("neu.ini")).st_mode & 07777, 0666 & ~mask);
      EXPECT_EQ(readBytes(dir.file("neu.ini")), "[SETTINGS]");
      EXPECT_EQ(entries(dir.path()), "neu.ini");
    }
  }
}

TEST(AtomicFile, ATargetThatMayNotBeReplacedStaysAsItIs) {
  struct Case {
    const char* what;
    Failure expected;
    std::function<QString(const QString& dir)> prepare;  // gives the target
    bool asNobody;
  };
  const Case cases[] = {
      {"read-only file, also for root", Failure::ReadOnly,
       [](const QString& d) {
         writeBytes(d + "/fest.jpg", "old");
         ::chmod(native(d + "/fest.jpg").c_str(), 0444);
         return d + "/fest.jpg";
       },
       false},
      {"another user's file in a folder anyone may write", Failure::Denied,
       [](const QString& d) {
         writeBytes(d + "/fremd.jpg", "old");
         ::chmod(native(d + "/fremd.jpg").c_str(), 0644);
         ::chmod(native(d).c_str(), 0777);
         return d + "/fremd.jpg";
       },
       true},
      {"a folder the caller may not write", Failure::Denied,
       [](const QString& d) {
         QDir(d).mkdir("zu");
         writeBytes(d + "/zu/alt.ini", "old");
         ::chmod(native(d + "/zu/alt.ini").c_str(), 0666);
         ::chmod(native(d + "/zu").c_str(), 0755);
         ::chmod(native(d).c_str(), 0755);
         return d + "/zu/alt.ini";
       },
       true},
      {"a folder in the file's place", Failure::NotAFile,
       [](const QString& d) {
         QDir(d).mkdir("ordner.jpg");
         return d + "/ordner.jpg";
       },
       false},
      {"a missing folder", Failure::NoFolder, [](const QString& d) { return d + "/fehlt/neu.ini"; }, false},
  };
  for (const Form& form : forms()) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(form.name) + ": " + c.what);
      TempFolder dir;
      const QString target = c.prepare(dir.path());
      const std::string before = entries(dir.path());
      const QByteArray content = readBytes(target);
      Failure got;
      if (c.asNobody) {
        testsupport::AsOrdinaryUser nobody;
        got = form.write(native(target), "new content");
      } else {
        got = form.write(native(target), "new content");
      }
      EXPECT_EQ(int(got), int(c.expected));
      EXPECT_EQ(readBytes(target), content);
      EXPECT_EQ(entries(dir.path()), before);
      if (QFileInfo(target).path() != dir.path() && QFileInfo(target).isFile()) {
        EXPECT_EQ(entries(QFileInfo(target).path()), QFileInfo(target).fileName().toStdString());
      }
      ::chmod(native(dir.path()).c_str(), 0700);
    }
  }
}

TEST(AtomicFile, AFullOrReadOnlyDiskFailsAndKeepsTheOldFile) {
  TempFolder dir;
  testsupport::SmallDisk disk(dir.file("klein"));
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  const QString target = dir.file("klein/Pictures.ini");
  ASSERT_TRUE(writeBytes(target, "old"));
  ASSERT_TRUE(disk.fill());
  // More than the disk's last free bytes, less than what a new page would need anyway.
  const std::string content(20000, 'n');
  for (const char* state : {"full", "read-only"}) {
    for (const Form& form : forms()) {
      SCOPED_TRACE(std::string(state) + ", " + form.name);
      const Failure got = form.write(native(target), content);
      if (std::string(state) == "full" && named(form)) EXPECT_NE(int(got), int(Failure::None));  // its writer's word
      else if (std::string(state) == "full") EXPECT_EQ(int(got), int(Failure::NoSpace));
      else EXPECT_EQ(int(got), int(Failure::ReadOnly));
      EXPECT_EQ(readBytes(target), "old");
      EXPECT_EQ(entries(dir.file("klein")), "Pictures.ini|filler");
    }
    ASSERT_TRUE(disk.makeReadOnly());
  }
}

TEST(AtomicFile, ALinkStaysALinkToTheNewContent) {
  for (const Form& form : forms()) {
    SCOPED_TRACE(form.name);
    TempFolder dir;
    QDir(dir.path()).mkdir("echt");
    ASSERT_TRUE(writeBytes(dir.file("echt/Settings.ini"), "old"));
    ASSERT_EQ(::chmod(native(dir.file("echt/Settings.ini")).c_str(), 0640), 0);
    ASSERT_TRUE(QFile::link(dir.file("echt/Settings.ini"), dir.file("Settings.ini")));
    ASSERT_EQ(form.write(native(dir.file("Settings.ini")), "new"), Failure::None);
    EXPECT_TRUE(QFileInfo(dir.file("Settings.ini")).isSymLink());
    EXPECT_EQ(readBytes(dir.file("echt/Settings.ini")), "new");
    EXPECT_EQ(statOf(dir.file("echt/Settings.ini")).st_mode & 07777, 0640u);
    EXPECT_EQ(entries(dir.file("echt")), "Settings.ini");
  }
}

TEST(AtomicFile, WhatIsNotCommittedLeavesNothing) {
  for (const unsigned flags : {0u, unsigned(atomicfile::kNamed)}) {
    SCOPED_TRACE(flags);
    TempFolder dir;
    ASSERT_TRUE(writeBytes(dir.file("a.zip"), "old"));
    {
      atomicfile::File f(native(dir.file("a.zip")), flags);
      ASSERT_TRUE(f.Open());
      if (flags) std::ofstream(f.TempPath()) << "half";
      else ASSERT_TRUE(f.Write("half", 4));
    }  // dropped: an exception on the way, say
    {
      atomicfile::File f(native(dir.file("b.zip")), flags);
      ASSERT_TRUE(f.Open());
      f.Cancel();
      EXPECT_FALSE(f.Commit());
    }
    EXPECT_EQ(readBytes(dir.file("a.zip")), "old");
    EXPECT_EQ(entries(dir.path()), "a.zip");
  }
}

TEST(IniFileBatch, ACommitThatCannotWriteSaysSoAndWhy) {
  TempFolder dir;
  testsupport::SmallDisk disk(dir.file("klein"));
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  const QString path = dir.file("klein/Generator.ini");
  ASSERT_TRUE(writeBytes(path, "[SETTINGS]\r\nDrive=\r\n"));
  ASSERT_TRUE(disk.fill());
  kalvora::IniFile ini(path);
  {
    kalvora::IniFile::Batch batch(ini);
    ini.writeString("SETTINGS", "SourcePicturesPath", QString(5000, 'p'));
    {
      kalvora::IniFile::Batch inner(ini);
      ini.writeString("SETTINGS", "Drive", "/media/stick");
      EXPECT_TRUE(inner.commit());  // nothing is written before the outermost batch ends
    }
    EXPECT_FALSE(batch.commit());
    EXPECT_FALSE(batch.commit());  // asked again, the answer stays
  }
  EXPECT_EQ(int(ini.lastFailure()), int(kalvora::WriteFailure::NoSpace));
  EXPECT_TRUE(ini.pending());
  EXPECT_EQ(readBytes(path), "[SETTINGS]\r\nDrive=\r\n");
  // With room again the same batch form writes.
  ASSERT_TRUE(QFile::remove(dir.file("klein/filler")));
  {
    kalvora::IniFile::Batch batch(ini);
    ini.writeString("SETTINGS", "Effect", "3");
    EXPECT_TRUE(batch.commit());
  }
  EXPECT_EQ(int(ini.lastFailure()), int(kalvora::WriteFailure::None));
  EXPECT_FALSE(ini.pending());
  EXPECT_EQ(kalvora::IniFile(path).readString("SETTINGS", "Drive"), "/media/stick");
}

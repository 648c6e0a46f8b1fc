#pragma once
// Tests of what the program does when a file or folder may not be written. File modes do not
// bind root, and the tests run as root in CI, so such a test drops to an ordinary user around
// the part that meets the permission. Run as an ordinary user, nothing changes.
#include <QString>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

// The user a root run becomes: "nobody" (and its group "nogroup").
constexpr uid_t kOrdinaryUid = 65534;
constexpr gid_t kOrdinaryGid = 65534;

// For the life of the object the test program is an ordinary user: when it runs as root, its
// real and effective ids become nobody's (the real one too, so access() and what is built on it
// answer for that user) and it has no further groups; the saved id stays root's, which brings
// root back at the end. A failure to come back ends the program: the tests after it would run
// with the wrong rights.
class AsOrdinaryUser {
 public:
  AsOrdinaryUser();
  ~AsOrdinaryUser();
  AsOrdinaryUser(const AsOrdinaryUser&) = delete;
  AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;
  // True when the ids were changed (the test runs as root).
  bool dropped() const { return dropped_; }

 private:
  bool dropped_ = false;
  int dumpable_ = 1;
  std::vector<gid_t> groups_;
};

// True when the test program runs as root (outside an AsOrdinaryUser).
bool RunsAsRoot();

// Makes path, and everything below it, the ordinary user's own, as a user's files are: what a
// test made as root before the drop would otherwise be root's. Nothing to do when the test
// runs as an ordinary user already. False when a file could not be handed over.
bool GiveToOrdinaryUser(const QString& path);
bool GiveToOrdinaryUser(const std::string& path);

// Lets others through every folder from top down to path (read and search rights added, the
// other mode bits kept), so the ordinary user reaches path in folders root made for the test.
// Folders above top stay as they are. False when path is not top or below it.
bool OpenWayTo(const QString& top, const QString& path);

}  // namespace testsupport

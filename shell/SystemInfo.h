#pragma once
// The user's and the system's standard folders, gathered once at start-up.
// On Linux they come from the XDG folders (QStandardPaths) instead of a registry; a folder
// the desktop does not define stays empty. Folder texts carry no trailing separator,
// except TempPath, which does (as the system call it stands for gave it).
#include <QString>

class TWindowsInfo {
 public:
  TWindowsInfo();

  QString Desktop;
  QString Favorites;
  QString Fonts;
  QString NetHood;
  QString Personal;  // the user's documents folder
  QString Programs;
  QString Recent;
  QString SendTo;
  QString StartMenu;
  QString Startup;
  QString Templates;
  QString Cache;
  QString LogonUserName;
  QString SystemRoot;       // where system-wide program data lives; nothing of ours writes there
  QString OSName;
  QString ProgramFilesDir;  // where other products are installed (the sibling product's folder)
  QString CommonFilesDir;
  QString MediaPath;
  QString TempPath;
  QString AddressBookFile;  // no address book on Linux: empty
};

// The one instance of the run; created on first use if the program has not created it.
TWindowsInfo& WindowsInfo();
// Re-reads the folders (tests that change HOME call this).
void ResetWindowsInfo();

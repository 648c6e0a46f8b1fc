#pragma once
// File operations as the program needs them on Linux: Windows-style wildcards, names
// looked up without case (names in stored lists were written on a case-blind system),
// copies that replace their target, and replacing writes that never leave half a file.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kalvora {

// Wildcard match without case (platform/plain/Wildcard.h): '*' any run, '?' one character;
// "*.*" matches every name, also one without a point.
bool MatchesMask(const QString& name, const QString& mask);

enum class FindKind { Files, Folders, Both };
// Names (not paths) of the entries of folder that match mask, sorted without case.
QStringList FindFiles(const QString& folder, const QString& mask, FindKind kind = FindKind::Files);

// The path as it exists on disk: each component that does not exist as written is looked
// up again without case. Returns path unchanged when nothing matches.
QString ResolveNoCase(const QString& path);

// Copies src over dst (through a temporary file in dst's folder), keeping the modification
// time and permissions. False when src is missing or dst cannot be written.
bool CopyFileReplace(const QString& src, const QString& dst);

// Writes data to path through a temporary file in the same folder renamed over the old file.
bool WriteFileAtomic(const QString& path, const QByteArray& data);

// Moves a file or folder to the user's trash; false when it is not there or cannot be moved.
bool MoveToTrash(const QString& path);

// Creates the folder and its missing parents.
bool ForceDirectories(const QString& path);

}  // namespace kalvora

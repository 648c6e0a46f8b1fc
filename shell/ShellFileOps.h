#pragma once
// Copying, moving, renaming and deleting whole folders, as the Windows shell's file operation
// did it for the program: only folders are handled, deleting goes to the user's trash.
#include <QString>

// operation is "COPY", "DELETE", "MOVE" or "RENAME" (compared without case); another text fails.
// Copy and move of a folder onto an existing folder put it inside that folder, as the shell did.
// A target name that is taken is never overwritten: with renameOnCollision the folder gets a
// free name ("name (2)", ...), otherwise the operation fails. noConfirmation, silent and
// simpleProgress are accepted for the callers' sake: nothing here asks or shows progress.
// True when the whole operation succeeded.
bool ShellFileOperation(const QString& operation, bool renameOnCollision, bool noConfirmation, bool silent,
                        bool simpleProgress, const QString& fromPath, const QString& toPath);

// Moves the folder to the trash; false when it is no folder or cannot be moved.
bool DeletePath(const QString& path);

// A path that does not exist yet: path itself, or path with " (2)", " (3)", ... before the
// extension of its last part.
QString FreePathFor(const QString& path);

// Renames a file without ever replacing another: when to is taken, the next free name of
// FreePathFor is used. Returns the name used, empty when the rename failed.
QString RenameNoReplace(const QString& from, const QString& to);

#pragma once
// The editor's step protocol: how a change of the picture becomes one undoable step.
//
// The picture being edited lives in the editor's view. The program folder mirrors it:
//   "Temp.jpg"      the working copy, always the picture as it is now (JPEG);
//   "UNDO_<n>.jpg"  snapshots, n from 1: snapshot k holds the picture before step k, and
//                   snapshot UndoIndex() + 1 the picture as it is now.
// Undo goes back one snapshot (to the picture's own file at the first), redo forward; a new
// step after an undo cuts the redo chain (its snapshots are removed).
//
// A step is a transaction. A dialog that changes the picture gets the session from the editor
// window (BildbeaerbeitungForm->Steps(); its view is Steps().View(), and Steps().EnsureWorkingCopy()
// writes "Temp.jpg" when the dialog reads its input from there) and does:
//
//   editor::EditStep step = session.BeginStep();   // records the picture as it is now
//   if (!step.IsOpen()) return;                     // could not start (the user was told)
//   ... make the new picture: in a bitmap of its own, in a file, or in the view itself ...
//   step.CommitPicture(bitmap);                     // or step.CommitFile(folder + "Temp.bmp")
//                                                   // or step.CommitView()
//
// A commit makes exactly one undoable step: it writes the working copy and the snapshot, moves
// the undo index and tells the editor (info line, buttons, the main window's thumbnail). When
// anything fails on the way, or the step is dropped without a commit (Rollback, or the EditStep
// goes out of scope, also by an exception), the view and the working copy return to the last
// snapshot (the picture recorded at BeginStep; the picture's own file before the first step),
// no snapshot is left for the step, the undo and redo chains are as before, and - for a failed
// commit - the user gets a message. Nothing here throws.
//
// Only one step is open at a time; BeginStep while one is open gives a closed step.
#include <QString>
#include <functional>

#include "PxBitmap.h"

class TPicImage;

namespace editor {

class EditSession;

class EditStep {
 public:
  EditStep() = default;
  EditStep(EditStep&& other) noexcept;
  EditStep& operator=(EditStep&& other) noexcept;
  EditStep(const EditStep&) = delete;
  EditStep& operator=(const EditStep&) = delete;
  ~EditStep();  // rolls back a step that was not committed

  bool IsOpen() const { return session_ != nullptr; }

  // How the commit tells the editor: Full refreshes the thumbnail at once; Deferred records the
  // step (snapshot, working copy, undo) but leaves the refresh to a later
  // EditSession::FinishDeferred (the red-eye panel removes several times, then commits once).
  enum class Notify { Full, Deferred };

  // The view already holds the new picture.
  bool CommitView(Notify notify = Notify::Full);
  // The new picture is `picture` (copied into the view).
  bool CommitPicture(const px::Bitmap& picture, Notify notify = Notify::Full);
  // The new picture is a file (e.g. the program folder + "Temp.bmp" of a dialog); it is loaded
  // into the view. A file that cannot be loaded fails the step.
  bool CommitFile(const QString& path, Notify notify = Notify::Full);
  // Drops the step; reason (German), when not empty, is shown to the user.
  void Rollback(const QString& reason = QString());

 private:
  friend class EditSession;
  explicit EditStep(EditSession* session) : session_(session) {}
  EditSession* session_ = nullptr;
};

// The undo engine of one showing of the editor: the view, the files and the indexes.
class EditSession {
 public:
  struct Hooks {
    // After every commit, undo and redo (Full): the working copy's path.
    std::function<void(const QString& workingCopy)> committed;
    // The undo or redo state changed (buttons).
    std::function<void()> stateChanged;
    // A message for the user.
    std::function<void(const QString& text)> report;
  };

  EditSession() = default;
  EditSession(const EditSession&) = delete;
  EditSession& operator=(const EditSession&) = delete;
  ~EditSession();

  void SetHooks(Hooks hooks) { hooks_ = std::move(hooks); }

  // Starts a showing: removes the snapshots and the working copy an earlier showing may have
  // left, resets the indexes and loads the picture into the view. False (with a message) when
  // the picture cannot be loaded.
  bool Open(TPicImage* view, const QString& folder, const QString& picturePath);
  bool IsOpenFor() const { return view_ != nullptr; }

  TPicImage* View() const { return view_; }
  // The program folder (ends in "/") and the files in it.
  QString Folder() const { return folder_; }
  QString WorkingCopyPath() const;
  QString SnapshotPath(int n) const;
  QString PicturePath() const { return picturePath_; }

  int UndoIndex() const { return undoIndex_; }
  int RedoTop() const { return redoTop_; }
  bool CanUndo() const { return undoIndex_ > 0; }
  bool CanRedo() const { return undoIndex_ < redoTop_; }
  bool Changed() const { return changed_; }
  bool StepOpen() const { return stepOpen_; }

  EditStep BeginStep();
  // Makes sure "Temp.jpg" holds the picture as it is now (a dialog reads it as its input).
  bool EnsureWorkingCopy();
  // Tells the editor once what Deferred commits left out (the red-eye panel calls it when it is
  // left, whatever happened in it).
  void FinishDeferred();

  // Undo and redo: false when there is nothing to do or a snapshot is missing (no commit then).
  bool Undo();
  bool Redo();

  // Writes the picture as it is now over the picture's own file in the format its extension
  // names (atomically). On failure the file and the working copy stay; error says why.
  bool SaveBack(QString* error);
  // Shows the picture's own file again (closing without saving).
  bool Discard();
  // Ends the showing: removes the snapshots (the working copy stays, as other windows expect).
  void Close();

 private:
  friend class EditStep;
  bool commit(const QString& file, const px::Bitmap* picture, EditStep::Notify notify);
  void rollback(const QString& reason);
  bool writeCurrent(bool alsoSnapshot, QString* error);
  void removeSnapshotsFrom(int first);
  void notifyCommitted();
  void report(const QString& text) const;
  bool loadInto(const QString& path, QString* error);

  Hooks hooks_;
  TPicImage* view_ = nullptr;
  QString folder_, picturePath_;
  int undoIndex_ = 0;
  int redoTop_ = 0;
  bool changed_ = false;
  int originalFormat_ = 0;      // format of the picture's own file
  bool currentSaved_ = false;   // snapshot UndoIndex()+1 and Temp.jpg hold the current picture
  bool deferred_ = false;
  // The open step.
  bool stepOpen_ = false;
  bool stepWroteSnapshot_ = false;
};

}  // namespace editor

#include "EditStep.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <exception>
#include <utility>

#include "EditorFiles.h"
#include "PicImageVCL.h"

namespace editor {

// ---- EditStep ---------------------------------------------------------------------------------
EditStep::EditStep(EditStep&& other) noexcept : session_(other.session_) { other.session_ = nullptr; }

EditStep& EditStep::operator=(EditStep&& other) noexcept {
  if (this != &other) {
    Rollback();
    session_ = other.session_;
    other.session_ = nullptr;
  }
  return *this;
}

EditStep::~EditStep() { Rollback(); }

bool EditStep::CommitView(Notify notify) {
  EditSession* s = std::exchange(session_, nullptr);
  return s && s->commit(QString(), nullptr, notify);
}

bool EditStep::CommitPicture(const px::Bitmap& picture, Notify notify) {
  EditSession* s = std::exchange(session_, nullptr);
  return s && s->commit(QString(), &picture, notify);
}

bool EditStep::CommitFile(const QString& path, Notify notify) {
  EditSession* s = std::exchange(session_, nullptr);
  if (s && path.isEmpty()) {
    s->rollback(QString::fromUtf8("Der Bearbeitungsschritt hat kein Ergebnis."));
    return false;
  }
  return s && s->commit(path, nullptr, notify);
}

void EditStep::Rollback(const QString& reason) {
  if (EditSession* s = std::exchange(session_, nullptr)) s->rollback(reason);
}

// ---- EditSession ------------------------------------------------------------------------------
namespace {
QString loadError(const QString& path) {
  return QString::fromUtf8("Das Bild „%1“ kann nicht geladen werden.").arg(QFileInfo(path).fileName());
}
}  // namespace

EditSession::~EditSession() = default;

QString EditSession::WorkingCopyPath() const { return folder_ + WorkingCopyName; }
QString EditSession::SnapshotPath(int n) const { return folder_ + SnapshotName(n); }

void EditSession::report(const QString& text) const {
  if (!text.isEmpty() && hooks_.report) hooks_.report(text);
}

void EditSession::removeSnapshotsFrom(int first) {
  const QDir dir(folder_);
  for (const QString& name : dir.entryList({QStringLiteral("UNDO*.jpg")}, QDir::Files)) {
    bool ok = false;
    const int n = name.mid(5, name.size() - 9).toInt(&ok);
    if (first <= 0 || (ok && n >= first)) QFile::remove(folder_ + name);
  }
}

bool EditSession::loadInto(const QString& path, QString* error) {
  try {
    if (view_->Load(path, 0, 1, 1) == 1 && view_->IsAllocated()) return true;
  } catch (const std::exception&) {
  }
  if (error) *error = loadError(path);
  return false;
}

bool EditSession::Open(TPicImage* view, const QString& folder, const QString& picturePath) {
  view_ = view;
  folder_ = folder.endsWith('/') ? folder : folder + '/';
  picturePath_ = picturePath;
  undoIndex_ = redoTop_ = 0;
  changed_ = currentSaved_ = deferred_ = stepOpen_ = false;
  // What an earlier showing (of maybe another picture) left must never come back.
  removeSnapshotsFrom(0);
  QFile::remove(WorkingCopyPath());
  originalFormat_ = 0;
  QString error;
  if (picturePath.isEmpty() || !QFileInfo(picturePath).isFile() || !loadInto(picturePath, &error)) {
    report(loadError(picturePath));
    return false;
  }
  originalFormat_ = view_->InfoFormat();
  return true;
}

bool EditSession::writeCurrent(bool alsoSnapshot, QString* error) {
  QByteArray bytes;
  int status = 0;
  try {
    status = EncodePicture(view_->Bitmap(), px::kFormatJpeg422, 24, 2, bytes);
  } catch (const std::exception&) {
    status = 0;
  }
  if (status != 1) {
    if (error) *error = QString::fromUtf8("Das Bild kann nicht als JPEG gespeichert werden (Code %1).").arg(status);
    return false;
  }
  if (!WriteFileAtomic(WorkingCopyPath(), bytes, error)) return false;
  return !alsoSnapshot || WriteFileAtomic(SnapshotPath(undoIndex_ + 1), bytes, error);
}

bool EditSession::EnsureWorkingCopy() {
  if (!view_ || !view_->IsAllocated()) return false;
  QString error;
  if (writeCurrent(false, &error)) return true;
  report(error);
  return false;
}

EditStep EditSession::BeginStep() {
  if (!view_ || stepOpen_ || !view_->IsAllocated()) return EditStep();
  // The picture as it is now is kept as a file (a copy in memory would cost as much as the
  // step itself on a large picture): a dropped step goes back to it.
  stepWroteSnapshot_ = false;
  if (!currentSaved_) {
    QString error;
    if (!writeCurrent(true, &error)) {
      report(error);
      return EditStep();
    }
    stepWroteSnapshot_ = true;
    currentSaved_ = true;
  }
  stepOpen_ = true;
  return EditStep(this);
}

bool EditSession::commit(const QString& file, const px::Bitmap* picture, EditStep::Notify notify) {
  if (!stepOpen_) return false;
  QString error;
  QByteArray bytes;
  try {
    if (picture) {
      if (view_->SetBitmap(picture) != 1) error = QString::fromUtf8("Das Ergebnis kann nicht übernommen werden.");
    } else if (!file.isEmpty()) {
      loadInto(file, &error);
    }
    if (error.isEmpty() && !view_->IsAllocated()) error = QString::fromUtf8("Das Ergebnis ist leer.");
    if (error.isEmpty()) {
      const int status = EncodePicture(view_->Bitmap(), px::kFormatJpeg422, 24, 2, bytes);
      if (status != 1) error = QString::fromUtf8("Das Bild kann nicht als JPEG gespeichert werden (Code %1).").arg(status);
    }
  } catch (const std::exception& e) {
    error = QString::fromUtf8("Der Bearbeitungsschritt ist fehlgeschlagen: %1").arg(QString::fromUtf8(e.what()));
  }
  if (error.isEmpty() && WriteFileAtomic(WorkingCopyPath(), bytes, &error) &&
      WriteFileAtomic(SnapshotPath(undoIndex_ + 2), bytes, &error)) {
    // The step is in: a new step after undo cuts the redo chain.
    removeSnapshotsFrom(undoIndex_ + 3);
    ++undoIndex_;
    redoTop_ = undoIndex_;
    changed_ = true;
    currentSaved_ = true;
    stepOpen_ = false;
    if (notify == EditStep::Notify::Full) notifyCommitted();
    else deferred_ = true;
    if (hooks_.stateChanged) hooks_.stateChanged();
    return true;
  }
  rollback(error.isEmpty() ? QString::fromUtf8("Der Bearbeitungsschritt ist fehlgeschlagen.") : error);
  return false;
}

void EditSession::rollback(const QString& reason) {
  if (!stepOpen_) return;
  stepOpen_ = false;
  // Back to the last snapshot: the picture's own file before the first step.
  const QString snapshot = SnapshotPath(undoIndex_ + 1);
  if (!(undoIndex_ == 0 && loadInto(picturePath_, nullptr)) && !loadInto(snapshot, nullptr))
    report(QString::fromUtf8("Der letzte Zwischenstand „%1“ kann nicht geladen werden.").arg(SnapshotName(undoIndex_ + 1)));
  // The working copy holds the picture before the step again.
  CopyFileAtomic(snapshot, WorkingCopyPath());
  if (stepWroteSnapshot_ && undoIndex_ == 0) {
    QFile::remove(SnapshotPath(1));
    currentSaved_ = false;
  }
  if (hooks_.stateChanged) hooks_.stateChanged();
  report(reason);
}

void EditSession::notifyCommitted() {
  deferred_ = false;
  changed_ = true;
  if (hooks_.committed) hooks_.committed(WorkingCopyPath());
}

void EditSession::FinishDeferred() {
  if (view_ && view_->IsAllocated()) notifyCommitted();
}

bool EditSession::Undo() {
  if (!view_ || stepOpen_ || undoIndex_ < 1) return false;
  // The first snapshot is the picture's own file, loaded without a JPEG round trip.
  const QString source = undoIndex_ == 1 ? picturePath_ : SnapshotPath(undoIndex_);
  const QString snapshot = SnapshotPath(undoIndex_);
  if (!QFileInfo(source).isFile() || !QFileInfo(snapshot).isFile()) {
    report(QString::fromUtf8("Der Zwischenstand „%1“ fehlt; der Schritt kann nicht rückgängig gemacht werden.")
               .arg(QFileInfo(snapshot).fileName()));
    return false;
  }
  // Loading replaces the view's pixels, so the record keeps the picture shown until then.
  const px::Bitmap shown = view_->Bitmap();
  QString error;
  if (!loadInto(source, &error) || !CopyFileAtomic(snapshot, WorkingCopyPath(), &error)) {
    try {
      view_->SetBitmap(&shown);
    } catch (const std::exception&) {
    }
    report(error);
    return false;
  }
  --undoIndex_;
  currentSaved_ = true;
  notifyCommitted();
  if (hooks_.stateChanged) hooks_.stateChanged();
  return true;
}

bool EditSession::Redo() {
  if (!view_ || stepOpen_ || undoIndex_ >= redoTop_) return false;
  const QString snapshot = SnapshotPath(undoIndex_ + 2);
  if (!QFileInfo(snapshot).isFile()) {
    report(QString::fromUtf8("Der Zwischenstand „%1“ fehlt; der Schritt kann nicht wiederhergestellt werden.")
               .arg(QFileInfo(snapshot).fileName()));
    return false;
  }
  // Loading replaces the view's pixels, so the record keeps the picture shown until then.
  const px::Bitmap shown = view_->Bitmap();
  QString error;
  if (!loadInto(snapshot, &error) || !CopyFileAtomic(snapshot, WorkingCopyPath(), &error)) {
    try {
      view_->SetBitmap(&shown);
    } catch (const std::exception&) {
    }
    report(error);
    return false;
  }
  ++undoIndex_;
  currentSaved_ = true;
  notifyCommitted();
  if (hooks_.stateChanged) hooks_.stateChanged();
  return true;
}

bool EditSession::SaveBack(QString* error) {
  if (!view_ || !view_->IsAllocated()) {
    if (error) *error = QString::fromUtf8("Es ist kein Bild geladen.");
    return false;
  }
  const SaveFormat f = SaveBackFormat(picturePath_, originalFormat_, view_->Bitmap().bits);
  QByteArray bytes;
  int status = 0;
  try {
    status = EncodePicture(view_->Bitmap(), f.format, f.bits, f.qfactor, bytes);
  } catch (const std::exception&) {
    status = 0;
  }
  if (status != 1) {
    if (error)
      *error = QString::fromUtf8("Das Bild kann nicht im Format von „%1“ gespeichert werden (Code %2).")
                   .arg(QFileInfo(picturePath_).fileName())
                   .arg(status);
    return false;
  }
  const QFileDevice::Permissions permissions = QFile::permissions(picturePath_);
  if (!WriteFileAtomic(picturePath_, bytes, error)) return false;
  if (permissions) QFile::setPermissions(picturePath_, permissions);
  return true;
}

bool EditSession::Discard() {
  if (!view_) return false;
  QString error;
  if (!loadInto(picturePath_, &error)) {
    report(error);
    return false;
  }
  if (!CopyFileAtomic(SnapshotPath(1), WorkingCopyPath())) writeCurrent(false, nullptr);
  currentSaved_ = false;
  return true;
}

void EditSession::Close() {
  if (stepOpen_) rollback(QString());
  if (!folder_.isEmpty()) removeSnapshotsFrom(0);
  undoIndex_ = redoTop_ = 0;
  currentSaved_ = deferred_ = false;
}

}  // namespace editor

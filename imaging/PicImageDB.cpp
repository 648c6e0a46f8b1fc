// Data binding: the blob field of a database record as the component's picture.
#include "PicImageDB.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QUuid>
#include <algorithm>
#include <cstring>

#include "PicImageVCL.h"

// ---- Blob header ----------------------------------------------------------------------------
namespace picblob {

static void PutU32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = char((v >> (8 * i)) & 255);
}

static uint32_t GetU32(const char* p) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(p[i])) << (8 * i);
  return v;
}

QByteArray MakeHeader(uint32_t dataSize) {
  QByteArray h(kHeaderSize, '\0');
  std::memcpy(h.data(), kMagic, 8);
  PutU32(h.data() + 8, uint32_t(kHeaderSize));
  PutU32(h.data() + 12, dataSize);
  return h;
}

void PictureData(const QByteArray& field, qsizetype& offset, qsizetype& size) {
  offset = 0;
  size = field.size();
  if (field.size() >= 8 && std::memcmp(field.constData(), kMagic, 8) == 0) {
    // The header size as stored; a field too short to hold it has nothing behind the header.
    const uint32_t headerSize = field.size() >= 12 ? GetU32(field.constData() + 8) : uint32_t(field.size());
    const qsizetype skip = qsizetype(std::min<uint64_t>(headerSize, uint64_t(field.size())));
    offset = skip;
    size = std::max<qsizetype>(0, field.size() - skip);
  }
}

}  // namespace picblob

// ---- Data source ----------------------------------------------------------------------------
TPicDataSource::TPicDataSource(const QSqlDatabase& db, const QString& table, const QString& keyColumn, QObject* parent)
    : QObject(parent), connection_(db.connectionName()), table_(table), keyColumn_(keyColumn) {}

TPicDataSource::~TPicDataSource() {
  // Controls bound to a source that goes away forget it.
  for (TPicFieldDataLink* link : links_) link->source_ = nullptr;
}

bool TPicDataSource::Active() const {
  QSqlDatabase db = QSqlDatabase::database(connection_, false);
  return db.isValid() && db.isOpen() && db.tables().contains(table_, Qt::CaseInsensitive);
}

bool TPicDataSource::HasField(const QString& name) const {
  if (!Active()) return false;
  return QSqlDatabase::database(connection_, false).record(table_).indexOf(name) >= 0;
}

bool TPicDataSource::IsBlobField(const QString& name) const {
  if (!Active()) return false;
  // SQLite keeps the declared type; the driver reports BLOB columns (and untyped ones) as bytes.
  QSqlDatabase db = QSqlDatabase::database(connection_, false);
  QSqlQuery q(db);
  if (!q.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(QString(table_).replace('"', "\"\""))))
    return db.record(table_).field(name).metaType().id() == QMetaType::QByteArray;
  while (q.next()) {
    if (q.value(1).toString().compare(name, Qt::CaseInsensitive) != 0) continue;
    const QString type = q.value(2).toString().trimmed().toUpper();
    return type.isEmpty() || type.contains(QLatin1String("BLOB")) || type.contains(QLatin1String("BINARY")) ||
           type.contains(QLatin1String("BYTEA")) || type.contains(QLatin1String("GRAPHIC"));
  }
  return false;
}

QVariant TPicDataSource::FieldValue(const QString& name) const {
  return hasRecord_ ? record_.value(name) : QVariant();
}

void TPicDataSource::SetFieldValue(const QString& name, const QVariant& value) {
  if (!hasRecord_ || record_.indexOf(name) < 0) return;
  record_.setValue(name, value);
  if (std::find(changedFields_.begin(), changedFields_.end(), name) == changedFields_.end())
    changedFields_.push_back(name);
  modified_ = true;
}

static QString Quoted(const QString& name) { return QLatin1Char('"') + QString(name).replace('"', "\"\"") + QLatin1Char('"'); }

bool TPicDataSource::MoveTo(const QVariant& key) {
  key_ = key;
  return Refresh();
}

bool TPicDataSource::Refresh() {
  hasRecord_ = false;
  record_ = QSqlRecord();
  changedFields_.clear();
  modified_ = false;
  for (TPicFieldDataLink* link : links_) link->modified_ = false;
  if (Active()) {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("SELECT * FROM %1 WHERE %2 = ?").arg(Quoted(table_), Quoted(keyColumn_)));
    q.addBindValue(key_);
    if (q.exec() && q.next()) {
      record_ = q.record();
      hasRecord_ = true;
    } else {
      lastSqlError_ = q.lastError().text();
    }
  }
  DataChanged();
  return hasRecord_;
}

void TPicDataSource::DataChanged() {
  const std::vector<TPicFieldDataLink*> links = links_;
  for (TPicFieldDataLink* link : links)
    if (link->control_) link->control_->LoadFromBlob(this);
}

bool TPicDataSource::Post() {
  if (!hasRecord_) return false;
  const std::vector<TPicFieldDataLink*> links = links_;
  for (TPicFieldDataLink* link : links)
    if (link->control_ && link->modified_ && !link->readOnly_) link->control_->SaveToBlob(this);
  if (changedFields_.empty()) {
    modified_ = false;
    return true;
  }
  QStringList sets;
  for (const QString& f : changedFields_) sets << Quoted(f) + QStringLiteral(" = ?");
  QSqlQuery q(QSqlDatabase::database(connection_, false));
  q.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?").arg(Quoted(table_), sets.join(QStringLiteral(", ")),
                                                                   Quoted(keyColumn_)));
  for (const QString& f : changedFields_) {
    const QVariant v = record_.value(f);
    if (v.isNull() && record_.field(f).metaType().id() != QMetaType::QByteArray)
      q.addBindValue(QVariant(QMetaType::fromType<QByteArray>()));
    else
      q.addBindValue(v);
  }
  q.addBindValue(key_);
  if (!q.exec()) {
    lastSqlError_ = q.lastError().text();
    return false;
  }
  changedFields_.clear();
  modified_ = false;
  for (TPicFieldDataLink* link : links) link->modified_ = false;
  return true;
}

void TPicDataSource::AddLink(TPicFieldDataLink* link) {
  if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TPicDataSource::RemoveLink(TPicFieldDataLink* link) { links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end()); }

// ---- Field data link ------------------------------------------------------------------------
TPicFieldDataLink::TPicFieldDataLink(TPicImage* control) : control_(control) {}

TPicFieldDataLink::~TPicFieldDataLink() {
  if (source_) source_->RemoveLink(this);
}

void TPicFieldDataLink::SetDataSource(TPicDataSource* source) {
  if (source_ == source) return;
  if (source_) source_->RemoveLink(this);
  source_ = source;
  if (source_) source_->AddLink(this);
}

bool TPicFieldDataLink::HasField() const {
  return source_ && !fieldName_.isEmpty() && source_->HasRecord() && source_->HasField(fieldName_);
}

bool TPicFieldDataLink::FieldIsBlob() const { return HasField() && source_->IsBlobField(fieldName_); }

bool TPicFieldDataLink::FieldIsNull() const { return !HasField() || source_->FieldValue(fieldName_).isNull(); }

QByteArray TPicFieldDataLink::FieldBytes() const {
  return HasField() ? source_->FieldValue(fieldName_).toByteArray() : QByteArray();
}

void TPicFieldDataLink::SetFieldBytes(const QByteArray& bytes) {
  if (HasField()) source_->SetFieldValue(fieldName_, bytes);
}

void TPicFieldDataLink::ClearField() {
  if (HasField()) source_->SetFieldValue(fieldName_, QVariant(QMetaType::fromType<QByteArray>()));
}

void TPicFieldDataLink::Modified() {
  modified_ = true;
  if (source_) source_->SetModified();
}

// ---- The component's side -------------------------------------------------------------------
void TPicImage::DataLinkDeleter::operator()(TPicFieldDataLink* link) const { delete link; }

static TPicFieldDataLink* EnsureLink(TPicImage* self, std::unique_ptr<TPicFieldDataLink, TPicImage::DataLinkDeleter>& link) {
  if (!link) link.reset(new TPicFieldDataLink(self));
  return link.get();
}

QString TPicImage::DataField() const { return dataLink_ ? dataLink_->FieldName() : QString(); }

void TPicImage::SetDataField(const QString& name) {
  TPicFieldDataLink* link = EnsureLink(this, dataLink_);
  TPicDataSource* src = link->DataSource();
  if (!name.isEmpty() && src && src->Active() && src->HasField(name) && !src->IsBlobField(name)) {
    throw EInvalidFieldType(QStringLiteral("TPicImage.DataField can only be connected to columns of type Blob"));
  }
  if (!name.isEmpty() && src && src->Active() && !src->HasField(name)) {
    // A column that does not exist cannot hold a picture either.
    throw EInvalidFieldType(QStringLiteral("TPicImage.DataField can only be connected to columns of type Blob"));
  }
  link->SetFieldName(name);
  lastError_ = 1;
}

TPicDataSource* TPicImage::DataSource() const { return dataLink_ ? dataLink_->DataSource() : nullptr; }

void TPicImage::SetDataSource(TPicDataSource* source) {
  TPicFieldDataLink* link = EnsureLink(this, dataLink_);
  link->SetDataSource(source);
  if (source) {
    SetDataSaveBits(24);
    SetDataSaveFormat(5);
    SetDataSaveQuality(-5);
  }
  lastError_ = 1;
}

bool TPicImage::ReadOnly() const { return dataLink_ ? dataLink_->ReadOnly() : readOnly_; }

void TPicImage::SetReadOnly(bool v) {
  readOnly_ = v;
  EnsureLink(this, dataLink_)->SetReadOnly(v);
  lastError_ = 1;
}

void TPicImage::MarkBlobModified() {
  if (dataLink_ && dataLink_->FieldIsBlob()) {
    dataLink_->Modified();
    blobModified_ = true;
  }
}

// Save format 5 and the quality values -1/-5 are the library's "keep the picture exactly"
// choice: pictures go into the field losslessly as PNG (24 bits, or the picture's own depth
// when asked for 0).
static int BlobFormat(int format) { return format == 5 ? px::kFormatPng : format; }

int TPicImage::LoadBlobBytes(const QByteArray* data) {
  FreeImage();
  int status = 1;
  if (data && !data->isEmpty()) {
    qsizetype offset = 0, size = 0;
    picblob::PictureData(*data, offset, size);
    const auto* bytes = reinterpret_cast<const uint8_t*>(data->constData()) + offset;
    auto list = std::make_unique<px::BitmapList>();
    px::LoadOptions opts;
    // A field holds one picture: the first page.
    status = size > 0 ? px::LoadMemoryToList(bytes, size_t(size), opts, DataLoadBits(), *list, 1) : px::kReadError;
    if (status == px::kStopped) status = 1;
    if (status == 1 && list->count() > 0) {
      list_ = std::move(list);
      listIndex_ = 0;
      bitmap_ = list_->items.front();
      allocated_ = bitmap_.allocated();
      px::FileInfo info;
      if (px::GetFileInfoMemory(bytes, size_t(size), info) == 1) {
        info_ = info;
        info_.pageCount = 1;
      }
    } else {
      if (status == 1) status = px::kInvalidFormat;
      list_.reset();
      px::InitBitmap(bitmap_);
      allocated_ = false;
    }
  }
  blobModified_ = false;
  ImageChanged();
  return status;
}

void TPicImage::LoadFromBlob(QObject*) {
  int status = 1;
  if (dataLink_ && dataLink_->FieldIsBlob()) {
    if (dataLink_->FieldIsNull()) {
      status = LoadBlobBytes(nullptr);
    } else {
      const QByteArray bytes = dataLink_->FieldBytes();
      status = LoadBlobBytes(&bytes);
    }
  }
  lastError_ = status;
  RaiseMethodError(QStringLiteral("DataField"), status);
}

int TPicImage::SaveBlobBytes(QByteArray& out) {
  out.clear();
  if (!allocated_ || !bitmap_.allocated()) return px::kInvalidBitmap;
  px::SaveOptions opts;
  SetSaveOptions(opts, 0, DataSaveBits(), false);
  std::vector<uint8_t> data;
  const int format = BlobFormat(DataSaveFormat());
  // Quality values below 1 ask for the library's default quality.
  const int q = DataSaveQuality() >= 1 ? DataSaveQuality() : 2;
  int status = px::SaveBitmapMemory(data, bitmap_, format, DataSaveBits(), q, opts);
  if (status != 1) return status;
  if (data.size() > 0xFFFFFFFFull - picblob::kHeaderSize) return px::kInvalidSize;
  out = picblob::MakeHeader(uint32_t(data.size()));
  out.append(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
  return 1;
}

void TPicImage::SaveToBlob(QObject*) {
  if (!allocated_ || !bitmap_.allocated()) {
    if (dataLink_ && dataLink_->HasField()) dataLink_->ClearField();
    return;
  }
  if (!dataLink_ || !dataLink_->FieldIsBlob()) return;
  const bool progress = enableProgressEvent_;
  enableProgressEvent_ = false;
  QByteArray bytes;
  const int status = SaveBlobBytes(bytes);
  lastError_ = status;
  enableProgressEvent_ = progress;
  if (status == 1) {
    blobModified_ = false;
    // A failed memory save leaves the field as it was.
    dataLink_->SetFieldBytes(bytes);
  }
}

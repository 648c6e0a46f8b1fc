#pragma once
// Data binding of the picture component: a data source positioned on one record of a database
// table (Qt SQL; the program uses SQLite), and the field data link through which a TPicImage
// shows and stores its picture in a blob column of that record.
//
// Road: SetDataSource + SetDataField bind the component. MoveTo(key) (or Refresh) reads the
// record and tells every link (the component loads its picture from the field); Post() asks
// every link to write its field (the component saves its picture into it) and writes the
// modified fields of the record back with an UPDATE.
//
// What goes into the field: the picture saved in memory with DataSaveFormat, DataSaveBits and
// DataSaveQuality behind the 24-byte header. Format 5 (the default, and what a data source
// sets) stores the picture losslessly as PNG; other numbers are the px format numbers (10 JPEG,
// 6 BMP, ...). A quality below 1 (-1, -5) means the library's default quality (QFactor 2).
// Loading takes the first page of the field with DataLoadBits (24 by default).
#include <QObject>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <stdexcept>
#include <vector>

#include "PicErrCode.h"

class TPicImage;
class TPicFieldDataLink;

// Binding to a column that cannot hold a picture.
class EInvalidFieldType : public EPicException {
 public:
  using EPicException::EPicException;
};

class TPicDataSource : public QObject {
  Q_OBJECT
 public:
  // The records of `table` are found by `keyColumn`.
  TPicDataSource(const QSqlDatabase& db, const QString& table, const QString& keyColumn, QObject* parent = nullptr);
  ~TPicDataSource() override;

  // Open database and an existing table.
  bool Active() const;
  QString Table() const { return table_; }
  // Positions on the record with this key; false when there is none (the record is then empty).
  bool MoveTo(const QVariant& key);
  // Reads the current record again.
  bool Refresh();
  QVariant Key() const { return key_; }
  bool HasRecord() const { return hasRecord_; }

  // Columns of the table.
  bool HasField(const QString& name) const;
  // Blob columns (declared BLOB or without a type) can hold a picture.
  bool IsBlobField(const QString& name) const;
  QVariant FieldValue(const QString& name) const;
  void SetFieldValue(const QString& name, const QVariant& value);
  bool Modified() const { return modified_; }
  void SetModified() { modified_ = true; }

  // Links write their fields, then the modified record goes to the database. False when the
  // update fails (LastSqlError tells why) or there is no record.
  bool Post();
  QString LastSqlError() const { return lastSqlError_; }

 private:
  friend class TPicFieldDataLink;
  void AddLink(TPicFieldDataLink* link);
  void RemoveLink(TPicFieldDataLink* link);
  void DataChanged();

  QString connection_;
  QString table_;
  QString keyColumn_;
  QVariant key_;
  bool hasRecord_ = false;
  QSqlRecord record_;
  std::vector<QString> changedFields_;
  bool modified_ = false;
  QString lastSqlError_;
  std::vector<TPicFieldDataLink*> links_;
};

// The link between one control and one field of a data source.
class TPicFieldDataLink {
 public:
  explicit TPicFieldDataLink(TPicImage* control);
  ~TPicFieldDataLink();

  TPicImage* Control() const { return control_; }
  TPicDataSource* DataSource() const { return source_; }
  void SetDataSource(TPicDataSource* source);
  QString FieldName() const { return fieldName_; }
  void SetFieldName(const QString& name) { fieldName_ = name; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on) { readOnly_ = on; }
  // The bound field exists (data source active with a record and a column of that name).
  bool HasField() const;
  bool FieldIsBlob() const;
  bool FieldIsNull() const;
  QByteArray FieldBytes() const;
  void SetFieldBytes(const QByteArray& bytes);
  void ClearField();
  // The control changed its picture: the record needs writing.
  void Modified();
  bool IsModified() const { return modified_; }

 private:
  friend class TPicDataSource;
  TPicImage* control_;
  TPicDataSource* source_ = nullptr;
  QString fieldName_;
  bool readOnly_ = false;
  bool modified_ = false;
};

// The blob header of a stored picture.
namespace picblob {
constexpr char kMagic[9] = "PXOCXBND";
constexpr int kHeaderSize = 24;
// The header for `dataSize` bytes of picture data.
QByteArray MakeHeader(uint32_t dataSize);
// The picture data of a field: behind the header when the field starts with the magic (the
// header size read from the field, the rest never below 0 bytes), else the whole field.
void PictureData(const QByteArray& field, qsizetype& offset, qsizetype& size);
}  // namespace picblob

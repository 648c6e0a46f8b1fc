// The picture component bound to a blob column of an SQLite table.
#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include "PicImageDB.h"
#include "PicImageVCL.h"
#include "PxFile.h"
#include "TestSupport.h"

namespace {

px::Bitmap Picture(int w, int h) {
  px::Bitmap b;
  EXPECT_EQ(px::CreateBitmap(b, w, h, 24), px::kOk);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px::SetPixel(b, x, y, uint32_t(x * 9 & 255) << 16 | uint32_t(y * 13 & 255) << 8 | 7);
  return b;
}

bool SamePixels(const px::Bitmap& a, const px::Bitmap& b) {
  if (a.viewWidth() != b.viewWidth() || a.viewHeight() != b.viewHeight()) return false;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x)
      if (px::GetPixel(a, x, y) != px::GetPixel(b, x, y)) return false;
  return true;
}

uint32_t U32(const QByteArray& b, int at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(b[at + i])) << (8 * i);
  return v;
}

// An SQLite database in a temporary file with a table of pictures.
struct Db {
  testsupport::TempFolder t;
  QString name;
  QSqlDatabase db;
  Db() {
    static int n = 0;
    name = QString("pics%1").arg(++n);
    db = QSqlDatabase::addDatabase("QSQLITE", name);
    db.setDatabaseName(t.file("pics.sqlite"));
    EXPECT_TRUE(db.open());
    QSqlQuery q(db);
    EXPECT_TRUE(q.exec("CREATE TABLE pics (id INTEGER PRIMARY KEY, title TEXT, picture BLOB)"));
    for (int id = 1; id <= 4; ++id) EXPECT_TRUE(q.exec(QString("INSERT INTO pics (id, title) VALUES (%1, 'p')").arg(id)));
  }
  ~Db() {
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
  }
  void put(int id, const QByteArray& bytes) {
    QSqlQuery q(db);
    q.prepare("UPDATE pics SET picture = ? WHERE id = ?");
    q.addBindValue(bytes);
    q.addBindValue(id);
    EXPECT_TRUE(q.exec());
  }
  QVariant get(int id) {
    QSqlQuery q(db);
    q.prepare("SELECT picture FROM pics WHERE id = ?");
    q.addBindValue(id);
    EXPECT_TRUE(q.exec() && q.next());
    return q.value(0);
  }
};

}  // namespace

TEST(PicImageDB, PictureWrittenToTheBlobReadsBackEqual) {
  Db d;
  TPicDataSource src(d.db, "pics", "id");
  ASSERT_TRUE(src.Active());
  TPicImage img;
  img.setObjectName("PicImage1");
  img.SetDataSaveFormat(10);
  img.SetDataSource(&src);
  // A data source switches the save settings to format 5, 24 bits, quality -5.
  EXPECT_EQ(img.DataSaveFormat(), 5);
  EXPECT_EQ(img.DataSaveBits(), 24);
  EXPECT_EQ(img.DataSaveQuality(), -5);
  img.SetDataField("picture");
  EXPECT_EQ(img.DataField(), "picture");

  // A null field: no picture, success.
  ASSERT_TRUE(src.MoveTo(1));
  EXPECT_EQ(img.LastError(), 1);
  EXPECT_FALSE(img.IsAllocated());
  EXPECT_FALSE(img.BlobModified());

  const px::Bitmap pic = Picture(37, 23);
  ASSERT_EQ(img.SetBitmap(&pic), 1);
  EXPECT_TRUE(img.BlobModified());
  EXPECT_TRUE(src.Modified());
  ASSERT_TRUE(src.Post()) << src.LastSqlError().toStdString();
  EXPECT_FALSE(img.BlobModified());

  const QByteArray stored = d.get(1).toByteArray();
  ASSERT_GT(stored.size(), 24);
  EXPECT_EQ(stored.left(8), QByteArray("PXOCXBND"));
  EXPECT_EQ(U32(stored, 8), 24u);
  EXPECT_EQ(U32(stored, 12), uint32_t(stored.size() - 24));
  EXPECT_EQ(stored.mid(16, 8), QByteArray(8, '\0'));

  // Another component on the same record shows the same pixels.
  TPicImage other;
  other.SetDataSource(&src);
  other.SetDataField("picture");
  ASSERT_TRUE(src.MoveTo(1));
  ASSERT_TRUE(other.IsAllocated());
  EXPECT_TRUE(SamePixels(other.Bitmap(), pic));
  EXPECT_TRUE(SamePixels(img.Bitmap(), pic));

  // Moving to a record without picture clears both.
  ASSERT_TRUE(src.MoveTo(2));
  EXPECT_FALSE(other.IsAllocated());

  // Freeing the picture and posting empties the field.
  ASSERT_TRUE(src.MoveTo(1));
  img.SetBitmapList(nullptr);
  ASSERT_TRUE(src.Post());
  EXPECT_TRUE(d.get(1).isNull());
}

TEST(PicImageDB, BarePictureFilesAndJpegSettings) {
  Db d;
  std::vector<uint8_t> bmp;
  const px::Bitmap pic = Picture(16, 8);
  ASSERT_EQ(px::SaveBitmapMemory(bmp, pic, px::kFormatBmp, 24, 2), px::kOk);
  d.put(3, QByteArray(reinterpret_cast<const char*>(bmp.data()), qsizetype(bmp.size())));
  TPicDataSource src(d.db, "pics", "id");
  TPicImage img;
  img.SetDataSource(&src);
  img.SetDataField("picture");
  ASSERT_TRUE(src.MoveTo(3));
  ASSERT_TRUE(img.IsAllocated());
  EXPECT_TRUE(SamePixels(img.Bitmap(), pic));
  EXPECT_EQ(img.InfoFormat(), px::kFormatBmp);
  EXPECT_EQ(img.InfoPageCount(), 1);
  // JPEG as the save format: written with the header, read back close to the original.
  img.SetDataSaveFormat(px::kFormatJfif);
  img.SetDataSaveQuality(2);
  img.MarkBlobModified();
  ASSERT_TRUE(src.Post());
  const QByteArray stored = d.get(3).toByteArray();
  EXPECT_EQ(uint8_t(stored[24]), 0xFF);
  EXPECT_EQ(uint8_t(stored[25]), 0xD8);
}

TEST(PicImageDB, BadBlobsFailWithTheirStatus) {
  Db d;
  // The header promises more than the blob holds: an empty picture remains.
  QByteArray lying("PXOCXBND", 8);
  lying += QByteArray("\xFF\xFF\x00\x00", 4) + QByteArray(12, '\0') + QByteArray("some bytes");
  d.put(1, lying);
  QByteArray random(4000, '\0');
  QRandomGenerator gen(42);
  for (char& c : random) c = char(gen.bounded(256));
  d.put(2, random);
  d.put(3, QByteArray("PXOC", 4));
  d.put(4, QByteArray("PXOCXBND\x08", 9));

  TPicDataSource src(d.db, "pics", "id");
  TPicImage img;
  img.setObjectName("PicImage1");
  img.SetDataSource(&src);
  img.SetDataField("picture");
  // With method errors on, a bad field raises with the operation name DataField.
  try {
    src.MoveTo(1);
    FAIL() << "no exception";
  } catch (const EPicImageError& e) {
    EXPECT_TRUE(e.message().contains("DataField: ")) << e.what();
  }
  EXPECT_EQ(img.LastError(), px::kReadError);
  EXPECT_FALSE(img.IsAllocated());

  img.SetEnableMethodErrors(false);
  for (int id : {1, 2, 3, 4}) {
    SCOPED_TRACE(id);
    EXPECT_NO_THROW(src.MoveTo(id));
    EXPECT_NE(img.LastError(), 1);
    EXPECT_FALSE(img.IsAllocated());
  }
  // Loading the same bytes directly gives the same answers.
  EXPECT_EQ(img.LoadBlobBytes(&lying), px::kReadError);
  EXPECT_EQ(img.LoadBlobBytes(nullptr), 1);
  const QByteArray empty;
  EXPECT_EQ(img.LoadBlobBytes(&empty), 1);
}

TEST(PicImageDB, OnlyBlobColumnsCanBeBound) {
  Db d;
  TPicDataSource src(d.db, "pics", "id");
  TPicImage img;
  img.SetDataSource(&src);
  for (const char* column : {"title", "id", "nothing"}) {
    try {
      img.SetDataField(column);
      FAIL() << column;
    } catch (const EInvalidFieldType& e) {
      EXPECT_EQ(e.message(), "TPicImage.DataField can only be connected to columns of type Blob");
    }
  }
  EXPECT_EQ(img.DataField(), "");
  EXPECT_NO_THROW(img.SetDataField("picture"));
  // Without a bound blob field nothing is marked.
  TPicImage loose;
  const px::Bitmap pic = Picture(4, 4);
  loose.SetBitmap(&pic);
  EXPECT_FALSE(loose.BlobModified());
  // A read-only binding is not written by Post.
  ASSERT_TRUE(src.MoveTo(1));
  img.SetReadOnly(true);
  EXPECT_TRUE(img.ReadOnly());
  img.SetBitmap(&pic);
  ASSERT_TRUE(src.Post());
  EXPECT_TRUE(d.get(1).isNull());
}

TEST(PicImageDB, SourceGoneBeforeTheComponent) {
  Db d;
  TPicImage img;
  {
    TPicDataSource src(d.db, "pics", "id");
    img.SetDataSource(&src);
    img.SetDataField("picture");
  }
  EXPECT_EQ(img.DataSource(), nullptr);
  const px::Bitmap pic = Picture(4, 4);
  EXPECT_EQ(img.SetBitmap(&pic), 1);
}

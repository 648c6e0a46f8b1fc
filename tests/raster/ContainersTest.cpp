// Pointer map, rectangle list, class list, integer map and segment clipping.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "Containers.h"
#include "RasterErrors.h"

using namespace kalvora::raster;

namespace {
void* P(std::uintptr_t v) { return reinterpret_cast<void*>(v); }
}  // namespace

TEST(PointerMap, BucketsFindIterateRemove) {
  TPointerMap map;
  bool isNew = false;
  // differ only above bit 15: same bucket
  *map.Add(P(0x12340100), P(1), isNew) = P(1);
  EXPECT_TRUE(isNew);
  map.Add(P(0x56780100), P(2), isNew);
  EXPECT_TRUE(isNew);
  EXPECT_EQ(TPointerMap::BucketOf(P(0x12340100)), TPointerMap::BucketOf(P(0x56780100)));
  PData again = map.Add(P(0x12340100), P(9), isNew);
  EXPECT_FALSE(isNew);
  EXPECT_EQ(*again, P(1));
  map.Add(P(0xFF00), P(3), isNew);  // bucket 255
  EXPECT_EQ(TPointerMap::BucketOf(P(0xFF00)), 255);
  EXPECT_EQ(map.Count(), 3);
  EXPECT_EQ(map.Data(P(0x56780100)), P(2));
  EXPECT_TRUE(map.Contains(P(0x12340100)));
  EXPECT_THROW(map.Data(P(0x42)), EListError);
  try {
    map.Data(P(0x42));
  } catch (const EListError& e) {
    EXPECT_EQ(std::string(e.what()), "Eintrag nicht gefunden ($042)");
  }

  std::set<void*> seen;
  TPointerMapIterator it(&map);
  while (it.Next()) seen.insert(it.Item);
  EXPECT_EQ(seen.size(), 3u);
  EXPECT_TRUE(seen.count(P(0xFF00)));

  EXPECT_EQ(map.Remove(P(0x12340100)), P(1));
  EXPECT_EQ(map.Remove(P(0x12340100)), nullptr);
  EXPECT_EQ(map.Data(P(0x56780100)), P(2));
  EXPECT_EQ(map.Count(), 2);
  map.Clear();
  EXPECT_EQ(map.Count(), 0);
  TPointerMapIterator empty(&map);
  EXPECT_FALSE(empty.Next());
  EXPECT_EQ(map.Delete(-1, 0), nullptr);
  EXPECT_EQ(map.Delete(3, 77), nullptr);
}

TEST(PointerMap, GrowsAManyEntryBucket) {
  TPointerMap map;
  for (std::uintptr_t i = 0; i < 100; ++i) map.Add(P((i << 16) | 0x500));
  EXPECT_EQ(map.Count(), 100);
  EXPECT_EQ(map.Bucket(5).Count, 100);
  for (std::uintptr_t i = 0; i < 100; ++i) EXPECT_TRUE(map.Contains(P((i << 16) | 0x500)));
  int n = 0;
  TPointerMapIterator it(&map);
  while (it.Next()) ++n;
  EXPECT_EQ(n, 100);
}

TEST(RectList, GrowthDeleteAndCount) {
  TRectList list;
  list.Clear();
  EXPECT_EQ(list.Capacity(), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(list.Add({i, 0, i + 1, 1}), i);
  EXPECT_EQ(list.Capacity(), 10);
  list.Add({10, 0, 11, 1});
  EXPECT_EQ(list.Capacity(), 42);
  EXPECT_EQ(list.Count(), 11);
  list.Delete(0);
  EXPECT_EQ(list.Items(0)->Left, 1);
  list.Delete(-1);  // invalid indices are ignored
  list.Delete(10);
  list.Delete(1000);
  EXPECT_EQ(list.Count(), 10);
  EXPECT_EQ(list.Items(10), nullptr);
  EXPECT_EQ(list.Items(-1), nullptr);
  list.SetCount(50);
  EXPECT_GE(list.Capacity(), 50);
  EXPECT_EQ(*list.Items(49), TRect{});
  list.SetCount(2);
  EXPECT_EQ(list.Count(), 2);
  TRectList fresh;
  fresh.Add({1, 2, 3, 4});
  EXPECT_EQ(fresh.Capacity(), 8);
}

TEST(ClassList, FindIsExact) {
  TClassList<int> list;
  list.Add("TBoxKernel", 1);
  list.Add("TCubicKernel", 2);
  list.Add("TBoxKernel", 3);
  ASSERT_NE(list.Find("TBoxKernel"), nullptr);
  EXPECT_EQ(list.Find("TBoxKernel")->create, 1);  // the first in list order
  EXPECT_EQ(list.Find("tboxkernel"), nullptr);
  EXPECT_EQ(list.Find(""), nullptr);
}

TEST(IntegerMap, SizesAndValues) {
  TIntegerMap m;
  EXPECT_TRUE(m.Empty());
  m.SetSize(3, 2);
  EXPECT_FALSE(m.Empty());
  *m.ValPtr(2, 1) = 42;
  EXPECT_EQ(m.Value(2, 1), 42);
  EXPECT_EQ(m.Value(0, 0), 0);
  m.SetSize(0, 4);
  EXPECT_TRUE(m.Empty());
}

TEST(ClipLine, Table) {
  struct Case {
    int x1, y1, x2, y2;
    bool result;
    int rx1, ry1, rx2, ry2;
  } cases[] = {
      {-20, 5, -10, 8, false, -20, 5, -10, 8},  // wholly left: unchanged
      {2, 3, 8, 9, true, 2, 3, 8, 9},          // inside
      {-10, 5, 20, 5, true, 0, 5, 10, 5},      // crossing horizontally
      {5, -10, 5, 30, true, 5, 0, 5, 10},      // crossing vertically
      {-10, -10, 20, 20, true, 0, 0, 10, 10},  // through two corners
      {-5, 5, 5, 15, true, 0, 10, 0, 10},      // touches the corner only
      {0, 0, 10, 10, true, 0, 0, 10, 10},      // on the bounds
      {-1, 20, 5, 30, false, -1, 20, 5, 30},
  };
  for (const Case& c : cases) {
    int x1 = c.x1, y1 = c.y1, x2 = c.x2, y2 = c.y2;
    EXPECT_EQ(ClipLine(x1, y1, x2, y2, 0, 0, 10, 10), c.result) << c.x1 << "," << c.y1;
    EXPECT_EQ(x1, c.rx1) << c.x1 << "," << c.y1;
    EXPECT_EQ(y1, c.ry1) << c.x1 << "," << c.y1;
    EXPECT_EQ(x2, c.rx2) << c.x1 << "," << c.y1;
    EXPECT_EQ(y2, c.ry2) << c.x1 << "," << c.y1;
  }
  int a = INT32_MIN, b = INT32_MIN, c = INT32_MAX, d = INT32_MAX;
  ClipLine(a, b, c, d, 0, 0, 10, 10);  // no overflow trap
}

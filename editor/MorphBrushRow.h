#pragma once
// One row of a warp brush step: each vector under the brush becomes the map read (bilinear) at
// the point the mesh moves it to, plus that move. The rows run in the dialog's 50 ms timer, so
// the inner loop has a four-at-a-time form for processors that have it.
#include "VectorMaps.h"

struct MorphBrushRow {
  const kalvora::raster::TFixedVector* mesh;  // the brush mesh's row
  kalvora::raster::TFixedVector* out;          // where the new vectors go, same columns as mesh
  const kalvora::raster::TVectorMap* map;      // the map before this step
  int mapX;                                    // map column of mesh column 0
  int mapY;                                    // map row of this row
  kalvora::raster::TFixedVector factor;        // 16.16 scale of the mesh vectors
};

// Columns a .. b - 1 of the row.
void ApplyMorphBrushRow(const MorphBrushRow& row, int a, int b);

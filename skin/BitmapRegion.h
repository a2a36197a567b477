// Window region from a bitmap: every pixel except those of the key colour.
#pragma once

#include <windows.h>

#include <cstdint>

namespace zv {

// Runs collected before they are turned into a region and or-ed into the
// result; the rectangle buffer grows in steps of REGION_GROWTH.
constexpr DWORD REGION_FLUSH_RUNS = 2000;
constexpr DWORD REGION_GROWTH = 100;

// key and tolerance as 0xRRGGBB. A pixel is cut out when each of its channels
// lies in [key, key + tolerance] (capped at 255). Null for a null bitmap or
// when a drawing resource cannot be made; the caller owns the region.
HRGN CreateRegionFromBitmap(HBITMAP hBitmap, uint32_t key, uint32_t tolerance);

// Bitmaps that stay as they are until ForgetSharedBitmaps (the panels' images
// loaded once per process): the region of each is built once. Forget frees
// those regions; the bitmaps are their owner's.
void KeepRegionsOf(HBITMAP hBitmap);
void ForgetSharedBitmaps();
// A region of the caller's own (as SetWindowRgn takes one over): a copy of
// the one kept for a shared bitmap, else CreateRegionFromBitmap's.
HRGN RegionForBitmap(HBITMAP hBitmap, uint32_t key, uint32_t tolerance);

}  // namespace zv

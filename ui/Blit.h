// Bitmap copies through a memory device context: the one place that makes
// the context, selects the bitmap, copies and puts everything back.
#pragma once

#include <windows.h>

#include "ScopedHandle.h"

namespace ui {

// Copies (xSrc, ySrc, cx, cy) of a bitmap to (x, y) of a device context.
// False when no memory context could be made or the copy failed. A null
// bitmap copies from the empty memory context (an empty area stays empty).
bool BlitBitmap(HDC hDest, int x, int y, int cx, int cy, HBITMAP hSource, int xSrc = 0,
                int ySrc = 0);

// A copy of a bitmap at another size, each pixel repeated or dropped
// (nearest neighbour), so that a key colour stays exactly that colour.
// Empty when the copy could not be made.
CGdiObject<HBITMAP> StretchedCopy(HBITMAP hSource, int cx, int cy);

// The size of a bitmap; 0 x 0 for none.
SIZE BitmapSize(HBITMAP hBitmap);

}  // namespace ui

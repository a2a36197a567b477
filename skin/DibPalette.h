// The logical palette of a CDib of 8 bits per pixel or less: one entry per
// colour-table entry, in order, no flags.
#pragma once

#include <windows.h>

#include "ScopedHandle.h"

namespace zv {

class CDib;

class CDibPalette : public ui::CGdiObject<HPALETTE> {
public:
    explicit CDibPalette(const CDib& dib);
};

}  // namespace zv

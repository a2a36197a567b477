// Counts of the GDI and USER objects that the class layer currently owns.
// Wine's GetGuiResources answers 0, so leak checks in the Wine tests read
// these instead; every owning wrapper of the layer reports here.
#pragma once

namespace ui {

struct HandleCounts {
    long gdi;   // GDI objects, memory, window and paint device contexts
    long user;  // windows created by the layer, menus, message hooks
};

HandleCounts CurrentHandleCounts();

// Called by the owning wrappers only: +1 when ownership starts, -1 when the
// handle is released or handed over.
void CountGdiHandle(int delta);
void CountUserHandle(int delta);

}  // namespace ui

// Counts of the GDI and USER objects that the class layer currently owns;
// every owning wrapper of the layer reports here. The class layer's own
// tests compare them around a use; the module's leak checks count the
// process's objects in Wine's handle table instead (tests/win/ProcessCounts).
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

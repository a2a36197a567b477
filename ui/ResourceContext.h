// Which module resources are looked up in. Hosts have their own resources;
// every export makes ours current for its duration and puts the host's back.
#pragma once

#include <windows.h>

namespace ui {

// The module's own instance, recorded when the module is loaded.
HINSTANCE ModuleInstance();
void SetModuleInstance(HINSTANCE hInstance);

// The instance that dialog templates, bitmaps and cursors are loaded from now
// (the executable's when nothing made ours current).
HINSTANCE ResourceInstance();

// Makes the module's resources current until the end of the scope, on every
// exit path, exceptions included. Every export opens one, and so does every
// message that reaches one of the layer's window procedures.
class CResourceScope {
public:
    CResourceScope();
    ~CResourceScope();
    CResourceScope(const CResourceScope&) = delete;
    CResourceScope& operator=(const CResourceScope&) = delete;

private:
    HINSTANCE m_hPrevious;
};

}  // namespace ui

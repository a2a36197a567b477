// A panel's bitmaps at its scale: each source loaded (or lent) once, its
// nearest-neighbour copy made when the scale changes. At 100 % the source
// itself is handed out. What is loaded by id depends on the module's
// resources alone: it is loaded once per process, and its copy at each scale
// made once, shared by every panel and never drawn into (buttons' regions
// are kept with them, see BitmapRegion.h).
#pragma once

#include <windows.h>

#include <map>

#include "ScopedHandle.h"

namespace zv {

// Frees the shared bitmaps (and their regions): when the module unloads,
// after the last panel.
void FreeSharedPanelImages();

class CPanelImages {
public:
    // A bitmap resource of ui::ResourceInstance(), loaded at the first call;
    // the form at the current scale (null when the resource is missing).
    HBITMAP Load(int nId);
    // A bitmap that someone else owns and keeps longer than this, under a key.
    HBITMAP Lend(int nKey, HBITMAP hSource);
    // The form at the current scale of what was loaded or lent, or null.
    HBITMAP Get(int nKey) const;
    SIZE Size(int nKey) const;

    // Makes every copy anew for the scale (in halves, as PanelGrid.h).
    void SetScale(int nHalves);
    int Halves() const { return m_nHalves; }

private:
    struct CImage {
        bool shared = false;             // loaded by id: source and copies are the process's
        HBITMAP hSource = nullptr;       // a shared or a lent one
        ui::CGdiObject<HBITMAP> scaled;  // a lent one's copy; empty at 100 %
        HBITMAP hSharedScaled = nullptr; // a shared one's copy; null at 100 %
        HBITMAP Current() const {
            return scaled ? scaled.Get() : hSharedScaled ? hSharedScaled : hSource;
        }
    };
    void Rescale(CImage& image) const;

    std::map<int, CImage> m_images;
    int m_nHalves = 2;
};

}  // namespace zv

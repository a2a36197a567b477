// A panel's bitmaps at its scale: each source loaded (or lent) once, its
// nearest-neighbour copy made when the scale changes. At 100 % the source
// itself is handed out.
#pragma once

#include <windows.h>

#include <map>

#include "ScopedHandle.h"

namespace zv {

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
        ui::CGdiObject<HBITMAP> owned;   // a loaded source
        HBITMAP hSource = nullptr;       // owned.Get() or a lent one
        ui::CGdiObject<HBITMAP> scaled;  // empty at 100 %
        HBITMAP Current() const { return scaled ? scaled.Get() : hSource; }
    };
    void Rescale(CImage& image) const;

    std::map<int, CImage> m_images;
    int m_nHalves = 2;
};

}  // namespace zv

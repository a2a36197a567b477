#include "PanelImages.h"

#include "Blit.h"
#include "PanelGrid.h"
#include "ResourceContext.h"

namespace zv {

HBITMAP CPanelImages::Load(int nId) {
    CImage& image = m_images[nId];
    if (!image.hSource) {
        image.owned.Attach(LoadBitmapW(ui::ResourceInstance(), MAKEINTRESOURCEW(nId)));
        image.hSource = image.owned;
        Rescale(image);
    }
    return image.Current();
}

HBITMAP CPanelImages::Lend(int nKey, HBITMAP hSource) {
    CImage& image = m_images[nKey];
    image.owned.Reset();
    image.hSource = hSource;
    Rescale(image);
    return image.Current();
}

HBITMAP CPanelImages::Get(int nKey) const {
    const auto it = m_images.find(nKey);
    return it == m_images.end() ? nullptr : it->second.Current();
}

SIZE CPanelImages::Size(int nKey) const { return ui::BitmapSize(Get(nKey)); }

void CPanelImages::SetScale(int nHalves) {
    if (nHalves == m_nHalves) return;
    m_nHalves = nHalves;
    for (auto& entry : m_images) Rescale(entry.second);
}

void CPanelImages::Rescale(CImage& image) const {
    image.scaled.Reset();
    if (!image.hSource || m_nHalves == kScaleHalves100) return;
    const SIZE size = ui::BitmapSize(image.hSource);
    image.scaled = ui::StretchedCopy(image.hSource, ScalePx(size.cx, m_nHalves),
                                     ScalePx(size.cy, m_nHalves));
}

}  // namespace zv

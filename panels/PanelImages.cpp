#include "PanelImages.h"

#include <mutex>
#include <utility>

#include "BitmapRegion.h"
#include "Blit.h"
#include "PanelGrid.h"
#include "ResourceContext.h"

namespace zv {

namespace {

// Sources by module and id, copies by source and scale.
struct SharedImages {
    std::mutex mutex;
    std::map<std::pair<HINSTANCE, int>, HBITMAP> sources;
    std::map<std::pair<HBITMAP, int>, HBITMAP> copies;
};
SharedImages& Shared() {
    static SharedImages shared;
    return shared;
}

HBITMAP SharedSource(int nId) {
    SharedImages& s = Shared();
    const std::lock_guard<std::mutex> lock(s.mutex);
    HBITMAP& source = s.sources[{ui::ResourceInstance(), nId}];
    if (!source && (source = LoadBitmapW(ui::ResourceInstance(), MAKEINTRESOURCEW(nId))) != nullptr)
        KeepRegionsOf(source);
    return source;
}

HBITMAP SharedCopy(HBITMAP hSource, int nHalves) {
    SharedImages& s = Shared();
    const std::lock_guard<std::mutex> lock(s.mutex);
    HBITMAP& copy = s.copies[{hSource, nHalves}];
    if (!copy) {
        const SIZE size = ui::BitmapSize(hSource);
        copy = ui::StretchedCopy(hSource, ScalePx(size.cx, nHalves), ScalePx(size.cy, nHalves)).Detach();
        if (copy) KeepRegionsOf(copy);
    }
    return copy;
}

}  // namespace

void FreeSharedPanelImages() {
    ForgetSharedBitmaps();
    SharedImages& s = Shared();
    const std::lock_guard<std::mutex> lock(s.mutex);
    for (auto& entry : s.copies)
        if (entry.second) DeleteObject(entry.second);
    for (auto& entry : s.sources)
        if (entry.second) DeleteObject(entry.second);
    s.copies.clear();
    s.sources.clear();
}

HBITMAP CPanelImages::Load(int nId) {
    CImage& image = m_images[nId];
    if (!image.hSource) {
        image.hSource = SharedSource(nId);
        image.shared = true;
        Rescale(image);
    }
    return image.Current();
}

HBITMAP CPanelImages::Lend(int nKey, HBITMAP hSource) {
    CImage& image = m_images[nKey];
    image.shared = false;
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
    image.hSharedScaled = nullptr;
    if (!image.hSource || m_nHalves == kScaleHalves100) return;
    if (image.shared) {
        image.hSharedScaled = SharedCopy(image.hSource, m_nHalves);
        return;
    }
    const SIZE size = ui::BitmapSize(image.hSource);
    image.scaled = ui::StretchedCopy(image.hSource, ScalePx(size.cx, m_nHalves),
                                     ScalePx(size.cy, m_nHalves));
}

}  // namespace zv

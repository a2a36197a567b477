// Owning wrappers for handles that are released by a single call. One alias
// per release function; handles we only borrow stay raw.
#pragma once

#include <windows.h>

#include <utility>

#include "HandleCount.h"

namespace ui {

template <class Traits>
class CScopedHandle {
public:
    using Handle = typename Traits::Handle;

    CScopedHandle() = default;
    explicit CScopedHandle(Handle h) { Attach(h); }
    ~CScopedHandle() { Reset(); }

    CScopedHandle(CScopedHandle&& other) noexcept : m_h(other.m_h) { other.m_h = nullptr; }
    CScopedHandle& operator=(CScopedHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            m_h = other.m_h;
            other.m_h = nullptr;
        }
        return *this;
    }
    CScopedHandle(const CScopedHandle&) = delete;
    CScopedHandle& operator=(const CScopedHandle&) = delete;

    // Takes ownership; releases what was held before. A null handle (a failed
    // creation) leaves the wrapper empty.
    void Attach(Handle h) {
        Reset();
        if (h) {
            m_h = h;
            Traits::Count(+1);
        }
    }

    // Hands ownership over (e.g. a region to SetWindowRgn).
    Handle Detach() {
        Handle h = m_h;
        if (h) Traits::Count(-1);
        m_h = nullptr;
        return h;
    }

    void Reset() {
        if (m_h) {
            Traits::Release(m_h);
            Traits::Count(-1);
            m_h = nullptr;
        }
    }

    Handle Get() const { return m_h; }
    operator Handle() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

private:
    Handle m_h = nullptr;
};

template <class T>
struct GdiObjectTraits {
    using Handle = T;
    static void Release(T h) { DeleteObject(h); }
    static void Count(int delta) { CountGdiHandle(delta); }
};

struct MemoryDCTraits {
    using Handle = HDC;
    static void Release(HDC h) { DeleteDC(h); }
    static void Count(int delta) { CountGdiHandle(delta); }
};

struct MenuTraits {
    using Handle = HMENU;
    static void Release(HMENU h) { DestroyMenu(h); }
    static void Count(int delta) { CountUserHandle(delta); }
};

// Bitmaps, brushes, pens, regions, palettes: DeleteObject.
template <class T>
using CGdiObject = CScopedHandle<GdiObjectTraits<T>>;
// Memory device contexts: DeleteDC.
using CMemoryDC = CScopedHandle<MemoryDCTraits>;
// Menus loaded from resources: DestroyMenu.
using CMenu = CScopedHandle<MenuTraits>;

}  // namespace ui

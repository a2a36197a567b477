// Helpers of the class-layer tests: the colours of the generated bitmaps, a
// 32-bpp canvas to render into, a bounded message pump and a catcher for
// message boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Pixel formulas of make_test_bitmaps.py.
inline COLORREF BlockColor(int x, int y) { return RGB(60 * x + 15, 100 * y + 30, 255 - 60 * x); }
inline COLORREF WideColor(int x, int y) { return RGB(2 * x, 50 * y, 255 - 2 * x); }
inline COLORREF IndexedColor(int i) { return RGB(30 * i, 255 - 30 * i, 100); }

// What a canvas holds before anything draws on it.
constexpr COLORREF kBackdrop = RGB(255, 0, 255);

// A top-down 32-bpp DIB section in its own memory DC; pixels read straight
// from the section's memory.
class CCanvas {
public:
    CCanvas(int cx, int cy, COLORREF fill = kBackdrop);
    ~CCanvas();
    CCanvas(const CCanvas&) = delete;
    CCanvas& operator=(const CCanvas&) = delete;

    HDC Dc() const { return m_hDC; }
    COLORREF Pixel(int x, int y) const;
    void Fill(COLORREF colour);
    // Whether every pixel of the canvas is `colour`.
    bool IsAll(COLORREF colour) const;

private:
    int m_cx, m_cy;
    HDC m_hDC;
    HBITMAP m_hBitmap;
    HGDIOBJ m_hOld;
    DWORD* m_pBits = nullptr;
};

// The top-level window of this thread that has a child with this id (a
// panel, found by one of its controls), or null.
HWND FindThreadWindowWithChild(int nChildId);

// Dispatches the thread's queued messages as a host loop does, at most nMax.
void PumpMessages(int nMax = 1000);

// While it lives, every message box that this thread opens is ended with OK
// before it shows; its text, title, owner and buttons are kept.
class CMessageBoxCatcher {
public:
    struct Box {
        std::wstring text;
        std::wstring title;
        HWND hOwner;
        bool bOkOnly;  // an OK button and no other
    };
    CMessageBoxCatcher();
    ~CMessageBoxCatcher();
    std::vector<std::wstring> texts;
    std::vector<Box> boxes;

private:
    static LRESULT CALLBACK HookProc(int nCode, WPARAM wParam, LPARAM lParam);
    HHOOK m_hHook;
};

// The panels' text font, made by the panel itself rather than taken from the
// template: a CJK face that exists on this system (the first of a list of
// Song faces, then sans faces), its character cell 12 px high at 100 % and
// scaled with the panel, so the Chinese labels render and fit wherever such
// a face is installed.
#pragma once

#include <windows.h>

#include "ScopedHandle.h"

namespace zv {

class CPanelFont {
public:
    // False when no font could be made (the controls keep the dialog's).
    bool Create(int nScaleHalves, BYTE quality);
    HFONT Get() const { return m_font; }
    // Every child of the dialog takes the font (without a redraw).
    void ApplyTo(HWND hDlg) const;

    // The face the panels use here: the first of the list that is
    // installed itself (not only as another font's stand-in), or empty for
    // none, when the font mapper picks any face with the Chinese character
    // set. Looked up once per process.
    static const wchar_t* Face();

private:
    ui::CGdiObject<HFONT> m_font;
};

}  // namespace zv

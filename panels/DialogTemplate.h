// The rectangles of an extended dialog template, read from the resource as
// the dialog manager reads it: the panels place their controls from these
// on their own pixel grid instead of the font's dialog units.
#pragma once

#include <windows.h>

#include <vector>

namespace zv {

struct TemplateControl {
    int id;              // -1 for the unnamed statics
    int x, y, cx, cy;    // dialog units
};

struct TemplateLayout {
    int x = 0, y = 0, cx = 0, cy = 0;
    std::vector<TemplateControl> controls;  // in the template's order
};

// From ui::ResourceInstance(). False, and the layout untouched, for a
// missing template, one that is not extended or one cut short.
bool ReadDialogTemplate(UINT nId, TemplateLayout& layout);

// The same from bytes of a resource (for the reading itself).
bool ParseDialogTemplate(const BYTE* pData, size_t cbData, TemplateLayout& layout);

}  // namespace zv

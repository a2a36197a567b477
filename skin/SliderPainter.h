// The slider's shading and geometry, kept free of Windows so that the native
// build tests them: colours and shades, the thumb shapes, the channel. The
// drawing goes through an abstract canvas; the control hands it a device
// context, tests a software raster with the same pixel rules.
#pragma once

#include <cstdint>

namespace zv {

using Color = uint32_t;  // 0x00BBGGRR, red in the low byte

constexpr Color MakeRgb(int r, int g, int b) {
    return static_cast<Color>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(Color c) { return c & 0xFF; }
constexpr int GreenOf(Color c) { return (c >> 8) & 0xFF; }
constexpr int BlueOf(Color c) { return (c >> 16) & 0xFF; }

// Shade step used throughout the slider.
constexpr int SHADE_AMOUNT = 51;

// A channel that would overflow (or underflow) keeps its value: no clamping.
Color BrightenColor(Color c, int n);
Color DimColor(Color c, int n);
// Per-channel floor((a + b) / 2).
Color MidColor(Color a, Color b);

// The system colours the slider reads.
struct SystemColors {
    Color window;        // COLOR_WINDOW
    Color windowFrame;   // COLOR_WINDOWFRAME
    Color highlight;     // COLOR_HIGHLIGHT
    Color btnFace;       // COLOR_BTNFACE
    Color btnShadow;     // COLOR_BTNSHADOW
    Color btnHighlight;  // COLOR_BTNHIGHLIGHT
    Color dkShadow;      // COLOR_3DDKSHADOW
};

// The seven derived shades; each has a solid pen of its own in the control.
struct SliderShades {
    Color light1, light2, dark1, dark2, shadowMid, faceMid, highlight;
};
SliderShades ComputeShades(Color face, const SystemColors& sys);

enum class Pen { Light1, Light2, Dark1, Dark2, ShadowMid, FaceMid, Highlight, Outline };

struct Rect {
    int left, top, right, bottom;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// The drawing operations of a device context that the slider uses, with the
// platform's pixel rules: a line covers its start and not its end point; a
// rounded rectangle (2 x 2 corners) covers left..right-1, top..bottom-1; a
// flood fill paints with the current brush up to a border colour.
class ISliderCanvas {
public:
    virtual ~ISliderCanvas() = default;
    virtual void SelectPen(Pen pen) = 0;
    virtual void SelectBrush(Color color) = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    virtual void SetPixel(int x, int y, Color color) = 0;
    virtual void RoundRect(const Rect& r) = 0;
    virtual void FloodFill(int x, int y, Color border) = 0;
    virtual void FillRect(const Rect& r, Color color) = 0;
    // Top and left edges in one colour, right and bottom (last column and row) in another.
    virtual void Frame3D(const Rect& r, Color topLeft, Color bottomRight) = 0;
};

// Trackbar style bits the drawing reads.
constexpr uint32_t SLIDER_TBS_TOP = 0x4;  // also TBS_LEFT for vertical bars
constexpr uint32_t SLIDER_TBS_BOTH = 0x8;

struct ThumbParams {
    Rect item;
    uint32_t style;
    bool enabled;
    Color face;
    Color outline;  // COLOR_WINDOWFRAME
    SliderShades shades;
};

// The thumb of a horizontal bar (taller than wide) and of a vertical one.
void DrawHorizontalThumb(ISliderCanvas& canvas, const ThumbParams& p);
void DrawVerticalThumb(ISliderCanvas& canvas, const ThumbParams& p);

struct ChannelParams {
    Rect item;
    bool horizontal;
    int rangeMin, rangeMax;
    int selStart, selEnd;
    Color channel;
    Color selection;
};

// The channel and its selection. A range with min == max draws no selection
// (its extent would divide by zero).
void DrawChannel(ISliderCanvas& canvas, const ChannelParams& p);

// The selection rectangle DrawChannel fills; false when none is drawn.
bool SelectionRect(const ChannelParams& p, Rect* out);

}  // namespace zv

// A software raster with the device-context pixel rules the slider relies on.
// Native tests compare its pixels with expected maps; the Wine tests compare
// the real device context's pixels with it.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "SliderPainter.h"

namespace zv::test {

class RasterCanvas : public ISliderCanvas {
public:
    RasterCanvas(int width, int height, Color background)
        : m_width(width), m_height(height), m_pixels(size_t(width) * height, background) {}

    void SetPenColors(const SliderShades& s, Color outline) {
        m_pens = {{Pen::Light1, s.light1},       {Pen::Light2, s.light2},   {Pen::Dark1, s.dark1},
                  {Pen::Dark2, s.dark2},         {Pen::ShadowMid, s.shadowMid},
                  {Pen::FaceMid, s.faceMid},     {Pen::Highlight, s.highlight},
                  {Pen::Outline, outline}};
    }

    Color At(int x, int y) const { return m_pixels[size_t(y) * m_width + x]; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // One character per pixel through a legend; '?' for colours not in it.
    std::string Map(const std::map<Color, char>& legend) const {
        std::string out;
        for (int y = 0; y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                auto it = legend.find(At(x, y));
                out += it == legend.end() ? '?' : it->second;
            }
            out += '\n';
        }
        return out;
    }

    void SelectPen(Pen pen) override { m_pen = m_pens.at(pen); }
    void SelectBrush(Color color) override { m_brush = color; }
    void MoveTo(int x, int y) override { m_x = x, m_y = y; }
    void LineTo(int x, int y) override {
        // Axis-parallel and 45-degree lines only: those are all the slider draws.
        const int dx = (x > m_x) - (x < m_x), dy = (y > m_y) - (y < m_y);
        while (m_x != x || m_y != y) {
            Put(m_x, m_y, m_pen);
            if (m_x != x) m_x += dx;
            if (m_y != y) m_y += dy;
        }
    }
    void SetPixel(int x, int y, Color color) override { Put(x, y, color); }
    void RoundRect(const Rect& r) override {
        if (r.right - r.left < 2 || r.bottom - r.top < 2) return;
        FillRect({r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, m_brush);
        for (int x = r.left; x < r.right; ++x) Put(x, r.top, m_pen), Put(x, r.bottom - 1, m_pen);
        for (int y = r.top; y < r.bottom; ++y) Put(r.left, y, m_pen), Put(r.right - 1, y, m_pen);
    }
    void FloodFill(int x, int y, Color border) override {
        std::vector<bool> seen(m_pixels.size());
        std::vector<std::pair<int, int>> stack{{x, y}};
        while (!stack.empty()) {
            auto [px, py] = stack.back();
            stack.pop_back();
            if (px < 0 || py < 0 || px >= m_width || py >= m_height) continue;
            const size_t i = size_t(py) * m_width + px;
            if (seen[i] || m_pixels[i] == border) continue;
            seen[i] = true;
            m_pixels[i] = m_brush;
            stack.insert(stack.end(), {{px + 1, py}, {px - 1, py}, {px, py + 1}, {px, py - 1}});
        }
    }
    void FillRect(const Rect& r, Color color) override {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) Put(x, y, color);
    }
    void Frame3D(const Rect& r, Color topLeft, Color bottomRight) override {
        const int cx = r.right - r.left, cy = r.bottom - r.top;
        FillRect({r.left, r.top, r.left + cx - 1, r.top + 1}, topLeft);
        FillRect({r.left, r.top, r.left + 1, r.top + cy - 1}, topLeft);
        FillRect({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
        FillRect({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    }

private:
    void Put(int x, int y, Color c) {
        if (x >= 0 && y >= 0 && x < m_width && y < m_height) m_pixels[size_t(y) * m_width + x] = c;
    }

    int m_width, m_height;
    std::vector<Color> m_pixels;
    std::map<Pen, Color> m_pens;
    Color m_pen = 0, m_brush = 0;
    int m_x = 0, m_y = 0;
};

}  // namespace zv::test

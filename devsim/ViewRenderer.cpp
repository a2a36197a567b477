#include "ViewRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "BitmapFont.h"

namespace zv::devsim {

namespace {
constexpr double kPi = 3.14159265358979323846;

uint8_t Clamp8(int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }
}  // namespace

void ViewRenderer::Render(const Panorama& world, const ViewSettings& view, Image& out) {
    Sample(world, view, out);
    if (view.blurRadius > 0) BoxBlur(out, view.blurRadius);
    ApplyColor(out, view.exposure, view.colour);
}

void ViewRenderer::Sample(const Panorama& world, const ViewSettings& view, Image& out) {
    const Image& src = world.Picture();
    const int w = out.width, h = out.height;
    const double hfov = kFieldOfView / std::max(1.0, view.zoom);
    const double degPerPx = hfov / w;
    // Nearest-neighbour lookup through per-column and per-row index tables:
    // cheap enough for many channels at 25 frames a second.
    std::vector<int> col(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x) {
        const double pan = view.pan + (x + 0.5 - w / 2.0) * degPerPx;
        int u = static_cast<int>(std::floor(pan * Panorama::kPxPerDegree));
        u %= Panorama::kWidth;
        if (u < 0) u += Panorama::kWidth;
        col[static_cast<size_t>(x)] = u * 3;
    }
    for (int y = 0; y < h; ++y) {
        const double tilt = view.tilt + (h / 2.0 - y - 0.5) * degPerPx;
        const int v = std::clamp(
            static_cast<int>(std::floor((Panorama::kTopTilt - tilt) * Panorama::kPxPerDegree)), 0,
            Panorama::kHeight - 1);
        const uint8_t* s = src.Row(v);
        uint8_t* d = out.Row(y);
        for (int x = 0; x < w; ++x, d += 3) {
            const uint8_t* p = s + col[static_cast<size_t>(x)];
            d[0] = p[0];
            d[1] = p[1];
            d[2] = p[2];
        }
    }
}

void ViewRenderer::BoxBlur(Image& img, int r) {
    // Separable running-sum box blur, edges clamped.
    const int w = img.width, h = img.height;
    const int n = 2 * r + 1;
    std::vector<uint8_t> line(static_cast<size_t>(std::max(w, h)) * 3);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = img.Row(y);
        std::copy(row, row + w * 3, line.begin());
        for (int c = 0; c < 3; ++c) {
            int sum = 0;
            for (int k = -r; k <= r; ++k)
                sum += line[static_cast<size_t>(std::clamp(k, 0, w - 1) * 3 + c)];
            for (int x = 0; x < w; ++x) {
                row[x * 3 + c] = static_cast<uint8_t>(sum / n);
                sum += line[static_cast<size_t>(std::min(x + r + 1, w - 1) * 3 + c)];
                sum -= line[static_cast<size_t>(std::max(x - r, 0) * 3 + c)];
            }
        }
    }
    const size_t stride = static_cast<size_t>(w) * 3;
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y) {
            const uint8_t* p = img.rgb.data() + y * stride + x * 3;
            line[static_cast<size_t>(y) * 3] = p[0];
            line[static_cast<size_t>(y) * 3 + 1] = p[1];
            line[static_cast<size_t>(y) * 3 + 2] = p[2];
        }
        for (int c = 0; c < 3; ++c) {
            int sum = 0;
            for (int k = -r; k <= r; ++k)
                sum += line[static_cast<size_t>(std::clamp(k, 0, h - 1) * 3 + c)];
            for (int y = 0; y < h; ++y) {
                img.rgb[y * stride + x * 3 + c] = static_cast<uint8_t>(sum / n);
                sum += line[static_cast<size_t>(std::min(y + r + 1, h - 1) * 3 + c)];
                sum -= line[static_cast<size_t>(std::max(y - r, 0) * 3 + c)];
            }
        }
    }
}

void ViewRenderer::ApplyColor(Image& img, double exposure, const ColorBytes& colour) {
    // Exposure, contrast about mid-grey and brightness as one table per
    // component value; saturation and hue as a rotation and scaling of the
    // colour-difference plane, skipped while they are neutral.
    uint8_t lut[256];
    const double contrast = colour.contrast / 127.0;
    const int offset = colour.brightness - 127;
    for (int v = 0; v < 256; ++v) {
        const double e = std::min(255.0, v * exposure);
        lut[v] = Clamp8(static_cast<int>(std::lround((e - 128.0) * contrast + 128.0)) + offset);
    }
    const double sat = colour.saturation / 127.0;
    const double angle = (255 - colour.hue) * 2.0 * kPi / 256.0;
    const bool chroma = colour.saturation != 127 || colour.hue != 255;
    const int m00 = static_cast<int>(std::lround(256 * sat * std::cos(angle)));
    const int m01 = static_cast<int>(std::lround(-256 * sat * std::sin(angle)));
    const int m10 = -m01;
    const int m11 = m00;
    uint8_t* p = img.rgb.data();
    const size_t n = static_cast<size_t>(img.width) * img.height;
    for (size_t i = 0; i < n; ++i, p += 3) {
        int r = p[0], g = p[1], b = p[2];
        if (chroma) {
            const int y = (77 * r + 150 * g + 29 * b) >> 8;
            const int cr = r - y, cb = b - y;
            const int cr2 = (m00 * cr + m01 * cb) / 256;
            const int cb2 = (m10 * cr + m11 * cb) / 256;
            r = y + cr2;
            b = y + cb2;
            g = y - (77 * cr2 + 29 * cb2) / 150;
            r = Clamp8(r);
            g = Clamp8(g);
            b = Clamp8(b);
        }
        p[0] = lut[r];
        p[1] = lut[g];
        p[2] = lut[b];
    }
}

std::string ViewRenderer::FormatTime(uint64_t us) {
    const uint64_t ms = us / 1000;
    const int64_t days = static_cast<int64_t>(ms / 86400000ULL);
    const unsigned msOfDay = static_cast<unsigned>(ms % 86400000ULL);
    // Civil date from days since 1970-01-01 (Howard Hinnant's algorithm).
    const int64_t z = days + 719468;
    const int64_t era = z / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02u:%02u:%02u.%03u", static_cast<int>(y),
                  static_cast<int>(m), static_cast<int>(d), msOfDay / 3600000, msOfDay / 60000 % 60,
                  msOfDay / 1000 % 60, msOfDay % 1000);
    return buf;
}

void ViewRenderer::DrawOverlay(Image& img, const OverlayInfo& info) {
    const int scale = img.width >= 320 ? 2 : 1;
    const int lineH = (BitmapFont::kGlyphH + 2) * scale;
    const Rgb white{255, 255, 255}, yellow{255, 230, 60};
    auto line = [&](int x, int y, const std::string& text, Rgb c) {
        img.DarkenRect(x - scale, y - scale, BitmapFont::TextWidth(text, scale) + scale, lineH);
        BitmapFont::Draw(img, x, y, text, scale, c);
    };
    char buf[64];
    // Channels counted from 0, as the camera record and the host count them.
    std::snprintf(buf, sizeof buf, "%s CH%d", info.address.c_str(), info.channel);
    line(4 * scale, 3 * scale, buf, white);
    line(4 * scale, 3 * scale + lineH, FormatTime(info.timestampUs), white);
    std::snprintf(buf, sizeof buf, "#%06u", info.frameNo);
    line(4 * scale, img.height - lineH, buf, yellow);
    std::snprintf(buf, sizeof buf, "P%05.1f T%+05.1f Z%04.1f", info.pan, info.tilt, info.zoom);
    const std::string ptz = buf;
    line(img.width - BitmapFont::TextWidth(ptz, scale) - 2 * scale, img.height - lineH, ptz,
         yellow);
}

void ViewRenderer::ToRgb565(const Image& img, std::vector<uint8_t>& out) {
    const size_t n = static_cast<size_t>(img.width) * img.height;
    out.resize(n * 2);
    const uint8_t* p = img.rgb.data();
    for (size_t i = 0; i < n; ++i, p += 3) {
        const uint16_t v =
            static_cast<uint16_t>(((p[0] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[2] >> 3));
        out[i * 2] = static_cast<uint8_t>(v);
        out[i * 2 + 1] = static_cast<uint8_t>(v >> 8);
    }
}

}  // namespace zv::devsim

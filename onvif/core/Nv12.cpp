#include "Nv12.h"

namespace zv::onvif {

bool PictureSizeAllowed(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           int64_t(width) * height <= kMaxPicturePixels;
}

size_t Nv12Bytes(int width, int height) {
    if (!PictureSizeAllowed(width, height)) return 0;
    return size_t(width) * size_t(height) + Nv12ChromaRow(width) * size_t((height + 1) / 2);
}

bool Nv12ToBgr(const Nv12Picture& picture, std::vector<uint8_t>& bgr) {
    const int width = picture.width, height = picture.height;
    const size_t need = Nv12Bytes(width, height);
    if (need == 0 || picture.data.size() < need) return false;
    const size_t rowBytes = (size_t(width) * 3 + 3) & ~size_t(3);
    bgr.resize(rowBytes * size_t(height));
    const uint8_t* nv12 = picture.data.data();
    const uint8_t* uvPlane = nv12 + size_t(width) * height;
    const size_t uvStride = Nv12ChromaRow(width);
    auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
    for (int y = 0; y < height; ++y) {
        const uint8_t* yRow = nv12 + size_t(y) * width;
        const uint8_t* uvRow = uvPlane + size_t(y / 2) * uvStride;
        uint8_t* out = bgr.data() + size_t(y) * rowBytes;
        for (int x = 0; x < width; ++x, out += 3) {
            const int c = 298 * (yRow[x] - 16);
            const int d = uvRow[x & ~1] - 128, e = uvRow[(x & ~1) + 1] - 128;
            out[0] = clamp((c + 516 * d + 128) >> 8);
            out[1] = clamp((c - 100 * d - 208 * e + 128) >> 8);
            out[2] = clamp((c + 409 * e + 128) >> 8);
        }
    }
    return true;
}

}  // namespace zv::onvif

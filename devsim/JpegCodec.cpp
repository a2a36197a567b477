#include "JpegCodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace zv::devsim {

namespace {

// The library reports errors by calling error_exit, which must not return:
// jump back to the caller instead of letting it end the process.
struct ErrorTrap {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void TrapExit(j_common_ptr cinfo) {
    auto* trap = reinterpret_cast<ErrorTrap*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, trap->message);
    std::longjmp(trap->jump, 1);
}

void Quiet(j_common_ptr, int) {}

// The calls between setjmp and the jump hold no C++ object with a
// destructor, so the jump skips nothing.
bool EncodeC(const Image& img, int quality, int restartInterval, unsigned char** buf,
             unsigned long* size, char* message) {
    jpeg_compress_struct cinfo;
    ErrorTrap trap;
    cinfo.err = jpeg_std_error(&trap.mgr);
    trap.mgr.error_exit = TrapExit;
    trap.mgr.emit_message = Quiet;
    if (setjmp(trap.jump)) {
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", trap.message);
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buf, size);
    cinfo.image_width = static_cast<JDIMENSION>(img.width);
    cinfo.image_height = static_cast<JDIMENSION>(img.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);  // YCbCr 4:2:0, standard Huffman tables
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = FALSE;  // RTP/JPEG receivers assume the standard tables
    cinfo.restart_interval = static_cast<unsigned int>(restartInterval);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(img.Row(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

bool DecodeC(const uint8_t* data, size_t n, unsigned char* pixels, size_t capacity, int* w,
             int* h, char* message) {
    jpeg_decompress_struct cinfo;
    ErrorTrap trap;
    cinfo.err = jpeg_std_error(&trap.mgr);
    trap.mgr.error_exit = TrapExit;
    trap.mgr.emit_message = Quiet;
    if (setjmp(trap.jump)) {
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", trap.message);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(n));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_calc_output_dimensions(&cinfo);
    *w = static_cast<int>(cinfo.output_width);
    *h = static_cast<int>(cinfo.output_height);
    // Without a buffer (or with one too small) only the size is wanted.
    if (pixels == nullptr || static_cast<size_t>(*w) * *h * 3 > capacity ||
        cinfo.output_components != 3) {
        jpeg_destroy_decompress(&cinfo);
        std::snprintf(message, JMSG_LENGTH_MAX, "picture larger than the buffer");
        return false;
    }
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels + static_cast<size_t>(cinfo.output_scanline) * *w * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

bool JpegCodec::Encode(const Image& img, int quality, int restartInterval,
                       std::vector<uint8_t>& out, std::string* error) {
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = img.width > 0 && img.height > 0 &&
                    EncodeC(img, quality < 1 ? 1 : quality > 100 ? 100 : quality,
                            restartInterval < 0 ? 0 : restartInterval, &buf, &size, message);
    if (ok) out.assign(buf, buf + size);
    std::free(buf);
    if (!ok && error) *error = message[0] ? message : "empty picture";
    return ok;
}

bool JpegCodec::Decode(const uint8_t* data, size_t n, Image& out, std::string* error) {
    // Our pictures are at most 640 x 480; a header that claims more is refused.
    constexpr int kMaxW = 4096, kMaxH = 4096;
    char message[JMSG_LENGTH_MAX] = {};
    int w = 0, h = 0;
    // Read the header once for the size, then decode into a buffer that fits.
    if (!DecodeC(data, n, nullptr, 0, &w, &h, message) && (w <= 0 || h <= 0)) {
        if (error) *error = message;
        return false;
    }
    if (w > kMaxW || h > kMaxH) {
        if (error) *error = "picture too large";
        return false;
    }
    Image img(w, h);
    if (!DecodeC(data, n, img.rgb.data(), img.rgb.size(), &w, &h, message)) {
        if (error) *error = message;
        return false;
    }
    out = std::move(img);
    return true;
}

bool JpegCodec::Split(const std::vector<uint8_t>& j, JpegParts& out, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    out = JpegParts{};
    if (j.size() < 4 || j[0] != 0xFF || j[1] != 0xD8) return fail("no start of image");
    size_t p = 2;
    std::vector<uint8_t> tables[2];
    int lumaTable = -1, chromaTable = -1;
    for (;;) {
        if (p + 4 > j.size() || j[p] != 0xFF) return fail("bad marker");
        const uint8_t marker = j[p + 1];
        const size_t len = static_cast<size_t>(j[p + 2]) << 8 | j[p + 3];
        if (len < 2 || p + 2 + len > j.size()) return fail("bad segment length");
        const uint8_t* seg = j.data() + p + 4;
        const size_t segLen = len - 2;
        switch (marker) {
        case 0xDB:  // DQT: one or more tables
            for (size_t q = 0; q < segLen;) {
                const int precision = seg[q] >> 4, id = seg[q] & 15;
                if (precision != 0 || id > 1 || q + 65 > segLen) return fail("unusable table");
                tables[id].assign(seg + q + 1, seg + q + 65);
                q += 65;
            }
            break;
        case 0xC0: {  // baseline frame
            if (segLen != 15 || seg[0] != 8 || seg[5] != 3) return fail("not 8-bit YCbCr");
            out.height = seg[1] << 8 | seg[2];
            out.width = seg[3] << 8 | seg[4];
            const uint8_t y = seg[7], cb = seg[10], cr = seg[13];
            if (cb != 0x11 || cr != 0x11) return fail("unusual chroma sampling");
            out.type = y == 0x22 ? 1 : y == 0x21 ? 0 : -1;
            if (out.type < 0) return fail("unusual luma sampling");
            lumaTable = seg[8];
            chromaTable = seg[11];
            if (seg[14] != chromaTable) return fail("chroma components with two tables");
            break;
        }
        case 0xC1: case 0xC2: case 0xC3: case 0xC5: case 0xC6: case 0xC7:
        case 0xC9: case 0xCA: case 0xCB: case 0xCD: case 0xCE: case 0xCF:
            return fail("not a baseline frame");
        case 0xDD:  // DRI
            if (segLen != 2) return fail("bad restart interval");
            out.restartInterval = static_cast<uint16_t>(seg[0] << 8 | seg[1]);
            break;
        case 0xDA: {  // start of scan: the data runs up to EOI
            out.scanOffset = p + 2 + len;
            if (j.size() < out.scanOffset + 2 || j[j.size() - 2] != 0xFF ||
                j[j.size() - 1] != 0xD9)
                return fail("no end of image");
            out.scanLength = j.size() - 2 - out.scanOffset;
            if (out.type < 0 || lumaTable != 0 || chromaTable != 1 || tables[0].empty() ||
                tables[1].empty())
                return fail("tables missing");
            out.qtables = tables[0];
            out.qtables.insert(out.qtables.end(), tables[1].begin(), tables[1].end());
            return true;
        }
        default: break;  // APPn, COM, DHT: the receiver rebuilds them
        }
        p += 2 + len;
    }
}

}  // namespace zv::devsim

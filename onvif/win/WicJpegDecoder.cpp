#include "WicJpegDecoder.h"

#include <wincodec.h>

#include <algorithm>

#include "ComPtr.h"
#include "Nv12.h"

namespace zv::onvif {

CWicJpegDecoder::CWicJpegDecoder() {
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&m_factory))))
        m_factory = nullptr;
}

CWicJpegDecoder::~CWicJpegDecoder() {
    if (m_factory) m_factory->Release();
}

bool CWicJpegDecoder::Decode(const uint8_t* jpeg, size_t size, std::vector<uint8_t>& bgr, int& width,
                             int& height, int& stride) {
    if (!m_factory || !jpeg || size == 0 || size > 0x7FFFFFFF) return false;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(m_factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(jpeg), static_cast<DWORD>(size))) ||
        FAILED(m_factory->CreateDecoder(GUID_ContainerFormatJpeg, nullptr, &decoder)) ||
        FAILED(decoder->Initialize(stream.p, WICDecodeMetadataCacheOnDemand)) ||
        FAILED(decoder->GetFrame(0, &frame)))
        return false;
    UINT w = 0, h = 0;
    // The library's picture-size cap bounds the buffer.
    if (FAILED(frame->GetSize(&w, &h)) || !zv::onvif::PictureSizeAllowed(int(std::min<UINT>(w, 1u << 30)),
                                                                          int(std::min<UINT>(h, 1u << 30))))
        return false;
    if (FAILED(m_factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)))
        return false;
    const UINT rowBytes = (w * 3 + 3) & ~3u;
    bgr.resize(size_t(rowBytes) * h);
    if (FAILED(converter->CopyPixels(nullptr, rowBytes, static_cast<UINT>(bgr.size()), bgr.data()))) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    stride = static_cast<int>(rowBytes);
    return true;
}

}  // namespace zv::onvif

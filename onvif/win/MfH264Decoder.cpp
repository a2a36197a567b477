#include "MfH264Decoder.h"

#include <mfapi.h>
#include <mferror.h>
#include <mftransform.h>
#include <objbase.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <thread>

#include "ComPtr.h"

namespace zv::onvif {

namespace {

constexpr uint8_t kDelimiter[] = {0, 0, 0, 1, 0x09, 0xF0};
constexpr size_t kMaxPicturesPerUnit = 16;  // a decoder never holds more back

IMFTransform* CreateDecoder() {
    MFT_REGISTER_TYPE_INFO input{MFMediaType_Video, MFVideoFormat_H264};
    IMFActivate** found = nullptr;
    UINT32 count = 0;
    IMFTransform* mft = nullptr;
    if (FAILED(MFTEnumEx(MFT_CATEGORY_VIDEO_DECODER, MFT_ENUM_FLAG_SYNCMFT | MFT_ENUM_FLAG_SORTANDFILTER, &input,
                         nullptr, &found, &count)))
        return nullptr;
    for (UINT32 i = 0; i < count; ++i) {
        if (!mft && FAILED(found[i]->ActivateObject(IID_IMFTransform, reinterpret_cast<void**>(&mft)))) mft = nullptr;
        found[i]->Release();
    }
    CoTaskMemFree(found);
    return mft;
}

}  // namespace

bool CMfH264Decoder::Available() {
    static std::once_flag once;
    static bool available = false;
    // On a thread of its own: the caller's thread may be in any apartment.
    std::call_once(once, [] {
        std::thread probe([] {
            const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
            {
                CMfH264Decoder d;
                available = d.Ready();
            }
            if (com) CoUninitialize();
        });
        probe.join();
    });
    return available;
}

CMfH264Decoder::CMfH264Decoder() {
    m_started = SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_LITE));
    if (m_started) Open();
}

bool CMfH264Decoder::Open() {
    if (m_mft) m_mft->Release();
    m_mft = CreateDecoder();
    if (!m_mft) return false;
    ComPtr<IMFMediaType> in;
    if (FAILED(MFCreateMediaType(&in)) || FAILED(in->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video)) ||
        FAILED(in->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_H264)) || FAILED(m_mft->SetInputType(0, in.p, 0)) ||
        !SetOutputType()) {
        m_mft->Release();
        m_mft = nullptr;
        return false;
    }
    m_mft->ProcessMessage(MFT_MESSAGE_NOTIFY_BEGIN_STREAMING, 0);
    m_mft->ProcessMessage(MFT_MESSAGE_NOTIFY_START_OF_STREAM, 0);
    return true;
}

CMfH264Decoder::~CMfH264Decoder() {
    if (m_mft) m_mft->Release();
    if (m_started) MFShutdown();
}

// NV12 out, and the picture's size and the buffers' layout as the type says.
bool CMfH264Decoder::SetOutputType() {
    for (DWORD i = 0;; ++i) {
        ComPtr<IMFMediaType> t;
        if (FAILED(m_mft->GetOutputAvailableType(0, i, &t))) return false;
        GUID sub{};
        if (FAILED(t->GetGUID(MF_MT_SUBTYPE, &sub)) || sub != MFVideoFormat_NV12) continue;
        if (FAILED(m_mft->SetOutputType(0, t.p, 0))) return false;
        UINT32 w = 0, h = 0;
        MFGetAttributeSize(t.p, MF_MT_FRAME_SIZE, &w, &h);
        MFVideoArea area{};
        if (SUCCEEDED(t->GetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, reinterpret_cast<UINT8*>(&area), sizeof area,
                                 nullptr)) &&
            area.Area.cx > 0 && area.Area.cy > 0) {
            m_alignedHeight = static_cast<int>(h);
            w = static_cast<UINT32>(area.Area.cx), h = static_cast<UINT32>(area.Area.cy);
        } else {
            m_alignedHeight = static_cast<int>(h);
        }
        UINT32 stride = 0;
        if (FAILED(t->GetUINT32(MF_MT_DEFAULT_STRIDE, &stride)) || int32_t(stride) <= 0) stride = w;
        m_width = static_cast<int>(w);
        m_height = static_cast<int>(h);
        m_stride = static_cast<int>(stride);
        return true;
    }
}

namespace {

// The sequence parameter set an access unit brings (a stream that starts,
// or starts again at another size), without its start code; empty if none.
std::vector<uint8_t> SequenceParameters(const uint8_t* au, size_t size) {
    for (size_t i = 0; i + 3 < size; ++i) {
        if (au[i] != 0 || au[i + 1] != 0 || au[i + 2] != 1 || (au[i + 3] & 0x1F) != 7) continue;
        size_t end = i + 3;
        while (end + 2 < size && !(au[end] == 0 && au[end + 1] == 0 && (au[end + 2] == 1 || au[end + 2] == 0)))
            ++end;
        if (end + 2 >= size) end = size;
        return std::vector<uint8_t>(au + i + 3, au + end);
    }
    return {};
}

}  // namespace

size_t CMfH264Decoder::Decode(const uint8_t* au, size_t size, const PictureFn& picture) {
    size_t count = 0;
    if (!au || size == 0) return 0;
    // New sequence parameters (a camera whose resolution was changed): a
    // fresh decoder from this unit on, as not every decoder follows a size
    // change mid-stream. What the old one still held back is lost.
    std::vector<uint8_t> sps = SequenceParameters(au, size);
    const bool brings = !sps.empty(), changed = brings && !m_sps.empty() && sps != m_sps;
    if (brings) m_sps = std::move(sps);
    if (changed && Open()) ++m_restarts;
    if (!Feed(au, size, picture, count) && brings && Open()) {
        ++m_restarts;  // failed at a stream's start: afresh, once
        Feed(au, size, picture, count);
    }
    return count;
}

bool CMfH264Decoder::Feed(const uint8_t* au, size_t size, const PictureFn& picture, size_t& count) {
    if (!m_mft || !au || size == 0 || size > 64u * 1024 * 1024) return true;
    ComPtr<IMFSample> sample;
    ComPtr<IMFMediaBuffer> buffer;
    const DWORD total = static_cast<DWORD>(size + sizeof kDelimiter);
    BYTE* p = nullptr;
    if (FAILED(MFCreateSample(&sample)) || FAILED(MFCreateMemoryBuffer(total, &buffer)) ||
        FAILED(buffer->Lock(&p, nullptr, nullptr)))
        return true;
    std::memcpy(p, au, size);
    std::memcpy(p + size, kDelimiter, sizeof kDelimiter);
    buffer->Unlock();
    buffer->SetCurrentLength(total);
    sample->AddBuffer(buffer.p);
    sample->SetSampleTime(m_time);
    sample->SetSampleDuration(400000);  // 25 a second, in 100 ns
    m_time += 400000;
    HRESULT hr = m_mft->ProcessInput(0, sample.p, 0);
    if (hr == MF_E_NOTACCEPTING) {  // pictures waiting: take them, then once more
        if (!Drain(picture, count)) return false;
        hr = m_mft->ProcessInput(0, sample.p, 0);
    }
    return SUCCEEDED(hr) && Drain(picture, count);
}

// Takes every picture the decoder has (a bounded number), each with the
// size of the output type it came out with.
bool CMfH264Decoder::Drain(const PictureFn& picture, size_t& count) {
    for (size_t taken = 0; taken < kMaxPicturesPerUnit; ++taken) {
        MFT_OUTPUT_STREAM_INFO info{};
        if (FAILED(m_mft->GetOutputStreamInfo(0, &info))) return false;
        ComPtr<IMFSample> sample;
        ComPtr<IMFMediaBuffer> buffer;
        const bool provides = info.dwFlags & (MFT_OUTPUT_STREAM_PROVIDES_SAMPLES | MFT_OUTPUT_STREAM_CAN_PROVIDE_SAMPLES);
        if (!provides) {
            if (FAILED(MFCreateSample(&sample)) ||
                FAILED(MFCreateMemoryBuffer(std::max<DWORD>(info.cbSize, 1), &buffer)))
                return false;
            sample->AddBuffer(buffer.p);
        }
        MFT_OUTPUT_DATA_BUFFER out{};
        out.pSample = sample.p;
        DWORD status = 0;
        const HRESULT hr = m_mft->ProcessOutput(0, 1, &out, &status);
        if (out.pEvents) out.pEvents->Release();
        if (hr == MF_E_TRANSFORM_NEED_MORE_INPUT) return true;
        if (hr == MF_E_TRANSFORM_STREAM_CHANGE) {
            if (!SetOutputType()) return false;
            continue;
        }
        if (FAILED(hr)) return false;
        IMFSample* given = out.pSample;
        ComPtr<IMFMediaBuffer> whole;
        if (!given || FAILED(given->ConvertToContiguousBuffer(&whole))) {
            if (provides && given) given->Release();
            return false;
        }
        BYTE* p = nullptr;
        DWORD length = 0;
        const int w = m_width, h = m_height;
        const size_t chromaRow = zv::onvif::Nv12ChromaRow(w), chromaRows = size_t(h + 1) / 2;
        const bool sane = zv::onvif::PictureSizeAllowed(w, h) && size_t(m_stride) >= chromaRow &&
                          m_alignedHeight >= h;
        bool delivered = false;
        if (sane && SUCCEEDED(whole->Lock(&p, nullptr, &length))) {
            const size_t uvOffset = size_t(m_stride) * m_alignedHeight;
            if (length >= uvOffset + size_t(m_stride) * chromaRows) {
                // Rows of the picture only, without the decoder's padding.
                m_picture.width = w;
                m_picture.height = h;
                m_picture.data.resize(zv::onvif::Nv12Bytes(w, h));
                for (int y = 0; y < h; ++y)
                    std::memcpy(&m_picture.data[size_t(y) * w], p + size_t(y) * m_stride, size_t(w));
                uint8_t* dst = m_picture.data.data() + size_t(w) * h;
                for (size_t y = 0; y < chromaRows; ++y)
                    std::memcpy(dst + y * chromaRow, p + uvOffset + y * m_stride, chromaRow);
                delivered = true;
            }
            whole->Unlock();
        }
        if (provides) given->Release();
        if (delivered) {
            ++count;
            picture(m_picture);
        } else {
            ++m_dropped;
        }
    }
    return true;
}

std::vector<std::vector<uint8_t>> SplitAtDelimiters(const uint8_t* data, size_t size) {
    std::vector<std::vector<uint8_t>> units;
    std::vector<size_t> starts;  // of each delimiter's start code
    for (size_t i = 0; i + 4 < size; ++i) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && (data[i + 3] & 0x1F) == 9)
            starts.push_back(i > 0 && data[i - 1] == 0 ? i - 1 : i);
    }
    for (size_t k = 0; k < starts.size(); ++k) {
        const size_t end = k + 1 < starts.size() ? starts[k + 1] : size;
        units.emplace_back(data + starts[k], data + end);
    }
    return units;
}

}  // namespace zv::onvif

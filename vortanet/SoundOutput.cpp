#include "SoundOutput.h"

namespace vn {

namespace proto = zv::proto;

bool CSoundOutput::Open(uint32_t sampleRate) {
    WAVEFORMATEX fmt{};
    fmt.wFormatTag = WAVE_FORMAT_PCM;
    fmt.nChannels = 1;
    fmt.nSamplesPerSec = sampleRate;
    fmt.wBitsPerSample = 16;
    fmt.nBlockAlign = 2;
    fmt.nAvgBytesPerSec = sampleRate * 2;
    if (waveOutOpen(&m_out, WAVE_MAPPER, &fmt, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        m_out = nullptr;
        return false;
    }
    m_rate = sampleRate;
    return true;
}

void CSoundOutput::Play(const proto::AudioPacket& packet) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bFailed) return;
    if (m_out && m_rate != packet.sampleRate) {
        waveOutReset(m_out);
        for (WAVEHDR& h : m_headers)
            if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(m_out, &h, sizeof h);
        waveOutClose(m_out);
        m_out = nullptr;
    }
    if (!m_out && !Open(packet.sampleRate)) {
        m_bFailed = true;
        return;
    }
    // A free buffer, or the packet is skipped: sound must never hold up video.
    for (int i = 0; i < kBuffers; ++i) {
        WAVEHDR& h = m_headers[i];
        if ((h.dwFlags & WHDR_PREPARED) && !(h.dwFlags & WHDR_DONE)) continue;
        if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(m_out, &h, sizeof h);
        m_data[i] = packet.samples;
        h = WAVEHDR{};
        h.lpData = reinterpret_cast<LPSTR>(m_data[i].data());
        h.dwBufferLength = DWORD(m_data[i].size() * sizeof(int16_t));
        if (waveOutPrepareHeader(m_out, &h, sizeof h) == MMSYSERR_NOERROR)
            waveOutWrite(m_out, &h, sizeof h);
        return;
    }
}

void CSoundOutput::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_out) {
        waveOutReset(m_out);
        for (WAVEHDR& h : m_headers)
            if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(m_out, &h, sizeof h);
        waveOutClose(m_out);
        m_out = nullptr;
    }
    for (WAVEHDR& h : m_headers) h = WAVEHDR{};
    m_bFailed = false;
}

}  // namespace vn

// The device's sound of one play at a time, through the platform's wave
// output when there is one.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "Messages.h"

namespace vn {

// One sound output for the library: the device's audio of one play at a time.
class CSoundOutput {
public:
    ~CSoundOutput() { Close(); }
    void Play(const zv::proto::AudioPacket& packet);
    void Close();

private:
    static constexpr int kBuffers = 8;
    bool Open(uint32_t sampleRate);

    std::mutex m_mutex;
    HWAVEOUT m_out = nullptr;
    bool m_bFailed = false;  // no wave output here: packets are only counted
    uint32_t m_rate = 0;
    WAVEHDR m_headers[kBuffers] = {};
    std::vector<int16_t> m_data[kBuffers];
};

}  // namespace vn

// The receiving side of one live play: the RTSP stream, its packets in
// order, whole pictures (JPEG) or access units (H.264) numbered and handed
// to the play's queue. A stream that breaks, or that sends nothing for
// silenceMs while its connection stays open, is opened again at once;
// when that fails the play is lost (its login is then worth reporting).
// Run blocks on its own thread; Stop, from any thread, ends it soon and
// never waits.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "RtspClient.h"
#include "UnitQueue.h"
#include "Url.h"

namespace zv::onvif {

class StreamReceiver {
public:
    struct Config {
        Url uri;
        std::string ip;  // where the stream's server is (the login's address)
        std::string user, password;
        bool h264 = false;
        int openMs = 4000;      // a reopen, start to PLAY
        int silenceMs = 5000;   // no RTP this long: the stream is reopened
    };
    enum class End { Stopped, Lost };

    StreamReceiver(Config config, UnitQueue& queue);
    ~StreamReceiver();
    StreamReceiver(const StreamReceiver&) = delete;
    StreamReceiver& operator=(const StreamReceiver&) = delete;

    // The first open; the play's start waits for it.
    RtspClient::Result Open(int64_t deadlineMs, std::string* error = nullptr);
    // Until Stop, or until a stream that broke cannot be opened again.
    // `broken` is told each time a stream breaks, before the reopen.
    End Run(const std::function<void()>& broken);
    void Stop();

    uint64_t Reopens() const { return m_reopens; }

private:
    std::unique_ptr<RtspClient> TakeClient();
    bool Replace(std::unique_ptr<RtspClient> fresh);

    const Config m_config;
    UnitQueue& m_queue;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;  // m_rtsp's replacement against Stop
    std::unique_ptr<RtspClient> m_rtsp;
    std::atomic<uint64_t> m_reopens{0};
};

}  // namespace zv::onvif

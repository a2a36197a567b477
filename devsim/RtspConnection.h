// One RTSP client connection: a reader thread answers requests (OPTIONS,
// DESCRIBE, SETUP, PLAY, PAUSE, TEARDOWN, GET_PARAMETER), a writer thread
// sends the answers first and RTP packets second, interleaved on the same
// connection. Pictures wait in a queue of a few frames: a client that reads
// too slowly loses the oldest (counted), never the device's memory. Answers
// are bounded too: at the cap the reader stops reading until the writer
// has sent some.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "SimHttpMessage.h"
#include "RtpJpeg.h"
#include "Socket.h"

namespace zv::devsim {

class RtspServer;

class RtspConnection {
public:
    static constexpr size_t kMaxQueuedFrames = 4;
    static constexpr size_t kMaxQueuedReplies = 16;
    static constexpr int kSessionTimeoutS = 60;
    // The kernel's share of a slow client's backlog: a few frames too.
    static constexpr int kSendBufferBytes = 128 * 1024;

    RtspConnection(RtspServer& server, net::Socket socket, uint64_t id);
    ~RtspConnection();
    RtspConnection(const RtspConnection&) = delete;
    RtspConnection& operator=(const RtspConnection&) = delete;

    void Start();
    void Abort();
    bool Finished() const { return m_readerDone.load() && m_writerDone.load(); }
    void Join();

private:
    enum class State { Init, Ready, Playing };
    struct Frame {
        std::shared_ptr<const RtpJpegFrame> rtp;
        uint32_t timestamp = 0;
    };

    void ReadLoop();
    void WriteLoop();
    HttpResponse Handle(const HttpRequest& req);
    HttpResponse Describe(const HttpRequest& req, int channel);
    HttpResponse Setup(const HttpRequest& req, int channel);
    HttpResponse Play(const HttpRequest& req);
    void StopWatching();
    // Called on the device's stream thread.
    void PushFrame(std::shared_ptr<const RtpJpegFrame> frame, double t);
    void Reply(const std::string& bytes);
    bool SendFrame(const Frame& f);
    // Channel of a URL "rtsp://host:port/ch<N>[/...]", or -1.
    int ChannelOf(const std::string& target) const;
    std::string BaseUrl(int channel) const;
    // Frozen or silenced by a fault: nothing is answered or sent.
    bool Quiet() const;

    RtspServer& m_server;
    net::Socket m_sock;
    const uint64_t m_id;
    std::thread m_reader, m_writer;
    std::atomic<bool> m_abort{false};
    std::atomic<bool> m_readerDone{false};
    std::atomic<bool> m_writerDone{false};

    // Reader-thread state.
    State m_state = State::Init;
    std::string m_session;
    int m_channel = -1;
    uint8_t m_rtpChannel = 0;
    uint64_t m_watchId = 0;
    const uint32_t m_ssrc;
    const uint32_t m_timeBase;

    std::mutex m_mu;  // guards the queues and the flags below
    std::condition_variable m_cv;         // the writer waits for work
    std::condition_variable m_replyRoom;  // the reader waits at the reply cap
    std::deque<std::string> m_replies;
    std::deque<Frame> m_frames;
    bool m_playing = false;
    bool m_closing = false;  // send what is queued, then end
    uint16_t m_seq;          // next RTP sequence number (writer)
    uint32_t m_seqRestarts = 0;  // the fault's count last seen (writer)
};

}  // namespace zv::devsim

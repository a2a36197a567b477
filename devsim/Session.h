// One client connection to a device. A reader thread cuts the stream into
// frames and answers requests; a writer thread sends replies first and live
// media second. Media waits in a bounded queue: a client that reads too
// slowly loses frames (counted). Replies are never lost; instead a client
// that leaves them unread is no longer read from (counted too). Either way
// the device's memory stays bounded.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "DeviceOptions.h"
#include "Messages.h"
#include "Socket.h"

namespace zv::devsim {

class Device;

class Session : public std::enable_shared_from_this<Session> {
public:
    using Clock = std::chrono::steady_clock;
    using Body = std::shared_ptr<const std::vector<uint8_t>>;

    // Media queue bounds: a few frames per play, so one slow play cannot
    // starve the others of a session, and a cap on the whole session.
    static constexpr int kMaxVideoPerPlay = 4;
    static constexpr int kMaxAudioPerPlay = 25;
    static constexpr size_t kMaxMediaBytes = 32 * 1024 * 1024;
    // Queued reply bytes at which the reader stops taking requests, and
    // below which it starts again. A client that reads its replies has a few
    // requests outstanding, and the largest reply is 64 KiB, so 4 MiB is only
    // ever reached by one that pipelines requests and leaves the replies
    // unread; and a device full of such sessions (32 by default) holds
    // 128 MiB of replies at most. Each reply counts its queue entry too, or
    // 24-byte PONGs would hold five times the cap. Resuming at half spares a
    // wake-up per reply sent.
    static constexpr size_t kMaxReplyBytes = 4 * 1024 * 1024;
    static constexpr size_t kResumeReplyBytes = kMaxReplyBytes / 2;

    Session(Device& device, net::Socket socket, std::string peer, uint64_t id);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void Start();
    // Closes the connection now, without a message.
    void Abort();
    bool Finished() const { return m_readerDone.load() && m_writerDone.load(); }
    void Join();
    uint64_t Id() const { return m_id; }
    // Bytes held by replies queued and not yet taken by the writer.
    size_t ReplyBytes() const;
    const std::string& Peer() const { return m_peer; }

    enum class Push { Queued, Dropped, Gone };
    // Queues a video frame or audio packet for one of this session's plays.
    Push PushMedia(uint32_t playId, std::vector<uint8_t> head, Body body);
    void AddPlay(uint32_t playId);
    // Forgets a play and any of its media still queued, so nothing of it
    // follows the reply to its stop.
    void RemovePlay(uint32_t playId);
    // Same for audio: no packet of the play follows the reply to its close.
    void SetAudio(uint32_t playId, bool on);

    // For the fuzz harness, on a session that was never started (no socket,
    // no threads): one received frame through the reader's handling (false:
    // the session ends), and the replies it queued, taken in order.
    bool HandleForTest(const proto::Frame& f) { return Handle(f); }
    std::vector<std::vector<uint8_t>> TakeRepliesForTest();

private:
    enum class State { AwaitHello, AwaitLogin, LoggedIn };
    struct Out {
        std::vector<uint8_t> head;
        Body body;
        uint32_t playId = 0;
        Clock::time_point due{};
        bool video = false;
    };

    void ReadLoop();
    void WriteLoop();
    // false: the session must end.
    bool Handle(const proto::Frame& f);
    bool HandleLogin(const proto::Frame& f);
    bool HandleRequest(const proto::Frame& f);
    void Reply(std::vector<uint8_t> frame, int delayMs = 0);
    // Holds the reader while the queued replies are at the cap; held says
    // whether it had to wait. false: the session is ending.
    bool WaitForReplyRoom(bool& held);
    // Sends ERROR, lets the writer flush replies, then closes.
    void CloseWith(uint32_t code, const std::string& text);
    void CloseAfterFlush();
    bool SendOut(Out& item);
    void StampSend(std::vector<uint8_t>& head);
    // Drops queued media of a play: all of it, or its audio only.
    void PurgeLocked(uint32_t playId, bool video);
    void DequeuedLocked(const Out& o);
    static size_t ReplyCost(const Out& o) { return sizeof(Out) + o.head.size(); }
    std::vector<uint8_t> Corrupt(std::vector<uint8_t> frame, Hostile mode, bool& truncate);
    bool SleepUnlessAborted(int ms);

    Device& m_dev;
    net::Socket m_sock;
    const std::string m_peer;
    const uint64_t m_id;
    std::thread m_reader;
    std::thread m_writer;
    std::atomic<bool> m_abort{false};
    std::atomic<bool> m_readerDone{false};
    std::atomic<bool> m_writerDone{false};

    // Reader-thread state.
    State m_state = State::AwaitHello;
    proto::Nonce m_clientNonce{};
    proto::ChallengeBytes m_challenge{};

    mutable std::mutex m_mu;  // guards the queues and the play set
    std::condition_variable m_cv;         // the writer waits here for work
    std::condition_variable m_replyRoom;  // the reader waits here at the reply cap
    std::deque<Out> m_control;
    std::deque<Out> m_media;
    std::vector<Out> m_delayed;
    size_t m_mediaBytes = 0;
    size_t m_replyBytes = 0;  // in m_control and m_delayed
    std::set<uint32_t> m_plays;
    std::set<uint32_t> m_audioPlays;
    struct Queued {
        int video = 0;
        int audio = 0;
    };
    std::map<uint32_t, Queued> m_queued;  // media waiting per play
    bool m_closing = false;               // flush replies, then end

    // Writer-thread state.
    bool m_muted = false;  // after a deliberately truncated frame
    std::mt19937 m_rng;
};

}  // namespace zv::devsim

// A play's parts that need no camera: the queue between receiver and
// drawer keeps to its byte budget whatever arrives, decoded pictures of any
// size are converted within their own buffers (odd sizes too) or refused,
// and the pacer spaces pictures by the stream's frame time on a clock the
// test drives.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "FramePacer.h"
#include "Nv12.h"
#include "UnitQueue.h"

using namespace zv::onvif;

namespace {

MediaUnit Unit(size_t bytes, bool key, uint32_t no) {
    MediaUnit u;
    u.data.assign(bytes, 0x42);
    u.key = key;
    u.no = no;
    return u;
}

TEST(UnitQueue, KeepsToItsBudgetAndResumesAtAKeyFrame) {
    constexpr size_t kMB = 1024 * 1024;
    // Events in order: 'K' a key frame posted, 'p' another unit, 'T' the
    // drawer takes what waits (and is done with what it had); then what a
    // last take hands over, and how many were dropped.
    struct Case {
        const char* what;
        UnitQueue::Order order;
        std::string events;
        size_t unitMb, budgetMb;
        std::vector<uint32_t> last;
        uint64_t dropped;
    };
    const Case cases[] = {
        {"in order, within the budget", UnitQueue::Order::Every, "Kppp", 1, 24, {1, 2, 3, 4}, 0},
        {"out of room: nothing until a key frame, which starts afresh", UnitQueue::Order::Every, "KpppppKp", 1, 4,
         {7, 8}, 6},
        {"units being drawn count too", UnitQueue::Order::Every, "KppTpK", 1, 4, {5}, 1},
        {"newest only: an undrawn picture is replaced", UnitQueue::Order::NewestOnly, "KKKK", 1, 24, {4}, 3},
        {"newest only: a picture larger than the budget", UnitQueue::Order::NewestOnly, "K", 30, 24, {}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UnitQueue q(c.order, c.budgetMb * kMB);
        std::vector<MediaUnit> out;
        uint32_t no = 0;
        for (char e : c.events) {
            if (e == 'T') {
                ASSERT_TRUE(q.Take(out));
            } else {
                q.Post(Unit(c.unitMb * kMB, e == 'K', ++no));
            }
            EXPECT_LE(q.BytesHeld(), c.budgetMb * kMB);
        }
        std::vector<uint32_t> last;
        if (!c.last.empty()) {
            ASSERT_TRUE(q.Take(out));
            for (const auto& u : out) last.push_back(u.no);
        }
        EXPECT_EQ(last, c.last);
        EXPECT_EQ(q.Dropped(), c.dropped);
    }
    // Too many waiting (the drawer far behind) drops as the budget does.
    UnitQueue q(UnitQueue::Order::Every, 24 * kMB, 3);
    for (uint32_t i = 1; i <= 5; ++i) q.Post(Unit(10, i == 1, i));
    q.Post(Unit(10, true, 6));
    std::vector<MediaUnit> out;
    ASSERT_TRUE(q.Take(out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].no, 6u);
    q.Stop();
    EXPECT_FALSE(q.Take(out)) << "a stopped queue ends the drawer";
    EXPECT_FALSE(q.Post(Unit(10, true, 7)));
}

TEST(Nv12, EveryPictureIsConvertedWithinItsOwnBuffer) {
    struct Case {
        int w, h;
        long extra;  // bytes more (or fewer) than the picture needs
        bool converted;
    };
    const Case cases[] = {
        {352, 288, 0, true}, {1280, 720, 0, true}, {5, 5, 0, true}, {7, 1, 0, true}, {1, 1, 0, true},
        {353, 289, 0, true}, {352, 288, -1, false}, {4096, 2160, 0, true}, {4097, 16, 0, false},
        {2160, 4096, 0, true}, {4096, 4096, 0, false}, {0, 16, 0, false}, {-2, 16, 0, false},
    };
    std::vector<uint8_t> bgr;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " " + std::to_string(c.extra));
        Nv12Picture p;
        p.width = c.w;
        p.height = c.h;
        const size_t need = size_t(std::max(c.w, 0)) * size_t(std::max(c.h, 0)) +
                            size_t((std::max(c.w, 0) + 1) & ~1) * size_t((std::max(c.h, 0) + 1) / 2);
        if (PictureSizeAllowed(c.w, c.h)) {
            EXPECT_EQ(Nv12Bytes(c.w, c.h), need);
        }
        p.data.assign(size_t(long(need) + c.extra), 128);  // exact size: any read past it is caught
        p.data.shrink_to_fit();
        EXPECT_EQ(Nv12ToBgr(p, bgr), c.converted);
        if (c.converted) {
            EXPECT_EQ(bgr.size(), ((size_t(c.w) * 3 + 3) & ~size_t(3)) * size_t(c.h));
        }
    }
}

// A clock the test moves: sleeping advances it.
int64_t g_now = 0;
std::vector<int64_t> g_presented;
int64_t FakeNow() { return g_now; }
void FakeSleep(int ms) { g_now += ms; }

TEST(FramePacer, SpacesPicturesByTheStreamsFrameTimeAndNeverHoldsALateDrawer) {
    FramePacer pacer(&FakeNow, &FakeSleep);
    std::atomic<bool> stop{false};
    EXPECT_EQ(pacer.FrameMs(), 40) << "until known";
    // Decode order with B-frames (times jump back and forth), 25 a second.
    for (uint32_t t : {0u, 10800u, 3600u, 7200u, 21600u, 14400u, 18000u}) pacer.Note(t);
    EXPECT_EQ(pacer.FrameMs(), 40);
    g_now = 1000;
    g_presented.clear();
    for (int i = 0; i < 4; ++i) {
        pacer.WaitTurn(2, stop);
        g_presented.push_back(g_now);
    }
    EXPECT_EQ(g_presented, (std::vector<int64_t>{1000, 1040, 1080, 1120})) << "a group spread out";
    g_now += 500;  // the drawer fell behind
    pacer.WaitTurn(2, stop);
    EXPECT_EQ(g_now, 1620) << "a late drawer starts again at once";
    pacer.WaitTurn(FramePacer::kBehind + 1, stop);
    EXPECT_EQ(g_now, 1620) << "with many waiting it does not wait";
}

}  // namespace

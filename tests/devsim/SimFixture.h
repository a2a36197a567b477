// An in-process simulator with two devices on ephemeral ports of 127.0.0.1
// and 127.0.0.2, and helpers shared by the session and fault tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Simulator.h"
#include "TestClient.h"

namespace zv::test {

class SimFixture : public ::testing::Test {
protected:
    static constexpr const char* kDevA = "127.0.0.1";
    static constexpr const char* kDevB = "127.0.0.2";
    static constexpr int kChannels = 4;

    virtual void Tune(devsim::DeviceOptions&) {}

    void SetUp() override {
        devsim::SimulatorOptions opts;
        for (const char* addr : {kDevA, kDevB}) {
            devsim::DeviceOptions d;
            d.address = addr;
            d.port = 0;
            d.channels = kChannels;
            d.users = {{"admin", "admin"}, {"viewer", "s3cret-pass"}};
            Tune(d);
            opts.devices.push_back(d);
        }
        opts.controlPort = 0;
        sim = std::make_unique<devsim::Simulator>(opts);
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
    }
    void TearDown() override {
        if (sim) sim->Stop();
    }

    uint16_t PortOf(const char* addr) { return sim->FindDevice(addr)->Port(); }

    // A connected client, logged in as admin unless told otherwise.
    std::unique_ptr<TestClient> Client(const char* addr = kDevA, bool login = true) {
        auto c = std::make_unique<TestClient>();
        EXPECT_TRUE(c->Connect(addr, PortOf(addr)));
        if (login) {
            EXPECT_EQ(c->Login("admin", "admin"), proto::kOk);
        }
        return c;
    }

    std::map<std::string, std::string> State(const char* addr, int ch) {
        return ParseReply(sim->Execute(std::string("state ") + addr + " " + std::to_string(ch)));
    }
    double Counter(const char* addr, const std::string& key) {
        return Num(ParseReply(sim->Execute(std::string("counters ") + addr)), key);
    }

    uint32_t StartPlay(TestClient& c, uint32_t channel,
                       proto::PixelFormat f = proto::PixelFormat::Rgb24) {
        proto::PlayStart p;
        p.channel = channel;
        p.format = f;
        uint32_t id = 0;
        EXPECT_EQ(c.Status(p, &id), proto::kOk);
        return id;
    }

    std::unique_ptr<devsim::Simulator> sim;
};

}  // namespace zv::test

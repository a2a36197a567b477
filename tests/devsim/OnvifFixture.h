// An in-process simulator with one device on 127.0.0.40 whose web services
// and RTSP are on (ephemeral ports), and helpers for SOAP calls with the
// login token clients send.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "Simulator.h"
#include "TestClient.h"
#include "WebClient.h"

namespace zv::test {

class OnvifFixture : public ::testing::Test {
protected:
    static constexpr const char* kDev = "127.0.0.40";
    static constexpr int kChannels = 2;

    struct Soap {
        int status = 0;
        std::string raw;
        devsim::XmlElement envelope;
        bool parsed = false;
        // The response element inside the body, or null.
        const devsim::XmlElement* Response() const {
            const devsim::XmlElement* body = envelope.Child("Body");
            return body && !body->children.empty() ? &body->children[0] : nullptr;
        }
        // "env:Sender/ter:NotAuthorized/..." of a fault, or empty.
        std::string FaultCodes() const {
            const devsim::XmlElement* r = Response();
            if (!r || r->name != "Fault") return {};
            std::string out;
            for (const devsim::XmlElement* c = r->Child("Code"); c; c = c->Child("Subcode"))
                out += (out.empty() ? "" : "/") + c->Child("Value")->Value();
            return out;
        }
    };

    virtual void Tune(devsim::DeviceOptions&) {}

    void SetUp() override {
        devsim::SimulatorOptions opts;
        devsim::DeviceOptions d;
        d.address = kDev;
        d.port = 0;
        d.channels = kChannels;
        d.users = {{"admin", "admin"}, {"viewer", "s3cret-pass"}};
        d.onvifPort = 0;
        d.rtspPort = 0;
        Tune(d);
        opts.devices.push_back(d);
        opts.controlPort = 0;
        sim = std::make_unique<devsim::Simulator>(opts);
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
    }
    void TearDown() override {
        if (sim) sim->Stop();
    }

    devsim::Device& Dev() { return *sim->FindDevice(kDev); }
    uint16_t HttpPort() { return Dev().OnvifPort(); }
    uint16_t RtspPort() { return Dev().RtspPort(); }
    std::string Ctl(const std::string& line) { return sim->Execute(line); }
    std::map<std::string, std::string> State(int ch) {
        return ParseReply(sim->Execute(std::string("state ") + kDev + " " + std::to_string(ch)));
    }
    double Counter(const std::string& key) {
        return Num(ParseReply(sim->Execute(std::string("counters ") + kDev)), key);
    }

    // A token as a client with a right clock makes it, fresh each call.
    std::string Token(const std::string& user = "admin", const std::string& password = "admin",
                      double clockOffset = 0) {
        return SecurityHeader(user, password, WallNow() + clockOffset,
                              "nonce-" + std::to_string(++m_nonces) + "-" +
                                  std::to_string(WallNow()));
    }
    // Posts a request body (with this header) to a service and reads the answer.
    Soap Call(const std::string& service, const std::string& body, const std::string& header) {
        WebClient c;
        EXPECT_TRUE(c.Connect(kDev, HttpPort()));
        return Exchange(c, service, body, header);
    }
    Soap Call(const std::string& service, const std::string& body) {
        return Call(service, body, Token());
    }
    Soap Exchange(WebClient& c, const std::string& service, const std::string& body,
                  const std::string& header) {
        Soap s;
        WebResponse r;
        if (!c.Exchange(SoapPost(kDev, "/onvif/" + service, SoapEnvelope(body, header)), r))
            return s;
        s.status = r.status;
        s.raw = r.body;
        s.parsed = devsim::XmlReader::Parse(r.body, s.envelope, nullptr);
        return s;
    }

    std::unique_ptr<devsim::Simulator> sim;

private:
    std::atomic<int> m_nonces{0};
};

}  // namespace zv::test

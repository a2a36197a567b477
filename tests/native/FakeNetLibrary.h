// Recording fake of the network library for the native tests: every call is
// kept as a line of text, results can be scripted per function.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "NetLibrary.h"

namespace zv::test {

class FakeNetLibrary : public INetLibrary {
public:
    // Queues results for the next calls of a function ("Init", "Login", ...).
    void Script(const std::string& fn, std::initializer_list<int32_t> results) {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int32_t r : results) m_script[fn].push_back(r);
    }
    std::vector<std::string> Calls() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }
    int Count(const std::string& prefix) {
        std::lock_guard<std::mutex> lock(m_mutex);
        int n = 0;
        for (const auto& c : m_calls) n += c.compare(0, prefix.size(), prefix) == 0;
        return n;
    }
    // Adds a line of another party's (a fake panel's) to the same log, so the
    // order of both can be checked.
    void Note(std::string line) { Log(std::move(line)); }
    void ClearCalls() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.clear();
    }
    // What Init registered (read under the lock: other threads may init).
    DisconnectFn Callback() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return callback;
    }
    uintptr_t User() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return user;
    }
    DisconnectFn callback = nullptr;
    uintptr_t user = 0;

    // Runs inside the next call of a function (after it is logged, before it
    // returns), e.g. to deliver a loss notice where a real library could.
    void OnNextCall(const std::string& fn, std::function<void()> hook) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_hooks[fn] = std::move(hook);
    }

    int32_t Init(DisconnectFn pfn, uintptr_t dwUser) override {
        int32_t r = Result("Init", 1);
        Log("Init");
        if (r) {
            std::lock_guard<std::mutex> lock(m_mutex);
            callback = pfn;
            user = dwUser;
        }
        return r;
    }
    void Cleanup() override { Log("Cleanup"); }
    int32_t Login(const char* addr, uint16_t port, const char* name, const char* pass,
                  unsigned char* info, int* err) override {
        int32_t r = Result("Login", NextHandle(m_nextLogin));
        Log("Login " + std::string(addr) + " " + std::to_string(port) + " " + name + " " + pass +
            (info && err && *err == 0 ? "" : " BAD-OUT-ARGS") + " -> " + std::to_string(r));
        RunHook("Login");
        return r;
    }
    void Logout(int32_t h) override { Log("Logout " + std::to_string(h)); }
    int32_t StartRealPlay(int32_t login, int32_t ch, ZV_HWND wnd) override {
        int32_t r = Result("StartRealPlay", NextHandle(m_nextPlay));
        Log("StartRealPlay " + std::to_string(login) + " " + std::to_string(ch) + " " +
            std::to_string(wnd) + " -> " + std::to_string(r));
        RunHook("StartRealPlay");
        return r;
    }
    int32_t StopRealPlay(int32_t h) override {
        int32_t r = Result("StopRealPlay", 1);
        Log("StopRealPlay " + std::to_string(h) + " -> " + std::to_string(r));
        RunHook("StopRealPlay");
        return r;
    }
    int32_t OpenSound(int32_t h) override {
        int32_t r = Result("OpenSound", 1);
        Log("OpenSound " + std::to_string(h) + " -> " + std::to_string(r));
        RunHook("OpenSound");
        return r;
    }
    int32_t CloseSound() override {
        int32_t r = Result("CloseSound", 1);
        Log("CloseSound -> " + std::to_string(r));
        RunHook("CloseSound");
        return r;
    }
    int32_t PtzControl(int32_t login, int32_t ch, uint32_t code, uint8_t p1, uint8_t p2,
                       uint8_t p3, int32_t stop) override {
        int32_t r = Result("PtzControl", 1);
        Log("PtzControl " + std::to_string(login) + " " + std::to_string(ch) + " " +
            std::to_string(code) + " " + std::to_string(p1) + " " + std::to_string(p2) + " " +
            std::to_string(p3) + " " + std::to_string(stop));
        return r;
    }
    // The block GetDevConfig hands out for a command: copied into the
    // caller's buffer up to its size, with the bytes copied as the returned
    // size; such a call succeeds unless a result is scripted. Without a block
    // the call fails and returns nothing.
    void SetConfig(int32_t cmd, std::vector<uint8_t> block) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_configs[cmd] = std::move(block);
    }
    // The bytes of every SetDevConfig, in order.
    std::vector<std::vector<uint8_t>> Written() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_written;
    }

    int32_t GetDevConfig(int32_t login, int32_t cmd, int32_t ch, void* buffer, int32_t size,
                         int32_t* returned, int32_t wait) override {
        if (returned) *returned = 0;
        Log("GetDevConfig " + std::to_string(login) + " " + std::to_string(cmd) + " " +
            std::to_string(ch) + " " + std::to_string(size) + " " + std::to_string(wait));
        std::vector<uint8_t> block;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            auto it = m_configs.find(cmd);
            if (it != m_configs.end()) block = it->second;
        }
        const bool bHasBlock = !block.empty();
        const int32_t r = Result("GetDevConfig", bHasBlock ? 1 : 0);
        if (r && bHasBlock && buffer && size > 0) {
            const size_t n = std::min(block.size(), static_cast<size_t>(size));
            std::memcpy(buffer, block.data(), n);
            if (returned) *returned = static_cast<int32_t>(n);
        }
        return r;
    }
    void SetDevConfig(int32_t login, int32_t cmd, int32_t ch, void* buffer, int32_t size,
                      int32_t wait) override {
        Log("SetDevConfig " + std::to_string(login) + " " + std::to_string(cmd) + " " +
            std::to_string(ch) + " " + std::to_string(size) + " " + std::to_string(wait));
        const auto* p = static_cast<const uint8_t*>(buffer);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_written.emplace_back(p, p + (p && size > 0 ? size : 0));
    }

private:
    int32_t NextHandle(int32_t& counter) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return ++counter;
    }
    int32_t Result(const std::string& fn, int32_t fallback) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto& q = m_script[fn];
        if (q.empty()) return fallback;
        int32_t r = q.front();
        q.pop_front();
        return r;
    }
    void RunHook(const std::string& fn) {
        std::function<void()> hook;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            auto it = m_hooks.find(fn);
            if (it == m_hooks.end()) return;
            hook = std::move(it->second);
            m_hooks.erase(it);
        }
        hook();
    }
    void Log(std::string line) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.push_back(std::move(line));
    }

    std::mutex m_mutex;
    std::vector<std::string> m_calls;
    std::map<std::string, std::deque<int32_t>> m_script;
    std::map<std::string, std::function<void()>> m_hooks;
    std::map<int32_t, std::vector<uint8_t>> m_configs;
    std::vector<std::vector<uint8_t>> m_written;
    int32_t m_nextLogin = 100;
    int32_t m_nextPlay = 500;
};

}  // namespace zv::test

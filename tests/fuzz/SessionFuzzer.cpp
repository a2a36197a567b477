// The session manager driven as the exports drive it, with any record bytes
// (unterminated text, any channel and window), random library results, loss
// notices from inside library calls, from the harness between calls and from
// another thread (with the device's address, without one, with another),
// and both panels made by a factory that can fail or throw.
//
// A model of the library's own state says which logins and plays are alive.
// Whenever no notice is in flight the manager must track exactly those; it
// must never hand the library a handle it stopped, logged out or that
// belongs to a library it cleaned up; and by the library's cleanup (or the
// manager's end) every play and login it was given must be released.
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ColorConfig.h"
#include "FuzzCheck.h"
#include "Input.h"
#include "PtzCommandSet.h"
#include "SessionManager.h"

namespace zv::fuzz {
namespace {

constexpr int kCameras = 4;
// The record's bytes the module only reads: everything before the outputs.
constexpr size_t kInputBytes = offsetof(CAMERA_INFO, nConnectState);

class FuzzPanels;

// A loss notice as the library would send it: prepared on the fuzzing
// thread (which alone reads the input), delivered on any.
struct Notice {
    int32_t handle = 0;
    bool hasAddress = true;
    std::vector<char> address;  // exactly as long as it is, NUL or not
    const char* Address() const { return hasAddress ? address.data() : nullptr; }
};

class ModelLibrary final : public INetLibrary {
public:
    struct LoginRec {
        std::string address, user;
        bool loggedOut = false, lost = false, stale = false;
        bool Live() const { return !loggedOut && !lost && !stale; }
    };
    struct PlayRec {
        int32_t login;
        int32_t channel;
        ZV_HWND wnd;
        bool stopped = false, stopAsked = false, lost = false, stale = false;
        bool Live() const { return !stopped && !lost && !stale; }
    };

    explicit ModelLibrary(Input& in) : m_in(in) {}
    ~ModelLibrary() override { JoinNotice(); }

    void SetPanels(FuzzPanels* panels) { m_panels = panels; }

    // --- INetLibrary ------------------------------------------------------
    int32_t Init(DisconnectFn pfn, uintptr_t user) override {
        std::lock_guard<std::mutex> lock(m_mu);
        FUZZ_CHECK(!m_initialised);  // never twice without a cleanup
        FUZZ_CHECK(pfn != nullptr && user != 0);
        ++initCalls;
        if (Draw(9) == 0) {
            Trace("  Init -> 0");
            return 0;
        }
        Trace("  Init -> 1");
        m_initialised = true;
        m_callback = pfn;
        m_user = user;
        return 1;
    }

    void Cleanup() override;

    int32_t Login(const char* address, uint16_t port, const char* user, const char* password,
                  unsigned char* deviceInfo, int* error) override {
        FUZZ_CHECK(address && user && password && deviceInfo && error);
        FUZZ_CHECK(port == DEFAULT_DEVICE_PORT && *error == 0);
        LoginRec rec{address, user};
        (void)std::strlen(password);  // a C string, or the sanitizer says so
        std::memset(deviceInfo, 0xA5, DEVICE_INFO_SIZE);
        MaybeNoticeInCall();
        std::lock_guard<std::mutex> lock(m_mu);
        // One login per device and user while it lasts.
        if (!m_threadNotice)
            for (const auto& [h, l] : m_logins)
                FUZZ_CHECK(!(l.Live() && l.address == rec.address && l.user == rec.user));
        if (Draw(7) == 0) {
            Trace("  Login %s %s -> 0", address, user);
            *error = 1;
            return 0;
        }
        const int32_t handle = m_nextLogin++;
        m_logins.emplace(handle, rec);
        Trace("  Login %s %s -> %d", address, user, handle);
        return handle;
    }

    void Logout(int32_t h) override {
        std::lock_guard<std::mutex> lock(m_mu);
        LoginRec& l = KnownLogin(h);
        FUZZ_CHECK(!l.loggedOut);
        l.loggedOut = true;
        Trace("  Logout %d", h);
    }

    int32_t StartRealPlay(int32_t login, int32_t channel, ZV_HWND wnd) override {
        int32_t handle = 0;
        {
            std::lock_guard<std::mutex> lock(m_mu);
            LoginRec& l = KnownLogin(login);
            FUZZ_CHECK(!l.loggedOut);
            if (!l.lost && Draw(7) != 0) {
                handle = m_nextPlay++;
                m_plays.emplace(handle, PlayRec{login, channel, wnd});
                lastPlay = handle;
            }
            Trace("  StartRealPlay %d %d %u -> %d", login, channel, wnd, handle);
        }
        MaybeNoticeInCall();
        return handle;
    }

    int32_t StopRealPlay(int32_t h) override {
        int32_t r = 0;
        {
            std::lock_guard<std::mutex> lock(m_mu);
            PlayRec& p = KnownPlay(h);
            p.stopAsked = true;
            if (!p.lost && Draw(7) != 0) {
                p.stopped = true;
                r = 1;
            }
            Trace("  StopRealPlay %d -> %d", h, r);
        }
        MaybeNoticeInCall();
        return r;
    }

    int32_t OpenSound(int32_t h) override {
        int32_t r;
        {
            std::lock_guard<std::mutex> lock(m_mu);
            r = KnownPlay(h).lost ? 0 : Result();
            Trace("  OpenSound %d -> %d", h, r);
        }
        MaybeNoticeInCall();
        return r;
    }

    int32_t CloseSound() override {
        int32_t r;
        {
            std::lock_guard<std::mutex> lock(m_mu);
            r = Result();
            Trace("  CloseSound -> %d", r);
        }
        MaybeNoticeInCall();
        return r;
    }

    int32_t PtzControl(int32_t login, int32_t, uint32_t code, uint8_t, uint8_t, uint8_t p3,
                       int32_t stop) override {
        std::lock_guard<std::mutex> lock(m_mu);
        FUZZ_CHECK(!KnownLogin(login).loggedOut);
        FUZZ_CHECK(p3 == 0 && (stop == 0 || stop == 1) && (code <= 9 || (code >= 0x20 && code <= 0x23)));
        ++ptzCalls;
        Trace("  PtzControl %d code %u stop %d", login, code, stop);
        return Result();
    }

    int32_t GetDevConfig(int32_t login, int32_t, int32_t, void* buffer, int32_t size,
                         int32_t* returned, int32_t) override {
        {
            std::lock_guard<std::mutex> lock(m_mu);
            FUZZ_CHECK(!KnownLogin(login).loggedOut);
            FUZZ_CHECK(buffer && returned && size > 0);
            // Whole answers mostly, and a channel count that fits the panel.
            const bool whole = Draw(3) != 0;
            const int32_t n = whole ? size : m_in.Range(0, size);
            auto* p = static_cast<uint8_t*>(buffer);
            std::memset(p, 0x3C, static_cast<size_t>(n));
            if (size == proto::kDeviceBlockSize) p[proto::kChannelCountOffset] = m_in.Range<uint8_t>(0, 5);
            *returned = whole ? n : m_in.Int<int32_t>();
            Trace("  GetDevConfig %d size %d: %d bytes, %d returned", login, size, n, *returned);
        }
        MaybeNoticeInCall();
        std::lock_guard<std::mutex> lock(m_mu);
        return Result();
    }

    void SetDevConfig(int32_t login, int32_t, int32_t, void* buffer, int32_t size, int32_t) override {
        std::lock_guard<std::mutex> lock(m_mu);
        FUZZ_CHECK(!KnownLogin(login).loggedOut);
        FUZZ_CHECK(buffer && size > 0 && size % proto::kChannelRecordSize == 0);
        ++configWrites;
        Trace("  SetDevConfig %d size %d", login, size);
    }

    // --- notices ------------------------------------------------------------
    // A notice for a login the library knows (with its address, none, or
    // another) or for a handle it never gave out.
    Notice MakeNotice() {
        std::lock_guard<std::mutex> lock(m_mu);
        Notice n;
        std::vector<int32_t> known;
        for (const auto& [h, l] : m_logins)
            if (!l.stale) known.push_back(h);
        std::string address;
        if (!known.empty() && Draw(4) != 0) {
            n.handle = known[m_in.Range<size_t>(0, known.size() - 1)];
            address = m_logins[n.handle].address;
        } else {
            n.handle = m_in.Int<int32_t>();
            address = "10.0.0.1";
        }
        switch (m_in.Range(0, 4)) {
        case 0: n.hasAddress = false; break;
        case 1: address = m_in.Text(300); break;
        case 2:
            // No NUL within the longest address there is.
            n.address.assign(sizeof(LOGIN_INFO::szDeviceAddress), 'x');
            return n;
        default: break;
        }
        n.address.assign(address.begin(), address.end());
        n.address.push_back('\0');
        return n;
    }

    // The library's side of a notice: the login and its plays are gone.
    void Apply(const Notice& n) {
        std::lock_guard<std::mutex> lock(m_mu);
        auto it = m_logins.find(n.handle);
        if (it == m_logins.end() || it->second.stale) return;
        if (n.hasAddress && std::string(n.address.data(), strnlen(n.address.data(), n.address.size())) !=
                                it->second.address)
            return;
        it->second.lost = true;
        for (auto& [h, p] : m_plays)
            if (p.login == n.handle) p.lost = true;
    }

    // Delivers on this thread; false when the library has nobody to tell.
    bool Deliver(const Notice& n) {
        DisconnectFn fn;
        uintptr_t user;
        {
            std::lock_guard<std::mutex> lock(m_mu);
            fn = m_callback;
            user = m_user;
        }
        if (!fn) return false;
        Apply(n);
        Trace("  notice %d %s", n.handle, n.hasAddress ? "with an address" : "without an address");
        fn(n.handle, n.Address(), 0, user);
        return true;
    }

    // From a thread of the library's own, which it ends at the latest in
    // its cleanup; the fuzzing thread meanwhile goes on.
    void DeliverFromThread(Notice n) {
        JoinNotice();
        DisconnectFn fn;
        uintptr_t user;
        {
            std::lock_guard<std::mutex> lock(m_mu);
            if (!m_callback) return;
            fn = m_callback;
            user = m_user;
            m_threadNotice = true;
        }
        Apply(n);
        Trace("  notice %d from another thread", n.handle);
        m_thread = std::thread([fn, user, n = std::move(n)] { fn(n.handle, n.Address(), 0, user); });
    }

    void JoinNotice() {
        if (m_thread.joinable()) m_thread.join();
        std::lock_guard<std::mutex> lock(m_mu);
        m_threadNotice = false;
    }
    bool NoticeInFlight() {
        std::lock_guard<std::mutex> lock(m_mu);
        return m_threadNotice;
    }

    // --- what the harness checks against -----------------------------------
    size_t LiveLogins() {
        std::lock_guard<std::mutex> lock(m_mu);
        size_t n = 0;
        for (const auto& [h, l] : m_logins) n += l.Live() ? 1 : 0;
        return n;
    }
    size_t LivePlays() {
        std::lock_guard<std::mutex> lock(m_mu);
        size_t n = 0;
        for (const auto& [h, p] : m_plays) n += p.Live() ? 1 : 0;
        return n;
    }
    bool PlaysCamera(const CAMERA_INFO& c) {
        std::lock_guard<std::mutex> lock(m_mu);
        const std::string_view address = FieldText(c.szDeviceAddress);
        for (const auto& [h, p] : m_plays)
            if (p.Live() && p.channel == c.nChannel && p.wnd == c.hVideoWnd &&
                m_logins[p.login].address == address)
                return true;
        return false;
    }
    bool LiveLogin(int32_t h, std::string_view address) {
        std::lock_guard<std::mutex> lock(m_mu);
        auto it = m_logins.find(h);
        return it != m_logins.end() && it->second.Live() && it->second.address == address;
    }
    bool KnownLiveOrLost(int32_t h) {
        std::lock_guard<std::mutex> lock(m_mu);
        auto it = m_logins.find(h);
        return it != m_logins.end() && !it->second.loggedOut && !it->second.stale;
    }
    bool Initialised() {
        std::lock_guard<std::mutex> lock(m_mu);
        return m_initialised;
    }
    // Everything handed out since the last cleanup has been given back (or
    // was lost on the library's side).
    void CheckAllReleased() {
        std::lock_guard<std::mutex> lock(m_mu);
        CheckAllReleasedLocked();
    }

    int initCalls = 0;
    int ptzCalls = 0;
    int configWrites = 0;
    int32_t lastPlay = 0;

private:
    int Draw(int odds) { return m_in.Range(0, odds); }
    int32_t Result() { return Draw(5) == 0 ? 0 : 1; }

    void CheckAllReleasedLocked() {
        for (const auto& [h, l] : m_logins) FUZZ_CHECK(l.stale || l.loggedOut || l.lost);
        for (const auto& [h, p] : m_plays) FUZZ_CHECK(p.stale || p.stopped || p.stopAsked || p.lost);
    }

    LoginRec& KnownLogin(int32_t h) {
        auto it = m_logins.find(h);
        FUZZ_CHECK(it != m_logins.end());  // never a handle we did not give out
        FUZZ_CHECK(!it->second.stale);     // nor one from before a cleanup
        return it->second;
    }
    PlayRec& KnownPlay(int32_t h) {
        auto it = m_plays.find(h);
        FUZZ_CHECK(it != m_plays.end() && !it->second.stale);
        FUZZ_CHECK(!it->second.stopped);  // a stopped play is never used again
        return it->second;
    }

    // Sometimes the library reports a loss while it is inside a call, on the
    // calling thread (the manager may be holding its lock).
    void MaybeNoticeInCall() {
        if (m_in.Range(0, 5) != 5) return;  // an exhausted input reads 0: no notice
        Deliver(MakeNotice());
    }

    Input& m_in;
    FuzzPanels* m_panels = nullptr;
    std::mutex m_mu;
    bool m_initialised = false;
    DisconnectFn m_callback = nullptr;
    uintptr_t m_user = 0;
    std::map<int32_t, LoginRec> m_logins;
    std::map<int32_t, PlayRec> m_plays;
    int32_t m_nextLogin = 100;
    int32_t m_nextPlay = 5000;
    std::thread m_thread;
    bool m_threadNotice = false;
};

class NoFeedback final : public IPtzFeedback {
public:
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void SpeedChanged() override {}
};

// The panels: each sends to the library as the real one does (the dome
// through a real command set, the colour panel through a real round trip),
// and tells the factory when it goes.
class FuzzPanels final : public IPanelFactory {
public:
    class Dome;
    class Color;

    FuzzPanels(ModelLibrary& net, Input& in) : m_net(net), m_in(in) {}

    std::unique_ptr<IDomePanel> MakeDomePanel(ZV_HWND) override;
    std::unique_ptr<IPanel> MakeColorPanel(ZV_HWND) override;
    void ShowMessage(PanelMessage m) override {
        Trace("  message: %s", m == PanelMessage::NotInitialised ? "not initialised" : "create failed");
        ++(m == PanelMessage::NotInitialised ? notInitialised : createFailed);
    }

    bool AnyWindow() const;

    // What the next panel does, from the input.
    void Draw() {
        const int odds = m_in.Range(0, 15);
        bFailConstruct = odds == 1;
        bThrowConstruct = odds == 2;
        bFailCreate = odds == 3;
        bThrowOnDestroy = odds == 4;
    }

    bool bFailConstruct = false, bThrowConstruct = false, bFailCreate = false, bThrowOnDestroy = false;
    int notInitialised = 0, createFailed = 0, made = 0;
    Dome* dome = nullptr;
    Color* colour = nullptr;

private:
    friend class Dome;
    friend class Color;
    ModelLibrary& m_net;
    Input& m_in;
};

template <class Base>
class FuzzPanel : public Base {
public:
    FuzzPanel(ModelLibrary& net, FuzzPanels& owner) : m_net(net), m_owner(owner) {}
    void SetPlacement(bool, int, int) override {}
    void SetLogin(int32_t login, const CAMERA_INFO& camera) override {
        // A login the pool holds (or one the library has just lost).
        FUZZ_CHECK(login != 0 && m_net.KnownLiveOrLost(login));
        m_login = login;
        m_channel = camera.nChannel;
    }
    bool CreateFromTemplate() override {
        FUZZ_CHECK(!m_bWindow);
        m_bWindow = !m_bFailCreate;
        Trace("  panel window %s", m_bWindow ? "made" : "not made");
        return m_bWindow;
    }
    bool HasWindow() const override { return m_bWindow; }
    void ShowAt(int, int) override { FUZZ_CHECK(m_bWindow); }
    void ShowInPlace() override { FUZZ_CHECK(m_bWindow); }
    void Hide() override { FUZZ_CHECK(m_bWindow); }
    void DestroyPanelWindow() override {
        Trace("  panel window destroyed%s", m_bThrowOnDestroy ? ", and it throws" : "");
        m_bWindow = false;
        if (m_bThrowOnDestroy) throw std::runtime_error("destroy");
    }

    bool m_bFailCreate = false, m_bThrowOnDestroy = false;

protected:
    ModelLibrary& m_net;
    FuzzPanels& m_owner;
    int32_t m_login = 0;
    int32_t m_channel = 0;
    bool m_bWindow = false;
};

class FuzzPanels::Dome final : public FuzzPanel<IDomePanel>, private IPtzLoginRenewal {
public:
    Dome(ModelLibrary& net, FuzzPanels& owner) : FuzzPanel(net, owner), m_ptz(net, m_feedback, this) {}
    ~Dome() override { m_owner.dome = nullptr; }
    void SetLogin(int32_t login, const CAMERA_INFO& camera) override {
        FuzzPanel::SetLogin(login, camera);
        m_camera = camera;
        m_ptz.SetTarget(login, camera.nChannel);
    }
    void SetLoginSource(ILoginSource* pSource) override { m_pSource = pSource; }
    // As the real panel: a failed command goes once more on the pooled login.
    int32_t RenewLogin() override { return m_pSource ? m_pSource->PooledLogin(m_camera) : 0; }
    void DestroyPanelWindow() override {
        // A button held at this moment reports its release, and the release
        // sends the stop.
        if (m_bHeld && m_bWindow) m_ptz.OnButtonRelease();
        m_bHeld = false;
        FuzzPanel::DestroyPanelWindow();
    }
    int SendPtzCommand(uint32_t action, int32_t speed) override {
        return m_ptz.SendPtzCommand(action, speed);
    }
    int IsDome() const override { return 1; }
    bool OwedStop(CAMERA_INFO& camera, int32_t& speed) const override {
        if (!m_ptz.StopOwed()) return false;
        camera = m_camera;
        speed = m_ptz.Speed();
        return true;
    }
    // A hold button's press (a kind other than None) or, for None, the release.
    void Button(PtzButtonKind kind, uint32_t nAction) {
        if (!m_bWindow) return;
        if (kind == PtzButtonKind::None) m_ptz.OnButtonRelease();
        else m_ptz.OnButtonPress(kind, nAction);
        m_bHeld = kind != PtzButtonKind::None;
    }

private:
    NoFeedback m_feedback;
    CPtzCommandSet m_ptz;
    bool m_bHeld = false;
    ILoginSource* m_pSource = nullptr;
    CAMERA_INFO m_camera{};
};

class FuzzPanels::Color final : public FuzzPanel<IPanel> {
public:
    Color(ModelLibrary& net, FuzzPanels& owner) : FuzzPanel(net, owner), m_config(net) {}
    ~Color() override { m_owner.colour = nullptr; }
    bool CreateFromTemplate() override {
        FUZZ_CHECK(m_login != 0);  // its members come before its window
        if (!FuzzPanel::CreateFromTemplate()) return false;
        ColorValues v = kDefaultColorValues;
        m_config.ReadDeviceValues(m_login, m_channel, v);
        return true;
    }
    // A slider released: the values go to the device.
    void Apply(const ColorValues& v) {
        if (m_bWindow) m_config.ApplyToDevice(m_login, m_channel, v);
    }

private:
    CColorConfig m_config;
};

std::unique_ptr<IDomePanel> FuzzPanels::MakeDomePanel(ZV_HWND) {
    FUZZ_CHECK(dome == nullptr);  // the one before is gone
    Trace("  dome panel %s", bThrowConstruct ? "throws" : bFailConstruct ? "not made" : "made");
    if (bThrowConstruct) throw std::bad_alloc();
    if (bFailConstruct) return nullptr;
    auto p = std::make_unique<Dome>(m_net, *this);
    p->m_bFailCreate = bFailCreate;
    p->m_bThrowOnDestroy = bThrowOnDestroy;
    dome = p.get();
    ++made;
    return p;
}

std::unique_ptr<IPanel> FuzzPanels::MakeColorPanel(ZV_HWND) {
    FUZZ_CHECK(colour == nullptr);
    Trace("  colour panel %s", bThrowConstruct ? "throws" : bFailConstruct ? "not made" : "made");
    if (bThrowConstruct) throw std::bad_alloc();
    if (bFailConstruct) return nullptr;
    auto p = std::make_unique<Color>(m_net, *this);
    p->m_bFailCreate = bFailCreate;
    p->m_bThrowOnDestroy = bThrowOnDestroy;
    colour = p.get();
    ++made;
    return p;
}

bool FuzzPanels::AnyWindow() const {
    return (dome && dome->HasWindow()) || (colour && colour->HasWindow());
}

void ModelLibrary::Cleanup() {
    // The panels went first, so a held control's stop still got through.
    FUZZ_CHECK(!m_panels || !m_panels->AnyWindow());
    JoinNotice();
    std::lock_guard<std::mutex> lock(m_mu);
    FUZZ_CHECK(m_initialised);
    Trace("  Cleanup");
    CheckAllReleasedLocked();
    m_initialised = false;
    m_callback = nullptr;
    m_user = 0;
    for (auto& [h, l] : m_logins) l.stale = true;
    for (auto& [h, p] : m_plays) p.stale = true;
}

// --- camera records ------------------------------------------------------------

template <size_t N>
void FillText(char (&field)[N], Input& in, std::initializer_list<const char*> usual) {
    std::memset(field, 0, N);
    const int pick = in.Range<int>(0, static_cast<int>(usual.size()) + 1);
    if (pick < static_cast<int>(usual.size())) {
        std::strncpy(field, usual.begin()[pick], N - 1);
    } else if (pick == static_cast<int>(usual.size())) {
        std::memset(field, 'A' + in.Range(0, 3), N);  // no terminator at all
    } else {
        const std::string s = in.Text(N + 8);
        std::memcpy(field, s.data(), std::min(N, s.size()));
    }
}

void FillCamera(CAMERA_INFO& c, Input& in) {
    if (in.Range(0, 9) == 0) {
        // Any bytes at all.
        const std::vector<uint8_t> raw = in.Bytes(sizeof c);
        std::memset(&c, 0, sizeof c);
        if (!raw.empty()) std::memcpy(&c, raw.data(), raw.size());
        return;
    }
    for (size_t i = 0; i < sizeof c.abHostArea; ++i) c.abHostArea[i] = static_cast<unsigned char>(i * 7 + 3);
    FillText(c.szDeviceAddress, in, {"10.0.0.1", "10.0.0.2", "127.0.0.32", ""});
    FillText(c.szUserName, in, {"admin", "guest"});
    FillText(c.szPassword, in, {"pw", ""});
    std::memset(c.abReserved1, 0xEE, sizeof c.abReserved1);
    std::memset(c.abReserved2, 0xDD, sizeof c.abReserved2);
    c.nChannel = in.Bool() ? in.Range(0, 3) : in.Int<int32_t>();
    c.hVideoWnd = in.Bool() ? 0x10u * in.Range(1, 2) : in.Int<uint32_t>();
    c.nConnectState = in.Int<int32_t>();
    c.lPlayHandle = in.Int<int32_t>();
    c.nAudioState = in.Range(-1, 2);
    c.lLoginHandle = in.Int<int32_t>();
}

// --- the run ----------------------------------------------------------------------

class Run {
public:
    explicit Run(Input& in)
        : m_in(in), m_net(in), m_panels(m_net, in), m_sm(std::make_unique<CSessionManager>(m_net, &m_panels)) {
        m_net.SetPanels(&m_panels);
        for (auto& c : m_cameras) {
            c = std::make_unique<CAMERA_INFO>();  // each alone, so a stray read shows
            FillCamera(*c, in);
        }
    }

    ~Run() {
        m_sm.reset();  // the teardown, as at unload
        FUZZ_CHECK(m_panels.dome == nullptr && m_panels.colour == nullptr);
        m_net.JoinNotice();
        m_net.CheckAllReleased();
    }

    void Step() {
        static const char* const kSteps[] = {
            "StartVideo", "StartVideo", "StopVideo", "SetAudio", "GetConnectState",
            "ShowDomePanel", "InitDomePanel", "Free/CloseDomePanel", "SendDomeCommand",
            "ShowColorPanel", "panel buttons", "notice from a thread", "join the notice thread",
            "notice", "notice that is not ours", "Teardown", "new camera record",
            "manager's end and a new one"};
        const int index = m_in.Range(0, kCameras - 1);
        CAMERA_INFO& cam = *m_cameras[index];
        CAMERA_INFO before;
        std::memcpy(&before, &cam, sizeof before);
        const int step = m_in.Range(0, 17);
        Trace("%s, camera %d (%.16s, channel %d, window %u)", kSteps[step], index,
              cam.szDeviceAddress, cam.nChannel, cam.hVideoWnd);
        switch (step) {
        case 0:
        case 1: StartVideo(cam, before); break;
        case 2: StopVideo(cam, before); break;
        case 3: {
            cam.nAudioState = m_in.Range(-1, 2);
            std::memcpy(&before, &cam, sizeof before);
            const int r = m_sm->SetAudio(cam);
            FUZZ_CHECK(r == 0 || r == 1);
            if (r == 1) FUZZ_CHECK(cam.nAudioState == (before.nAudioState != 0 ? 1 : 0));
            break;
        }
        case 4: {
            const int r = m_sm->GetConnectState(cam);
            FUZZ_CHECK(std::memcmp(&cam, &before, sizeof cam) == 0);
            if (Settled()) FUZZ_CHECK(r == (m_net.PlaysCamera(cam) ? 1 : 0));
            FUZZ_CHECK(m_sm->GetAudioState(cam) == cam.nAudioState);
            break;
        }
        case 5: ShowDome(cam); break;
        case 6: {
            const bool had = m_panels.dome != nullptr;
            const int made = m_panels.made;
            m_panels.Draw();
            const int messages = m_panels.notInitialised + m_panels.createFailed;
            const int r = m_sm->InitDomePanel(m_in.Int<uint32_t>());
            FUZZ_CHECK(m_panels.notInitialised + m_panels.createFailed == messages);
            if (had) FUZZ_CHECK(r == 1 && m_panels.made == made);
            break;
        }
        case 7: {
            m_panels.Draw();
            FUZZ_CHECK((m_in.Bool() ? m_sm->FreeDomePanel() : m_sm->CloseDomePanel()) == 1);
            FUZZ_CHECK(m_panels.dome == nullptr && m_sm->IsDomePresent() == 0);
            break;
        }
        case 8: {
            const int calls = m_net.ptzCalls;
            const int n = m_in.Bool() ? m_in.Range(-1, 16) : m_in.Int<int>();
            const int r = m_sm->SendDomeCommand(n);
            if (!m_panels.dome || n < 0 || n > PTZ_RIGHT_DOWN) FUZZ_CHECK(r == 0 && m_net.ptzCalls == calls);
            FUZZ_CHECK(m_sm->IsDomePresent() == (m_panels.dome ? 1 : 0));
            break;
        }
        case 9: ShowColor(cam); break;
        case 10:
            if (m_panels.dome) {
                using K = PtzButtonKind;
                static constexpr std::pair<K, uint32_t> kPresses[] = {
                    {K::None, PTZ_STOP},      {K::Send, PTZ_UP},      {K::Send, PTZ_LEFT},
                    {K::Send, PTZ_ZOOM_IN}, {K::SpeedUp, PTZ_STOP}, {K::SpeedAuto, PTZ_STOP}};
                const auto [kind, action] = m_in.Pick(kPresses);
                m_panels.dome->Button(kind, action);
            }
            if (m_panels.colour) {
                ColorValues v{m_in.Int<int>(), m_in.Int<int>(),
                              m_in.Int<int>(), m_in.Int<int>()};
                m_panels.colour->Apply(v);
            }
            break;
        case 11: {
            const Notice n = m_net.MakeNotice();
            m_net.DeliverFromThread(n);
            break;
        }
        case 12: m_net.JoinNotice(); break;
        case 13: {
            const Notice n = m_net.MakeNotice();
            m_net.Deliver(n);
            break;
        }
        case 14: {
            // A notice that is not ours (user value 0) changes nothing.
            const Notice n = m_net.MakeNotice();
            const size_t logins = m_sm->LoginCount(), plays = m_sm->PlayCount();
            DisconnectCallback(n.handle, n.Address(), 0, 0);
            if (Settled()) FUZZ_CHECK(m_sm->LoginCount() == logins && m_sm->PlayCount() == plays);
            break;
        }
        case 15: {
            m_panels.Draw();
            m_sm->Teardown();
            FUZZ_CHECK(m_sm->PlayCount() == 0 && m_sm->LoginCount() == 0);
            FUZZ_CHECK(m_sm->IsDomePresent() == 0 && !m_panels.dome && !m_panels.colour);
            FUZZ_CHECK(!m_net.Initialised());
            m_net.CheckAllReleased();
            break;
        }
        case 16: FillCamera(cam, m_in); break;
        default: {
            // The manager's end and a fresh one, as at unload and reload.
            m_sm.reset();
            FUZZ_CHECK(!m_panels.dome && !m_panels.colour && !m_net.Initialised());
            m_net.CheckAllReleased();
            m_sm = std::make_unique<CSessionManager>(m_net, &m_panels);
            break;
        }
        }
        if (Tracing())
            Trace("  -> %zu plays, %zu logins; record: connect %d, play %d, audio %d, login %d",
                  m_sm->PlayCount(), m_sm->LoginCount(), cam.nConnectState, cam.lPlayHandle,
                  cam.nAudioState, cam.lLoginHandle);
        CheckModel();
    }

private:
    bool Settled() { return !m_net.NoticeInFlight(); }

    void CheckInputsKept(const CAMERA_INFO& cam, const CAMERA_INFO& before) {
        FUZZ_CHECK(std::memcmp(&cam, &before, kInputBytes) == 0);
    }

    void StartVideo(CAMERA_INFO& cam, const CAMERA_INFO& before) {
        const int inits = m_net.initCalls;
        const bool wasInitialised = m_net.Initialised();
        const int32_t lastPlay = m_net.lastPlay;
        const int r = m_sm->StartVideo(cam);
        CheckInputsKept(cam, before);
        FUZZ_CHECK(m_net.initCalls == inits + (wasInitialised ? 0 : 1));
        if (r == 1) {
            FUZZ_CHECK(cam.nConnectState == 1 && cam.lPlayHandle == m_net.lastPlay && cam.lPlayHandle != lastPlay);
            // (Whether the play is still tracked, CheckModel says: a notice in
            // a later library call of this start may have ended it.)
            if (Settled()) FUZZ_CHECK(m_net.KnownLiveOrLost(cam.lLoginHandle));
            return;
        }
        FUZZ_CHECK(r == 0 && cam.nConnectState == 0);
        FUZZ_CHECK(cam.lPlayHandle == ZV_STATUS_PLAY_FAILED || cam.lPlayHandle == ZV_STATUS_LOGIN_FAILED ||
                   cam.lPlayHandle == ZV_STATUS_NETINIT_FAILED);
        FUZZ_CHECK((cam.lPlayHandle == ZV_STATUS_NETINIT_FAILED) == !m_net.Initialised());
    }

    void StopVideo(CAMERA_INFO& cam, const CAMERA_INFO& before) {
        const int r = m_sm->StopVideo(cam);
        CheckInputsKept(cam, before);
        if (r == 1) {
            FUZZ_CHECK(cam.lPlayHandle == ZV_STATUS_PLAY_FAILED && cam.nConnectState == 0 && cam.nAudioState == 0);
        } else {
            FUZZ_CHECK(r == 0 && std::memcmp(&cam, &before, sizeof cam) == 0);
        }
    }

    void ShowDome(CAMERA_INFO& cam) {
        // The panel before goes first; if that throws, no other is made.
        const bool oldThrows =
            m_panels.dome && m_panels.dome->HasWindow() && m_panels.dome->m_bThrowOnDestroy;
        m_panels.Draw();
        const int notInit = m_panels.notInitialised, failed = m_panels.createFailed;
        const int nShow = m_in.Int<int>();
        const int x = m_in.Int<int>();
        const int y = m_in.Int<int>();
        const int r = m_sm->ShowDomePanel(cam, nShow, x, y);
        const int messages = m_panels.notInitialised - notInit + m_panels.createFailed - failed;
        FUZZ_CHECK(messages <= 1);
        if (oldThrows) FUZZ_CHECK(r == 0 && messages == 0 && !m_panels.dome);
        else if (m_panels.bThrowConstruct) FUZZ_CHECK(r == 0 && messages == 0);
        else if (m_panels.bFailConstruct) FUZZ_CHECK(r == 0 && m_panels.notInitialised == notInit + 1);
        else if (m_panels.bFailCreate) FUZZ_CHECK(r == 0 && m_panels.createFailed == failed + 1);
        else FUZZ_CHECK(r == 1 && messages == 0);
        FUZZ_CHECK(m_sm->IsDomePresent() == (m_panels.dome ? 1 : 0));
    }

    void ShowColor(CAMERA_INFO& cam) {
        m_panels.Draw();
        const int messages = m_panels.notInitialised + m_panels.createFailed;
        const int nShow = m_in.Int<int>();
        const int x = m_in.Int<int>();
        const int y = m_in.Int<int>();
        const int r = m_sm->ShowColorPanel(cam, nShow, x, y);
        const int shown = m_panels.notInitialised + m_panels.createFailed - messages;
        FUZZ_CHECK(shown <= 1 && (r == 1 || r == 0));
        if (r == 1) {
            FUZZ_CHECK(shown == 0);
            // Hidden, it read the device once and is gone again.
            if ((nShow & 0xFF) == 0) FUZZ_CHECK(m_panels.colour == nullptr);
        }
    }

    void CheckModel() {
        if (!Settled()) return;
        FUZZ_CHECK(m_sm->LoginCount() == m_net.LiveLogins());
        FUZZ_CHECK(m_sm->PlayCount() == m_net.LivePlays());
        for (const auto& c : m_cameras) FUZZ_CHECK(m_sm->GetConnectState(*c) == (m_net.PlaysCamera(*c) ? 1 : 0));
    }

    Input& m_in;
    ModelLibrary m_net;
    FuzzPanels m_panels;
    std::unique_ptr<CSessionManager> m_sm;
    std::unique_ptr<CAMERA_INFO> m_cameras[kCameras];
};

}  // namespace
}  // namespace zv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zv::fuzz::Input in(data, size);
    zv::fuzz::Run run(in);
    // Bounded, so one input cannot hold the run up.
    for (int i = 0; i < 200 && in.Remaining() > 0; ++i) run.Step();
    return 0;
}

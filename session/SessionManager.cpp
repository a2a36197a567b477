#include "SessionManager.h"

#include <cstring>
#include <new>
#include <system_error>


namespace zv {

namespace {

// Copies field text into a fixed buffer, truncating so the NUL always fits.
template <size_t N>
void CopyText(char (&dst)[N], std::string_view src) {
    size_t n = src.size() < N - 1 ? src.size() : N - 1;
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

// Used when no factory is given: nothing can be made, nothing is shown.
class CNoPanels final : public IPanelFactory {
public:
    std::unique_ptr<IDomePanel> MakeDomePanel(ZV_HWND) override { return nullptr; }
    std::unique_ptr<IPanel> MakeColorPanel(ZV_HWND) override { return nullptr; }
    void ShowMessage(PanelMessage) override {}
};
CNoPanels g_noPanels;

// Whether a record (a login or a camera) is for this device address and user.
template <class Record>
bool IsFor(const Record& r, std::string_view address, std::string_view user) {
    return FieldText(r.szDeviceAddress) == address && FieldText(r.szUserName) == user;
}

}  // namespace

LOGIN_INFO MakeLoginInfo(const CAMERA_INFO& camera) {
    LOGIN_INFO login;
    std::memset(&login, 0, sizeof login);
    CopyText(login.szDeviceAddress, FieldText(camera.szDeviceAddress));
    CopyText(login.szUserName, FieldText(camera.szUserName));
    CopyText(login.szPassword, FieldText(camera.szPassword));
    login.wPort = DEFAULT_DEVICE_PORT;
    return login;
}

bool SameCamera(const CAMERA_INFO& a, const CAMERA_INFO& b) {
    return FieldText(a.szDeviceAddress) == FieldText(b.szDeviceAddress) &&
           a.nChannel == b.nChannel && a.hVideoWnd == b.hVideoWnd;
}

void ZV_STDCALL DisconnectCallback(int32_t lLoginHandle, const char* pszAddress, int32_t,
                                   uintptr_t dwUser) {
    if (dwUser == 0) return;
    try {
        reinterpret_cast<CSessionManager*>(dwUser)->OnDisconnect(lLoginHandle, pszAddress);
    } catch (...) {
        // Runs on the library's thread: nothing may escape into it.
    }
}

CSessionManager::CSessionManager(INetLibrary& net, IPanelFactory* pPanels)
    : m_net(net), m_panels(pPanels ? *pPanels : g_noPanels) {}

CSessionManager::~CSessionManager() {
    try {
        Teardown();
    } catch (...) {
    }
}

CSessionManager::Lock CSessionManager::TakeLock() {
    Lock lock(m_mutex, std::defer_lock);
    try {
        lock.lock();
    } catch (const std::system_error&) {
        // Reported to the caller as a failure of the operation.
    }
    return lock;
}

std::list<CAMERA_INFO>::iterator CSessionManager::FindPlay(const CAMERA_INFO& camera) {
    for (auto it = m_playList.begin(); it != m_playList.end(); ++it)
        if (SameCamera(*it, camera)) return it;
    return m_playList.end();
}

bool CSessionManager::IsPooled(const LOGIN_INFO& login) const {
    const std::string_view address = FieldText(login.szDeviceAddress);
    for (const LOGIN_INFO& entry : m_loginPool)
        if (entry.lLoginHandle == login.lLoginHandle && FieldText(entry.szDeviceAddress) == address)
            return true;
    return false;
}

int32_t CSessionManager::PooledLogin(const CAMERA_INFO& camera) {
    Lock lock(m_mutex, std::try_to_lock);
    if (!lock.owns_lock()) return 0;
    const std::string_view address = FieldText(camera.szDeviceAddress);
    const std::string_view user = FieldText(camera.szUserName);
    for (const LOGIN_INFO& entry : m_loginPool)
        if (IsFor(entry, address, user)) return entry.lLoginHandle;
    return 0;
}

int32_t CSessionManager::EnsureNetInit() {
    // Under the session lock so that two first starts on different threads
    // cannot both initialise the library; nothing else nests with it here.
    Lock lock = TakeLock();
    if (!lock.owns_lock()) return 0;
    if (m_lNetInit == 0) m_lNetInit = m_net.Init(&DisconnectCallback, reinterpret_cast<uintptr_t>(this));
    return m_lNetInit;
}

bool CSessionManager::FindOrLogin(LOGIN_INFO& login) {
    Lock lock = TakeLock();
    if (!lock.owns_lock()) return false;
    const std::string_view address = FieldText(login.szDeviceAddress);
    const std::string_view user = FieldText(login.szUserName);
    for (const LOGIN_INFO& entry : m_loginPool) {
        if (IsFor(entry, address, user)) {
            login.lLoginHandle = entry.lLoginHandle;
            // After the loop: a notice from inside the library may change the pool.
            m_owedStops.SendOn(address, user, login.lLoginHandle);
            return true;
        }
    }
    unsigned char deviceInfo[DEVICE_INFO_SIZE] = {};
    int error = 0;
    const int32_t handle = m_net.Login(login.szDeviceAddress, login.wPort, login.szUserName,
                                       login.szPassword, deviceInfo, &error);
    if (handle == 0) return false;
    login.lLoginHandle = handle;
    try {
        m_loginPool.push_back(login);
    } catch (const std::bad_alloc&) {
        m_net.Logout(handle);
        return false;
    }
    // The device is back: a dome a panel left moving when it was lost stops now.
    m_owedStops.SendOn(address, user, handle);
    return true;
}

int CSessionManager::StartVideo(CAMERA_INFO& camera) {
    // A failed start is not connected, whatever it failed at and whatever
    // the record said before; the login handle stays as the host had it.
    auto fail = [&camera](int32_t nStatus) {
        camera.nConnectState = 0;
        camera.lPlayHandle = nStatus;
        return 0;
    };
    // The play entry is obtained first, as a one-node list spliced in at the
    // end; it frees itself on every failure path below.
    std::list<CAMERA_INFO> entry;
    try {
        entry.emplace_back();
    } catch (const std::bad_alloc&) {
        return fail(ZV_STATUS_PLAY_FAILED);
    }
    if (EnsureNetInit() == 0) return fail(ZV_STATUS_NETINIT_FAILED);
    LOGIN_INFO login = MakeLoginInfo(camera);
    if (!FindOrLogin(login)) return fail(ZV_STATUS_LOGIN_FAILED);
    const int32_t play = m_net.StartRealPlay(login.lLoginHandle, camera.nChannel,
                                             ZV_HwndFromRecord(camera.hVideoWnd));
    if (play == 0) return fail(ZV_STATUS_PLAY_FAILED);
    Lock lock = TakeLock();
    if (!lock.owns_lock()) {
        // Untracked plays could never be stopped: undo rather than report success.
        m_net.StopRealPlay(play);
        return fail(ZV_STATUS_PLAY_FAILED);
    }
    if (!IsPooled(login)) {
        // Its login was reported lost while the play started: the entry would
        // claim "connected" for a play nobody can stop any more.
        lock.unlock();
        m_net.StopRealPlay(play);
        return fail(ZV_STATUS_PLAY_FAILED);
    }
    camera.lLoginHandle = login.lLoginHandle;
    camera.nConnectState = 1;
    camera.lPlayHandle = play;
    entry.front() = camera;
    m_playList.splice(m_playList.end(), entry);  // splicing does not allocate
    return 1;
}

int CSessionManager::StopVideo(CAMERA_INFO& camera) {
    Lock lock = TakeLock();
    if (!lock.owns_lock()) return 0;
    auto it = FindPlay(camera);
    if (it == m_playList.end()) return 0;
    // No iterator survives the library call: a library that reports a loss
    // from inside it runs OnDisconnect on this thread, which may free the entry.
    const int32_t play = it->lPlayHandle;
    if (m_net.StopRealPlay(play) == 0) return 0;
    camera.lPlayHandle = ZV_STATUS_PLAY_FAILED;
    camera.nConnectState = 0;
    camera.nAudioState = 0;
    m_playList.remove_if(
        [&](const CAMERA_INFO& e) { return e.lPlayHandle == play && SameCamera(e, camera); });
    return 1;
}

int CSessionManager::SetAudio(CAMERA_INFO& camera) {
    Lock lock = TakeLock();
    if (!lock.owns_lock()) return 0;
    auto it = FindPlay(camera);
    if (it == m_playList.end()) return 0;
    const int32_t play = it->lPlayHandle;  // the entry may be gone after the call
    if (camera.nAudioState != 0) {
        const bool on = m_net.OpenSound(play) != 0;
        camera.nAudioState = on ? 1 : 0;
        return on ? 1 : 0;
    }
    camera.nAudioState = 0;
    return m_net.CloseSound() != 0 ? 1 : 0;
}

int CSessionManager::GetConnectState(const CAMERA_INFO& camera) {
    Lock lock = TakeLock();
    if (!lock.owns_lock()) return 0;
    auto it = FindPlay(camera);
    return it == m_playList.end() ? 0 : it->nConnectState;
}

int CSessionManager::GetAudioState(const CAMERA_INFO& camera) const {
    return camera.nAudioState;
}

void CSessionManager::OnDisconnect(int32_t lLoginHandle, const char* pszAddress) {
    Lock lock = TakeLock();
    if (!lock.owns_lock()) return;
    // The library's text: bounded like our own fields so a missing NUL
    // cannot run us past what any address could be. Without an address the
    // handle alone decides (handles are unique); otherwise both must match.
    size_t n = 0;
    while (pszAddress && n < sizeof(LOGIN_INFO::szDeviceAddress) && pszAddress[n] != '\0') ++n;
    const std::string_view address(pszAddress ? pszAddress : "", n);
    auto matches = [&](int32_t handle, std::string_view entryAddress) {
        return handle == lLoginHandle && (!pszAddress || entryAddress == address);
    };
    m_loginPool.remove_if(
        [&](const LOGIN_INFO& e) { return matches(e.lLoginHandle, FieldText(e.szDeviceAddress)); });
    m_playList.remove_if(
        [&](const CAMERA_INFO& e) { return matches(e.lLoginHandle, FieldText(e.szDeviceAddress)); });
}

void CSessionManager::Teardown() {
    try {
        DestroyDomePanel();
    } catch (...) {
    }
    try {
        DestroyColorPanel();
    } catch (...) {
    }
    // The lists are taken out under the lock, so a disconnect notice arriving
    // from a library thread meanwhile finds them empty instead of walking
    // entries that are being freed. The library is called outside the lock:
    // its cleanup may wait for a thread that is itself waiting for the lock.
    std::list<CAMERA_INFO> plays;
    std::list<LOGIN_INFO> logins;
    int32_t netInit = 0;
    {
        Lock lock = TakeLock();
        plays.swap(m_playList);
        logins.swap(m_loginPool);
        netInit = m_lNetInit;
        m_lNetInit = 0;
    }
    for (const LOGIN_INFO& login : logins)
        m_owedStops.SendOn(FieldText(login.szDeviceAddress), FieldText(login.szUserName), login.lLoginHandle);
    m_owedStops.Clear();  // no login left to send them on
    for (const CAMERA_INFO& play : plays) m_net.StopRealPlay(play.lPlayHandle);
    plays.clear();
    for (const LOGIN_INFO& login : logins) m_net.Logout(login.lLoginHandle);
    logins.clear();
    if (netInit != 0) m_net.Cleanup();
}

size_t CSessionManager::PlayCount() {
    Lock lock = TakeLock();
    return m_playList.size();
}

size_t CSessionManager::LoginCount() {
    Lock lock = TakeLock();
    return m_loginPool.size();
}

// --- Panels -----------------------------------------------------------------

void CSessionManager::DestroyDomePanel() {
    std::unique_ptr<IDomePanel> panel = std::move(m_pDomeDlg);
    if (!panel) return;
    // The window's end may send the stop of a held control; if that stop (or
    // one before it) could not get through, it outlives the panel.
    auto handOver = [&] {
        CAMERA_INFO camera;
        int32_t nSpeed = 0;
        if (!panel->OwedStop(camera, nSpeed)) return;
        m_owedStops.Keep(camera, nSpeed);
        RetryOwedStops();
    };
    try {
        if (panel->HasWindow()) panel->DestroyPanelWindow();
    } catch (...) {
        handOver();
        throw;
    }
    handOver();
}

void CSessionManager::RetryOwedStops() {
    try {
        if (m_owedStops.Empty()) return;
        Lock lock(m_mutex, std::try_to_lock);
        if (!lock.owns_lock()) return;
        // A copy: a notice from inside the library may change the pool.
        const std::list<LOGIN_INFO> pool = m_loginPool;
        for (const LOGIN_INFO& login : pool)
            m_owedStops.SendOn(FieldText(login.szDeviceAddress), FieldText(login.szUserName), login.lLoginHandle);
    } catch (...) {
        // Tried again at the next chance.
    }
}

void CSessionManager::DestroyColorPanel() {
    std::unique_ptr<IPanel> panel = std::move(m_pColorDlg);
    if (panel && panel->HasWindow()) panel->DestroyPanelWindow();
}

void CSessionManager::Show(IPanel& panel, int x, int y) {
    // A negative coordinate asked the panel to place itself beside its initial
    // rectangle; moving it to (x, y) now would undo that and put it partly
    // off the screen.
    if (x < 0 || y < 0) panel.ShowInPlace();
    else panel.ShowAt(x, y);
}

int CSessionManager::ShowDomePanel(CAMERA_INFO& camera, int nShow, int x, int y) {
    try {
        DestroyDomePanel();
        m_pDomeDlg = m_panels.MakeDomePanel(ZV_HwndFromRecord(camera.hVideoWnd));
        if (!m_pDomeDlg) {
            m_panels.ShowMessage(PanelMessage::NotInitialised);
            return 0;
        }
        m_pDomeDlg->SetLoginSource(this);
        const bool bShow = (nShow & 0xFF) != 0;
        m_pDomeDlg->SetPlacement(bShow, x, y);
        if (!m_pDomeDlg->CreateFromTemplate()) {
            m_panels.ShowMessage(PanelMessage::CreateFailed);
            return 0;  // the object stays until the next call replaces it
        }
        LOGIN_INFO login = MakeLoginInfo(camera);
        // Without a login the panel stays, hidden, and its commands send nothing.
        if (!FindOrLogin(login)) return 1;
        m_pDomeDlg->SetLogin(login.lLoginHandle, camera);
        if (bShow) Show(*m_pDomeDlg, x, y);
        else m_pDomeDlg->Hide();
        return 1;
    } catch (...) {
        return 0;
    }
}

int CSessionManager::InitDomePanel(ZV_HWND hParent) {
    if (m_pDomeDlg) return 1;
    try {
        m_pDomeDlg = m_panels.MakeDomePanel(hParent);
        if (!m_pDomeDlg) return 0;
        m_pDomeDlg->SetLoginSource(this);
        return m_pDomeDlg->CreateFromTemplate() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int CSessionManager::FreeDomePanel() {
    try {
        DestroyDomePanel();
    } catch (...) {
        // Absorbed: the panel is gone from here on either way.
    }
    return 1;
}

int CSessionManager::CloseDomePanel() { return FreeDomePanel(); }

int CSessionManager::SendDomeCommand(int nCommand) {
    return m_pDomeDlg ? m_pDomeDlg->SendPtzCommand(static_cast<uint32_t>(nCommand), 0) : 0;
}

int CSessionManager::IsDomePresent() { return m_pDomeDlg ? m_pDomeDlg->IsDome() : 0; }

int CSessionManager::ShowColorPanel(CAMERA_INFO& camera, int nShow, int x, int y) {
    try {
        DestroyColorPanel();
        LOGIN_INFO login = MakeLoginInfo(camera);
        if (!FindOrLogin(login)) return 1;  // no panel, no message
        m_pColorDlg = m_panels.MakeColorPanel(ZV_HwndFromRecord(camera.hVideoWnd));
        if (!m_pColorDlg) {
            m_panels.ShowMessage(PanelMessage::NotInitialised);
            return 0;
        }
        const bool bShow = (nShow & 0xFF) != 0;
        // Its initialisation reads the device and places the window.
        m_pColorDlg->SetLogin(login.lLoginHandle, camera);
        m_pColorDlg->SetPlacement(bShow, x, y);
        if (!m_pColorDlg->CreateFromTemplate()) {
            m_panels.ShowMessage(PanelMessage::CreateFailed);
            return 0;  // the object stays until the next call replaces it
        }
        if (bShow) {
            Show(*m_pColorDlg, x, y);
        } else {
            // It has read the device once; nothing is written.
            DestroyColorPanel();
        }
        return 1;
    } catch (...) {
        return 0;
    }
}

}  // namespace zv

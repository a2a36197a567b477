// The one object behind the exports: the login pool, the live-play list, the
// lock over both, and the two floating panels.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string_view>

#include "FieldText.h"
#include "NetLibrary.h"
#include "OwedStops.h"
#include "Panels.h"
#include "zentavo.h"

namespace zv {

// One device login, shared by every play and panel with the same
// (address, user name).
struct LOGIN_INFO {
    char szDeviceAddress[256];
    char szUserName[64];
    char szPassword[64];
    uint16_t wPort;
    int32_t lLoginHandle;
};

// A zero-filled login record built from the camera's address, user and password.
LOGIN_INFO MakeLoginInfo(const CAMERA_INFO& camera);

// Same camera among the live plays: address byte for byte, channel, window.
bool SameCamera(const CAMERA_INFO& a, const CAMERA_INFO& b);

// The library's disconnect notice; user value 0 means "not ours".
void ZV_STDCALL DisconnectCallback(int32_t lLoginHandle, const char* pszAddress, int32_t nIgnored,
                                   uintptr_t dwUser);

class CSessionManager : private ILoginSource {
public:
    // Without a panel factory no panel can be made (the panel operations
    // then answer as for a panel that could not be constructed, silently).
    explicit CSessionManager(INetLibrary& net, IPanelFactory* pPanels = nullptr);
    virtual ~CSessionManager();
    CSessionManager(const CSessionManager&) = delete;
    CSessionManager& operator=(const CSessionManager&) = delete;

    // Live video (1 = success, 0 = failure; codes go into the record).
    int StartVideo(CAMERA_INFO& camera);
    int StopVideo(CAMERA_INFO& camera);
    int SetAudio(CAMERA_INFO& camera);
    int GetConnectState(const CAMERA_INFO& camera);
    int GetAudioState(const CAMERA_INFO& camera) const;

    // Panels. They create and destroy windows on the calling thread (the
    // host's UI thread) and are not guarded by the lock: the host must not
    // overlap a command with a call that replaces or destroys the panel.
    int ShowDomePanel(CAMERA_INFO& camera, int nShow, int x, int y);
    int InitDomePanel(ZV_HWND hParent);
    int FreeDomePanel();
    int CloseDomePanel();
    int SendDomeCommand(int nCommand);
    int IsDomePresent();
    int ShowColorPanel(CAMERA_INFO& camera, int nShow, int x, int y);

    int32_t EnsureNetInit();
    // ILoginSource: the pooled login of the camera's address and user, or 0;
    // 0 also while another thread holds the lock (a panel asks from its UI
    // thread and must not wait behind a slow login).
    int32_t PooledLogin(const CAMERA_INFO& camera) override;
    void RetryOwedStops() override;
    bool FindOrLogin(LOGIN_INFO& login);
    void OnDisconnect(int32_t lLoginHandle, const char* pszAddress);
    // Destroys both panels, sends the stops still owed to devices that have a
    // login, then stops every play, logs out every login and
    // releases the library. Also run by the destructor; a second call finds
    // nothing to do. The panels go first: a control held at this moment
    // sends its stop while the library still works.
    void Teardown();

    // For tests and diagnostics: list sizes under the lock.
    size_t PlayCount();
    size_t LoginCount();

private:
    using Lock = std::unique_lock<std::recursive_mutex>;
    // Takes the lock; an owns_lock() of false means it could not be taken.
    Lock TakeLock();
    std::list<CAMERA_INFO>::iterator FindPlay(const CAMERA_INFO& camera);
    // Whether this login is still in the pool (with the lock held).
    bool IsPooled(const LOGIN_INFO& login) const;
    void Show(IPanel& panel, int x, int y);
    void DestroyDomePanel();
    void DestroyColorPanel();

    INetLibrary& m_net;
    IPanelFactory& m_panels;
    int32_t m_lNetInit = 0;  // guarded by m_mutex (see EnsureNetInit)
    std::list<CAMERA_INFO> m_playList;
    std::list<LOGIN_INFO> m_loginPool;
    std::unique_ptr<IDomePanel> m_pDomeDlg;
    std::unique_ptr<IPanel> m_pColorDlg;
    std::recursive_mutex m_mutex;
    COwedStops m_owedStops{m_net};  // with a lock of its own, taken after m_mutex
};

}  // namespace zv

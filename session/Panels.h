// What the session manager needs of its two floating panels, and of whoever
// makes them. The exports' layer supplies the real dialogs; tests supply
// fakes, so the ownership rules build and run without windows.
#pragma once

#include <cstdint>
#include <memory>

#include "zentavo.h"

namespace zv {

class IPanel {
public:
    virtual ~IPanel() = default;

    // Hand-over members, set by the session manager. The placement comes
    // before the window exists; the login and the camera copy before or
    // after, depending on the panel (its initialisation may need them).
    virtual void SetPlacement(bool bShowOnInit, int x, int y) = 0;
    virtual void SetLogin(int32_t lLoginHandle, const CAMERA_INFO& camera) = 0;

    // Creates the window from the panel's template; the panel's
    // initialisation runs before this returns. False if no window was made.
    virtual bool CreateFromTemplate() = 0;
    virtual bool HasWindow() const = 0;
    // Shows the window, then puts it at (x, y) on top without resizing it.
    virtual void ShowAt(int x, int y) = 0;
    // Shows the window where its initialisation placed it (automatic
    // placement, asked for with a negative coordinate).
    virtual void ShowInPlace() = 0;
    virtual void Hide() = 0;
    // Destroys the window (if there is one); the object stays.
    virtual void DestroyPanelWindow() = 0;
};

// Where a panel finds its camera's login again after the device was lost and
// logged in anew (by a restarted live play, say): the pooled login for the
// camera's address and user name, or 0. It never logs in and never waits.
class ILoginSource {
public:
    virtual ~ILoginSource() = default;
    virtual int32_t PooledLogin(const CAMERA_INFO& camera) = 0;
    // Sends the stops that panels gone before could not get through, where
    // their device has a pooled login now. Never waits for the lock.
    virtual void RetryOwedStops() = 0;
};

class IDomePanel : public IPanel {
public:
    // Given right after construction; outlives the panel.
    virtual void SetLoginSource(ILoginSource* pSource) = 0;
    // One PTZ command (an action number and a speed, 0 = the panel's own);
    // the library's result, or 0 when nothing was sent.
    virtual int SendPtzCommand(uint32_t nAction, int32_t nSpeed) = 0;
    virtual int IsDome() const = 0;
    // A stop this panel could not get through (its device was lost mid-move):
    // the camera it was for and the panel's speed. Asked once its window is
    // gone, so that the stop outlives the panel.
    virtual bool OwedStop(CAMERA_INFO& camera, int32_t& nSpeed) const = 0;
};

// The only two messages the module ever shows.
enum class PanelMessage {
    NotInitialised,  // a panel object could not be constructed
    CreateFailed,    // a panel window could not be created from its template
};

class IPanelFactory {
public:
    virtual ~IPanelFactory() = default;
    // Null when the panel could not be constructed.
    virtual std::unique_ptr<IDomePanel> MakeDomePanel(ZV_HWND hParent) = 0;
    virtual std::unique_ptr<IPanel> MakeColorPanel(ZV_HWND hParent) = 0;
    // Modal, no owner, empty title, OK only.
    virtual void ShowMessage(PanelMessage message) = 0;
};

}  // namespace zv

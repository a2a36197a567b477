// Fake panels for the ownership rules: every call a panel or the factory
// gets is a line in the fake network library's log, so the order of panel
// and library calls can be checked together.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "FakeNetLibrary.h"
#include "Panels.h"

namespace zv::test {

template <class Base>
class FakePanel : public Base {
public:
    FakePanel(FakeNetLibrary& log, std::string name) : m_log(log), m_name(std::move(name)) {}
    ~FakePanel() override { m_log.Note(m_name + " deleted"); }

    void SetPlacement(bool bShow, int x, int y) override {
        m_log.Note(m_name + " placement " + std::to_string(bShow ? 1 : 0) + " " + std::to_string(x) + " " +
                   std::to_string(y));
    }
    void SetLogin(int32_t login, const CAMERA_INFO& camera) override {
        m_login = login;
        m_log.Note(m_name + " login " + std::to_string(login) + " channel " +
                   std::to_string(camera.nChannel));
    }
    bool CreateFromTemplate() override {
        m_log.Note(m_name + " create");
        m_bWindow = !bFailCreate;
        return m_bWindow;
    }
    bool HasWindow() const override { return m_bWindow; }
    void ShowAt(int x, int y) override {
        m_log.Note(m_name + " show " + std::to_string(x) + " " + std::to_string(y));
    }
    void ShowInPlace() override { m_log.Note(m_name + " show in place"); }
    void Hide() override { m_log.Note(m_name + " hide"); }
    void DestroyPanelWindow() override {
        m_log.Note(m_name + " destroy");
        m_bWindow = false;
        if (bThrowOnDestroy) throw std::runtime_error("destroy");
    }

    bool bFailCreate = false;
    bool bThrowOnDestroy = false;

protected:
    FakeNetLibrary& m_log;
    std::string m_name;
    int32_t m_login = 0;
    bool m_bWindow = false;
};

class FakeDomePanel : public FakePanel<IDomePanel> {
public:
    using FakePanel::FakePanel;
    // Like the real panel: nothing goes out without a login.
    int SendPtzCommand(uint32_t action, int32_t speed) override {
        m_log.Note(m_name + " ptz " + std::to_string(action) + " " + std::to_string(speed));
        return m_login ? 1 : 0;
    }
    int IsDome() const override { return 1; }
    void SetLoginSource(ILoginSource* pSource) override { source = pSource; }
    bool OwedStop(CAMERA_INFO& camera, int32_t& speed) const override {
        if (!bStopOwed) return false;
        camera = m_camera;
        speed = 40;
        return true;
    }
    void SetLogin(int32_t login, const CAMERA_INFO& camera) override {
        FakePanel::SetLogin(login, camera);
        m_camera = camera;
    }
    ILoginSource* source = nullptr;
    bool bStopOwed = false;  // as after a stop the device's loss kept out

private:
    CAMERA_INFO m_camera{};
};

class FakePanelFactory : public IPanelFactory {
public:
    explicit FakePanelFactory(FakeNetLibrary& log) : m_log(log) {}

    std::unique_ptr<IDomePanel> MakeDomePanel(ZV_HWND parent) override {
        auto panel = Make<FakeDomePanel>("dome", parent);
        lastDome = panel.get();
        return panel;
    }
    FakeDomePanel* lastDome = nullptr;  // the latest one made (it may be gone)
    std::unique_ptr<IPanel> MakeColorPanel(ZV_HWND parent) override {
        return Make<FakePanel<IPanel>>("colour", parent);
    }
    void ShowMessage(PanelMessage m) override {
        m_log.Note(m == PanelMessage::NotInitialised ? "message not-initialised" : "message create-failed");
    }

    // What the next panel made does.
    bool bFailConstruct = false;
    bool bThrowOnConstruct = false;
    bool bFailCreate = false;
    bool bThrowOnDestroy = false;

private:
    template <class T>
    std::unique_ptr<T> Make(const std::string& kind, ZV_HWND parent) {
        if (bThrowOnConstruct) throw std::bad_alloc();
        if (bFailConstruct) return nullptr;
        const std::string name = kind + "#" + std::to_string(++m_made[kind]);
        m_log.Note(name + " made, parent " + std::to_string(parent));
        auto panel = std::make_unique<T>(m_log, name);
        panel->bFailCreate = bFailCreate;
        panel->bThrowOnDestroy = bThrowOnDestroy;
        return panel;
    }

    FakeNetLibrary& m_log;
    std::map<std::string, int> m_made;
};

}  // namespace zv::test

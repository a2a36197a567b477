// Makes the real panels for the session manager and shows the module's two
// messages.
#pragma once

#include "NetLibrary.h"
#include "Panels.h"

namespace zv {

class CPanelFactory final : public IPanelFactory {
public:
    explicit CPanelFactory(INetLibrary& net) : m_net(net) {}

    std::unique_ptr<IDomePanel> MakeDomePanel(ZV_HWND hParent) override;
    std::unique_ptr<IPanel> MakeColorPanel(ZV_HWND hParent) override;
    void ShowMessage(PanelMessage message) override;

private:
    INetLibrary& m_net;
};

}  // namespace zv

#include "PanelFactory.h"

#include <windows.h>

#include <new>

#include "ColorAdjustDlg.h"
#include "DomeCtrlDlg.h"

namespace zv {

std::unique_ptr<IDomePanel> CPanelFactory::MakeDomePanel(ZV_HWND hParent) {
    try {
        return std::make_unique<CDomeCtrlDlg>(hParent, m_net);
    } catch (const std::bad_alloc&) {
        return nullptr;  // reported as a panel that could not be made
    }
}

std::unique_ptr<IPanel> CPanelFactory::MakeColorPanel(ZV_HWND hParent) {
    try {
        return std::make_unique<CColorAdjustDlg>(hParent, m_net);
    } catch (...) {
        return nullptr;  // the session manager tells the user
    }
}

void CPanelFactory::ShowMessage(PanelMessage message) {
    const wchar_t* text = message == PanelMessage::NotInitialised
                              ? L"没有初始化窗体，操作无法继续!"
                              : L"创建窗口发生错误!";
    // Without an owner: the panel that would have owned it does not exist.
    MessageBoxW(nullptr, text, L"", MB_OK);
}

}  // namespace zv

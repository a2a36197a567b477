#include "ResourceContext.h"

namespace ui {

namespace {
HINSTANCE g_hModule = nullptr;
// Per thread, like the platform's own module state: a host thread calling in
// must not switch another thread's look-ups.
thread_local HINSTANCE t_hResource = nullptr;
}  // namespace

HINSTANCE ModuleInstance() { return g_hModule; }

void SetModuleInstance(HINSTANCE hInstance) { g_hModule = hInstance; }

HINSTANCE ResourceInstance() { return t_hResource ? t_hResource : GetModuleHandleW(nullptr); }

CResourceScope::CResourceScope() : m_hPrevious(t_hResource) { t_hResource = g_hModule; }

CResourceScope::~CResourceScope() { t_hResource = m_hPrevious; }

}  // namespace ui

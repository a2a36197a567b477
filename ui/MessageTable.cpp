#include "MessageTable.h"

namespace ui {
namespace detail {

bool EntryMatches(UINT entryMessage, UINT entryCode, UINT entryId, bool bMatchCode,
                  const CMessage& msg) {
    if (entryMessage == kAnyCtlColor)
        return msg.message >= WM_CTLCOLORMSGBOX && msg.message <= WM_CTLCOLORSTATIC;
    if (entryMessage != msg.message) return false;
    if (!bMatchCode) return true;

    UINT code = 0;
    UINT id = 0;
    if (msg.message == WM_COMMAND || msg.message == Reflected(WM_COMMAND)) {
        code = HIWORD(msg.wParam);
        id = LOWORD(msg.wParam);
    } else if (msg.message == WM_NOTIFY || msg.message == Reflected(WM_NOTIFY)) {
        const NMHDR* hdr = reinterpret_cast<const NMHDR*>(msg.lParam);
        if (!hdr) return false;
        code = hdr->code;
        id = static_cast<UINT>(hdr->idFrom);
    } else {
        return false;
    }
    return code == entryCode && (entryId == kAnyId || id == entryId);
}

}  // namespace detail
}  // namespace ui

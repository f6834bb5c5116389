#include "duilib/core/CNotifyPump.h"

#include "duilib/control/CControlUI.h"

namespace DuiLib {

bool CNotifyPump::NotifyPump(NotificationUI& msg) {
  static const std::wstring kNoName;
  const std::wstring& sender = msg.sender ? msg.sender->GetName() : kNoName;
  for (const TNotifyMapUI* map = NotifyMap(); map; map = map->base) {
    const TNotifyMapEntryUI* chosen = nullptr;
    for (const TNotifyMapEntryUI* entry = map->entries; entry && entry->type; ++entry) {
      if (msg.type != entry->type) continue;
      const wchar_t* name = entry->controlName ? entry->controlName : L"";
      if (sender == name) {
        chosen = entry;
        break;
      }
      if (!*name) chosen = entry;
    }
    if (!chosen) continue;
    switch (chosen->kind) {
      case kNotifyHandlerParams:
        if (!chosen->onParams) return false;
        chosen->onParams(this, msg.wParam, msg.lParam);
        return true;
      case kNotifyHandlerRecord:
        if (!chosen->onRecord) return false;
        chosen->onRecord(this, msg);
        return true;
      default:
        return false;
    }
  }
  return false;
}

}  // namespace DuiLib

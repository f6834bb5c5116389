#include "duilib/core/CTimerTableUI.h"

#include <algorithm>

namespace DuiLib {

CTimerTableUI::~CTimerTableUI() {
  RemoveAll();
}

void CTimerTableUI::KillSystemTimer(const Record& record) {
  // A destroyed window took its timers with it; its handle may name another
  // window by now.
  if (!record.stopped && ::IsWindow(record.window)) ::KillTimer(record.window, record.systemId);
}

bool CTimerTableUI::Start(HWND window, CControlUI* control, UINT localId, UINT elapse) {
  for (Record& record : records_) {
    if (record.control != control || record.localId != localId || record.window != window) continue;
    if (!record.stopped) return false;
    if (::SetTimer(window, record.systemId, elapse, nullptr) == 0) return false;
    record.stopped = false;
    return true;
  }
  counter_ = (counter_ + 1) % 255;
  if (::SetTimer(window, counter_, elapse, nullptr) == 0) return false;
  Record record;
  record.control = control;
  record.localId = localId;
  record.window = window;
  record.systemId = counter_;
  records_.push_back(record);
  return true;
}

bool CTimerTableUI::Stop(CControlUI* control, UINT localId) {
  for (Record& record : records_) {
    if (record.control != control || record.localId != localId || record.stopped) continue;
    KillSystemTimer(record);
    record.stopped = true;
    return true;
  }
  return false;
}

void CTimerTableUI::RemoveControl(CControlUI* control) {
  auto end = std::remove_if(records_.begin(), records_.end(), [control](const Record& record) {
    if (record.control != control) return false;
    KillSystemTimer(record);
    return true;
  });
  records_.erase(end, records_.end());
}

void CTimerTableUI::RemoveAll() {
  for (const Record& record : records_) KillSystemTimer(record);
  records_.clear();
}

const CTimerTableUI::Record* CTimerTableUI::FindRunning(HWND window, UINT_PTR systemId) const {
  for (const Record& record : records_) {
    if (record.window == window && record.systemId == systemId && !record.stopped) return &record;
  }
  return nullptr;
}

const CTimerTableUI::Record* CTimerTableUI::Find(CControlUI* control, UINT localId) const {
  for (const Record& record : records_) {
    if (record.control == control && record.localId == localId) return &record;
  }
  return nullptr;
}

}  // namespace DuiLib

#include "duilib/core/CMessageFilterListUI.h"

#include <algorithm>

namespace DuiLib {

bool CMessageFilterListUI::Add(IMessageFilterUI* filter) {
  if (!filter || std::find(filters_.begin(), filters_.end(), filter) != filters_.end()) return false;
  filters_.push_back(filter);
  return true;
}

bool CMessageFilterListUI::Remove(IMessageFilterUI* filter) {
  auto it = std::find(filters_.begin(), filters_.end(), filter);
  if (it == filters_.end()) return false;
  filters_.erase(it);
  return true;
}

bool CMessageFilterListUI::Run(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const {
  // A filter may add or remove filters: index, never iterators.
  for (size_t i = 0; i < filters_.size(); ++i) {
    bool handled = false;
    const LRESULT answer = filters_[i]->FilterMessage(message, wParam, lParam, handled);
    if (handled) {
      result = answer;
      return true;
    }
  }
  return false;
}

}  // namespace DuiLib

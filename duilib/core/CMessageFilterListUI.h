#pragma once

#include <windows.h>

#include <vector>

#include "duilib/core/IMessageFilterUI.h"

namespace DuiLib {

// An ordered list of message filters (not owned), each added once. UI thread
// only.
class CMessageFilterListUI {
 public:
  // False for null or a filter already in the list.
  bool Add(IMessageFilterUI* filter);
  // False when the filter is not in the list.
  bool Remove(IMessageFilterUI* filter);
  // Offers the message to every filter in order, each with a handled flag
  // that starts false; the first that sets it consumes the message: true,
  // with `result` its answer.
  bool Run(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const;

 private:
  std::vector<IMessageFilterUI*> filters_;
};

}  // namespace DuiLib

#pragma once

#include <windows.h>

namespace DuiLib {

// A pre-translate filter registered with CWindowHostUI::AddPreMessageFilter
// (or a message filter with AddMessageFilter). Setting `handled` consumes the
// message; the returned value is then its result.
class IMessageFilterUI {
 public:
  virtual LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) = 0;

 protected:
  ~IMessageFilterUI() = default;
};

}  // namespace DuiLib

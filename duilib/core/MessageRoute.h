#pragma once

#include <windows.h>

#include <cstddef>

namespace DuiLib {

// One row of a window's routing table: a window message and the member of
// `Window` that handles it. The handler gets the message, its parameters and
// a `handled` flag that starts true; clearing the flag passes the message on
// to whatever the window does with messages its table does not take.
template <typename Window>
struct MessageRoute {
  using Handler = LRESULT (Window::*)(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  UINT message;
  Handler handler;
};

// The handler of a row that swallows its message: result 0, handled, and
// nothing else sees the message.
constexpr std::nullptr_t kSwallowed = nullptr;

// Runs the row of `routes` that names `message` and returns its result, with
// `handled` as the handler left it. Without such a row `handled` is false and
// the result 0. The first row of a message wins. UI thread (the window's).
template <typename Window, std::size_t N>
LRESULT RouteMessage(Window& window, const MessageRoute<Window> (&routes)[N], UINT message, WPARAM wParam,
                     LPARAM lParam, bool& handled) {
  for (const MessageRoute<Window>& route : routes) {
    if (route.message != message) continue;
    handled = true;
    return route.handler ? (window.*route.handler)(message, wParam, lParam, handled) : 0;
  }
  handled = false;
  return 0;
}

}  // namespace DuiLib

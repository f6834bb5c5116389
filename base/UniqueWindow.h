#pragma once

#include <windows.h>

#include "base/UniqueResource.h"

// A window the owner created (a popup such as a tooltip), destroyed with
// DestroyWindow when the owner goes. Only for windows of the owner's thread:
// DestroyWindow fails for another thread's window. A popup that the system
// destroyed already together with its owner window is no window any more;
// DestroyWindow then fails harmlessly.
struct WindowTraits {
  using Type = HWND;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type w) { return w != nullptr; }
  static void Release(Type w) { ::DestroyWindow(w); }
};
using UniqueWindow = UniqueResource<WindowTraits>;

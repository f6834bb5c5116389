#pragma once

#include <windows.h>

namespace DuiLib {

// What a windowless text engine's host reports back to the control it
// serves. The control implements it; the host keeps a non-owning pointer.
class ITextHostOwnerUI {
 public:
  // The window the engine draws into and takes input from.
  virtual HWND TextHostWindow() const = 0;
  // The window's device context (valid as long as the window).
  virtual HDC TextHostDC() const = 0;
  // Part of the text area changed (null: all of it).
  virtual void TextHostInvalidate(const RECT* rc) = 0;
  // The engine's scroll state of bar SB_VERT or SB_HORZ may have changed.
  virtual void TextHostScrollChanged(int bar) = 0;
  virtual void TextHostShowScrollBar(int bar, bool show) = 0;
  virtual void TextHostEnableScrollBar(int bar, bool enable) = 0;
  // The caret moved, changed size or was shown or hidden.
  virtual void TextHostCaretChanged(const RECT& oldCaret) = 0;
  virtual bool TextHostSetTimer(UINT id, UINT elapse) = 0;
  virtual void TextHostKillTimer(UINT id) = 0;
  virtual void TextHostSetFocus() = 0;

 protected:
  ~ITextHostOwnerUI() = default;
};

}  // namespace DuiLib

#pragma once

#include <windows.h>

#include <string>

#include "duilib/core/CNotifyPump.h"
#include "duilib/core/CWindowHostUI.h"
#include "duilib/core/CWindowWnd.h"
#include "duilib/core/IDialogBuilderCallback.h"
#include "duilib/core/IMessageFilterUI.h"
#include "duilib/core/INotifyUI.h"

namespace DuiLib {

// Where OnCreate takes the skin from.
enum class SkinSource : int {
  File = 1,         // the skin file through the toolkit's resource access
  ZipFile = 2,      // a zip named by SkinArchiveName, below the resource path
  Resource = 3,     // SkinFile spells a resource number of type "xml"
  ZipResource = 4,  // a zip in resource "ZIPRES" SkinResourceId
};

// A skinned window: its content is a control tree built from a skin file
// when the native window is created, and its messages go through a routing
// table (MessageRoute.h, the table in HandleWindowMessage) to overridable
// handlers, then to OnOtherMessage, then to its host, then to the previous
// window procedure. Each handler gets a `handled` flag that starts true;
// clearing it passes the message on. A derived window may declare a table of
// its own in its HandleWindowMessage and hand what it leaves to PassToHost.
//
// The object owns its host (and through it the control tree) and is owned by
// whoever created it; the window never deletes it. UI thread only.
class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
 public:
  WindowImplBase() = default;
  ~WindowImplBase() override = default;

  CWindowHostUI& Host() { return host_; }

  // INotifyUI: the default hands the record to the notification maps.
  void OnNotify(NotificationUI& msg) override;
  // IMessageFilterUI: Enter and Escape key-downs go to OnDefaultKey; the
  // message is never consumed, so the focused control still gets the key.
  LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  // IDialogBuilderCallback: no custom controls.
  CControlUI* CreateControl(const wchar_t* name) override;

 protected:
  UINT ClassStyle() const override { return CS_DBLCLKS; }
  LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The host's message handler, and the previous window procedure for what
  // the host does not take.
  LRESULT PassToHost(UINT message, WPARAM wParam, LPARAM lParam);
  // Detaches the window from its host and releases the control tree.
  void OnWindowDestroyed(HWND window) override;

  virtual void OnSkinLoaded() {}
  // "closebtn" closes with code 1; "minbtn", "maxbtn", "restorebtn" send the
  // matching system command.
  virtual void OnClickNotification(NotificationUI& msg);
  virtual std::wstring SkinFolder() = 0;
  virtual std::wstring SkinFile() = 0;
  // Escape closes with code 1 (result 1); anything else gives 0.
  virtual LRESULT OnDefaultKey(WPARAM key);
  virtual SkinSource SkinSourceKind() { return SkinSource::File; }
  virtual std::wstring SkinArchiveName() { return L""; }
  virtual std::wstring SkinResourceId() { return L""; }

  virtual LRESULT OnClose(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnNcActivate(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnNcCalcSize(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnNcPaint(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // Size-box margins, then the caption band: a control there that
  // DragsWindow answers HTCAPTION.
  virtual LRESULT OnNcHitTest(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // Whether a press on `control` in the caption band drags the window: for
  // anything but buttons, options and text controls (class names compared
  // without regard to case).
  virtual bool DragsWindow(const CControlUI& control);
  virtual LRESULT OnGetMinMaxInfo(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnMouseWheel(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnMouseHover(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnSize(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnChar(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // Builds the skin. A skin that cannot be built ends the process (exit
  // code 1) after telling the user; a missing "ZIPRES" resource leaves the
  // window without a skin.
  virtual LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnKeyDown(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnKillFocus(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnSetFocus(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnLButtonDown(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LONG StyleWithoutCaption();

  const TNotifyMapUI* NotifyMap() const override;

  CWindowHostUI host_;

 private:
  // The skin's zip from a "ZIPRES" resource, installed as the package; false
  // when the resource is missing or empty.
  bool InstallSkinResource();
  [[noreturn]] void FailSkin();
};

}  // namespace DuiLib

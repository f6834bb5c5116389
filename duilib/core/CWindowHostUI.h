#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "duilib/core/ControlEventUI.h"
#include "duilib/core/IMessageFilterUI.h"
#include "duilib/core/INotifyUI.h"
#include "duilib/core/NotificationUI.h"
#include "duilib/core/TFontInfo.h"
#include "duilib/core/TImageInfo.h"

namespace DuiLib {

class CControlUI;
class CTimerTableUI;
class CNotificationQueueUI;

// The per-window host of the toolkit (the window's paint manager). It owns
// the window's control tree once a root is attached, lays the tree out,
// keeps the focus and the tab order, and delivers notifications; its parts
// do the rest: input and capture (CHostInputUI), painting through the
// offscreen bitmap (CHostPainterUI), the tooltip (CHostToolTipUI), message
// filters (CMessageFilterListUI), fonts, images, default lists and colours
// (CHostResourcesUI), control timers (CTimerTableUI), the notification queue
// (CNotificationQueueUI) and the process-wide host list (CHostListUI).
//
// UI thread only: other threads reach a window only by posting messages.
// Destroying the host deletes its root and every control waiting for
// deletion; it does not destroy the native window.
class CWindowHostUI {
 public:
  CWindowHostUI();
  ~CWindowHostUI();
  CWindowHostUI(const CWindowHostUI&) = delete;
  CWindowHostUI& operator=(const CWindowHostUI&) = delete;

  // ---- Window and painting ------------------------------------------------
  // Takes the window and its device context, stops and forgets every control
  // timer of an earlier window, and adds the host to the program-wide list
  // used by PreTranslate.
  void Init(HWND window);
  HWND GetPaintWindow() const;
  // The window's device context; null before Init. Fonts' metrics are filled
  // through it.
  HDC GetPaintDC() const;
  // Invalidates `rc` in the window (nothing before Init).
  void Invalidate(const RECT& rc);
  // Asks for a layout pass on the next WM_PAINT (a control changed).
  void NeedUpdate();
  bool IsUpdateNeeded() const;

  // Takes ownership of `root` (deleting the previous tree), connects the
  // tree to this host (names registered, controls initialised) and marks the
  // first layout, so that "windowinit" follows the next layout. Returns
  // false for a null root.
  bool AttachDialog(CControlUI* root);
  // Connects `control` and its subtree to this host under `parent`.
  bool InitControls(CControlUI* control, CControlUI* parent = nullptr);
  // Forgets everything that refers to `control` (focus, hover, capture,
  // timers, name, queued notifications); called by a control's destructor.
  void ReapObjects(CControlUI* control);
  CControlUI* GetRoot() const;
  // Deletes the root and the controls waiting for deletion.
  void ReleaseControls();
  // Takes ownership of a control that is deleted after the next flush of the
  // queued notifications (or by ReleaseControls), so that a control may ask
  // for its own removal from inside its event handling.
  void AddDelayedCleanup(CControlUI* control);
  // The window is being destroyed: stops its timers, destroys the tooltip,
  // gives back the window's device context, drops the offscreen bitmap and
  // leaves the program-wide host list. The controls stay until
  // ReleaseControls or the destructor.
  void Uninit();

  CControlUI* FindControl(POINT pt) const;  // topmost visible control at a client point
  CControlUI* FindControl(const std::wstring& name) const;

  // ---- Window attributes set by the skin --------------------------------
  SIZE GetInitSize() const;
  // Stores the size; with a window and no root yet, resizes the window at once
  // (no move, no z-order change, no activation).
  void SetInitSize(int cx, int cy);
  RECT GetSizeBox() const;
  void SetSizeBox(const RECT& rc);
  RECT GetCaptionRect() const;
  void SetCaptionRect(const RECT& rc);
  SIZE GetRoundCorner() const;
  void SetRoundCorner(int cx, int cy);
  SIZE GetMinInfo() const;
  void SetMinInfo(int cx, int cy);
  SIZE GetMaxInfo() const;
  void SetMaxInfo(int cx, int cy);
  void SetShowUpdateRect(bool show);
  void SetNoActivate(bool noActivate);
  bool IsNoActivate() const;
  BYTE GetOpacity() const;
  void SetOpacity(BYTE opacity);
  // A custom window attribute is stored only when name and value are
  // non-empty and the name is not stored yet (the first value wins).
  void AddWindowCustomAttribute(const std::wstring& name, const std::wstring& value);
  const wchar_t* GetWindowCustomAttribute(const std::wstring& name) const;

  // ---- Default colours (0xAARRGGBB) ---------------------------------------
  DWORD GetDefaultDisabledColor() const;
  void SetDefaultDisabledColor(DWORD color);
  DWORD GetDefaultFontColor() const;
  void SetDefaultFontColor(DWORD color);
  DWORD GetDefaultLinkFontColor() const;
  void SetDefaultLinkFontColor(DWORD color);
  DWORD GetDefaultLinkHoverFontColor() const;
  void SetDefaultLinkHoverFontColor(DWORD color);
  DWORD GetDefaultSelectedBkColor() const;
  void SetDefaultSelectedBkColor(DWORD color);

  // ---- Fonts -------------------------------------------------------------
  // Registers font `id` in this window's table, or the shared one when
  // `shared`. With `isDefault` a second font made from the
  // same parameters becomes the default font of that scope. Null when not
  // registered.
  TFontInfo* AddFont(int id, const std::wstring& face, int size, bool bold, bool underline, bool italic, bool isDefault,
                     bool shared);
  // Index >= 0: this window's table, then the shared one; otherwise or when
  // absent, the default font (this window's when it has a face, else the
  // process default). Metrics are filled on first use. Never null.
  TFontInfo* GetFontInfo(int index);
  HFONT GetFont(int index);
  TFontInfo* GetDefaultFontInfo();

  // ---- Default attribute lists -------------------------------------------
  void AddDefaultAttributeList(const std::wstring& className, const std::wstring& list, bool shared);
  // This window's list first, then the shared one; null when absent.
  const wchar_t* GetDefaultAttributeList(const std::wstring& className) const;

  // ---- Images ------------------------------------------------------------
  // This window's cache, then the shared one; null when absent.
  const TImageInfo* GetImage(const std::wstring& name) const;
  // The cached record, or loaded and registered in this window's cache.
  const TImageInfo* GetImageEx(const std::wstring& name, const std::wstring& resType = L"", DWORD mask = 0,
                               bool hsl = false);
  const TImageInfo* AddImage(const std::wstring& name, const std::wstring& resType, DWORD mask, bool hsl, bool shared);

  // ---- Language strings (process-wide) -----------------------------------
  static void AddMultiLanguageString(int id, const std::wstring& text);
  static const std::wstring* GetMultiLanguageString(int id);

  // ---- Focus, mouse and timers -------------------------------------------
  CControlUI* GetFocus() const;
  // Moves the focus: the old control gets kill-focus and "killfocus", a new
  // one that belongs here, is visible and enabled gets set-focus and
  // "setfocus". Null clears the focus.
  void SetFocus(CControlUI* control);
  void SetFocusNeeded(CControlUI* control);
  bool SetNextTabControl(bool forward = true);
  // Controls that wait for a mouse-leave although the point is still inside.
  void AddMouseLeaveNeeded(CControlUI* control);
  void RemoveMouseLeaveNeeded(CControlUI* control);
  POINT GetMousePos() const;

  // Control timers: see the comment in the implementation for the identifiers.
  bool SetTimer(CControlUI* control, UINT timerId, UINT elapse);
  bool KillTimer(CControlUI* control, UINT timerId);
  void KillTimer(CControlUI* control);  // removes every timer of the control
  void RemoveAllTimers();

  // ---- Notifications -----------------------------------------------------
  bool AddNotifier(INotifyUI* notifier);
  bool RemoveNotifier(INotifyUI* notifier);
  // Synchronous: the sender's OnNotify listeners, then every sink in order.
  // Asynchronous: queued and delivered on WM_APP + 1; without `allowRepeat`
  // a queued record of the same sender and type is updated instead.
  void SendNotify(CControlUI* sender, const wchar_t* type, WPARAM wParam = 0, LPARAM lParam = 0, bool async = false,
                  bool allowRepeat = true);
  void SendNotify(NotificationUI& msg, bool async = false, bool allowRepeat = true);

  // ---- Message filters ---------------------------------------------------
  bool AddPreMessageFilter(IMessageFilterUI* filter);
  bool RemovePreMessageFilter(IMessageFilterUI* filter);
  bool AddMessageFilter(IMessageFilterUI* filter);
  bool RemoveMessageFilter(IMessageFilterUI* filter);

  // ---- Messages ----------------------------------------------------------
  // The window's messages that its own routing leaves; true when taken, with
  // `result` set.
  bool MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Pre-translation of a queued message for this host's window.
  bool PreMessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool TranslateAccelerator(MSG* msg);
  // The program-wide pre-translation of the message loops.
  static bool TranslateMessage(const MSG* msg);
  // Every initialised host, in order of initialisation.
  static const std::vector<CWindowHostUI*>& GetHosts();

  // The host's timer table and notification queue (read by tests).
  const CTimerTableUI& GetTimerTable() const;
  const CNotificationQueueUI& GetNotificationQueue() const;

  // Pixels copied to the screen by WM_PAINT since the host was initialised
  // (for measuring what a change repaints).
  unsigned long long GetPaintedPixelCount() const;

 private:
  struct Impl;
  void Deliver(NotificationUI& msg);
  // The queued notifications in order, then the controls waiting for deletion.
  void FlushNotifications();

  // The handlers of MessageHandler and PreMessageHandler that are the host's
  // own (input, painting and the tooltip have parts of their own: Impl).
  void OnPaint();
  // The root, or every control that asked for layout, over `client`.
  void LayOut(const RECT& client);
  void OnResize(UINT kind, UINT width, UINT height);
  void OnTimer(UINT_PTR timerId, LPARAM lParam);
  void OnGetMinMaxInfo(MINMAXINFO* info);
  void OnClose();
  // Tab moves the focus (Shift: backwards) unless a rich edit keeps it.
  bool OnTabKey();
  // Alt + `key`: the enabled control with that shortcut is focused and activated.
  bool OnShortcut(wchar_t key);

  std::unique_ptr<Impl> impl_;
};

}  // namespace DuiLib

#include "duilib/core/CWindowHostUI.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <utility>

#include "base/MessagePoint.h"
#include "base/WindowDC.h"
#include "duilib/control/CControlUI.h"
#include "duilib/core/CHostInputUI.h"
#include "duilib/core/CHostListUI.h"
#include "duilib/core/CHostPainterUI.h"
#include "duilib/core/CHostResourcesUI.h"
#include "duilib/core/CHostToolTipUI.h"
#include "duilib/core/CMessageFilterListUI.h"
#include "duilib/core/CNotificationQueueUI.h"
#include "duilib/core/CTimerTableUI.h"
#include "duilib/layout/CContainerUI.h"

namespace DuiLib {

namespace {

using NameMap = std::map<std::wstring, CControlUI*>;

// Registers each named control of a subtree; the first control of a name wins.
CControlUI* RegisterName(CControlUI* control, void* data) {
  const std::wstring& name = control->GetName();
  if (!name.empty()) static_cast<NameMap*>(data)->emplace(name, control);
  return nullptr;
}

struct NameSearch {
  const std::wstring* name;
};

CControlUI* MatchName(CControlUI* control, void* data) {
  return control->GetName() == *static_cast<NameSearch*>(data)->name ? control : nullptr;
}

CControlUI* MatchPoint(CControlUI* control, void* data) {
  return ::PtInRect(&control->GetPos(), *static_cast<POINT*>(data)) ? control : nullptr;
}

CControlUI* CollectTabStop(CControlUI* control, void* data) {
  if ((control->GetControlFlags() & UIFLAG_TABSTOP) != 0 && control->IsKeyboardEnabled()) {
    static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
  }
  return nullptr;
}

// Collects a control that asked for layout and answers it, so that the search
// skips its subtree: laying the control out places its children too.
CControlUI* CollectUpdateNeeded(CControlUI* control, void* data) {
  if (!control->IsUpdateNeeded()) return nullptr;
  auto* dirty = static_cast<std::vector<CControlUI*>*>(data);
  if (dirty->empty() || dirty->back() != control) dirty->push_back(control);
  return control;
}

struct ShortcutSearch {
  wchar_t key;
};

CControlUI* MatchShortcut(CControlUI* control, void* data) {
  if (!control->IsVisible() || !control->IsEnabled()) return nullptr;
  return control->GetShortcut() == static_cast<ShortcutSearch*>(data)->key ? control : nullptr;
}

bool Taken(LRESULT& result, LRESULT value) {
  result = value;
  return true;
}

}  // namespace

// What the host is made of: the window and the control tree it keeps here;
// input, painting, the tooltip, filters, resources, timers and the
// notification queue each in a part of its own.
struct CWindowHostUI::Impl {
  explicit Impl(CWindowHostUI& host) : input(host, toolTip) {}

  HWND window = nullptr;
  std::unique_ptr<WindowDC> paintDC;

  std::unique_ptr<CControlUI> root;
  CControlUI* focus = nullptr;
  CControlUI* focusWanted = nullptr;

  CHostToolTipUI toolTip;
  CHostInputUI input;
  CHostPainterUI painter;
  CHostResourcesUI resources;

  SIZE initSize = {0, 0};
  SIZE minInfo = {0, 0};
  SIZE maxInfo = {0, 0};
  RECT sizeBox = {0, 0, 0, 0};
  RECT caption = {0, 0, 0, 0};
  SIZE roundCorner = {0, 0};
  BYTE opacity = 255;
  bool noActivate = false;

  bool firstLayout = true;
  bool updateNeeded = false;
  bool focusNeeded = false;

  std::vector<INotifyUI*> notifiers;
  CMessageFilterListUI preFilters;
  CMessageFilterListUI filters;
  std::vector<std::unique_ptr<CControlUI>> delayedCleanup;
  CTimerTableUI timers;
  CNotificationQueueUI queue;
  NameMap names;

  HDC MetricsDC() const { return paintDC ? paintDC->Get() : nullptr; }
};

CWindowHostUI::CWindowHostUI() : impl_(std::make_unique<Impl>(*this)) {}

CWindowHostUI::~CWindowHostUI() {
  ReleaseControls();
  Uninit();
}

// ---- Window and control tree -------------------------------------------------

void CWindowHostUI::Init(HWND window) {
  impl_->timers.RemoveAll();
  impl_->window = window;
  impl_->paintDC = std::make_unique<WindowDC>(window);
  impl_->painter.DropOffscreen();
  impl_->resources.RefreshFontMetrics(impl_->MetricsDC());
  CHostListUI::Add(this);
}

void CWindowHostUI::Uninit() {
  impl_->timers.RemoveAll();
  impl_->toolTip.Destroy();
  impl_->painter.DropOffscreen();
  impl_->paintDC.reset();
  impl_->window = nullptr;
  impl_->input.Detach();
  CHostListUI::Remove(this);
}

const std::vector<CWindowHostUI*>& CWindowHostUI::GetHosts() {
  return CHostListUI::All();
}

HWND CWindowHostUI::GetPaintWindow() const {
  return impl_->window;
}

HDC CWindowHostUI::GetPaintDC() const {
  return impl_->MetricsDC();
}

void CWindowHostUI::Invalidate(const RECT& rc) {
  if (impl_->window) ::InvalidateRect(impl_->window, &rc, FALSE);
}

void CWindowHostUI::NeedUpdate() {
  impl_->updateNeeded = true;
}

bool CWindowHostUI::IsUpdateNeeded() const {
  return impl_->updateNeeded;
}

bool CWindowHostUI::AttachDialog(CControlUI* root) {
  if (!root) return false;
  // The old tree goes first: its controls reap themselves from this host.
  ReleaseControls();
  impl_->focus = impl_->focusWanted = nullptr;
  impl_->input.ForgetControls();
  impl_->toolTip.Forget(nullptr);
  impl_->root.reset(root);
  impl_->names.clear();
  impl_->updateNeeded = true;
  impl_->firstLayout = true;
  impl_->painter.DropOffscreen();
  return InitControls(root, nullptr);
}

bool CWindowHostUI::InitControls(CControlUI* control, CControlUI* parent) {
  if (!control) return false;
  control->SetManager(this, parent ? parent : control->GetParent(), true);
  control->FindControl(RegisterName, &impl_->names, UIFIND_ALL);
  return true;
}

void CWindowHostUI::ReapObjects(CControlUI* control) {
  if (!control) return;
  Impl& d = *impl_;
  if (d.focus == control) d.focus = nullptr;
  if (d.focusWanted == control) d.focusWanted = nullptr;
  d.input.Forget(control);
  d.toolTip.Forget(control);
  d.timers.RemoveControl(control);
  d.queue.Forget(control);
  for (auto it = d.names.begin(); it != d.names.end();) {
    it = it->second == control ? d.names.erase(it) : std::next(it);
  }
}

CControlUI* CWindowHostUI::GetRoot() const {
  return impl_->root.get();
}

void CWindowHostUI::ReleaseControls() {
  // Reset first, so that reaping during the deletion never sees a half-deleted root.
  impl_->root.reset();
  impl_->delayedCleanup.clear();
  impl_->names.clear();
}

void CWindowHostUI::AddDelayedCleanup(CControlUI* control) {
  if (!control) return;
  control->SetManager(this, nullptr, false);
  impl_->delayedCleanup.emplace_back(control);
  // The flush of the queue deletes the controls waiting for deletion.
  if (impl_->window && impl_->queue.RequestFlush() && !::PostMessageW(impl_->window, WM_APP_ASYNC_NOTIFY, 0, 0)) {
    impl_->queue.CancelPending();
  }
}

CControlUI* CWindowHostUI::FindControl(POINT pt) const {
  if (!impl_->root) return nullptr;
  return impl_->root->FindControl(MatchPoint, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CWindowHostUI::FindControl(const std::wstring& name) const {
  auto it = impl_->names.find(name);
  // A control renamed after it was connected is not in the map under its new
  // name; the tree itself is the final word.
  if (it != impl_->names.end() && it->second->GetName() == name) return it->second;
  if (!impl_->root || name.empty()) return nullptr;
  NameSearch search{&name};
  return impl_->root->FindControl(MatchName, &search, UIFIND_ALL);
}

// ---- Window attributes -------------------------------------------------------

SIZE CWindowHostUI::GetInitSize() const {
  return impl_->initSize;
}

void CWindowHostUI::SetInitSize(int cx, int cy) {
  impl_->initSize = SIZE{cx, cy};
  if (!impl_->root && impl_->window) {
    ::SetWindowPos(impl_->window, nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  }
}

RECT CWindowHostUI::GetSizeBox() const {
  return impl_->sizeBox;
}
void CWindowHostUI::SetSizeBox(const RECT& rc) {
  impl_->sizeBox = rc;
}
RECT CWindowHostUI::GetCaptionRect() const {
  return impl_->caption;
}
void CWindowHostUI::SetCaptionRect(const RECT& rc) {
  impl_->caption = rc;
}
SIZE CWindowHostUI::GetRoundCorner() const {
  return impl_->roundCorner;
}
void CWindowHostUI::SetRoundCorner(int cx, int cy) {
  impl_->roundCorner = SIZE{cx, cy};
}
SIZE CWindowHostUI::GetMinInfo() const {
  return impl_->minInfo;
}
void CWindowHostUI::SetMinInfo(int cx, int cy) {
  impl_->minInfo = SIZE{cx, cy};
}
SIZE CWindowHostUI::GetMaxInfo() const {
  return impl_->maxInfo;
}
void CWindowHostUI::SetMaxInfo(int cx, int cy) {
  impl_->maxInfo = SIZE{cx, cy};
}
void CWindowHostUI::SetShowUpdateRect(bool show) {
  impl_->painter.SetShowUpdateRect(show);
}
void CWindowHostUI::SetNoActivate(bool noActivate) {
  impl_->noActivate = noActivate;
}
bool CWindowHostUI::IsNoActivate() const {
  return impl_->noActivate;
}
BYTE CWindowHostUI::GetOpacity() const {
  return impl_->opacity;
}

void CWindowHostUI::SetOpacity(BYTE opacity) {
  impl_->opacity = opacity;
  if (!impl_->window) return;
  const LONG exStyle = ::GetWindowLongW(impl_->window, GWL_EXSTYLE);
  if (opacity == 255 && (exStyle & WS_EX_LAYERED) == 0) return;
  ::SetWindowLongW(impl_->window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  ::SetLayeredWindowAttributes(impl_->window, 0, opacity, LWA_ALPHA);
}

void CWindowHostUI::AddWindowCustomAttribute(const std::wstring& name, const std::wstring& value) {
  impl_->resources.AddCustomAttribute(name, value);
}

const wchar_t* CWindowHostUI::GetWindowCustomAttribute(const std::wstring& name) const {
  return impl_->resources.GetCustomAttribute(name);
}

// ---- Resources -----------------------------------------------------------------

DWORD CWindowHostUI::GetDefaultDisabledColor() const {
  return impl_->resources.DefaultColors().disabled;
}
void CWindowHostUI::SetDefaultDisabledColor(DWORD color) {
  impl_->resources.DefaultColors().disabled = color;
}
DWORD CWindowHostUI::GetDefaultFontColor() const {
  return impl_->resources.DefaultColors().font;
}
void CWindowHostUI::SetDefaultFontColor(DWORD color) {
  impl_->resources.DefaultColors().font = color;
}
DWORD CWindowHostUI::GetDefaultLinkFontColor() const {
  return impl_->resources.DefaultColors().link;
}
void CWindowHostUI::SetDefaultLinkFontColor(DWORD color) {
  impl_->resources.DefaultColors().link = color;
}
DWORD CWindowHostUI::GetDefaultLinkHoverFontColor() const {
  return impl_->resources.DefaultColors().linkHover;
}
void CWindowHostUI::SetDefaultLinkHoverFontColor(DWORD color) {
  impl_->resources.DefaultColors().linkHover = color;
}
DWORD CWindowHostUI::GetDefaultSelectedBkColor() const {
  return impl_->resources.DefaultColors().selected;
}
void CWindowHostUI::SetDefaultSelectedBkColor(DWORD color) {
  impl_->resources.DefaultColors().selected = color;
}

TFontInfo* CWindowHostUI::AddFont(int id, const std::wstring& face, int size, bool bold, bool underline, bool italic,
                                  bool isDefault, bool shared) {
  return impl_->resources.AddFont(id, face, size, bold, underline, italic, isDefault, shared, impl_->MetricsDC());
}

TFontInfo* CWindowHostUI::GetFontInfo(int index) {
  return impl_->resources.GetFontInfo(index, impl_->MetricsDC());
}

HFONT CWindowHostUI::GetFont(int index) {
  return GetFontInfo(index)->font.Get();
}

TFontInfo* CWindowHostUI::GetDefaultFontInfo() {
  return impl_->resources.GetDefaultFontInfo(impl_->MetricsDC());
}

void CWindowHostUI::AddDefaultAttributeList(const std::wstring& className, const std::wstring& list, bool shared) {
  impl_->resources.AddDefaultAttributeList(className, list, shared);
}

const wchar_t* CWindowHostUI::GetDefaultAttributeList(const std::wstring& className) const {
  return impl_->resources.GetDefaultAttributeList(className);
}

const TImageInfo* CWindowHostUI::GetImage(const std::wstring& name) const {
  return impl_->resources.GetImage(name);
}

const TImageInfo* CWindowHostUI::GetImageEx(const std::wstring& name, const std::wstring& resType, DWORD mask,
                                            bool hsl) {
  const TImageInfo* info = GetImage(name);
  return info ? info : AddImage(name, resType, mask, hsl, false);
}

const TImageInfo* CWindowHostUI::AddImage(const std::wstring& name, const std::wstring& resType, DWORD mask, bool hsl,
                                          bool shared) {
  return impl_->resources.AddImage(name, resType, mask, hsl, shared);
}

void CWindowHostUI::AddMultiLanguageString(int id, const std::wstring& text) {
  CHostResourcesUI::AddLanguageString(id, text);
}

const std::wstring* CWindowHostUI::GetMultiLanguageString(int id) {
  return CHostResourcesUI::GetLanguageString(id);
}

// ---- Focus, tab order and timers -------------------------------------------------

CControlUI* CWindowHostUI::GetFocus() const {
  return impl_->focus;
}

void CWindowHostUI::SetFocus(CControlUI* control) {
  Impl& d = *impl_;
  if (control == d.focus) return;
  if (d.focus) {
    CControlUI* old = d.focus;
    d.focus = nullptr;
    ControlEventUI event;
    event.type = UIEVENT_KILLFOCUS;
    event.sender = control;
    event.timestamp = ::GetTickCount();
    old->Event(event);
    SendNotify(old, L"killfocus");
  }
  if (control && control->GetManager() == this && control->IsVisible() && control->IsEnabled()) {
    d.focus = control;
    ControlEventUI event;
    event.type = UIEVENT_SETFOCUS;
    event.sender = control;
    event.timestamp = ::GetTickCount();
    control->Event(event);
    SendNotify(control, L"setfocus");
  }
}

void CWindowHostUI::SetFocusNeeded(CControlUI* control) {
  impl_->focusWanted = control;
  impl_->focusNeeded = true;
  if (impl_->root) impl_->root->NeedUpdate();
}

bool CWindowHostUI::SetNextTabControl(bool forward) {
  if (!impl_->root) return false;
  std::vector<CControlUI*> stops;
  impl_->root->FindControl(CollectTabStop, &stops, UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST);
  if (stops.empty()) {
    SetFocus(nullptr);
    return true;
  }
  auto it = std::find(stops.begin(), stops.end(), impl_->focus);
  CControlUI* next = nullptr;
  if (it == stops.end()) {
    next = forward ? stops.front() : stops.back();
  } else if (forward) {
    next = (it + 1 == stops.end()) ? stops.front() : *(it + 1);
  } else {
    next = (it == stops.begin()) ? stops.back() : *(it - 1);
  }
  SetFocus(next);
  return true;
}

void CWindowHostUI::AddMouseLeaveNeeded(CControlUI* control) {
  impl_->input.AddMouseLeaveNeeded(control);
}

void CWindowHostUI::RemoveMouseLeaveNeeded(CControlUI* control) {
  impl_->input.RemoveMouseLeaveNeeded(control);
}

POINT CWindowHostUI::GetMousePos() const {
  return impl_->input.LastMouse();
}

bool CWindowHostUI::SetTimer(CControlUI* control, UINT timerId, UINT elapse) {
  if (!control || !impl_->window) return false;
  return impl_->timers.Start(impl_->window, control, timerId, elapse);
}

bool CWindowHostUI::KillTimer(CControlUI* control, UINT timerId) {
  return impl_->timers.Stop(control, timerId);
}

void CWindowHostUI::KillTimer(CControlUI* control) {
  impl_->timers.RemoveControl(control);
}

void CWindowHostUI::RemoveAllTimers() {
  impl_->timers.RemoveAll();
}

const CTimerTableUI& CWindowHostUI::GetTimerTable() const {
  return impl_->timers;
}

const CNotificationQueueUI& CWindowHostUI::GetNotificationQueue() const {
  return impl_->queue;
}

// ---- Notifications -----------------------------------------------------------------

bool CWindowHostUI::AddNotifier(INotifyUI* notifier) {
  auto& list = impl_->notifiers;
  if (!notifier || std::find(list.begin(), list.end(), notifier) != list.end()) return false;
  list.push_back(notifier);
  return true;
}

bool CWindowHostUI::RemoveNotifier(INotifyUI* notifier) {
  auto& list = impl_->notifiers;
  auto it = std::find(list.begin(), list.end(), notifier);
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}

void CWindowHostUI::SendNotify(CControlUI* sender, const wchar_t* type, WPARAM wParam, LPARAM lParam, bool async,
                               bool allowRepeat) {
  NotificationUI msg;
  msg.type = type ? type : L"";
  msg.sender = sender;
  msg.wParam = wParam;
  msg.lParam = lParam;
  SendNotify(msg, async, allowRepeat);
}

void CWindowHostUI::SendNotify(NotificationUI& msg, bool async, bool allowRepeat) {
  msg.mouse = impl_->input.LastMouse();
  msg.timestamp = ::GetTickCount();
  if (async) {
    if (impl_->queue.Enqueue(msg, allowRepeat) &&
        !(impl_->window && ::PostMessageW(impl_->window, WM_APP_ASYNC_NOTIFY, 0, 0))) {
      impl_->queue.CancelPending();
    }
    return;
  }
  Deliver(msg);
}

void CWindowHostUI::Deliver(NotificationUI& msg) {
  if (msg.sender) {
    // A listener may change the list (or end the window); index, never iterators.
    auto& listeners = msg.sender->OnNotify;
    for (size_t i = 0; i < listeners.size(); ++i) {
      auto listener = listeners[i];
      listener(msg);
    }
  }
  for (size_t i = 0; i < impl_->notifiers.size(); ++i) impl_->notifiers[i]->OnNotify(msg);
}

void CWindowHostUI::FlushNotifications() {
  impl_->queue.BeginFlush();
  NotificationUI msg;
  while (impl_->queue.PopFront(msg)) Deliver(msg);
  impl_->delayedCleanup.clear();
}

// ---- Message filters -----------------------------------------------------------------

bool CWindowHostUI::AddPreMessageFilter(IMessageFilterUI* filter) {
  return impl_->preFilters.Add(filter);
}
bool CWindowHostUI::RemovePreMessageFilter(IMessageFilterUI* filter) {
  return impl_->preFilters.Remove(filter);
}
bool CWindowHostUI::AddMessageFilter(IMessageFilterUI* filter) {
  return impl_->filters.Add(filter);
}
bool CWindowHostUI::RemoveMessageFilter(IMessageFilterUI* filter) {
  return impl_->filters.Remove(filter);
}

unsigned long long CWindowHostUI::GetPaintedPixelCount() const {
  return impl_->painter.PaintedPixels();
}

// ---- Messages ------------------------------------------------------------------------

bool CWindowHostUI::MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  Impl& d = *impl_;
  if (!d.window) return false;
  if (d.filters.Run(message, wParam, lParam, result)) return true;
  CHostInputUI& input = d.input;
  // Each message is decoded here and handled by a part that takes its
  // arguments; "not taken" lets the window's default procedure see it too.
  switch (message) {
    case WM_APP_ASYNC_NOTIFY:
      FlushNotifications();
      return Taken(result, 0);
    case WM_PAINT:
      OnPaint();
      return Taken(result, 0);
    case WM_ERASEBKGND:
      return Taken(result, 1);  // painting covers the whole update rectangle
    case WM_SIZE:
      OnResize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
      return Taken(result, 0);
    case WM_TIMER:
      OnTimer(static_cast<UINT_PTR>(wParam), lParam);
      return false;
    case WM_MOUSEMOVE:
      input.OnMouseMove(PointFromLParam(lParam), wParam, lParam);
      return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      input.OnButtonDown(PointFromLParam(lParam), message == WM_LBUTTONDBLCLK, wParam, lParam);
      return false;
    case WM_LBUTTONUP:
      input.OnButtonUp(PointFromLParam(lParam), wParam, lParam);
      return false;
    case WM_RBUTTONDOWN:
      input.OnRightButtonDown(PointFromLParam(lParam), wParam, lParam);
      return false;
    case WM_CONTEXTMENU:
      input.OnContextMenu(PointFromLParam(lParam), wParam, lParam);
      return false;
    case WM_MOUSEWHEEL:
      input.OnMouseWheel(PointFromLParam(lParam), static_cast<short>(HIWORD(wParam)), lParam);
      return false;
    case WM_MOUSEHOVER:
      return input.OnMouseHover(PointFromLParam(lParam), wParam, lParam) && Taken(result, 0);
    case WM_MOUSELEAVE:
      input.OnMouseLeave();
      return false;
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
      return false;
    case WM_KEYDOWN:
      input.OnKeyDown(wParam, lParam);
      return false;
    case WM_KEYUP:
      input.OnKeyUp(wParam, lParam);
      return false;
    case WM_CHAR:
      input.OnChar(wParam, lParam);
      return false;
    case WM_SETCURSOR:
      return input.OnSetCursor(LOWORD(lParam), wParam, lParam, result);
    case WM_MOUSEACTIVATE:
      return d.noActivate && Taken(result, MA_NOACTIVATE);
    case WM_CLOSE:
      OnClose();
      return false;
    default:
      return false;
  }
}

void CWindowHostUI::OnPaint() {
  Impl& d = *impl_;
  if (!d.root) {
    CHostPainterUI::PaintBlack(d.window);
    return;
  }
  RECT update;
  if (!::GetUpdateRect(d.window, &update, FALSE)) return;
  if (d.focusNeeded) {
    d.focusNeeded = false;
    CControlUI* wanted = std::exchange(d.focusWanted, nullptr);
    if (wanted) {
      SetFocus(wanted);
    } else if (!d.focus) {
      SetNextTabControl(true);
    }
  }
  RECT client;
  ::GetClientRect(d.window, &client);
  if (d.updateNeeded && !::IsRectEmpty(&client) && d.root) {
    d.updateNeeded = false;
    LayOut(client);
    if (d.firstLayout) {
      d.firstLayout = false;
      SendNotify(d.root.get(), L"windowinit", 0, 0, false);
      if (!d.root || d.window == nullptr) return;
    }
  }
  if (!d.painter.Paint(d.window, *d.root, client)) return;
  if (d.updateNeeded) ::InvalidateRect(d.window, nullptr, FALSE);
}

void CWindowHostUI::LayOut(const RECT& client) {
  Impl& d = *impl_;
  if (d.root->IsUpdateNeeded()) {
    d.painter.DropOffscreen();
    d.root->SetPos(client, true);
    return;
  }
  std::vector<CControlUI*> dirty;
  d.root->FindControl(CollectUpdateNeeded, &dirty, UIFIND_VISIBLE | UIFIND_ME_FIRST | UIFIND_UPDATETEST);
  for (CControlUI* control : dirty) {
    // A floating control's rectangle follows from its fixed values in its
    // parent, not from where it stood.
    CControlUI* parent = control->GetParent();
    auto* container = parent ? static_cast<CContainerUI*>(parent->GetInterface(L"Container")) : nullptr;
    if (control->IsFloat() && container) {
      control->Invalidate();
      container->SetFloatPos(container->GetItemIndex(control));
      control->Invalidate();
    } else {
      control->SetPos(control->GetPos(), true);
    }
  }
}

void CWindowHostUI::OnResize(UINT kind, UINT width, UINT height) {
  Impl& d = *impl_;
  // The focused control hears of it with the message's own parameters.
  if (d.focus) SendControlEvent(d.focus, UIEVENT_WINDOWSIZE, d.input.LastMouse(), kind, MAKELPARAM(width, height));
  if (d.root) d.root->NeedUpdate();
  d.updateNeeded = true;
}

void CWindowHostUI::OnTimer(UINT_PTR timerId, LPARAM lParam) {
  const CTimerTableUI::Record* record = impl_->timers.FindRunning(impl_->window, timerId);
  if (record) SendControlEvent(record->control, UIEVENT_TIMER, impl_->input.LastMouse(), record->localId, lParam);
}

void CWindowHostUI::OnGetMinMaxInfo(MINMAXINFO* info) {
  const Impl& d = *impl_;
  if (d.minInfo.cx > 0) info->ptMinTrackSize.x = d.minInfo.cx;
  if (d.minInfo.cy > 0) info->ptMinTrackSize.y = d.minInfo.cy;
  if (d.maxInfo.cx > 0) info->ptMaxTrackSize.x = d.maxInfo.cx;
  if (d.maxInfo.cy > 0) info->ptMaxTrackSize.y = d.maxInfo.cy;
}

void CWindowHostUI::OnClose() {
  Impl& d = *impl_;
  d.input.OnClose();
  SetFocus(nullptr);
  if (::GetActiveWindow() == d.window) {
    const bool child = (::GetWindowLongW(d.window, GWL_STYLE) & WS_CHILD) != 0;
    HWND next = child ? ::GetParent(d.window) : ::GetWindow(d.window, GW_OWNER);
    if (next) ::SetFocus(next);
  }
  d.toolTip.Destroy();
}

bool CWindowHostUI::PreMessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (impl_->preFilters.Run(message, wParam, lParam, result)) return true;
  switch (message) {
    case WM_KEYDOWN:
      return wParam == VK_TAB && OnTabKey();
    case WM_SYSKEYDOWN:
      if (impl_->focus) {
        SendControlEvent(impl_->focus, UIEVENT_SYSKEY, impl_->input.LastMouse(), wParam, lParam,
                         static_cast<wchar_t>(wParam));
      }
      return false;
    case WM_SYSCHAR:
      return OnShortcut(static_cast<wchar_t>(std::towupper(static_cast<wint_t>(wParam))));
    default:
      return false;
  }
}

bool CWindowHostUI::OnTabKey() {
  CControlUI* focus = impl_->focus;
  // A rich edit that takes Tab as text keeps it (it reports itself as a tab stop then).
  if (focus && focus->IsVisible() && focus->IsEnabled() && std::wcsstr(focus->GetClass(), L"RichEdit") &&
      (focus->GetControlFlags() & UIFLAG_TABSTOP) != 0) {
    return false;
  }
  SetNextTabControl(::GetKeyState(VK_SHIFT) >= 0);
  return true;
}

bool CWindowHostUI::OnShortcut(wchar_t key) {
  if (!impl_->root) return false;
  ShortcutSearch search{key};
  CControlUI* control =
      impl_->root->FindControl(MatchShortcut, &search, UIFIND_ENABLED | UIFIND_ME_FIRST | UIFIND_TOP_FIRST);
  if (!control) return false;
  control->SetFocus();
  control->Activate();
  return true;
}

// No accelerator tables in this toolkit's windows.
bool CWindowHostUI::TranslateAccelerator(MSG*) {
  return false;
}

bool CWindowHostUI::TranslateMessage(const MSG* msg) {
  return CHostListUI::Translate(msg);
}

}  // namespace DuiLib

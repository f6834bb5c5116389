#include "duilib/core/CWindowHostUI.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <utility>

#include "base/MessagePoint.h"
#include "base/PaintScope.h"
#include "base/SelectedObject.h"
#include "base/TopDownDib.h"
#include "base/WindowDC.h"
#include "duilib/control/CControlUI.h"
#include "duilib/core/CNotificationQueueUI.h"
#include "duilib/core/CResourceSettingsUI.h"
#include "duilib/core/CTimerTableUI.h"
#include "duilib/layout/CContainerUI.h"

namespace DuiLib {

namespace {

// The colours every new host starts with (0xAARRGGBB).
struct DefaultColors {
  DWORD disabled = 0xFFA7A6AA;
  DWORD font = 0xFF000000;
  DWORD link = 0xFF0000FF;
  DWORD linkHover = 0xFFD3215F;
  DWORD selected = 0xFFBAE4FF;
};

DefaultColors& SharedColors() {
  static DefaultColors colors;
  return colors;
}

std::map<std::wstring, std::wstring>& SharedAttributeLists() {
  static std::map<std::wstring, std::wstring> lists;
  return lists;
}

std::map<int, std::wstring>& LanguageStrings() {
  static std::map<int, std::wstring> strings;
  return strings;
}

std::vector<CWindowHostUI*>& HostList() {
  static std::vector<CWindowHostUI*> hosts;
  return hosts;
}

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

WORD KeyState() {
  WORD state = 0;
  if (::GetKeyState(VK_LBUTTON) < 0) state |= UIKEY_LBUTTON;
  if (::GetKeyState(VK_RBUTTON) < 0) state |= UIKEY_RBUTTON;
  if (::GetKeyState(VK_SHIFT) < 0) state |= UIKEY_SHIFT;
  if (::GetKeyState(VK_CONTROL) < 0) state |= UIKEY_CONTROL;
  if (::GetKeyState(VK_MENU) < 0) state |= UIKEY_ALT;
  return state;
}

}  // namespace

struct CWindowHostUI::Impl {
  HWND window = nullptr;
  std::unique_ptr<WindowDC> paintDC;
  UniqueDC offscreenDC;
  UniqueBitmap offscreenBitmap;
  SIZE offscreenSize = {0, 0};

  std::unique_ptr<CControlUI> root;
  CControlUI* focus = nullptr;
  CControlUI* hover = nullptr;
  CControlUI* pressed = nullptr;
  CControlUI* keyDown = nullptr;
  CControlUI* lastToolTip = nullptr;
  CControlUI* focusWanted = nullptr;

  HWND toolTip = nullptr;
  TOOLINFOW toolInfo = {};
  std::wstring toolTipText;
  POINT lastMouse = {-1, -1};
  int hoverTime = 1000;

  SIZE initSize = {0, 0};
  SIZE minInfo = {0, 0};
  SIZE maxInfo = {0, 0};
  RECT sizeBox = {0, 0, 0, 0};
  RECT caption = {0, 0, 0, 0};
  SIZE roundCorner = {0, 0};
  BYTE opacity = 255;
  bool showUpdateRect = false;
  bool noActivate = false;

  bool firstLayout = true;
  bool updateNeeded = false;
  bool focusNeeded = false;
  bool offscreenPaint = true;
  bool painting = false;
  bool mouseTracking = false;
  bool mouseCapture = false;

  std::vector<INotifyUI*> notifiers;
  std::vector<IMessageFilterUI*> preFilters;
  std::vector<IMessageFilterUI*> filters;
  std::vector<CControlUI*> mouseLeaveNeeded;
  std::vector<std::unique_ptr<CControlUI>> delayedCleanup;
  CTimerTableUI timers;
  CNotificationQueueUI queue;
  NameMap names;

  CFontTableUI fonts;
  CImageCacheUI images;
  std::map<std::wstring, std::wstring> attributeLists;
  std::map<std::wstring, std::wstring> customAttributes;
  DefaultColors colors = SharedColors();

  unsigned long long paintedPixels = 0;

  HDC MetricsDC() const { return paintDC ? paintDC->Get() : nullptr; }
};

CWindowHostUI::CWindowHostUI() : impl_(std::make_unique<Impl>()) {
  // The process default font is made together with the first host.
  CFontTableUI::Shared().Default();
}

CWindowHostUI::~CWindowHostUI() {
  ReleaseControls();
  Uninit();
}

// ---- Window and painting ---------------------------------------------------

void CWindowHostUI::Init(HWND window) {
  impl_->timers.RemoveAll();
  impl_->window = window;
  impl_->paintDC = std::make_unique<WindowDC>(window);
  impl_->offscreenBitmap.Reset();
  impl_->offscreenDC.Reset();
  impl_->fonts.RefreshMetrics(impl_->MetricsDC());
  auto& hosts = HostList();
  if (std::find(hosts.begin(), hosts.end(), this) == hosts.end()) hosts.push_back(this);
}

void CWindowHostUI::Uninit() {
  impl_->timers.RemoveAll();
  if (impl_->toolTip) {
    ::DestroyWindow(impl_->toolTip);
    impl_->toolTip = nullptr;
  }
  impl_->offscreenBitmap.Reset();
  impl_->offscreenDC.Reset();
  impl_->paintDC.reset();
  impl_->window = nullptr;
  impl_->mouseTracking = false;
  impl_->mouseCapture = false;
  auto& hosts = HostList();
  hosts.erase(std::remove(hosts.begin(), hosts.end(), this), hosts.end());
}

const std::vector<CWindowHostUI*>& CWindowHostUI::GetHosts() {
  return HostList();
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
  impl_->focus = impl_->hover = impl_->pressed = impl_->keyDown = impl_->lastToolTip = nullptr;
  impl_->focusWanted = nullptr;
  impl_->root.reset(root);
  impl_->names.clear();
  impl_->updateNeeded = true;
  impl_->firstLayout = true;
  impl_->offscreenBitmap.Reset();
  impl_->offscreenDC.Reset();
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
  if (d.hover == control) d.hover = nullptr;
  if (d.pressed == control) d.pressed = nullptr;
  if (d.keyDown == control) d.keyDown = nullptr;
  if (d.lastToolTip == control) d.lastToolTip = nullptr;
  if (d.focusWanted == control) d.focusWanted = nullptr;
  d.timers.RemoveControl(control);
  d.queue.Forget(control);
  d.mouseLeaveNeeded.erase(std::remove(d.mouseLeaveNeeded.begin(), d.mouseLeaveNeeded.end(), control),
                           d.mouseLeaveNeeded.end());
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
  impl_->showUpdateRect = show;
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
  if (name.empty() || value.empty()) return;
  impl_->customAttributes.emplace(name, value);
}

const wchar_t* CWindowHostUI::GetWindowCustomAttribute(const std::wstring& name) const {
  auto it = impl_->customAttributes.find(name);
  return it == impl_->customAttributes.end() ? nullptr : it->second.c_str();
}

// ---- Default colours ---------------------------------------------------------

DWORD CWindowHostUI::GetDefaultDisabledColor() const {
  return impl_->colors.disabled;
}
void CWindowHostUI::SetDefaultDisabledColor(DWORD color) {
  impl_->colors.disabled = color;
}
DWORD CWindowHostUI::GetDefaultFontColor() const {
  return impl_->colors.font;
}
void CWindowHostUI::SetDefaultFontColor(DWORD color) {
  impl_->colors.font = color;
}
DWORD CWindowHostUI::GetDefaultLinkFontColor() const {
  return impl_->colors.link;
}
void CWindowHostUI::SetDefaultLinkFontColor(DWORD color) {
  impl_->colors.link = color;
}
DWORD CWindowHostUI::GetDefaultLinkHoverFontColor() const {
  return impl_->colors.linkHover;
}
void CWindowHostUI::SetDefaultLinkHoverFontColor(DWORD color) {
  impl_->colors.linkHover = color;
}
DWORD CWindowHostUI::GetDefaultSelectedBkColor() const {
  return impl_->colors.selected;
}
void CWindowHostUI::SetDefaultSelectedBkColor(DWORD color) {
  impl_->colors.selected = color;
}

// ---- Fonts ---------------------------------------------------------------------

TFontInfo* CWindowHostUI::AddFont(int id, const std::wstring& face, int size, bool bold, bool underline, bool italic,
                                  bool isDefault, bool shared) {
  CFontTableUI& table = shared ? CFontTableUI::Shared() : impl_->fonts;
  TFontInfo* info = table.Add(id, face, size, bold, underline, italic, impl_->MetricsDC());
  if (info && isDefault) table.SetDefault(face, size, bold, underline, italic, impl_->MetricsDC());
  return info;
}

TFontInfo* CWindowHostUI::GetFontInfo(int index) {
  TFontInfo* info = nullptr;
  if (index >= 0) {
    info = impl_->fonts.Find(index);
    if (!info) info = CFontTableUI::Shared().Find(index);
  }
  if (!info) return GetDefaultFontInfo();
  if (!info->hasMetrics) {
    if (impl_->paintDC) {
      CFontTableUI::EnsureMetrics(info, impl_->paintDC->Get());
    } else {
      // Painting into a memory bitmap needs metrics before any window exists.
      WindowDC screen(nullptr);
      CFontTableUI::EnsureMetrics(info, screen.Get());
    }
  }
  return info;
}

HFONT CWindowHostUI::GetFont(int index) {
  return GetFontInfo(index)->hFont.Get();
}

TFontInfo* CWindowHostUI::GetDefaultFontInfo() {
  TFontInfo* info = impl_->fonts.Default();
  if (!info || info->sFontName.empty()) info = CFontTableUI::Shared().Default();
  if (info && !info->hasMetrics) {
    if (impl_->paintDC) {
      CFontTableUI::EnsureMetrics(info, impl_->paintDC->Get());
    } else {
      WindowDC screen(nullptr);
      CFontTableUI::EnsureMetrics(info, screen.Get());
    }
  }
  return info;
}

// ---- Default attribute lists ---------------------------------------------------

void CWindowHostUI::AddDefaultAttributeList(const std::wstring& className, const std::wstring& list, bool shared) {
  auto& table = shared ? SharedAttributeLists() : impl_->attributeLists;
  table[className] = list;
}

const wchar_t* CWindowHostUI::GetDefaultAttributeList(const std::wstring& className) const {
  auto it = impl_->attributeLists.find(className);
  if (it != impl_->attributeLists.end()) return it->second.c_str();
  auto& shared = SharedAttributeLists();
  auto sit = shared.find(className);
  return sit == shared.end() ? nullptr : sit->second.c_str();
}

// ---- Images --------------------------------------------------------------------

const TImageInfo* CWindowHostUI::GetImage(const std::wstring& name) const {
  const TImageInfo* info = impl_->images.Find(name);
  return info ? info : CImageCacheUI::Shared().Find(name);
}

const TImageInfo* CWindowHostUI::GetImageEx(const std::wstring& name, const std::wstring& resType, DWORD mask,
                                            bool hsl) {
  const TImageInfo* info = GetImage(name);
  return info ? info : AddImage(name, resType, mask, hsl, false);
}

const TImageInfo* CWindowHostUI::AddImage(const std::wstring& name, const std::wstring& resType, DWORD mask, bool hsl,
                                          bool shared) {
  if (name.empty()) return nullptr;
  CImageCacheUI& cache = shared ? CImageCacheUI::Shared() : impl_->images;
  return cache.Add(name, resType, mask, hsl);
}

// ---- Language strings ------------------------------------------------------------

void CWindowHostUI::AddMultiLanguageString(int id, const std::wstring& text) {
  if (id < 0) return;
  LanguageStrings()[id] = text;
}

const std::wstring* CWindowHostUI::GetMultiLanguageString(int id) {
  auto& strings = LanguageStrings();
  auto it = strings.find(id);
  return it == strings.end() ? nullptr : &it->second;
}

// ---- Focus and timers ------------------------------------------------------------

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
    event.Type = UIEVENT_KILLFOCUS;
    event.pSender = control;
    event.dwTimestamp = ::GetTickCount();
    old->Event(event);
    SendNotify(old, L"killfocus");
  }
  if (control && control->GetManager() == this && control->IsVisible() && control->IsEnabled()) {
    d.focus = control;
    ControlEventUI event;
    event.Type = UIEVENT_SETFOCUS;
    event.pSender = control;
    event.dwTimestamp = ::GetTickCount();
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
  auto& list = impl_->mouseLeaveNeeded;
  if (control && std::find(list.begin(), list.end(), control) == list.end()) list.push_back(control);
}

void CWindowHostUI::RemoveMouseLeaveNeeded(CControlUI* control) {
  auto& list = impl_->mouseLeaveNeeded;
  list.erase(std::remove(list.begin(), list.end(), control), list.end());
}

POINT CWindowHostUI::GetMousePos() const {
  return impl_->lastMouse;
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
  msg.sType = type ? type : L"";
  msg.pSender = sender;
  msg.wParam = wParam;
  msg.lParam = lParam;
  SendNotify(msg, async, allowRepeat);
}

void CWindowHostUI::SendNotify(NotificationUI& msg, bool async, bool allowRepeat) {
  msg.ptMouse = impl_->lastMouse;
  msg.dwTimestamp = ::GetTickCount();
  if (async) {
    if (impl_->queue.Enqueue(msg, allowRepeat) &&
        !(impl_->window && ::PostMessageW(impl_->window, WM_APP_ASYNC_NOTIFY, 0, 0))) {
      impl_->queue.CancelPending();
    }
    return;
  }
  Deliver(msg);
}

// ---- Message filters -----------------------------------------------------------------

namespace {

bool AddUnique(std::vector<IMessageFilterUI*>& list, IMessageFilterUI* filter) {
  if (!filter || std::find(list.begin(), list.end(), filter) != list.end()) return false;
  list.push_back(filter);
  return true;
}

bool RemoveOne(std::vector<IMessageFilterUI*>& list, IMessageFilterUI* filter) {
  auto it = std::find(list.begin(), list.end(), filter);
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}

}  // namespace

bool CWindowHostUI::AddPreMessageFilter(IMessageFilterUI* filter) {
  return AddUnique(impl_->preFilters, filter);
}
bool CWindowHostUI::RemovePreMessageFilter(IMessageFilterUI* filter) {
  return RemoveOne(impl_->preFilters, filter);
}
bool CWindowHostUI::AddMessageFilter(IMessageFilterUI* filter) {
  return AddUnique(impl_->filters, filter);
}
bool CWindowHostUI::RemoveMessageFilter(IMessageFilterUI* filter) {
  return RemoveOne(impl_->filters, filter);
}

unsigned long long CWindowHostUI::GetPaintedPixelCount() const {
  return impl_->paintedPixels;
}

// ---- Messages ------------------------------------------------------------------------

void CWindowHostUI::Deliver(NotificationUI& msg) {
  if (msg.pSender) {
    // A listener may change the list (or end the window); index, never iterators.
    auto& listeners = msg.pSender->OnNotify;
    for (size_t i = 0; i < listeners.size(); ++i) {
      auto listener = listeners[i];
      listener(msg);
    }
  }
  for (size_t i = 0; i < impl_->notifiers.size(); ++i) impl_->notifiers[i]->OnNotify(msg);
}

void CWindowHostUI::SendEvent(CControlUI* control, int type, POINT pt, WPARAM wParam, LPARAM lParam, wchar_t key) {
  if (!control) return;
  ControlEventUI event;
  event.Type = type;
  event.pSender = control;
  event.dwTimestamp = ::GetTickCount();
  event.ptMouse = pt;
  event.chKey = key;
  event.wKeyState = KeyState();
  event.wParam = wParam;
  event.lParam = lParam;
  control->Event(event);
}

void CWindowHostUI::HideToolTip() {
  if (impl_->toolTip)
    ::SendMessageW(impl_->toolTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&impl_->toolInfo));
}

bool CWindowHostUI::ShowToolTip(CControlUI* control, POINT pt) {
  Impl& d = *impl_;
  d.toolTipText = control->GetToolTip();
  if (d.toolTipText.empty()) return false;
  if (!d.toolTip) {
    // The tooltip class is registered by the common controls library; loading
    // it from the system directory is enough.
    static HMODULE comctl = ::LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    (void)comctl;
    d.toolTip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, d.window, nullptr,
                                  CResourceSettingsUI::GetInstance(), nullptr);
    if (!d.toolTip) return false;
    d.hoverTime = static_cast<int>(::SendMessageW(d.toolTip, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
    d.toolInfo = {};
    d.toolInfo.cbSize = TTTOOLINFOW_V2_SIZE;
    d.toolInfo.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    d.toolInfo.hwnd = d.window;
    d.toolInfo.uId = reinterpret_cast<UINT_PTR>(d.window);
    d.toolInfo.hinst = CResourceSettingsUI::GetInstance();
    d.toolInfo.lpszText = const_cast<wchar_t*>(d.toolTipText.c_str());
    d.toolInfo.rect = control->GetPos();
    ::SendMessageW(d.toolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&d.toolInfo));
  }
  d.toolInfo.lpszText = const_cast<wchar_t*>(d.toolTipText.c_str());
  d.toolInfo.rect = control->GetPos();
  ::SendMessageW(d.toolTip, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&d.toolInfo));
  ::SendMessageW(d.toolTip, TTM_SETMAXTIPWIDTH, 0, control->GetToolTipWidth());
  ::SendMessageW(d.toolTip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&d.toolInfo));
  // A popup is placed in screen co-ordinates.
  POINT screen = pt;
  ::ClientToScreen(d.window, &screen);
  ::SendMessageW(d.toolTip, TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x, screen.y));
  d.lastToolTip = control;
  return true;
}

namespace {

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

}  // namespace

void CWindowHostUI::Paint() {
  Impl& d = *impl_;
  if (!d.root) {
    PaintScope paint(d.window);
    RECT client;
    ::GetClientRect(d.window, &client);
    UniqueBrush black(::CreateSolidBrush(RGB(0, 0, 0)));
    if (paint.Get()) ::FillRect(paint.Get(), &client, black.Get());
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
    if (d.root->IsUpdateNeeded()) {
      d.offscreenBitmap.Reset();
      d.offscreenDC.Reset();
      d.root->SetPos(client, true);
    } else {
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
    if (d.firstLayout) {
      d.firstLayout = false;
      SendNotify(d.root.get(), L"windowinit", 0, 0, false);
      if (!d.root || d.window == nullptr) return;
    }
  }

  PaintScope paint(d.window);
  if (!paint.Get()) return;
  const RECT& rcPaint = paint.Rect();
  if (::IsRectEmpty(&rcPaint)) return;
  d.painting = true;
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (d.offscreenPaint && width > 0 && height > 0) {
    if (!d.offscreenDC || d.offscreenSize.cx != width || d.offscreenSize.cy != height) {
      d.offscreenBitmap.Reset();
      d.offscreenDC.Reset(::CreateCompatibleDC(paint.Get()));
      void* bits = nullptr;
      d.offscreenBitmap = CreateTopDownDib(paint.Get(), width, height, &bits);
      d.offscreenSize = SIZE{width, height};
      if (!d.offscreenBitmap) d.offscreenDC.Reset();
    }
  }
  if (d.offscreenPaint && d.offscreenDC) {
    SelectedObject bitmap(d.offscreenDC.Get(), d.offscreenBitmap.Get());
    d.root->Paint(d.offscreenDC.Get(), rcPaint, nullptr);
    ::BitBlt(paint.Get(), rcPaint.left, rcPaint.top, rcPaint.right - rcPaint.left, rcPaint.bottom - rcPaint.top,
             d.offscreenDC.Get(), rcPaint.left, rcPaint.top, SRCCOPY);
  } else if (d.root) {
    d.root->Paint(paint.Get(), rcPaint, nullptr);
  }
  d.paintedPixels += static_cast<unsigned long long>(rcPaint.right - rcPaint.left) * (rcPaint.bottom - rcPaint.top);
  if (d.showUpdateRect) {
    UniqueBrush red(::CreateSolidBrush(RGB(255, 0, 0)));
    ::FrameRect(paint.Get(), &rcPaint, red.Get());
  }
  d.painting = false;
  if (d.updateNeeded) ::InvalidateRect(d.window, nullptr, FALSE);
}

bool CWindowHostUI::MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  Impl& d = *impl_;
  if (!d.window) return false;
  for (size_t i = 0; i < d.filters.size(); ++i) {
    bool handled = false;
    const LRESULT answer = d.filters[i]->FilterMessage(message, wParam, lParam, handled);
    if (handled) {
      result = answer;
      return true;
    }
  }
  switch (message) {
    case WM_APP_ASYNC_NOTIFY: {
      d.queue.BeginFlush();
      NotificationUI msg;
      while (d.queue.PopFront(msg)) Deliver(msg);
      d.delayedCleanup.clear();
      result = 0;
      return true;
    }
    case WM_PAINT:
      Paint();
      result = 0;
      return true;
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_SIZE:
      if (d.focus) SendEvent(d.focus, UIEVENT_WINDOWSIZE, d.lastMouse, wParam, lParam);
      if (d.root) d.root->NeedUpdate();
      d.updateNeeded = true;
      result = 0;
      return true;
    case WM_TIMER: {
      const CTimerTableUI::Record* record = d.timers.FindRunning(d.window, wParam);
      if (record) SendEvent(record->control, UIEVENT_TIMER, d.lastMouse, record->localId, lParam);
      return false;
    }
    case WM_MOUSEMOVE: {
      if (!d.mouseTracking) {
        TRACKMOUSEEVENT track = {sizeof track, TME_HOVER | TME_LEAVE, d.window, static_cast<DWORD>(d.hoverTime)};
        ::TrackMouseEvent(&track);
        d.mouseTracking = true;
      }
      const POINT pt = PointFromLParam(lParam);
      d.lastMouse = pt;
      CControlUI* control = FindControl(pt);
      if (control && control->GetManager() != this) return false;
      if (!d.mouseCapture && control != d.hover) {
        if (d.hover) {
          CControlUI* old = std::exchange(d.hover, nullptr);
          SendEvent(old, UIEVENT_MOUSELEAVE, pt, wParam, lParam);
          std::vector<CControlUI*> waiting = d.mouseLeaveNeeded;
          for (CControlUI* other : waiting) {
            if (other != old && other != control &&
                std::find(d.mouseLeaveNeeded.begin(), d.mouseLeaveNeeded.end(), other) != d.mouseLeaveNeeded.end()) {
              SendEvent(other, UIEVENT_MOUSELEAVE, pt, wParam, lParam);
            }
          }
          HideToolTip();
        }
        // The leave handlers may have removed the control: look again.
        control = FindControl(pt);
        if (control && control->GetManager() == this) {
          d.hover = control;
          SendEvent(control, UIEVENT_MOUSEENTER, pt, wParam, lParam);
        }
      }
      if (d.pressed) {
        SendEvent(d.pressed, UIEVENT_MOUSEMOVE, pt, wParam, lParam);
      } else if (control && control == FindControl(pt)) {
        SendEvent(control, UIEVENT_MOUSEMOVE, pt, wParam, lParam);
      }
      return false;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (!d.noActivate) ::SetFocus(d.window);
      const POINT pt = PointFromLParam(lParam);
      d.lastMouse = pt;
      CControlUI* control = FindControl(pt);
      if (!control || control->GetManager() != this) return false;
      d.pressed = control;
      control->SetFocus();
      ::SetCapture(d.window);
      d.mouseCapture = true;
      SendEvent(d.pressed, message == WM_LBUTTONDOWN ? UIEVENT_BUTTONDOWN : UIEVENT_DBLCLICK, pt, wParam, lParam);
      return false;
    }
    case WM_LBUTTONUP: {
      const POINT pt = PointFromLParam(lParam);
      d.lastMouse = pt;
      if (!d.pressed) return false;
      d.mouseCapture = false;
      ::ReleaseCapture();
      CControlUI* control = std::exchange(d.pressed, nullptr);
      SendEvent(control, UIEVENT_BUTTONUP, pt, wParam, lParam);
      return false;
    }
    case WM_RBUTTONDOWN: {
      if (!d.noActivate) ::SetFocus(d.window);
      const POINT pt = PointFromLParam(lParam);
      d.lastMouse = pt;
      CControlUI* control = FindControl(pt);
      if (!control || control->GetManager() != this) return false;
      control->SetFocus();
      SendEvent(control, UIEVENT_RBUTTONDOWN, pt, wParam, lParam);
      return false;
    }
    case WM_CONTEXTMENU: {
      POINT pt = PointFromLParam(lParam);
      ::ScreenToClient(d.window, &pt);
      d.lastMouse = pt;
      if (d.pressed) return false;
      CControlUI* control = FindControl(pt);
      if (!control || control->GetManager() != this) return false;
      SendEvent(control, UIEVENT_CONTEXTMENU, pt, wParam, lParam);
      return false;
    }
    case WM_MOUSEWHEEL: {
      POINT pt = PointFromLParam(lParam);
      ::ScreenToClient(d.window, &pt);
      d.lastMouse = pt;
      CControlUI* control = FindControl(pt);
      if (!control || control->GetManager() != this) return false;
      const int delta = static_cast<short>(HIWORD(wParam));
      SendEvent(control, UIEVENT_SCROLLWHEEL, pt, MAKELPARAM(delta < 0 ? SB_LINEDOWN : SB_LINEUP, 0), lParam);
      return false;
    }
    case WM_MOUSEHOVER: {
      d.mouseTracking = false;
      const POINT pt = PointFromLParam(lParam);
      CControlUI* control = FindControl(pt);
      if (!control) return false;
      if (d.hover) SendEvent(d.hover, UIEVENT_MOUSEHOVER, pt, wParam, lParam);
      if (!d.hover || d.hover != control) return false;
      if (!ShowToolTip(control, pt)) return false;
      result = 0;
      return true;
    }
    case WM_MOUSELEAVE: {
      HideToolTip();
      if (d.mouseTracking) {
        // Still tracking while the move is handled, so that it does not start
        // tracking again for a cursor that has left.
        POINT pt = {-1, -1};
        POINT cursor;
        if (::GetActiveWindow() == d.window && ::GetCursorPos(&cursor) && ::WindowFromPoint(cursor) == d.window &&
            ::SendMessageW(d.window, WM_NCHITTEST, 0, MAKELPARAM(cursor.x, cursor.y)) == HTCLIENT) {
          pt = cursor;
          ::ScreenToClient(d.window, &pt);
        }
        ::SendMessageW(d.window, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
      }
      d.mouseTracking = false;
      return false;
    }
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (d.minInfo.cx > 0) info->ptMinTrackSize.x = d.minInfo.cx;
      if (d.minInfo.cy > 0) info->ptMinTrackSize.y = d.minInfo.cy;
      if (d.maxInfo.cx > 0) info->ptMaxTrackSize.x = d.maxInfo.cx;
      if (d.maxInfo.cy > 0) info->ptMaxTrackSize.y = d.maxInfo.cy;
      return false;
    }
    case WM_KEYDOWN:
      if (d.root && d.focus) {
        d.keyDown = d.focus;
        SendEvent(d.focus, UIEVENT_KEYDOWN, d.lastMouse, wParam, lParam, static_cast<wchar_t>(wParam));
      }
      return false;
    case WM_KEYUP:
      if (d.keyDown) {
        CControlUI* control = std::exchange(d.keyDown, nullptr);
        SendEvent(control, UIEVENT_KEYUP, d.lastMouse, wParam, lParam, static_cast<wchar_t>(wParam));
      }
      return false;
    case WM_CHAR:
      if (d.root && d.focus)
        SendEvent(d.focus, UIEVENT_CHAR, d.lastMouse, wParam, lParam, static_cast<wchar_t>(wParam));
      return false;
    case WM_SETCURSOR: {
      if (LOWORD(lParam) != HTCLIENT) return false;
      if (d.mouseCapture) {
        result = 0;
        return true;
      }
      POINT pt;
      ::GetCursorPos(&pt);
      ::ScreenToClient(d.window, &pt);
      CControlUI* control = FindControl(pt);
      if (!control || (control->GetControlFlags() & UIFLAG_SETCURSOR) == 0) return false;
      SendEvent(control, UIEVENT_SETCURSOR, pt, wParam, lParam);
      result = TRUE;
      return true;
    }
    case WM_MOUSEACTIVATE:
      if (!d.noActivate) return false;
      result = MA_NOACTIVATE;
      return true;
    case WM_CLOSE: {
      if (d.hover) SendEvent(std::exchange(d.hover, nullptr), UIEVENT_MOUSELEAVE, d.lastMouse, 0, 0);
      if (d.pressed) SendEvent(std::exchange(d.pressed, nullptr), UIEVENT_BUTTONUP, d.lastMouse, 0, 0);
      SetFocus(nullptr);
      if (::GetActiveWindow() == d.window) {
        const bool child = (::GetWindowLongW(d.window, GWL_STYLE) & WS_CHILD) != 0;
        HWND next = child ? ::GetParent(d.window) : ::GetWindow(d.window, GW_OWNER);
        if (next) ::SetFocus(next);
      }
      if (d.toolTip) {
        ::DestroyWindow(d.toolTip);
        d.toolTip = nullptr;
      }
      return false;
    }
    default:
      return false;
  }
}

bool CWindowHostUI::PreMessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  Impl& d = *impl_;
  for (size_t i = 0; i < d.preFilters.size(); ++i) {
    bool handled = false;
    const LRESULT answer = d.preFilters[i]->FilterMessage(message, wParam, lParam, handled);
    if (handled) {
      result = answer;
      return true;
    }
  }
  switch (message) {
    case WM_KEYDOWN: {
      if (wParam != VK_TAB) return false;
      CControlUI* focus = d.focus;
      // A rich edit that takes Tab as text keeps it (it reports itself as a tab stop then).
      if (focus && focus->IsVisible() && focus->IsEnabled() && std::wcsstr(focus->GetClass(), L"RichEdit") &&
          (focus->GetControlFlags() & UIFLAG_TABSTOP) != 0) {
        return false;
      }
      SetNextTabControl(::GetKeyState(VK_SHIFT) >= 0);
      return true;
    }
    case WM_SYSKEYDOWN:
      if (d.focus) SendEvent(d.focus, UIEVENT_SYSKEY, d.lastMouse, wParam, lParam, static_cast<wchar_t>(wParam));
      return false;
    case WM_SYSCHAR: {
      if (!d.root) return false;
      ShortcutSearch search{static_cast<wchar_t>(std::towupper(static_cast<wint_t>(wParam)))};
      CControlUI* control =
          d.root->FindControl(MatchShortcut, &search, UIFIND_ENABLED | UIFIND_ME_FIRST | UIFIND_TOP_FIRST);
      if (!control) return false;
      control->SetFocus();
      control->Activate();
      return true;
    }
    default:
      return false;
  }
}

// No accelerator tables in this toolkit's windows.
bool CWindowHostUI::TranslateAccelerator(MSG*) {
  return false;
}

bool CWindowHostUI::TranslateMessage(const MSG* msg) {
  if (!msg || !msg->hwnd) return false;
  // A filter may end a window and with it its host: walk a copy, and skip
  // hosts that have left the list meanwhile.
  const std::vector<CWindowHostUI*> hosts = HostList();
  auto alive = [](CWindowHostUI* host) {
    const auto& now = HostList();
    return std::find(now.begin(), now.end(), host) != now.end();
  };
  MSG copy = *msg;
  const bool child = (::GetWindowLongW(msg->hwnd, GWL_STYLE) & WS_CHILD) != 0;
  if (child) {
    for (auto it = hosts.rbegin(); it != hosts.rend(); ++it) {
      CWindowHostUI* host = *it;
      for (HWND w = msg->hwnd; w; w = ::GetParent(w)) {
        if (!alive(host) || w != host->GetPaintWindow()) continue;
        if (host->TranslateAccelerator(&copy)) return true;
        LRESULT ignored = 0;
        host->PreMessageHandler(msg->message, msg->wParam, msg->lParam, ignored);
      }
    }
    return false;
  }
  for (CWindowHostUI* host : hosts) {
    if (!alive(host) || host->GetPaintWindow() != msg->hwnd) continue;
    if (host->TranslateAccelerator(&copy)) return true;
    LRESULT ignored = 0;
    return host->PreMessageHandler(msg->message, msg->wParam, msg->lParam, ignored);
  }
  return false;
}

}  // namespace DuiLib

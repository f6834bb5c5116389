#include "duilib/core/CWindowHostUI.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "base/SelectedObject.h"
#include "base/WindowDC.h"
#include "duilib/control/CControlUI.h"
#include "duilib/core/CNotificationQueueUI.h"
#include "duilib/core/CTimerTableUI.h"

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

[[maybe_unused]] WORD KeyState() {
  WORD state = 0;
  if (::GetKeyState(VK_LBUTTON) < 0) state |= UIKEY_LBUTTON;
  if (::GetKeyState(VK_RBUTTON) < 0) state |= UIKEY_RBUTTON;
  if (::GetKeyState(VK_SHIFT) < 0) state |= UIKEY_SHIFT;
  if (::GetKeyState(VK_CONTROL) < 0) state |= UIKEY_CONTROL;
  if (::GetKeyState(VK_MENU) < 0) state |= UIKEY_ALT;
  return state;
}

[[maybe_unused]] POINT PointFromLParam(LPARAM lParam) {
  return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
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
  BYTE layeredOpacity = 255;
  std::wstring layeredImage;
  bool layered = false;
  bool showUpdateRect = false;
  bool noActivate = false;

  bool firstLayout = true;
  bool updateNeeded = false;
  bool focusNeeded = false;
  bool offscreenPaint = true;
  bool painting = false;
  bool mouseTracking = false;
  bool mouseCapture = false;
  bool forceShared = false;

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
  impl_->focusNeeded = true;
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

void CWindowHostUI::SetLayeredOpacity(BYTE opacity) {
  impl_->layeredOpacity = opacity;
}

void CWindowHostUI::SetLayeredImage(const std::wstring& image) {
  impl_->layeredImage = image;
  impl_->layered = !image.empty();
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
  CFontTableUI& table = (shared || impl_->forceShared) ? CFontTableUI::Shared() : impl_->fonts;
  TFontInfo* info = table.Add(id, face, size, bold, underline, italic, impl_->MetricsDC());
  if (info && isDefault) {
    // The default's scope follows the element alone, not the force-shared flag.
    CFontTableUI& scope = shared ? CFontTableUI::Shared() : impl_->fonts;
    scope.SetDefault(face, size, bold, underline, italic, impl_->MetricsDC());
  }
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

bool CWindowHostUI::IsForceUseSharedRes() const {
  return impl_->forceShared;
}
void CWindowHostUI::SetForceUseSharedRes(bool force) {
  impl_->forceShared = force;
}

// ---- Default attribute lists ---------------------------------------------------

void CWindowHostUI::AddDefaultAttributeList(const std::wstring& className, const std::wstring& list, bool shared) {
  auto& table = (shared || impl_->forceShared) ? SharedAttributeLists() : impl_->attributeLists;
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
  CImageCacheUI& cache = (shared || impl_->forceShared) ? CImageCacheUI::Shared() : impl_->images;
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

bool CWindowHostUI::MessageHandler(UINT, WPARAM, LPARAM, LRESULT&) {
  return false;
}

bool CWindowHostUI::PreMessageHandler(UINT, WPARAM, LPARAM, LRESULT&) {
  return false;
}

bool CWindowHostUI::TranslateAccelerator(MSG*) {
  return false;
}

bool CWindowHostUI::TranslateMessage(const MSG*) {
  return false;
}

}  // namespace DuiLib

#include "duilib/core/CHostToolTipUI.h"

#include "duilib/control/CControlUI.h"

namespace DuiLib {

bool CHostToolTipUI::Show(HWND owner, HINSTANCE instance, CControlUI* control, POINT pt) {
  text_ = control->GetToolTip();
  if (text_.empty()) return false;
  if (!window_) {
    // The tooltip class is registered by the common controls library; loading
    // it from the system directory is enough.
    static HMODULE comctl = ::LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    (void)comctl;
    window_.Reset(::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance, nullptr));
    if (!window_) return false;
    hoverTime_ = static_cast<int>(::SendMessageW(window_.Get(), TTM_GETDELAYTIME, TTDT_INITIAL, 0));
    toolInfo_ = {};
    toolInfo_.cbSize = TTTOOLINFOW_V2_SIZE;
    toolInfo_.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    toolInfo_.hwnd = owner;
    toolInfo_.uId = reinterpret_cast<UINT_PTR>(owner);
    toolInfo_.hinst = instance;
    toolInfo_.lpszText = const_cast<wchar_t*>(text_.c_str());
    toolInfo_.rect = control->GetPos();
    ::SendMessageW(window_.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
  }
  toolInfo_.lpszText = const_cast<wchar_t*>(text_.c_str());
  toolInfo_.rect = control->GetPos();
  ::SendMessageW(window_.Get(), TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
  ::SendMessageW(window_.Get(), TTM_SETMAXTIPWIDTH, 0, control->GetToolTipWidth());
  ::SendMessageW(window_.Get(), TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&toolInfo_));
  // A popup is placed in screen co-ordinates.
  POINT screen = pt;
  ::ClientToScreen(owner, &screen);
  ::SendMessageW(window_.Get(), TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x, screen.y));
  lastControl_ = control;
  return true;
}

void CHostToolTipUI::Hide() {
  if (window_) ::SendMessageW(window_.Get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&toolInfo_));
}

void CHostToolTipUI::Destroy() {
  window_.Reset();
}

void CHostToolTipUI::Forget(CControlUI* control) {
  if (!control || lastControl_ == control) lastControl_ = nullptr;
}

}  // namespace DuiLib

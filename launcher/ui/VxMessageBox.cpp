#include "launcher/ui/VxMessageBox.h"

#include <utility>

#include "duilib/control/CControlUI.h"

namespace Launcher {

namespace {

// WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
// the window base takes the caption away again when the skin is built.
constexpr DWORD kBoxStyle = 0x96C80000;
constexpr DWORD kBoxExStyle = WS_EX_WINDOWEDGE;

}  // namespace

VxMessageBox::VxMessageBox(std::wstring title, std::wstring content, MessageBoxMode mode)
    : title_(std::move(title)), content_(std::move(content)), mode_(mode) {}

LRESULT VxMessageBox::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = WindowImplBase::HandleWindowMessage(message, wParam, lParam);
  if (message == WM_CREATE) {
    if (DuiLib::CControlUI* label = host_.FindControl(std::wstring(L"Title_Label")); label && !title_.empty()) {
      label->SetText(title_);
    }
    if (DuiLib::CControlUI* label = host_.FindControl(std::wstring(L"Content_Label"))) label->SetText(content_);
    if (DuiLib::CControlUI* cancel = host_.FindControl(std::wstring(L"Cancel_Btn"));
        cancel && mode_ == MessageBoxMode::OkOnly) {
      cancel->SetVisible(false);
    }
  }
  return result;
}

void VxMessageBox::OnNotify(DuiLib::NotificationUI& msg) {
  if (msg.type != L"click" || !msg.sender) return;
  const std::wstring& name = msg.sender->GetName();
  if (name == L"MessageBox_Close_Btn") {
    Close(1);
  } else if (name == L"OK_Btn") {
    confirmed_ = true;
    Close(1);
  } else if (name == L"Cancel_Btn") {
    confirmed_ = false;
    Close(1);
  }
}

bool ShowMessageBox(std::wstring title, std::wstring content, MessageBoxMode mode, HWND owner) {
  VxMessageBox box(std::move(title), std::move(content), mode);
  if (!box.Create(owner, L"", kBoxStyle, kBoxExStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT)) {
    return false;
  }
  box.CenterOnOwner();
  box.ShowModal();
  return box.IsConfirmed();
}

}  // namespace Launcher
